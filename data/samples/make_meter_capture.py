#!/usr/bin/env python3
"""Writes meter_capture.bin: the bytes a meter sends over a few dozen readings.

Each frame is 12 payload bytes ("0".."?" carry the values 0..15), CR, LF. The
capture starts mid-stream (the first frame has no LF before it, so it is
dropped), walks through the meter's functions, and holds one frame that lost a
byte on the line and one whose range byte arrived corrupted.

Usage: make_meter_capture.py [OUTPUT]   (default: meter_capture.bin beside this script)
"""
import os
import sys

# Payload as twelve hexadecimal digits: range, five digits, function, status,
# option 1..4. Comments say what the meter shows.
FRAMES = [
    "301234B000A0",  # 0123.4 V DC auto (dropped: no LF before it)
    "301234B000A0",  # 0123.4 V DC auto
    "301236B000A0",  # 0123.6 V
    "212345B000A0",  # 123.45 V
    "102200B00060",  # 02.200 V AC auto
    "403210B000A0",  # 032.10 mV DC auto
    "403210B400A0",  # -032.10 mV
    "400000B000A0",  # 000.00 mV: leading zeros blanked
    "001000300020",  # 010.00 ohm auto
    "101500300020",  # 0.1500 kilo-ohm
    "400999300000",  # 0.0999 mega-ohm, manual
    "000012500000",  # continuity
    "000512100000",  # diode 0.0512 V
    "300470600000",  # 00.470 uF
    "012345200020",  # 123.45 Hz
    "404500200020",  # 045.00 kHz
    "004500280000",  # 0450.0 % duty
    "000251400000",  # temperature 00251
    "100999D00060",  # 0099.9 uA AC auto
    "012345F00080",  # 12.345 mA DC
    "102500900080",  # 02.500 A DC
    "100000B100A0",  # overload 0.L V
    "112345B00800",  # duty-overload 0L. %
    "301234B22062",  # hold, battery, relative, AC auto
    "122580B000A0",  # 22.580 V: always Fail
    "301234B000A0",  # back to volts
    "DAMAGED",       # 11 payload bytes: one byte lost on the line
    "301235B000A0",  # the next frame is whole again
    "A01234B000A0",  # range byte corrupted to "A": a conversion error
    "301233B000A0",
    "301234900070",  # 012.3.4: two points lit
    "201234200000",  # frequency with a range that has no unit
    "301234B000A0",
]


def payload_bytes(digits):
    return bytes(0x30 + int(c, 16) for c in digits)


def capture():
    out = bytearray()
    for frame in FRAMES:
        if frame == "DAMAGED":
            out += payload_bytes("30124B000A0")  # "3" of the digits went missing
        else:
            out += payload_bytes(frame)
        out += b"\r\n"
    return bytes(out)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "meter_capture.bin")
    with open(path, "wb") as f:
        f.write(capture())


if __name__ == "__main__":
    main()
