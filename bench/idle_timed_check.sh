#!/usr/bin/env bash
# Fennick left running with a timed check every 5 minutes, against the local
# Dovecot, under Xvfb: over MINUTES (10) of wall clock it samples every 10 s
# the processor time the process used, its resident memory and the context
# switches of all its threads (each one a wake-up), and says in which samples
# it woke. The main window is minimised first, as a program left all day is.
# A mail arrives a little before the second check. With a second build
# (today's program, which has no timed checks) the same runs beside it on
# an account of its own, for its idle memory and wake-ups.
#   sudo bench/idle_timed_check.sh [build folder] [build folder of today's program]
# Needs root (it starts the mail servers).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-${BUILD_DIR:-build}}
base=${2:-}
minutes=${MINUTES:-10}
for tool in Xvfb xwininfo xdotool; do
  command -v "$tool" > /dev/null || { echo "missing: $tool (scripts/install-deps.sh)" >&2; exit 1; }
done

work=$(mktemp -d /tmp/fennick-idle.XXXXXX)
servers=$work/servers
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2> /dev/null && wait "$p" 2> /dev/null || true; done
  scripts/mailservers.sh stop "$servers"
  rm -rf "$work"
}
scripts/mailservers.sh start "$servers"
trap cleanup EXIT
. "$servers/servers.env"
unset QT_QPA_PLATFORM DBUS_SESSION_BUS_ADDRESS
if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi

rss_kb() { awk '/^VmRSS/ {print $2}' "/proc/$1/status"; }
cpu_ticks() { awk '{sub(/.*\) /, ""); print $12 + $13}' "/proc/$1/stat"; }
switches() { cat /proc/"$1"/task/*/status | awk '/ctxt_switches/ {n += $2} END {print n}'; }
deliver() { # account, subject
  local box=$MAIL_ROOT/mail/$1 name
  mkdir -p "$box/new" "$box/cur" "$box/tmp" && chown -R 8:8 "$box"
  name=$(date +%s).$$_$RANDOM.bench
  printf 'From: bench@%s\r\nSubject: %s\r\n\r\nbody\r\n' "$MAIL_DOMAIN" "$2" > "$box/tmp/$name"
  chown 8:8 "$box/tmp/$name" && mv "$box/tmp/$name" "$box/new/$name"
}

# Starts one build on an application folder and account of its own, its
# main window minimised; its PID goes into started.
start_one() { # name, build, account, minutes between checks
  local app=$work/$1 display
  XDG_DATA_HOME=$work/share-$1 scripts/install-app.sh "$2" "$app" > /dev/null
  printf 'SMTP=127.0.0.1:%s\r\nPOP3=127.0.0.1:%s\r\nMAIL=%s@%s\r\nAPOP=0\r\n' \
    "$SMTP_PORT" "$POP3_PLAIN_PORT" "$3" "$MAIL_DOMAIN" > "$app/orvex.ini"
  local data
  data=$(find "$app" -maxdepth 1 -iname '★maildata' -print -quit)
  printf '[EXEINI]\r\nNAME=%s\r\nNAME2=pw-%s\r\nNAME3=1\r\n[ALWAYSON]\r\nCHECKMINUTES=%s\r\n' "$3" "$3" "$4" \
    > "$data/iniIdPass.ini"
  printf 'pop3 127.0.0.1:%s clear\n' "$POP3_PLAIN_PORT" > "$data/server-tls"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3> "$work/display-$1" > /dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$work/display-$1" ] && break; sleep 0.05; done
  display=:$(cat "$work/display-$1")
  (cd "$app" && DISPLAY=$display exec ./fennick) > "$work/$1.log" 2>&1 &
  local pid=$!
  pids+=("$pid")
  until DISPLAY=$display xwininfo -name 'Fennick Ver 1.0' 2> /dev/null | grep -q IsViewable; do sleep 0.05; done
  # 「Small」 minimises the main window.
  read -r mx my < <(DISPLAY=$display xwininfo -name 'Fennick Ver 1.0' |
    awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}')
  DISPLAY=$display xdotool mousemove $((mx + 288)) $((my + 272)) click 1
  started=$pid
}

start_one new "$build" u1 5
new_pid=$started
base_pid=
if [ -n "$base" ]; then
  start_one base "$base" u2 0
  base_pid=$started
fi
sleep 10 # settled

tick=$(getconf CLK_TCK)
mb() { awk -v k="$1" 'BEGIN {printf "%.1f", k / 1024}'; }
for who in new base; do
  pid_var=${who}_pid; pid=${!pid_var}
  [ -n "$pid" ] || continue
  echo "$(switches "$pid") $(cpu_ticks "$pid")" > "$work/$who.last"
  echo "$(cpu_ticks "$pid") $(rss_kb "$pid")" > "$work/$who.first"
  : > "$work/$who.woke"
  echo 0 > "$work/$who.rssmax"
done
start=$(date +%s)
delivered=
for i in $(seq $((minutes * 6))); do
  sleep 10
  t=$(($(date +%s) - start))
  if [ -z "$delivered" ] && [ "$t" -ge 480 ]; then deliver u1 "bench mail"; delivered=1; fi
  for who in new base; do
    pid_var=${who}_pid; pid=${!pid_var}
    [ -n "$pid" ] || continue
    read -r s_before _ < "$work/$who.last"
    s=$(switches "$pid")
    [ "$s" -gt "$s_before" ] && echo "${t}s:+$((s - s_before))" >> "$work/$who.woke"
    echo "$s $(cpu_ticks "$pid")" > "$work/$who.last"
    r=$(rss_kb "$pid")
    [ "$r" -gt "$(cat "$work/$who.rssmax")" ] && echo "$r" > "$work/$who.rssmax"
  done
done
elapsed=$(($(date +%s) - start))
for who in new base; do
  pid_var=${who}_pid; pid=${!pid_var}
  [ -n "$pid" ] || continue
  read -r c0 r0 < "$work/$who.first"
  c1=$(cpu_ticks "$pid"); r1=$(rss_kb "$pid")
  cpu_ms=$(((c1 - c0) * 1000 / tick))
  echo "$who: ${elapsed} s idle, processor time ${cpu_ms} ms" \
    "($(awk -v c="$cpu_ms" -v e="$elapsed" 'BEGIN {printf "%.4f", c / 10 / e}') %)," \
    "resident $(mb "$r0") MB at the start, $(mb "$r1") MB at the end, $(mb "$(cat "$work/$who.rssmax")") MB at most"
  echo "$who: woke in $(wc -l < "$work/$who.woke") of $((minutes * 6)) samples of 10 s: $(tr '\n' ' ' < "$work/$who.woke")"
done
stored=$(find "$work/new" -maxdepth 2 -iname 'orxdata2.data' -printf '%s')
echo "new: the received history holds $((stored / 32298)) mail(s) (one delivered at 480 s)"
