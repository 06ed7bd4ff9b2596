#!/usr/bin/env bash
# Start-up time and resident memory of Fennick under Xvfb: from the process
# start to the main window on the screen, the resident memory with only the
# main window open once it has settled, and again after a received HTML mail
# was shown in the history window (clicked with xdotool). Installs the build
# into a scratch application folder; three rounds by default.
#   bench/startup_memory.sh [build folder] [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-${BUILD_DIR:-build}}
rounds=${2:-3}
for tool in Xvfb xwininfo xdotool iconv; do
  command -v "$tool" > /dev/null || { echo "missing: $tool (scripts/install-deps.sh)" >&2; exit 1; }
done

work=$(mktemp -d /tmp/fennick-startup.XXXXXX)
xvfb_pid=
app_pid=
stop() {
  [ -n "$app_pid" ] && kill "$app_pid" 2> /dev/null && wait "$app_pid" 2> /dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2> /dev/null && wait "$xvfb_pid" 2> /dev/null
  rm -rf "$work"
}
trap stop EXIT

# Xvfb picks a free display itself and writes its number to fd 3; without
# -noreset it resets when the last client goes and can refuse the next round.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3> "$work/display" 2> "$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=:$(cat "$work/display")
unset QT_QPA_PLATFORM
if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi

# An application folder with an account (so only the main window opens) and
# one received HTML mail, the record written as the program stores it.
app=$work/app
# Its menu entry goes into the scratch folder, not the user's menu.
XDG_DATA_HOME=$work/share scripts/install-app.sh "$build" "$app" > /dev/null
printf 'SMTP=127.0.0.1:1\r\nPOP3=127.0.0.1:1\r\nMAIL=u1@fennick.test\r\nAPOP=0\r\n' > "$app/orvex.ini"
data=$(find "$app" -maxdepth 1 -iname '★maildata' -print -quit)
printf '[EXEINI]\r\nNAME=u1\r\nNAME2=pw\r\nNAME3=0\r\n' > "$data/iniIdPass.ini"
field() { # the text in Shift-JIS, padded with spaces to the field's width
  local size
  size=$(printf '%s' "$1" | iconv -f UTF-8 -t SHIFT_JIS | wc -c)
  printf '%s' "$1" | iconv -f UTF-8 -t SHIFT_JIS
  head -c $(($2 - size)) /dev/zero | tr '\0' ' '
}
{
  field page 100
  field '2026/12/07  9:00:00' 90
  field '●HTML形式' 14
  field 'from@fennick.test' 90
  field '' 32000
  printf '\r\n\x01\x00'
} > "$data/orxdata2.data"
mkdir -p "$app/page"
printf '<html><body><h1>page</h1><p>%s</p></body></html>\n' "$(printf 'text %.0s' $(seq 200))" \
  > "$app/page/index.htm"

now_ms() { echo $(($(date +%s%N) / 1000000)); }
rss_kb() { awk '/^VmRSS/ {print $2}' "/proc/$1/status"; }
# Processor time used so far (user and system), less disturbed by a busy machine than the wall clock.
cpu_ms() { awk -v tick="$(getconf CLK_TCK)" '{sub(/.*\) /, ""); print int(($12 + $13) * 1000 / tick)}' "/proc/$1/stat"; }
# The resident size once it stops changing by more than 256 kB a second.
settled_rss_kb() {
  local before after
  before=$(rss_kb "$1")
  for _ in $(seq 30); do
    sleep 1
    after=$(rss_kb "$1")
    [ $((after - before)) -lt 256 ] && [ $((before - after)) -lt 256 ] && break
    before=$after
  done
  echo "$after"
}
# Descendants' resident memory (the page engine's helper processes).
children_rss_kb() {
  local total=0 kids
  kids=$(ps -o pid= --ppid "$1" | tr -d ' ') || true
  for k in $kids; do
    total=$((total + $(rss_kb "$k") + $(children_rss_kb "$k")))
  done
  echo "$total"
}
window_shown() { xwininfo -name "$1" 2> /dev/null | grep -q 'IsViewable'; }
mapped() { grep -q "$2" "/proc/$1/maps" && echo yes || echo no; }
median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }

: > "$work/startup" && : > "$work/cpu" && : > "$work/idle" && : > "$work/page"
for round in $(seq "$rounds"); do
  start=$(now_ms)
  (cd "$app" && exec ./fennick) > "$work/app.log" 2>&1 &
  app_pid=$!
  until window_shown 'Fennick Ver 1.0'; do
    kill -0 "$app_pid" 2> /dev/null || { cat "$work/app.log" >&2; exit 1; }
    sleep 0.005
  done
  shown=$(now_ms)
  cpu=$(cpu_ms "$app_pid")
  idle=$(settled_rss_kb "$app_pid")
  echo "round $round: main window shown after $((shown - start)) ms ($cpu ms processor time);" \
    "idle $((idle / 1024)) MB resident" \
    "(page engine mapped: $(mapped "$app_pid" libQt6WebEngineCore)," \
    "OpenGL driver mapped: $(mapped "$app_pid" '_dri\.so'))"

  # 着信履歴 on the main window, then the only row of the list.
  read -r mx my < <(xwininfo -name 'Fennick Ver 1.0' |
    awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4} END {print x, y}')
  xdotool mousemove $((mx + 288)) $((my + 152)) click 1
  history=
  for _ in $(seq 200); do
    history=$(xdotool search --onlyvisible --name '着信履歴' 2> /dev/null | head -1) || true
    [ -n "$history" ] && break
    sleep 0.05
  done
  [ -n "$history" ] || { echo "the history window did not open" >&2; exit 1; }
  eval "$(xdotool getwindowgeometry --shell "$history")"
  # The only row lies below the menu bar (whose height follows the font and
  # what sits in its corner) and the list's header: step down until a click
  # on it shows the page.
  for dy in 0 8 16 24 32 40; do
    xdotool mousemove $((X + 60)) $((Y + 56 + 32 + dy)) click 1
    sleep 0.3
    [ "$(mapped "$app_pid" libQt6WebEngineCore)" = yes ] && break
  done
  page=$(settled_rss_kb "$app_pid")
  [ "$(mapped "$app_pid" libQt6WebEngineCore)" = yes ] || { echo "no page was shown" >&2; exit 1; }
  echo "round $round: after a page was shown $((page / 1024)) MB resident," \
    "its helper processes $(($(children_rss_kb "$app_pid") / 1024)) MB more"
  echo $((shown - start)) >> "$work/startup"
  echo "$cpu" >> "$work/cpu"
  echo $((idle / 1024)) >> "$work/idle"
  echo $((page / 1024)) >> "$work/page"
  kill "$app_pid"
  wait "$app_pid" 2> /dev/null || true
  app_pid=
done
echo "median of $rounds: start-up $(median < "$work/startup") ms ($(median < "$work/cpu") ms processor time)," \
  "idle $(median < "$work/idle") MB, after a page $(median < "$work/page") MB resident"
