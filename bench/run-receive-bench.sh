#!/usr/bin/env bash
# Times the mail check against mpop on the same 1000-message mailbox served
# by the local Dovecot, alternating the two, three rounds each: first over
# plain loopback, then through a proxy that delays each direction by 10 ms
# (a 20 ms round trip, a home line to a provider). Both use STLS, as Dovecot
# offers it. Needs root (it starts the servers) and a build with benchmarks
# (build/bench). ROUNDS, DELAY_MS and STORE_ROOT (where the stored mail goes:
# /dev/shm takes the disk's fsync out of the figures, mpop syncs every mail)
# may be set in the environment. It ends with each side's median and their
# ratio per link.
bench_name=fennick-bench default_rounds=3
. "$(dirname "$0")/pop3bench.sh"

run_round() {
  local link=$1 port=$2 round=$3
  "$bench" "$servers" u1 fill "$work/app-$link$round"
  /usr/bin/time -f "fennick $link: wall %e s, max RSS %M KB" \
    "$bench" "$servers" u1 check "$work/app-$link$round" "127.0.0.1:$port"

  "$bench" "$servers" u1 fill "$work/app-$link$round"
  "$bench" "$servers" u1 fetch "$work/app-$link$round" "127.0.0.1:$port"

  "$bench" "$servers" u1 fill "$work/app-$link$round"
  maildir=$work/mpop-$link$round
  mkdir -p "$maildir/new" "$maildir/cur" "$maildir/tmp"
  /usr/bin/time -f "mpop    $link: wall %e s, max RSS %M KB" \
    mpop -C /dev/null --host=127.0.0.1 --port="$port" --tls=on --tls-starttls=on \
      --tls-fingerprint="$fingerprint" --auth=plain --user=u1 --passwordeval="echo pw-u1" \
      --delivery=maildir,"$maildir" --keep=off --only-new=off --received-header=off \
      --uidls-file="$work/uidls" -q
  echo "mpop    $link: $(ls "$maildir/new" | wc -l) messages"
}

times=$work/times.log
{
  for round in $(seq 1 "$rounds"); do run_round loopback "$POP3_PORT" "$round"; done
  for round in $(seq 1 "$rounds"); do run_round delayed "$proxy_port" "$round"; done
} 2>&1 | tee "$times"

echo "== medians of $rounds rounds"
for link in loopback delayed; do
  side_by_side "$link:" "$(wall "fennick +$link")" "$(wall "mpop +$link")"
done
