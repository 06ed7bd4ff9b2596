#!/usr/bin/env bash
# Times a check of a mailbox whose mail stays on the server: 10,000 messages
# already fetched once, 10 new ones, against mpop --keep=on --only-new=on on
# the same mailbox, both through the proxy that delays each direction by
# 10 ms. Each round delivers 10 new messages, then runs the two one after
# the other (neither deletes, so both find the same 10 new). Needs root and
# a build with benchmarks. ROUNDS (5), DELAY_MS (10) and STORE_ROOT may be
# set. Ends with each side's median wall and processor time and their ratio.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=${BUILD_DIR:-build}
rounds=${ROUNDS:-5}
delay=${DELAY_MS:-10}
work=$(mktemp -d "${STORE_ROOT:-/tmp}/fennick-keep-bench.XXXXXX")
servers=$work/servers
proxy_pid=""
cleanup() {
  if [ -n "$proxy_pid" ]; then kill "$proxy_pid" 2>/dev/null || true; fi
  scripts/mailservers.sh stop "$servers"
  rm -rf "$work"
}
scripts/mailservers.sh start "$servers"
trap cleanup EXIT
. "$servers/servers.env"
bench=$build/bench/receive_bench

coproc PROXY { exec "$build/bench/delay_proxy" "$POP3_PORT" "$delay"; }
proxy_pid=$PROXY_PID
read -r proxy_port <&"${PROXY[0]}"
fingerprint=$(openssl x509 -in "$MAIL_ROOT/tls/cert.pem" -noout -fingerprint -sha256 | cut -d= -f2)
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

median() { sort -n | awk '{ t[NR] = $1 } END { print (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2 }'; }
wall() { grep -E "^$1 *: wall" "$times" | sed -E 's/.*wall ([0-9.]+) s.*/\1/' | median; }
cpu() { grep -E "^$1 *: wall" "$times" | sed -E 's/.*cpu ([0-9.]+) ([0-9.]+)/\1 \2/' | awk '{ print $1 + $2 }' | median; }
echo "== medians of $rounds rounds, $delay ms each way"
printf 'wall: fennick %s s, mpop %s s, ratio %.2f\n' "$(wall fennick)" "$(wall mpop)" "$(echo "scale=3; $(wall fennick) / $(wall mpop)" | bc)"
printf 'cpu:  fennick %s s, mpop %s s, ratio %.2f\n' "$(cpu fennick)" "$(cpu mpop)" "$(echo "scale=3; $(cpu fennick) / $(cpu mpop)" | bc)"
