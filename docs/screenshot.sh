#!/usr/bin/env bash
# Takes docs/screenshot.png: the real window on a virtual X server, beside a simulated handset.
# The port box is given the simulator's port, CONNECT and the Speech row's Read are clicked, and
# the window (title bar included) is captured.
#
# Usage: docs/screenshot.sh [BUILD_DIR]   (default: build; run `make build` first)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
"$root/tools/install-deps" "$root/docs/screenshot-packages.txt"

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A free display number.
display=90
while [[ -e /tmp/.X11-unix/X$display || -e /tmp/.X$display-lock ]]; do display=$((display + 1)); done
export DISPLAY=:$display
Xvfb "$DISPLAY" -screen 0 900x560x24 -dpi 96 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)

# The simulated handset, its port linked under a short name.
port="$work/ttyUSB0"
"$build/handset-sim" --link "$port" --timeout 120 >"$work/sim.out" 2>"$work/sim.err" &
pids+=($!)
for _ in $(seq 50); do [[ -s "$work/sim.out" ]] && break; sleep 0.1; done

"$build/gaintool" >"$work/gaintool.log" 2>&1 &
gaintool=$!
pids+=($gaintool)
window=$(xdotool search --sync --onlyvisible --name 'Tessora' | head -1)
sleep 1

# Client coordinates of the controls (window layout).
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; sleep 1; }
click 120 42                      # PortCBox
xdotool type --delay 20 "$port"
click 221 55                      # Button3 (CONNECT)
click 439 154                     # Speech_Read_Bttn
sleep 1

# The window with its frame: the client area and the title bar above it.
eval "$(xdotool getwindowgeometry --shell "$window")"
frame=$(xwininfo -id "$window" -children | awk '/Parent window id/ {print $4}')
import -window "$frame" "$root/docs/screenshot.png"
echo "client area: ${WIDTH}x${HEIGHT} at ${X},${Y}; saved docs/screenshot.png"

# Closing the window ends the program with status 0.
xdotool windowactivate --sync "$window" key --clearmodifiers alt+F4
status=0
wait "$gaintool" || status=$?
echo "gaintool exit status: $status"
