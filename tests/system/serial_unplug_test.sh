#!/bin/sh
# The serial device disappears while tavolo-cli log is connected, and comes back.
# The simulated meter runs on a pseudo-terminal registered as COM7; when it ends,
# the terminal's master side closes (as when a USB-serial adapter is pulled).
# A second simulator takes the same port name. Every reading of both runs must
# be in the saved file, in order, and the user must have been told both events.
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

# The device comes back under the same name. Readings sent before the logger
# has reopened the port (it retries every 2 s) are not expected: a real adapter
# plugged in again has nobody holding its line either. From the reopening on,
# every reading must arrive.
"$sim" --port COM7 --rate 20 --frames 100 --seed 2 --noise --scenario random --print \
    > "$work/sim2.out" 2> "$work/sim2.err" &
simpid=$!
wait "$simpid" || fail "second simulator: $(cat "$work/sim2.err")"
says "is back" || fail "the logger did not say the device is back"
kill -TERM "$logpid"
wait "$logpid" || fail "tavolo-cli log exit status after SIGTERM"
logpid=

# Value, unit and AC/DC of every reading the simulators sent, in order, against
# the saved rows (columns 4, 5, 3 of the file; CR LF line ends).
sent() { awk -F'\t' '$1 != "#" { print $2 "|" $3 "|" $4 }' "$1"; }
sent "$work/sim1.out" > "$work/sent1"
sent "$work/sim2.out" > "$work/sent2"
tail -n +2 "$work/run.xls" | tr -d '\r' | awk -F'\t' '{ u = $5; gsub(/"/, "", u); print $4 "|" u "|" $3 }' \
    > "$work/recorded"
n1=$(wc -l < "$work/sent1")
n2=$(wc -l < "$work/sent2")
total=$(wc -l < "$work/recorded")
[ "$n1" -eq 60 ] && [ "$n2" -eq 100 ] || fail "the simulators sent $n1 and $n2 readings"
# Both runs may have started before the logger (re)opened the port: the rows
# must be the last A readings of run 1 followed by the last B of run 2, in order.
split=$(awk -v n1="$n1" -v n2="$n2" '
    FILENAME == ARGV[1] { s1[++a] = $0; next }
    FILENAME == ARGV[2] { s2[++b] = $0; next }
    { r[++t] = $0 }
    END {
        for (k1 = 1; k1 <= n1; ++k1) {          # recorded starts at run 1 reading k1
            ok = 1; i = 1
            for (j = k1; j <= n1; ++j) if (r[i++] != s1[j]) { ok = 0; break }
            if (!ok) continue
            late = t - (n1 - k1 + 1)
            if (late < 0 || late > n2) continue
            for (j = n2 - late + 1; j <= n2; ++j) if (r[i++] != s2[j]) { ok = 0; break }
            if (ok) { print n1 - k1 + 1, late; exit }
        }
        print "none"
    }' "$work/sent1" "$work/sent2" "$work/recorded")
[ "$split" != none ] || fail "the rows are not the tail of run 1 then the tail of run 2: $(head -5 "$work/recorded")"
first=${split% *}
late=${split#* }
[ "$first" -ge 20 ] || fail "only $first of the first run's readings were recorded"
[ "$late" -ge 20 ] || fail "only $late of the second run's readings were recorded"
echo "ok: the last $first of $n1 readings, the device gone and back, then the last $late of $n2, all in order"
