#!/bin/sh
# The serial device disappears while tavolo-cli log is connected.
# The simulated meter runs on a pseudo-terminal registered as COM7; when it ends,
# the terminal's master side closes (as when a USB-serial adapter is pulled).
# A second simulator then takes the same port name on a new terminal: that is
# another device, and the logger must leave it alone (opening a serial port
# resets what is attached) and say so, and go on waiting. Every reading of the
# first run from the logger's start on must be in the saved file, in order, and
# nothing of the second.
# usage: serial_unplug_test.sh TAVOLO_CLI TAVOLO_METER_SIM
set -u
cli=$1
sim=$2
work=$(mktemp -d)
export TAVOLO_PORT_DIR="$work/ports"
mkdir -p "$TAVOLO_PORT_DIR"
logpid=
cleanup() {
    [ -n "$logpid" ] && kill "$logpid" 2> /dev/null
    rm -rf "$work" 2> /dev/null
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    echo "--- tavolo-cli stderr"; cat "$work/log.err" 2> /dev/null
    exit 1
}

wait_for() {  # wait_for CONDITION-COMMAND... : up to 10 s
    i=0
    while ! "$@"; do
        i=$((i + 1))
        [ $i -gt 200 ] && return 1
        sleep 0.05
    done
}
link_exists() { [ -L "$TAVOLO_PORT_DIR/COM7" ]; }
link_gone() { [ ! -e "$TAVOLO_PORT_DIR/COM7" ] && [ ! -L "$TAVOLO_PORT_DIR/COM7" ]; }
says() { grep -q "$1" "$work/log.err"; }

# First meter: 60 readings. The logger is started once the port exists.
"$sim" --port COM7 --rate 50 --frames 60 --seed 1 --noise --scenario sweep --print \
    > "$work/sim1.out" 2> "$work/sim1.err" &
simpid=$!
wait_for link_exists || fail "the first simulator registered no COM7"
"$cli" log --port COM7 --recall 00:00:00 --out "$work/run.xls" 2> "$work/log.err" &
logpid=$!
wait "$simpid" || fail "first simulator: $(cat "$work/sim1.err")"
wait_for link_gone || fail "the first simulator left its link"
wait_for says "has gone away" || fail "the logger did not say the device went away"
kill -0 "$logpid" 2> /dev/null || fail "the logger ended when the device went away"

# Another device now answers to COM7. The logger tries every 2 s; it must tell
# the user once and never read from it.
"$sim" --port COM7 --rate 20 --frames 80 --seed 2 --noise --scenario random --print \
    > "$work/sim2.out" 2> "$work/sim2.err" &
simpid=$!
wait_for says "now leads to" || fail "the logger did not say that COM7 leads to another device"
wait "$simpid" || fail "second simulator: $(cat "$work/sim2.err")"
says "is back" && fail "the logger took the second simulator's terminal for the lost device"
[ "$(grep -c "now leads to" "$work/log.err")" -eq 1 ] || fail "the other device was reported more than once"
kill -TERM "$logpid"
wait "$logpid" || fail "tavolo-cli log exit status after SIGTERM"
logpid=

# Value, unit and AC/DC of every reading the first simulator sent, in order,
# against the saved rows (columns 4, 5, 3 of the file; CR LF line ends).
sent() { awk -F'\t' '$1 != "#" { print $2 "|" $3 "|" $4 }' "$1"; }
sent "$work/sim1.out" > "$work/sent1"
tail -n +2 "$work/run.xls" | tr -d '\r' | awk -F'\t' '{ u = $5; gsub(/"/, "", u); print $4 "|" u "|" $3 }' \
    > "$work/recorded"
n1=$(wc -l < "$work/sent1")
total=$(wc -l < "$work/recorded")
[ "$n1" -eq 60 ] || fail "the first simulator sent $n1 readings"
[ "$total" -ge 20 ] || fail "only $total of the first run's readings were recorded"
# The logger may have started after the first readings: the rows must be the
# last $total readings of the first run, in order, and nothing else.
tail -n "$total" "$work/sent1" | cmp -s - "$work/recorded" ||
    fail "the rows are not the tail of the first run: $(head -5 "$work/recorded")"
echo "ok: the last $total of $n1 readings, the device gone, another device on COM7 left alone"
