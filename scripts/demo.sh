#!/usr/bin/env bash
# A demo that needs no account: starts the local POP3/SMTP servers with a
# demo account that already holds three sample mails, writes the matching
# orvex.ini and iniIdPass.ini into a demo application folder, and starts
# Fennick there. Press "受信" to receive; the account may send to itself
# (its address is in the address book). The servers stop when Fennick ends.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
demo_home=${DEMO_HOME:-$PWD/$build_dir/demo}
servers=$PWD/$build_dir/demo-servers

if [ "$(id -u)" -ne 0 ]; then
  echo "The demo starts its own mail servers and needs root (sudo make demo)." >&2
  exit 1
fi
scripts/mailservers.sh start "$servers"
trap 'scripts/mailservers.sh stop "$servers"' EXIT
# shellcheck disable=SC1091
. "$servers/servers.env"

scripts/install-app.sh "$build_dir" "$demo_home"
printf 'SMTP=127.0.0.1:%s\r\nPOP3=127.0.0.1:%s\r\nMAIL=u1@%s\r\nAPOP=1\r\n' \
  "$SMTP_PORT" "$POP3_PORT" "$MAIL_DOMAIN" > "$demo_home/orvex.ini"
data=$(find "$demo_home" -maxdepth 1 -iname '★maildata' -print -quit)
printf '[EXEINI]\r\nNAME=u1\r\nNAME2=pw-u1\r\nNAME3=1\r\n' > "$data/iniIdPass.ini"
chmod 0600 "$data/iniIdPass.ini"

# The demo account sends to itself: an address-book entry for it, written once
# (184 bytes: Shift-JIS name padded to 90, CR LF, status 1, address padded to 90).
sjis_field() {
  local len
  len=$(printf '%s' "$1" | iconv -f UTF-8 -t CP932 | wc -c)
  printf '%s' "$1" | iconv -f UTF-8 -t CP932
  printf '%*s' $((90 - len)) ''
}
book=$(find "$data" -maxdepth 1 -iname 'orxdata20.data' -print -quit)
book=${book:-$data/orxdata20.data}
if [ ! -s "$book" ]; then
  { sjis_field 'デモ（自分宛て）'; printf '\r\n\001\000'; sjis_field "u1@$MAIL_DOMAIN"; } > "$book"
fi

python3 - "$SMTP_PORT" "u1@$MAIL_DOMAIN" tools/demo/*.eml <<'PY'
import smtplib, sys
port, recipient, mails = int(sys.argv[1]), sys.argv[2], sys.argv[3:]
with smtplib.SMTP("127.0.0.1", port) as server:
    for mail in mails:
        with open(mail, "rb") as f:
            server.sendmail("demo@fennick.test", [recipient], f.read())
PY
echo "Demo account u1@$MAIL_DOMAIN holds $(ls tools/demo/*.eml | wc -l) mails. Press 受信 in Fennick."
echo "To send, press 新規作成 and write to u1@$MAIL_DOMAIN (in the address book as デモ（自分宛て））."
scripts/run-app.sh "$demo_home"
