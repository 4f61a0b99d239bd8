#!/usr/bin/env bash
# Measured run: processor time of the workstation polling a hall of 251 simulated incubators at
# the bus's own rate (38 400 baud, fast polling), windowed on Xvfb and headless, over the same
# interval. Prints each as a share of one core.
#
#   bash bench/cpu_hall.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD="${1:-build}"
SECONDS_MEASURED="${2:-60}"
WARMUP=10
TICK=$(getconf CLK_TCK)
work=$(mktemp -d)
sim_pid=""
prog_pid=""
cleanup() {
  [ -n "$prog_pid" ] && kill "$prog_pid" 2>/dev/null || true
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

source bench/hall_251.sh

# Starts the simulator, the program in mode $1 ("windows" or "headless"), measures, stops both.
measure() {
  local mode=$1 home="$work/$1"
  mkdir -p "$home"
  make_config "$home"
  coproc SIM { exec "$BUILD/vetrostan-sim" --pty --addresses 1-251; }
  sim_pid=$SIM_PID
  local pty=""
  read -r -t 10 line <&"${SIM[0]}" && pty=${line#PTY }
  [ -n "$pty" ] || { echo "cpu_hall: the simulator gave no PTY line" >&2; exit 1; }
  printf '[USB]\r\nusb-Serial_Number=%s\r\n[Nastr]\r\nRUN_WIN=0\r\nCompyter=0\r\n[Server]\r\nServerP=0\r\n' \
    "$pty" >"$home/Vetrostan.INI"
  if [ "$mode" = windows ]; then
    XDG_CONFIG_HOME="$work/xdg-$mode" xvfb-run -a -s "-screen 0 1600x1000x24" \
      "$BUILD/Vetrostan" --home "$home" >/dev/null 2>&1 &
  else
    XDG_CONFIG_HOME="$work/xdg-$mode" "$BUILD/Vetrostan" --headless --home "$home" >/dev/null 2>&1 &
  fi
  local launcher=$!
  sleep 2
  prog_pid=$(pgrep -n -f -- "--home $home" | head -n 1)
  sleep "$WARMUP"
  local t0 t1
  t0=$(cpu_ticks "$prog_pid")
  sleep "$SECONDS_MEASURED"
  t1=$(cpu_ticks "$prog_pid")
  kill -TERM "$prog_pid" 2>/dev/null || true
  wait "$launcher" 2>/dev/null || true
  prog_pid=""
  kill "$sim_pid" 2>/dev/null || true
  wait "$sim_pid" 2>/dev/null || true
  sim_pid=""
  awk -v d=$((t1 - t0)) -v hz="$TICK" -v s="$SECONDS_MEASURED" -v m="$mode" \
    'BEGIN { printf "%-9s %5.1f %% of one core over %d s\n", m, 100 * d / hz / s, s }'
}

measure windows
measure headless
