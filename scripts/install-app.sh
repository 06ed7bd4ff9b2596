#!/usr/bin/env bash
# Installs the built program into the application folder and lays out the
# data folders the first time. Existing data is never overwritten.
set -euo pipefail
build_dir=${1:?build folder}
app_home=${2:?application folder}

mkdir -p "$app_home"
app_home=$(cd "$app_home" && pwd)
# Replace the page engine's module, which the program loads from beside
# itself, and then the program, each atomically: a running copy keeps its old
# images.
for file in libfennick_pageview.so fennick; do
  install -m 0755 "$build_dir/$file" "$app_home/.$file.new"
  mv -f "$app_home/.$file.new" "$app_home/$file"
done

# The local home page that the HomePage label opens.
install -m 0644 "$(dirname "$0")/../app/homepage.htm" "$app_home/homepage.htm"

data="$app_home/★MAilData"
# Data copied from elsewhere may spell the folder ★MailData; use it as it is.
existing=$(find "$app_home" -maxdepth 1 -iname '★maildata' -print -quit)
[ -n "$existing" ] && data=$existing
mkdir -p "$data" "$app_home/添付フォルダ" "$app_home/■TextQuickSave"
for f in orxdata2.data orxdata5.data; do
  if [ -z "$(find "$data" -maxdepth 1 -iname "$f" -print -quit)" ]; then
    : > "$data/$f"
  fi
done
# A desktop entry and an icon for the user's application menu, starting the
# program on its application folder (it reads orvex.ini from there).
share=${XDG_DATA_HOME:-$HOME/.local/share}
mkdir -p "$share/applications" "$share/icons/hicolor/scalable/apps"
install -m 0644 "$(dirname "$0")/../app/fennick.svg" "$share/icons/hicolor/scalable/apps/fennick.svg"
# Exec takes a quoted argument in which ", `, $ and \ are escaped, and % doubled.
quoted=$(printf '%s' "$app_home/fennick" | sed -e 's/[\\"`$]/\\&/g' -e 's/%/%%/g')
entry="$share/applications/fennick.desktop"
cat > "$entry.new" <<ENTRY
[Desktop Entry]
Type=Application
Name=Fennick
Comment=Mail for one POP3 account, with a Japanese interface
Comment[ja]=日本語のメールソフト
Exec="$quoted"
Path=$app_home
Icon=fennick
Terminal=false
Categories=Network;Email;
ENTRY
mv -f "$entry.new" "$entry"
echo "Installed into $app_home (menu entry: $entry)"
