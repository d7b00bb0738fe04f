#!/usr/bin/env python3
"""Writes the document server's data files naming the given hosts.

  make-data-files.py twctrl FILE HOST...        TwCtrl.dat: one host record per
                                                 name, a record of another kind
                                                 and extra bytes between them
  make-data-files.py devroll DIR TDB HOST...    devroll.dir and devroll.tdb: one
                                                 entry per name, the first name
                                                 at 64, every second one at 136
  make-data-files.py seeds FOLDER               the fuzz target's seeds
"""
import struct
import sys

RECORD = 488
DEVICE = 364


def twctrl(hosts, extra=(3, 0, 5)):
    records = []
    kinds = [201, 202, 203, 204]
    # A record of a kind that names no host comes first.
    records.append(record(100, "not-a-host", (0, 7, 0)))
    for i, host in enumerate(hosts):
        records.append(record(kinds[i % 4], host, extra))
    return struct.pack("<II", 0, len(records)) + b"".join(records)


def record(kind, host, extra):
    r = bytearray(RECORD)
    struct.pack_into("<I", r, 204, kind)
    struct.pack_into("<II", r, 208, extra[0], extra[1])
    struct.pack_into("<I", r, 484, extra[2])
    name = host.encode("latin-1")[: RECORD - 410 - 1]
    r[410 : 410 + len(name)] = name
    # Extra bytes as the record says, unless it lies about them.
    return bytes(r) + (b"\xee" * sum(extra) if sum(extra) < 4096 else b"")


def devroll(hosts, position=100, gap=6):
    directory = bytearray(max(position, 96))
    records = bytearray(b"\x11" * 16)
    struct.pack_into("<HH", directory, 0, position, len(hosts))
    struct.pack_into("<H", directory, 62, gap)
    for i, host in enumerate(hosts):
        r = bytearray(DEVICE)
        name = host.encode("latin-1")
        at = 64 if i % 2 == 0 else 136
        r[at : at + len(name)] = name[: 60]
        offset = len(records)
        records += r
        directory += struct.pack("<I", offset) + b"\xcc" * gap
    return bytes(directory), bytes(records)


def main(argv):
    if argv[1] == "twctrl":
        open(argv[2], "wb").write(twctrl(argv[3:]))
    elif argv[1] == "devroll":
        directory, records = devroll(argv[4:])
        open(argv[2], "wb").write(directory)
        open(argv[3], "wb").write(records)
    elif argv[1] == "seeds":
        folder = argv[2]
        open(folder + "/twctrl-hosts.bin", "wb").write(b"\x00" + twctrl(["127.0.0.1", "printer01.corp.test"]))
        lying = bytearray(twctrl(["127.0.0.1"], extra=(0xFFFFFFFF, 0xFFFFFFFF, 0x10)))
        struct.pack_into("<I", lying, 4, 0xFFFFFFFF)
        open(folder + "/twctrl-skip-past-end.bin", "wb").write(b"\x00" + bytes(lying))
        directory, records = devroll(["127.0.0.1", "fallback.corp.test", "third"])
        open(folder + "/devroll-hosts.bin", "wb").write(b"\x01" + struct.pack("<H", len(directory)) + directory + records)
        d = bytearray(directory)
        struct.pack_into("<H", d, 2, 0xFFFF)
        struct.pack_into("<I", d, 100, 0xFFFFFFF0)
        open(folder + "/devroll-outside.bin", "wb").write(b"\x01" + struct.pack("<H", len(d)) + bytes(d) + records[:200])
        open(folder + "/control-lines.bin", "wb").write(
            b"\x02# name\tkey\\value\tspec\r\napache\tSoftware\\Varco\\Sarnet2\\InstallDir:2\tbase:log\\*.txt\r\n"
            b"env\tsystem:windir\tLogs\nshort\tx\n" + b"y" * 2100 + b"\tz\tw\n")
        open(folder + "/profile.bin", "wb").write(b"\x03[Product]\r\nsubType=Ep\r\n[path]\r\ndata = \"C:\\Gimlet\"\r\n")
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
