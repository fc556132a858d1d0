#!/bin/sh
# tavolo-cli log --session, export and sessions through CTest.
# usage: cli_session_test.sh TAVOLO_CLI TAVOLO_METER_SIM CAPTURE
set -u
cli=$1
sim=$2
capture=$3
work=$(mktemp -d)
export TAVOLO_PORT_DIR="$work/ports"
export XDG_DATA_HOME="$work/data"
mkdir -p "$TAVOLO_PORT_DIR"
pids=
cleanup() {
    for p in $pids; do kill "$p" 2> /dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; cat "$work"/*.err 2> /dev/null; exit 1; }
wait_for() { i=0; while ! "$@"; do i=$((i + 1)); [ $i -gt 200 ] && return 1; sleep 0.05; done; }
ended() { awk -F'\t' -v f="$1" '$6 == f { print $4 }' "$work/list"; }

# A capture logged into a session: the export is the table the logger saved.
"$cli" log --input "$capture" --recall 10:00:00 --session "$work/s/a.tavolo-session" --out "$work/a.txt" \
    2> "$work/a.err" || fail "log --session"
"$cli" export "$work/s/a.tavolo-session" "$work/a-export.txt" 2> /dev/null || fail "export"
cmp -s "$work/a.txt" "$work/a-export.txt" || fail "the exported table differs from the saved one"
"$cli" export "$work/s/a.tavolo-session" "$work/a-export.xml" 2> /dev/null || fail "export xml"
"$cli" convert "$work/a-export.xml" "$work/a-back.txt" 2> /dev/null || fail "convert the export"
cmp -s "$work/a.txt" "$work/a-back.txt" || fail "the XML export differs"

# Logging into it again continues it: numbers go on, rows double.
rows=$(($(wc -l < "$work/a.txt") - 1))
"$cli" log --input "$capture" --recall 10:00:00 --session "$work/s/a.tavolo-session" --out "$work/a2.txt" \
    2> "$work/a2.err" || fail "log --session again"
grep -q "^$rows rows restored" "$work/a2.err" || sed -n 1p "$work/a2.err" | grep -q "$rows rows restored" ||
    fail "no restore message"
[ $(($(wc -l < "$work/a2.txt") - 1)) -eq $((2 * rows)) ] || fail "the continued session does not hold both runs"
[ "$(tail -n 1 "$work/a2.txt" | cut -f1)" = "$((2 * rows))" ] || fail "numbering did not go on"

# A port logger ended by SIGTERM ends its session normally; a second logger on
# the same file is told it is in use and records into a new file beside it.
"$sim" --port COM6 --rate 137 --scenario random --seed 3 > /dev/null 2> "$work/sim.err" &
pids="$pids $!"
wait_for test -L "$TAVOLO_PORT_DIR/COM6" || fail "no simulated meter"
"$cli" log --port COM6 --session "$work/s/b.tavolo-session" > /dev/null 2> "$work/b.err" &
b=$!
pids="$pids $b"
sleep 1
"$cli" log --input "$capture" --session "$work/s/b.tavolo-session" --out "$work/c.txt" 2> "$work/c.err" ||
    fail "the second logger failed"
grep -q "b.tavolo-session is in use by another program; recording into $work/s/" "$work/c.err" ||
    fail "the second logger did not say the file is in use"
"$cli" sessions "$work/s" > "$work/list" || fail "sessions"
[ "$(ended "$work/s/b.tavolo-session")" = "running" ] || fail "a running session is not shown as running"
kill -TERM "$b"
wait "$b" || fail "logger exit status after SIGTERM"
"$cli" sessions "$work/s" > "$work/list" || fail "sessions"
[ "$(head -n 1 "$work/list")" = "start	end	rows	ended normally	size	file" ] || fail "header"
[ "$(wc -l < "$work/list")" -eq 4 ] || fail "three sessions expected: $(cat "$work/list")"
[ "$(ended "$work/s/a.tavolo-session")" = "yes" ] || fail "a not ended normally"
[ "$(ended "$work/s/b.tavolo-session")" = "yes" ] || fail "SIGTERM did not end the session normally"
[ "$(awk -F'\t' -v f="$work/s/a.tavolo-session" '$6 == f { print $3 }' "$work/list")" = $((2 * rows)) ] ||
    fail "rows column"

# The default folder, and bad arguments.
"$cli" log --input "$capture" --session "$XDG_DATA_HOME/tavolo/sessions/x.tavolo-session" > /dev/null 2>&1 ||
    fail "log into the default folder"
"$cli" sessions | grep -q "x.tavolo-session" || fail "sessions without DIR does not look in the default folder"
"$cli" export "$work/a.txt" "$work/none.txt" 2> /dev/null && fail "exporting a non-session succeeded"
[ ! -e "$work/none.txt" ] || fail "a file was written from a non-session"
"$cli" sessions "$work/missing" > /dev/null 2>&1; [ $? -eq 2 ] || fail "sessions of a missing folder"
"$cli" export only-one > /dev/null 2>&1; [ $? -eq 2 ] || fail "export with one argument"
echo ok
