# Sourced by the benches that check mail against the local Dovecot: installs
# what they need, starts the test mail servers in a folder of their own and,
# in front of their POP3 port, the proxy that delays each direction by
# DELAY_MS (10), and ends both on exit. Before sourcing set bench_name (the
# work folder's name) and default_rounds. Sets build, rounds (ROUNDS), delay,
# work, servers, the servers' variables, bench, proxy_port and fingerprint;
# gives the medians of what the rounds timed (below).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh # mpop, GNU time and bc among them
build=${BUILD_DIR:-build}
rounds=${ROUNDS:-$default_rounds}
delay=${DELAY_MS:-10}
work=$(mktemp -d "${STORE_ROOT:-/tmp}/$bench_name.XXXXXX")
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

# The median of the numbers on standard input, one a line.
median() { sort -n | awk '{ t[NR] = $1 } END { print (NR % 2) ? t[(NR + 1) / 2] : (t[NR / 2] + t[NR / 2 + 1]) / 2 }'; }
# Of the lines GNU time wrote into $times as "<side>: wall W s, cpu U S" (`side` a pattern): the
# median wall time, and the median processor time (user and system).
wall() { grep -E "^$1 *: wall" "$times" | sed -E 's/.*wall ([0-9.]+) s.*/\1/' | median; }
cpu() { grep -E "^$1 *: wall" "$times" | sed -E 's/.*cpu ([0-9.]+) ([0-9.]+)/\1 \2/' | awk '{ print $1 + $2 }' | median; }
# "<what> fennick A s, mpop B s, ratio A/B".
side_by_side() { printf '%s fennick %s s, mpop %s s, ratio %.2f\n' "$1" "$2" "$3" "$(echo "scale=3; $2 / $3" | bc)"; }
