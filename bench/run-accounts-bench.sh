#!/usr/bin/env bash
# Times 「受信」 over three accounts of 1000 messages each on the local Dovecot,
# through the proxy that delays each direction by 10 ms: the three checked
# as one history (two at a time), against the same three checked one after
# another. Needs root and a build with benchmarks. ROUNDS (5), DELAY_MS (10)
# and STORE_ROOT may be set. Ends with the medians and their ratio.
bench_name=fennick-accounts-bench default_rounds=5
. "$(dirname "$0")/pop3bench.sh"
server="127.0.0.1:$proxy_port"

seconds() { /usr/bin/time -f %e "$@" 2>&1 >/dev/null | tail -1; }
times=$work/times.log
for round in $(seq 1 "$rounds"); do
  "$bench" "$servers" u1,u2,u3 fill "$work/together$round"
  echo "together: $(seconds "$bench" "$servers" u1,u2,u3 check "$work/together$round" "$server")"
  "$bench" "$servers" u1,u2,u3 fill "$work/apart$round"
  total=0
  for account in u1 u2 u3; do
    total=$(echo "$total + $(seconds "$bench" "$servers" "$account" check "$work/apart$round-$account" "$server")" | bc)
  done
  echo "apart: $total"
done | tee "$times"

together=$(grep '^together:' "$times" | awk '{ print $2 }' | median)
apart=$(grep '^apart:' "$times" | awk '{ print $2 }' | median)
echo "== medians of $rounds rounds, $delay ms each way"
printf 'three accounts together %s s, one after another %s s, ratio %.2f\n' "$together" "$apart" \
  "$(echo "scale=3; $together / $apart" | bc)"
