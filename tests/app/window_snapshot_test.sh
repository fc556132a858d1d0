#!/usr/bin/env bash
# The window under a real X server with the simulated meter on COM1: after a
# few seconds of readings a snapshot is saved (outside the source tree) and
# checked to be the whole window. Usage: window_snapshot_test.sh PROGRAM SIMULATOR
set -euo pipefail
program="$1"
simulator="$2"
work="$(mktemp -d "${TMPDIR:-/tmp}/tavolo-snapshot.XXXXXX")"
export TAVOLO_PORT_DIR="$work/ports" XDG_DATA_HOME="$work/data"
mkdir -p "$TAVOLO_PORT_DIR"
"$simulator" --rate 20 --scenario dcv --seed 7 >"$work/sim.log" 2>&1 &
sim=$!
trap 'kill -INT "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -L "$TAVOLO_PORT_DIR/COM1" ] && break; sleep 0.1; done
[ -L "$TAVOLO_PORT_DIR/COM1" ] || { echo "simulator did not register COM1"; cat "$work/sim.log"; exit 1; }

shot="$work/window.png"
printed="$(env -u QT_QPA_PLATFORM xvfb-run -a "$program" --connect-on-start --snapshot "$shot" --snapshot-after 3000 2>"$work/app.log")"
[ "$printed" = "$shot" ] || { echo "program printed '$printed'"; cat "$work/app.log"; exit 1; }
size="$(head -c 24 "$shot" | od -An -tu1 | tr -s ' ')"
# PNG width and height (big-endian at bytes 16..23): the 714-pixel client area plus
# menu bar and status line.
set -- $size
width=$(( (${17} << 24) | (${18} << 16) | (${19} << 8) | ${20} ))
height=$(( (${21} << 24) | (${22} << 16) | (${23} << 8) | ${24} ))
echo "snapshot $shot: ${width}x${height}"
[ "$width" -eq 714 ] && [ "$height" -gt 477 ]
