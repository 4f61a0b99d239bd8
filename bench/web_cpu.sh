#!/usr/bin/env bash
# Measured run: processor time of the headless workstation polling a hall of 251 simulated
# incubators with its web view on, first with no client, then with 10 clients holding the event
# stream open, over the same interval each. Prints each as a share of one core, and the events
# the clients received.
#
#   bash bench/web_cpu.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD="${1:-build}"
SECONDS_MEASURED="${2:-60}"
CLIENTS=10
WARMUP=10
TICK=$(getconf CLK_TCK)
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

source bench/hall_251.sh
make_config "$work"

coproc SIM { exec "$BUILD/vetrostan-sim" --pty --addresses 1-251 --demo; }
pids+=("$SIM_PID")
pty=""
read -r -t 10 line <&"${SIM[0]}" && pty=${line#PTY }
[ -n "$pty" ] || { echo "web_cpu: the simulator gave no PTY line" >&2; exit 1; }
printf '[USB]\r\nusb-Serial_Number=%s\r\n[Nastr]\r\nRUN_WIN=0\r\nCompyter=0\r\n[Server]\r\nServerP=0\r\n' \
  "$pty" >"$work/Vetrostan.INI"
XDG_CONFIG_HOME="$work/xdg" "$BUILD/Vetrostan" --headless --home "$work" --web 127.0.0.1:0 \
  2>"$work/stderr" &
prog=$!
pids+=("$prog")
url=""
for _ in $(seq 50); do
  url=$(grep -o 'http://[0-9.]*:[0-9]*/' "$work/stderr" | head -n 1 || true)
  [ -n "$url" ] && break
  sleep 0.2
done
[ -n "$url" ] || { echo "web_cpu: the program did not start its web view" >&2; exit 1; }
sleep "$WARMUP"

measure() {
  local t0 t1
  t0=$(cpu_ticks "$prog")
  sleep "$SECONDS_MEASURED"
  t1=$(cpu_ticks "$prog")
  awk -v d=$((t1 - t0)) -v hz="$TICK" -v s="$SECONDS_MEASURED" -v m="$1" \
    'BEGIN { printf "%-22s %5.1f %% of one core over %d s\n", m, 100 * d / hz / s, s }'
}

measure "no web client"
for i in $(seq "$CLIENTS"); do
  curl -sN "${url}api/events" >"$work/client$i" &
  pids+=("$!")
done
sleep 2
measure "$CLIENTS event-stream clients"
events=$(cat "$work"/client* | grep -c '^event: rows' || true)
echo "row events received by the $CLIENTS clients: $events"
