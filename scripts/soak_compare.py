#!/usr/bin/env python3
"""The three records of a soak run with everything on must agree.

usage: soak_compare.py WORK
WORK holds sent.tsv and lost.tsv (the feeder), table.txt (the window's saved
table), export.txt (`tavolo-cli export` of the session), watch.jsonl
(`tavolo-cli watch`) and window.out (the harness's summary with the feed's
delivered and dropped counts). Prints the figures; exit status 1 on a mismatch.
"""
import json
import re
import sys


def table_rows(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        lines = [line.rstrip("\r\n") for line in f]
    return lines[0], lines[1:]


def digits(text):
    return re.sub(r"[^0-9]", "", text)


def main(work):
    failures = []
    sent = open(f"{work}/sent.tsv", encoding="utf-8").read().splitlines()
    lost = open(f"{work}/lost.tsv", encoding="utf-8").read().splitlines()
    _, rows = table_rows(f"{work}/table.txt")
    summary = open(f"{work}/window.out", encoding="utf-8").read()
    feed = dict(re.findall(r"(\w+)=(\d+)", re.search(r"^feed .*$", summary, re.M).group(0)))
    delivered, dropped = int(feed["delivered"]), int(feed["dropped"])

    # 1. The window's table: every reading that reached the line, in order.
    recorded = []
    for row in rows:
        f = row.split("\t")
        recorded.append(f"{f[3]}\t{f[4].strip(chr(34))}\t{f[2]}")
    if recorded != sent:
        first = next((i for i, (a, b) in enumerate(zip(sent, recorded)) if a != b), min(len(sent), len(recorded)))
        failures.append(f"table: {len(sent)} readings sent, {len(recorded)} rows; first difference at row {first + 1}")
    numbers = [row.split("\t")[0] for row in rows]
    if numbers != [str(i) for i in range(1, len(rows) + 1)]:
        failures.append("table: the rows are not numbered 1, 2, 3, ... without a gap")

    # 2. The session, exported: the same table, field for field.
    try:
        _, exported = table_rows(f"{work}/export.txt")
    except OSError as e:
        exported = []
        failures.append(f"session: no export ({e})")
    if exported != rows:
        diff = next((i for i, (a, b) in enumerate(zip(rows, exported)) if a != b), min(len(rows), len(exported)))
        failures.append(f"session: {len(exported)} rows against the window's {len(rows)}; "
                        f"first difference at row {diff + 1}: {exported[diff:diff + 1]} vs {rows[diff:diff + 1]}")

    # 3. The subscriber: duplicates (resent after a broken link) removed by seq,
    # each the same reading; seq 1..N without a gap apart from what the
    # publisher dropped; the recorded readings are the table's rows.
    by_seq = {}
    copies = 0
    with open(f"{work}/watch.jsonl", encoding="utf-8") as f:
        for line in f:
            m = json.loads(line)
            if m["topic"] != "soak/reading":
                continue
            p = m["payload"]
            if p["seq"] in by_seq:
                copies += 1
                if by_seq[p["seq"]] != p:
                    failures.append(f"feed: seq {p['seq']} came twice with different readings")
            by_seq[p["seq"]] = p
    seqs = sorted(by_seq)
    top = seqs[-1] if seqs else 0
    missing = top - len(seqs)
    if len(seqs) != delivered:
        failures.append(f"feed: the publisher delivered {delivered}, the subscriber has {len(seqs)} distinct seq")
    if missing > dropped:
        failures.append(f"feed: {missing} seq missing, the publisher dropped only {dropped}")
    by_no = {p["no"]: p for p in by_seq.values() if p["recorded"]}
    unrecorded = sum(1 for p in by_seq.values() if not p["recorded"])
    mismatched = 0
    for i, row in enumerate(rows, start=1):
        p = by_no.get(i)
        if p is None:
            continue
        if digits(p["display"]) != digits(row.split("\t")[3]):
            mismatched += 1
            if mismatched <= 3:
                failures.append(f"feed: row {i} is {row.split(chr(9))[3]!r}, published {p['display']!r}")
    absent = len(rows) - sum(1 for i in range(1, len(rows) + 1) if i in by_no)
    if dropped == 0 and absent:
        failures.append(f"feed: {absent} rows were never published and nothing was dropped")

    print(f"soak: meter made {len(sent) + len(lost)} readings: {len(sent)} sent, {len(lost)} made while the cable was out")
    print(f"soak: window rows {len(rows)}; session rows {len(exported)}")
    print(f"soak: feed: delivered {delivered}, dropped {dropped}, subscriber distinct {len(seqs)} "
          f"(+{copies} duplicates), recorded {len(by_no)}, not recorded {unrecorded}, rows not published {absent}")
    for failure in failures:
        print("soak: FAIL: " + failure)
    if not failures:
        print("soak: the table, the session and the feed agree reading for reading")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
