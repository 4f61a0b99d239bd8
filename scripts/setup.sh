#!/usr/bin/env bash
# Installs what the build, the program and the tests need from Debian 12 (run as root).
# Skips the install when every package is already there.
set -euo pipefail
PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-multimedia-dev qt6-svg-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-alsa
  espeak-ng lame
  libqcustomplot-dev libxlsxwriter-dev libfreexl-dev
  libmosquitto-dev mosquitto mosquitto-clients
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  socat xvfb xauth imagemagick fonts-dejavu-core unzip poppler-utils
  chromium
  dpkg-dev file systemd desktop-file-utils
)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
