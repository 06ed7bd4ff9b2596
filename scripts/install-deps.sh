#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need.
# Idempotent: apt-get update runs only when something is missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake pkg-config ninja-build
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-webengine-dev-tools qt6-translations-l10n
  libqt6opengl6-dev libgl-dev
  libgmime-3.0-dev libsqlite3-dev libssl-dev libicu-dev qtkeychain-qt6-dev
  googletest libgtest-dev libgmock-dev
  fonts-noto-cjk xvfb xauth x11-utils xdotool
  dovecot-core dovecot-pop3d postfix mpop
  openssl procps iproute2 time bc desktop-file-utils python3 dbus-daemon gnome-keyring
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# Postfix asks how it should be configured unless told beforehand; the tests
# run their own instance with their own config folder, so "No configuration".
echo "postfix postfix/main_mailer_type select No configuration" | $SUDO debconf-set-selections
echo "postfix postfix/mailname string localhost" | $SUDO debconf-set-selections
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
  -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold "${missing[@]}"
