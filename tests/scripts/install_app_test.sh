#!/usr/bin/env bash
# make run's install step into a fresh home: the program beside its data
# folders, and a menu entry that starts it on that folder.
set -euo pipefail
build=${1:?build folder}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_DATA_HOME=
app="$work/メール ＆ 100%"
"$(dirname "$0")/../../scripts/install-app.sh" "$build" "$app" > /dev/null
entry="$HOME/.local/share/applications/fennick.desktop"
fail() { echo "FAIL: $*"; exit 1; }
[ -x "$app/fennick" ] || fail "no program"
[ -f "$app/★MAilData/orxdata2.data" ] || fail "no received-mail file"
[ -f "$HOME/.local/share/icons/hicolor/scalable/apps/fennick.svg" ] || fail "no icon"
grep -qxF "Exec=\"$work/メール ＆ 100%%/fennick\"" "$entry" || fail "Exec: $(grep Exec "$entry")"
grep -qxF "Path=$app" "$entry" || fail "Path: $(grep Path "$entry")"
if command -v desktop-file-validate > /dev/null; then desktop-file-validate "$entry" || fail "invalid entry"; fi
# A second install keeps the data written meanwhile.
printf 'x' > "$app/★MAilData/orxdata5.data"
"$(dirname "$0")/../../scripts/install-app.sh" "$build" "$app" > /dev/null
[ "$(cat "$app/★MAilData/orxdata5.data")" = x ] || fail "data overwritten"
echo ok
