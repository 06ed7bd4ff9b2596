#!/usr/bin/env bash
# Times the mail check against mpop on the same 1000-message mailbox served
# by the local Dovecot, alternating the two, three rounds each. Needs root
# (it starts the servers) and a build with benchmarks (build/bench).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh # mpop, GNU time and bc among them
build=${BUILD_DIR:-build}
work=$(mktemp -d /tmp/fennick-bench.XXXXXX)
servers=$work/servers
scripts/mailservers.sh start "$servers"
trap 'scripts/mailservers.sh stop "$servers"; rm -rf "$work"' EXIT
. "$servers/servers.env"
bench=$build/bench/receive_bench

for round in 1 2 3; do
  "$bench" "$servers" u1 fill "$work/app$round"
  /usr/bin/time -f "         (wall %e s, max RSS %M KB)" "$bench" "$servers" u1 check "$work/app$round"

  "$bench" "$servers" u1 fill "$work/app$round"
  maildir=$work/mpop$round
  mkdir -p "$maildir/new" "$maildir/cur" "$maildir/tmp"
  start=$(date +%s.%N)
  /usr/bin/time -f "mpop:    (wall %e s, max RSS %M KB)" \
    mpop -C /dev/null --host=127.0.0.1 --port="$POP3_PORT" --tls=off --auth=user --user=u1 \
      --passwordeval="echo pw-u1" --delivery=maildir,"$maildir" --keep=off --only-new=off \
      --received-header=off --uidls-file="$work/uidls" -q
  end=$(date +%s.%N)
  echo "mpop: $(ls "$maildir/new" | wc -l) messages in $(echo "$end - $start" | bc) s"
done
