#!/usr/bin/python3
"""Splits a pcie_monitor log into its entries, one per output line.

    logentries.py LOG [--stamps | --table]

The time prefix "[seconds.micro] [date] " of each entry is cut, and every
line end inside or at the end of an entry is written as the two characters
\\n, so entries that end without a line end stay recognisable. Text before
the first prefix (plain printf output) comes first, as it is. --stamps puts
the entry's monotonic seconds and a tab in front; --table prints the record
lines only, as a short table.
"""

import re
import sys

PREFIX = re.compile(r"\[ *(\d+\.\d{6})\] (?:\[[^\]\n]*\] )?")
RECORD = re.compile(r"^([0-9a-f]{2})\. ([0-9a-f]{4}:[0-9a-f]{4}) (\S+) T:(\S+) PSS:(\S+) "
                    r"LS:(\S{8})NLS:(\S{8}) .*PVD:(\S+) PIDX:(\S+) NTFMSK:(\S+) "
                    r"HWID:\[(.*?)\] NAME\[(.*)$")


def entries(text):
    parts = PREFIX.split(text)
    lead = [("", parts[0].rstrip("\n"))] if parts[0] else []
    return lead + [(stamp, part.replace("\n", "\\n"))
                   for stamp, part in zip(parts[1::2], parts[2::2])]


def table(items):
    print("RW VEND:DEVI BB:DD.F T  PSS      LS       NLS      PARTNER   PIDX HWID / NAME")
    for _, entry in items:
        m = RECORD.match(entry)
        if m:
            row, ids, bdf, kind, pss, ls, nls, pvd, pidx, _, hwid, name = m.groups()
            name = name.removesuffix("\\n").removesuffix("]")
            label = " / ".join(t.replace("\\n", "") for t in (hwid, name) if t)
            print(f"{row} {ids} {bdf} {kind} {pss} {ls} {nls} {pvd} {pidx}   {label[:60]}")


def main(argv):
    with open(argv[1], encoding="utf-8", errors="replace") as log:
        items = entries(log.read())
    mode = argv[2] if len(argv) > 2 else ""
    if mode == "--table":
        table(items)
        return 0
    for stamp, entry in items:
        print(f"{stamp}\t{entry}" if mode == "--stamps" and stamp else entry)
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except BrokenPipeError:
        sys.stderr.close()
        sys.exit(0)
