#!/usr/bin/env python3
"""Reads CSV files of the reading table as another program would: Python's csv
module in strict mode, and checks what such a program relies on.

usage: csv_strict_check.py FILE[:ROWS] ...   (ROWS: the number of data rows wanted)
"""
import csv
import datetime
import io
import sys

HEADER = ["no", "timestamp", "time", "function", "display", "unit", "value", "si_unit", "range", "judge"]
SI_UNITS = {"", "V", "A", "\u03a9", "Hz", "F", "\u00b0C", "%"}


def check(path, wanted_rows):
    raw = open(path, "rb").read()
    text = raw.decode("utf-8")  # strict: broken UTF-8 raises
    assert not text.startswith("\ufeff"), "byte order mark"
    assert raw.endswith(b"\r\n"), "last line does not end in CR LF"
    assert raw.split(b"\n", 1)[0].endswith(b"\r"), "header does not end in CR LF"
    rows = list(csv.reader(io.StringIO(text, newline=""), strict=True))
    assert rows and rows[0] == HEADER, "header %r" % (rows[0] if rows else None)
    for number, row in enumerate(rows[1:], start=2):
        where = "%s row %d: %r" % (path, number, row)
        assert len(row) == 10, where
        no, timestamp, _time, _function, display, unit, value, si_unit, range_, _judge = row
        if no:
            int(no)
        if timestamp:
            instant = datetime.datetime.fromisoformat(timestamp)
            assert instant.tzinfo is not None, where
            assert len(timestamp.split(".")[1]) == 3 + 6, "milliseconds and offset: " + where
        if value:
            assert "e" not in value.lower(), "plain decimal wanted: " + where
            float(value)
            assert si_unit, where
        assert si_unit in SI_UNITS, where
        assert range_ in ("", "AUTO", "MANU"), where
        assert "*" not in unit and "?" not in unit, "LCD coding in the unit: " + where
    if wanted_rows is not None:
        assert len(rows) - 1 == wanted_rows, "%s: %d rows, %d wanted" % (path, len(rows) - 1, wanted_rows)
    return len(rows) - 1


def main():
    for arg in sys.argv[1:]:
        path, _, wanted = arg.partition(":")
        rows = check(path, int(wanted) if wanted else None)
        print("%s: %d rows" % (path, rows))
    print("ok")


if __name__ == "__main__":
    main()
