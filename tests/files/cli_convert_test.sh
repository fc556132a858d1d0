#!/bin/sh
# tavolo-cli convert through CTest: round trips both ways, load failures write nothing.
# usage: cli_convert_test.sh TAVOLO_CLI DATA_FOLDER
set -u
cli=$1
data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Tab-separated -> XML -> tab-separated gives the same bytes (NVal is not in a text file).
"$cli" convert "$data/three_rows.xls" "$work/a.xml" || fail "xls to xml"
head -c 38 "$work/a.xml" | grep -q '^<?xml version="1.0" standalone="yes"?>$' || fail "xml declaration"
"$cli" convert "$work/a.xml" "$work/b.xls" || fail "xml to xls"
cmp -s "$data/three_rows.xls" "$work/b.xls" || fail "xls round trip differs"

# XML -> text -> XML loses only NVal.
"$cli" convert "$data/one_row.xml" "$work/c.txt" || fail "xml to txt"
"$cli" convert "$work/c.txt" "$work/d.xml" || fail "txt to xml"
sed 's/ NVal="1234"//' "$data/one_row.xml" > "$work/expected.xml"
cmp -s "$work/expected.xml" "$work/d.xml" || fail "xml round trip differs"

# "data.XML" is tab-separated.
"$cli" convert "$data/one_row.xml" "$work/data.XML" || fail "to data.XML"
head -c 3 "$work/data.XML" | grep -q '^No' || fail "data.XML is not tab-separated"

# CSV: tab-separated -> CSV -> tab-separated gives the same bytes; CSV -> XML ->
# CSV too; "data.CSV" is tab-separated, like "data.XML".
"$cli" convert "$data/three_rows.xls" "$work/e.csv" 2> /dev/null || fail "xls to csv"
head -n 1 "$work/e.csv" | grep -q '^no,timestamp,time,function,display,unit,value,si_unit,range,judge' ||
    fail "csv header"
"$cli" convert "$work/e.csv" "$work/f.xls" 2> /dev/null || fail "csv to xls"
cmp -s "$data/three_rows.xls" "$work/f.xls" || fail "xls -> csv -> xls differs"
"$cli" convert "$work/e.csv" "$work/g.xml" 2> /dev/null || fail "csv to xml"
"$cli" convert "$work/g.xml" "$work/h.csv" 2> /dev/null || fail "xml to csv"
cmp -s "$work/e.csv" "$work/h.csv" || fail "csv -> xml -> csv differs"
"$cli" convert "$data/one_row.xml" "$work/data.CSV" 2> /dev/null || fail "to data.CSV"
head -c 3 "$work/data.CSV" | grep -q '^No' || fail "data.CSV is not tab-separated"
printf 'no,timestamp,time,function,display,unit,value,si_unit,range,judge\r\n1,,t,DC,1,V,1,V,AUTO,"Pass\r\n' \
    > "$work/cut.csv"
"$cli" convert "$work/cut.csv" "$work/cut.xml" 2> "$work/err"
[ $? -eq 1 ] || fail "damaged csv exit status"
head -n 1 "$work/err" | grep -qx 'Failed to Load File!' || fail "damaged csv message"
grep -q 'line 2: the closing double quote is missing' "$work/err" || fail "damaged csv detail"
[ ! -e "$work/cut.xml" ] || fail "a file was written for a damaged csv"

# A load failure: message, exit status 1, nothing written, an existing file untouched.
printf 'h\r\n1 a\r\nx b\r\n' > "$work/bad.txt"
printf 'keep' > "$work/existing.xml"
for out in "$work/new.xml" "$work/existing.xml"; do
    "$cli" convert "$work/bad.txt" "$out" 2> "$work/err"
    [ $? -eq 1 ] || fail "load failure exit status"
    head -n 1 "$work/err" | grep -qx 'Failed to Load File!' || fail "load failure message"
done
[ ! -e "$work/new.xml" ] || fail "a file was written after a load failure"
[ "$(cat "$work/existing.xml")" = keep ] || fail "existing file changed"
"$cli" convert "$work/missing.xml" "$work/new.xls" 2> /dev/null
[ $? -eq 1 ] || fail "missing input exit status"
[ ! -e "$work/new.xls" ] || fail "a file was written for a missing input"

# Save failure and bad arguments.
"$cli" convert "$data/one_row.xml" "$work/bad.txt/x.xls" 2> "$work/err"
[ $? -eq 1 ] || fail "save failure exit status"
grep -qx "Could not save table to specified file: $work/bad.txt/x.xls" "$work/err" || fail "save failure message"
"$cli" convert only-one 2> /dev/null
[ $? -eq 2 ] || fail "usage exit status"
echo "ok"
