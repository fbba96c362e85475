#!/usr/bin/env python3
"""Two card images are the same but for the times stamped in them.

The two command lines run seconds apart: the times of directory entries and
of slot records differ. Every other byte must match. A differing byte counts
as a time only inside a 32-byte directory entry whose name and attributes
are equal (deleted ones too), or in the time fields of a slot record (a sector that starts with
the marker 1 and ends with "JO").
"""
import sys

ENTRY_TIME_BYTES = set(range(13, 20)) | set(range(22, 26))
SLOT_TIME_BYTES = set(range(20, 27))


def is_entry_time(a, b, at):
    entry = at - at % 32
    return at % 32 in ENTRY_TIME_BYTES and a[entry:entry + 12] == b[entry:entry + 12]


def is_slot_time(a, b, at):
    sector = at - at % 512
    record = a[sector:sector + 512]
    return (at % 512 in SLOT_TIME_BYTES and record[:2] == b"\x01\x00" and record[510:] == b"JO"
            and b[sector:sector + 20] == record[:20] and b[sector + 510:sector + 512] == b"JO")


def main(a_path, b_path):
    a = open(a_path, "rb").read()
    b = open(b_path, "rb").read()
    if len(a) != len(b):
        print(f"{a_path} and {b_path} differ in size", file=sys.stderr)
        return 1
    for sector in range(0, len(a), 512):
        if a[sector:sector + 512] == b[sector:sector + 512]:
            continue
        for at in range(sector, min(sector + 512, len(a))):
            if a[at] != b[at] and not is_entry_time(a, b, at) and not is_slot_time(a, b, at):
                print(f"{a_path} and {b_path} differ at byte {at}", file=sys.stderr)
                return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
