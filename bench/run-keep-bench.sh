#!/usr/bin/env bash
# Times a check of a mailbox whose mail stays on the server: 10,000 messages
# already fetched once, 10 new ones, against mpop --keep=on --only-new=on on
# the same mailbox, both through the proxy that delays each direction by
# 10 ms. Each round delivers 10 new messages, then runs the two one after
# the other (neither deletes, so both find the same 10 new). Needs root and
# a build with benchmarks. ROUNDS (5), DELAY_MS (10) and STORE_ROOT may be
# set. Ends with each side's median wall and processor time and their ratio.
bench_name=fennick-keep-bench default_rounds=5
. "$(dirname "$0")/pop3bench.sh"
maildir=$work/mpop
mkdir -p "$maildir/new" "$maildir/cur" "$maildir/tmp"

mpop_args=(-C /dev/null --host=127.0.0.1 --tls=on --tls-starttls=on --tls-fingerprint="$fingerprint"
  --auth=plain --user=u1 --passwordeval="echo pw-u1" --delivery=maildir,"$maildir" --keep=on --only-new=on
  --received-header=off --uidls-file="$work/uidls" -q)

# Both fetch the 10,000 once, over plain loopback: what every round then passes over.
"$bench" "$servers" u1 fill "$work/app" 10000
"$bench" "$servers" u1 keep "$work/app" "127.0.0.1:$POP3_PORT"
mpop "${mpop_args[@]}" --port="$POP3_PORT"

times=$work/times.log
for round in $(seq 1 "$rounds"); do
  "$bench" "$servers" u1 fill "$work/app" 10
  /usr/bin/time -f "fennick: wall %e s, cpu %U %S" "$bench" "$servers" u1 keep "$work/app" "127.0.0.1:$proxy_port"
  /usr/bin/time -f "mpop   : wall %e s, cpu %U %S" mpop "${mpop_args[@]}" --port="$proxy_port"
done 2>&1 | tee "$times"

echo "== medians of $rounds rounds, $delay ms each way"
side_by_side 'wall:' "$(wall fennick)" "$(wall mpop)"
side_by_side 'cpu: ' "$(cpu fennick)" "$(cpu mpop)"
