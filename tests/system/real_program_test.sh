#!/usr/bin/env bash
# The real program binary under a real X server, driven as a person would with
# the mouse and keyboard (xdotool): the simulated meter on COM1, "COM Connect"
# at start, a few seconds of readings, the "Save" button and the file dialog
# typed into (an XML packet), "New" answered Yes, "Open" of that packet, "Save"
# again as text, then "QUIT" answered Yes. The packet must hold a run of
# exactly the readings the simulator sent, in order, and the reopened table
# must begin with the same rows.
# Usage: real_program_test.sh PROGRAM SIMULATOR CLI. Exit 77 (skipped) without
# xvfb-run or xdotool. TAVOLO_TRACE=1 traces the steps and keeps the files.
set -euo pipefail
program="$(realpath "$1")"
simulator="$(realpath "$2")"
cli="$(realpath "$3")"
command -v xvfb-run >/dev/null && command -v xdotool >/dev/null || { echo "needs xvfb-run and xdotool"; exit 77; }

work="$(mktemp -d "${TMPDIR:-/tmp}/tavolo-real-program.XXXXXX")"
export TAVOLO_PORT_DIR="$work/ports" HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$TAVOLO_PORT_DIR" "$HOME"
"$simulator" --rate 10 --scenario sweep --seed 11 --print >"$work/sent.tsv" 2>"$work/sim.log" &
sim=$!
trap 'kill -INT "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; [ -n "${TAVOLO_TRACE:-}" ] || rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -L "$TAVOLO_PORT_DIR/COM1" ] && break; sleep 0.1; done
[ -L "$TAVOLO_PORT_DIR/COM1" ] || { echo "simulator did not register COM1"; cat "$work/sim.log"; exit 1; }

saved="$work/readings.xml"
timeout 60 env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
set -euo pipefail
[ -z "${TAVOLO_TRACE:-}" ] || set -x
program="$1"; saved="$2"; reopened="$3"; log="$4"
answer() {      # waits for a message box over the window and presses key $1
    local box=""
    until [ -n "$box" ]; do
        sleep 0.2
        # By class: xdotool finds no window by name whose title is empty.
        box=$(xdotool search --onlyvisible --class tavolo-interface | grep -vx "$win" | tail -1 || true)
    done
    sleep 0.3
    xdotool windowfocus "$box"
    xdotool key "$1"
    sleep 0.5   # the box is gone before the next click
}
fileDialog() {  # waits for the file dialog titled $1 and types the name $2
    local dialog
    dialog=$(xdotool search --sync --name "^$1" | head -1)
    sleep 0.5
    xdotool windowfocus "$dialog"
    xdotool type --delay 20 "$2"
    xdotool key Return
    sleep 1
}
click() { xdotool mousemove --window "$win" "$1" "$2" click 1; }

"$program" --connect-on-start >"$log" 2>&1 &
app=$!
win=$(xdotool search --sync --name "^Tavolo Interface Program" | head -1)
sleep 4                          # readings arrive
click 301 238                    # the record row'"'"'s "Save" button
fileDialog "Save As" "$saved"    # an XML packet: saved without a message
click 257 238                    # "New"
answer y                         # "Do you want to delete this record?" Yes
click 279 238                    # "Open"
fileDialog Open "$saved"
click 301 238                    # "Save" again, as text
fileDialog "Save As" "$reopened"
answer Return                    # "save table to specified file: ... Scuss!"
click 654 31                     # "QUIT"
answer y                         # quit: Yes
wait "$app"
' _ "$program" "$saved" "$work/reopened.txt" "$work/app.log"

[ -s "$saved" ] || { echo "nothing was saved"; cat "$work/app.log"; exit 1; }
"$cli" convert "$saved" "$work/readings.txt"
# Value and AC/DC of each row (text file: No, Time, DC/AC, Value, Unit, AUTO)
# against the simulator's (N, value, unit, mode, ...): the rows must be one
# unbroken run of what was sent.
tail -n +2 "$work/readings.txt" | tr -d '\r' | awk -F'\t' '{print $4 "\t" $3}' >"$work/rows"
grep -v '^#' "$work/sent.tsv" | awk -F'\t' '{print $2 "\t" $4}' >"$work/sent"
rows=$(wc -l <"$work/rows")
[ "$rows" -ge 10 ] || { echo "only $rows rows recorded"; exit 1; }
first=$(head -1 "$work/rows")
found=0
while IFS= read -r start; do
    if tail -n +"$start" "$work/sent" | head -n "$rows" | cmp -s - "$work/rows"; then found=1; break; fi
done < <(grep -n -x -F -e "$first" "$work/sent" | cut -d: -f1)
[ "$found" = 1 ] || { echo "the saved rows are not the readings sent"; diff <(head -20 "$work/rows") <(head -20 "$work/sent") || true; exit 1; }
# Cleared, reopened and saved again as text: the packet's rows come first, as
# they were (recording went on after the load, so more may follow).
[ -s "$work/reopened.txt" ] || { echo "the reopened table was not saved"; cat "$work/app.log"; exit 1; }
if ! head -n "$((rows + 1))" "$work/reopened.txt" | cmp -s - <(head -n "$((rows + 1))" "$work/readings.txt"); then
    echo "the reopened table differs from the saved one"
    diff <(head -n "$((rows + 1))" "$work/reopened.txt") "$work/readings.txt" | head -20
    exit 1
fi
echo "real program: $rows readings recorded, saved, cleared, reopened and saved again through the dialogs"
