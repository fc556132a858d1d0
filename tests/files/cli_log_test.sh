#!/bin/sh
# tavolo-cli log through CTest, on the bundled meter capture.
# usage: cli_log_test.sh TAVOLO_CLI CAPTURE
set -u
cli=$1
capture=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
crlf=$(printf '\r')

# Standard output: the tab-separated table, time stamps from the recall clock.
"$cli" log --input "$capture" --recall 10:00:00 --step 2 > "$work/all.txt" 2> /dev/null || fail "log to stdout"
[ "$(head -n 1 "$work/all.txt")" = "No	Time	DC/AC	Value	Unit	AUTO$crlf" ] || fail "header line"
[ "$(sed -n 2p "$work/all.txt")" = "1	10:00:02	DC	0123.4	V	Pass$crlf" ] || fail "first row"
rows=$(($(wc -l < "$work/all.txt") - 1))
[ "$rows" -gt 3 ] || fail "too few rows: $rows"

# The same run from standard input, saved as XML, converts back to the same text.
"$cli" log --recall 10:00:00 --step 2 --out "$work/all.xml" < "$capture" 2> /dev/null || fail "log to xml"
"$cli" convert "$work/all.xml" "$work/back.txt" 2> /dev/null || fail "convert back"
cmp -s "$work/all.txt" "$work/back.txt" || fail "xml and text logs differ"

# Limits: --limit rows, --frames decoded frames.
"$cli" log --input "$capture" --limit 3 --recall 00:00:00 > "$work/limit.txt" 2> /dev/null || fail "limit"
[ $(($(wc -l < "$work/limit.txt") - 1)) -eq 3 ] || fail "--limit 3"
"$cli" log --input "$capture" --frames 2 --recall 00:00:00 > "$work/frames.txt" 2> /dev/null || fail "frames"
[ $(($(wc -l < "$work/frames.txt") - 1)) -eq 2 ] || fail "--frames 2"
[ "$(sed -n 3p "$work/frames.txt" | cut -f2)" = "00:00:02" ] || fail "default step of 1 s"

# Bad arguments and inputs: exit status 2, nothing written.
for args in "--step 3" "--recall 24:00:00" "--limit -1" "--frames 0" "--bogus" \
            "--input $work/missing.bin"; do
    "$cli" log $args --out "$work/none.xls" > /dev/null 2>&1
    [ $? -eq 2 ] || fail "exit status for: $args"
done
[ ! -e "$work/none.xls" ] || fail "a file was written for bad arguments"

# A save that fails: exit status 1 and the message.
"$cli" log --input "$capture" --out "$work/all.txt/x.xls" 2> "$work/err" > /dev/null
[ $? -eq 1 ] || fail "save failure exit status"
grep -qx "Could not save table to specified file: $work/all.txt/x.xls" "$work/err" || fail "save failure message"
echo "ok"
