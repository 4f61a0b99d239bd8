#!/usr/bin/env bash
# Builds and starts the workstation. With no adapter configured in the working folder's
# settings file it starts on the built-in simulated hall (--demo), whose alarms are spoken from
# a sound folder made once by scripts/make_sounds.sh. Extra arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
HOME_DIR="${VETROSTAN_HOME:-$PWD/home}"
mkdir -p "$HOME_DIR"
args=(--home "$HOME_DIR")
ini="$HOME_DIR/Vetrostan.INI"
# The settings file is Windows-1251 text with CR LF line ends.
if [ $# -eq 0 ] && ! { [ -f "$ini" ] && tr -d '\r' <"$ini" | grep -aiq '^[[:space:]]*usb-Serial_Number[[:space:]]*=[[:space:]]*[^[:space:]]'; }; then
  args+=(--demo)
  # The demo speaks its alarms: its sound folder is made on the first start and kept.
  bash scripts/make_sounds.sh "$HOME_DIR/demo" ||
    echo "run: the demo's alarm sounds were not made; the demo runs silent" >&2
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display found; starting under xvfb-run" >&2
  exec xvfb-run -a ./build/Vetrostan "${args[@]}" "$@"
fi
exec ./build/Vetrostan "${args[@]}" "$@"
