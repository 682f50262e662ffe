#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing need.
# Skips apt entirely when everything is already there, so repeated runs are fast.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev
  gettext
  libhivex-dev
  libnotify-dev
  libwxgtk3.2-dev libwxgtk-webview3.2-dev
  xvfb xauth x11-apps imagemagick
  wine wine64
  xdg-utils
  librsvg2-bin
  nlohmann-json3-dev bsdutils
  jq python3
  libglib2.0-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
