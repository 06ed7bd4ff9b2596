#!/usr/bin/env bash
# The processor time of the 1000-message mail check (STLS, every message
# deleted once stored) against mpop's on the same mailbox of the local
# Dovecot, the two alternating over plain loopback, the stored mail in RAM
# (/dev/shm unless STORE_ROOT says otherwise) so that neither waits for a
# disk. Needs root and a build with benchmarks. ROUNDS (5) and STORE_ROOT
# may be set. Ends with each side's median processor time (user + system)
# and wall time, and their ratios.
bench_name=fennick-cpu-bench default_rounds=5
STORE_ROOT=${STORE_ROOT:-/dev/shm}
. "$(dirname "$0")/pop3bench.sh"

times=$work/times.log
for round in $(seq 1 "$rounds"); do
  "$bench" "$servers" u1 fill "$work/app$round"
  /usr/bin/time -f "fennick: wall %e s, cpu %U %S" "$bench" "$servers" u1 check "$work/app$round" \
    "127.0.0.1:$POP3_PORT" > /dev/null
  "$bench" "$servers" u1 fill "$work/app$round"
  maildir=$work/mpop$round
  mkdir -p "$maildir/new" "$maildir/cur" "$maildir/tmp"
  /usr/bin/time -f "mpop   : wall %e s, cpu %U %S" mpop -C /dev/null --host=127.0.0.1 --port="$POP3_PORT" \
    --tls=on --tls-starttls=on --tls-fingerprint="$fingerprint" --auth=plain --user=u1 \
    --passwordeval="echo pw-u1" --delivery=maildir,"$maildir" --keep=off --only-new=off \
    --received-header=off --uidls-file="$work/uidls" -q
done 2>&1 | tee "$times"

echo "== medians of $rounds rounds, 1000 messages deleted once stored, stored under $STORE_ROOT"
side_by_side 'cpu: ' "$(cpu fennick)" "$(cpu mpop)"
side_by_side 'wall:' "$(wall fennick)" "$(wall mpop)"
