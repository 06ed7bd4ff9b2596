#!/usr/bin/env bash
# Starts Fennick from its application folder: the server settings file is
# read from the current folder.
set -euo pipefail
app_home=${1:?application folder}
cd "$app_home"
# Chromium's sandbox, which the page view uses, refuses to run as root.
if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
exec ./fennick
