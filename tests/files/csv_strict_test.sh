#!/bin/sh
# CSV files as other programs read them: a recording and awkward texts, saved by
# tavolo-cli, read by Python's csv module in strict mode.
# usage: csv_strict_test.sh TAVOLO_CLI PYTHON3 CHECK_SCRIPT CAPTURE
set -u
cli=$1
python=$2
check=$3
capture=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# A recording with instants and ranges, in a zone with summer time.
TZ=Europe/Berlin "$cli" log --input "$capture" --out "$work/recording.csv" 2> /dev/null || fail "log to csv"

# Texts with commas, quotes, line breaks, an 8-bit character and every coded unit.
{
    printf 'No\tTime\tDC/AC\tValue\tUnit\tAUTO\r\n'
    printf '1\ta,b\tsay"hi"\t01,234\tK*\tPass\r\n'
    printf '2\t"x y"\tCont\t000.12\t"&  *"\t\265\r\n'
    printf '3\tNULL\tDC\t0.L\tM*\tFail\r\n'
    printf '4\tNULL\tTemperature\t0023\t?\tNULL\r\n'
    printf '5\tNULL\tAC\t0099.9\tuA\tNULL\r\n'
    printf '6\tNULL\tDiode\t0.512\tV)\tNULL\r\n'
    printf '""\tNULL\tDC\t1.0\tfurlong\tNULL\r\n'
} > "$work/awkward.txt"
"$cli" convert "$work/awkward.txt" "$work/awkward.csv" 2> /dev/null || fail "txt to csv"
printf '<?xml version="1.0" standalone="yes"?>  <DATAPACKET Version="2.0"><METADATA><FIELDS><FIELD attrname="No" fieldtype="i4"/><FIELD attrname="time" fieldtype="string" WIDTH="20"/><FIELD attrname="DC/AC" fieldtype="string" WIDTH="20"/><FIELD attrname="Value" fieldtype="string" WIDTH="20"/><FIELD attrname="Unit" fieldtype="string" WIDTH="20"/><FIELD attrname="Auto" fieldtype="string" WIDTH="20"/><FIELD attrname="NVal" fieldtype="i4"/></FIELDS><PARAMS/></METADATA><ROWDATA><ROW No="1" time="l1&#013;&#010;l2" DC/AC="&quot;,&quot;" Value="1.5"/></ROWDATA></DATAPACKET>' \
    > "$work/breaks.xml"
"$cli" convert "$work/breaks.xml" "$work/breaks.csv" 2> /dev/null || fail "xml to csv"

rows=$(($(wc -l < "$work/recording.csv") - 1))
"$python" "$check" "$work/recording.csv:$rows" "$work/awkward.csv:7" "$work/breaks.csv:1" || fail "strict read"
crlf=$(printf '\r')
[ "$(sed -n 2p "$work/awkward.csv")" = '1,,"a,b","say""hi""","01,234",kΩ,1234,Ω,,Pass'"$crlf" ] || fail "quoted row"
[ "$(sed -n 4p "$work/awkward.csv")" = "3,,NULL,DC,0.L,MΩ,,Ω,,Fail$crlf" ] || fail "overload row"
# And back: the tab-separated text as it was.
"$cli" convert "$work/awkward.csv" "$work/back.txt" 2> /dev/null || fail "csv to txt"
cmp -s "$work/awkward.txt" "$work/back.txt" || fail "txt -> csv -> txt differs"
echo "ok"
