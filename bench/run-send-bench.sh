#!/usr/bin/env bash
# Times a send to 200 address-book entries against the local Postfix
# (submission, STARTTLS, login) through a proxy that delays each direction
# by 10 ms, and counts the TCP connections the send opened. With BEFORE_REF
# set (a commit), that commit's send_bench is built in a worktree of its own
# and the two alternate, round by round, in this one run. Needs root (it
# starts the servers) and a build with benchmarks (build/bench). ROUNDS,
# DELAY_MS and ENTRIES may be set in the environment. It ends with each
# side's median.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=${BUILD_DIR:-build}
rounds=${ROUNDS:-3}
delay=${DELAY_MS:-10}
entries=${ENTRIES:-200}
work=$(mktemp -d /tmp/fennick-send-bench.XXXXXX)
servers=$work/servers
proxy_pid=""
cleanup() {
  if [ -n "$proxy_pid" ]; then kill "$proxy_pid" 2>/dev/null || true; fi
  scripts/mailservers.sh stop "$servers"
  if [ -n "${BEFORE_REF:-}" ]; then git worktree remove --force "$work/before" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

sides=("now:$build/bench/send_bench")
if [ -n "${BEFORE_REF:-}" ]; then
  git worktree add --detach "$work/before" "$BEFORE_REF" >/dev/null
  cmake -S "$work/before" -B "$work/before/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DFENNICK_GUI=OFF -DFENNICK_BENCH=ON >/dev/null
  cmake --build "$work/before/build" --target send_bench >/dev/null
  sides=("before:$work/before/build/bench/send_bench" "${sides[@]}")
fi

scripts/mailservers.sh start "$servers"
. "$servers/servers.env"
coproc PROXY { exec "$build/bench/delay_proxy" "$SUBMISSION_PORT" "$delay" 2>"$work/connections.log"; }
proxy_pid=$PROXY_PID
read -r proxy_port <&"${PROXY[0]}"

times=$work/times.log
for round in $(seq 1 "$rounds"); do
  for side in "${sides[@]}"; do
    name=${side%%:*}
    before=$(wc -l < "$work/connections.log")
    start=$(date +%s.%N)
    "${side#*:}" "$servers" "127.0.0.1:$proxy_port" "$work/app-$name-$round" "$entries"
    end=$(date +%s.%N)
    after=$(wc -l < "$work/connections.log")
    printf '%s: wall %.3f s, %d connection(s)\n' "$name" "$(echo "$end - $start" | bc)" $((after - before))
  done
done 2>&1 | tee "$times"

median() {
  grep -E "^$1: wall" "$times" | sed -E 's/.*wall ([0-9.]+) s.*/\1/' | sort -n |
    awk '{ t[NR] = $1 } END { print (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2 }'
}
echo "== medians of $rounds rounds, $entries entries, ${delay} ms each way"
for side in "${sides[@]}"; do echo "${side%%:*}: $(median "${side%%:*}") s"; done
