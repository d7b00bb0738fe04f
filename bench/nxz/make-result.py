#!/usr/bin/env python3
"""Writes a large result folder for bench/nxz-view.sh: NoxInfo.xml laid out as
the XML serializer writes it (CR LF, two-space indent, values on lines of their
own), shaped like a busy machine's PC report many times over, and side files.

usage: make-result.py FOLDER MEGABYTES VARIANT SIDE_MEGABYTES
VARIANT 0 and 1 differ a little (services stopped, applications and processes
come and go), for the difference; SIDE_MEGABYTES is the size of one binary
side file (an event log backup) beside the document.
"""
import os
import random
import sys

folder, megabytes, variant, side = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
random.seed(7)
os.makedirs(os.path.join(folder, "eventArchive", "system"), exist_ok=True)
os.makedirs(os.path.join(folder, "printerDriver", "registry"), exist_ok=True)
out = open(os.path.join(folder, "NoxInfo.xml"), "w", encoding="latin-1", newline="")


def w(depth, text):
    out.write("  " * depth + text + "\r\n")


def leaf(depth, name, value, kind="text"):
    w(depth, '<%s type="%s">' % (name, kind))
    w(depth + 1, value.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;"))
    w(depth, "</%s>" % name)


w(0, '<?xml version="1.0" encoding="iso-8859-1" ?>')
w(0, "<SystemInformation>")
w(1, '<Date timezone="GMT+0900" type="datetime">')
w(2, "2024/05/0%d 10:00:00" % (1 + variant))
w(1, "</Date>")
w(1, "<PC>")
block = 0
target = megabytes * 1024 * 1024
while out.tell() < target:
    w(2, "<PC>")
    w(3, "<execApplication>")
    for p in range(400):
        if variant and p % 97 == 5:
            continue
        w(4, "<execApplicationInformation>")
        leaf(5, "processID", str(1000 + p * 4 + variant * 8), "integer")
        leaf(5, "idPath", "C:\\Program Files\\Vendor %d\\bin\\program%03d.exe" % (p % 40, p))
        w(4, "</execApplicationInformation>")
    w(3, "</execApplication>")
    w(3, "<installedApplication>")
    for a in range(300):
        if variant and a % 50 == 7:
            continue
        w(4, "<installedApplicationInformation>")
        leaf(5, "applicationName", "Application %d.%d of Vendor & Sons <%d>" % (block, a, a % 9))
        w(4, "</installedApplicationInformation>")
    w(3, "</installedApplication>")
    w(3, "<service>")
    for s in range(200):
        w(4, "<serviceInformation>")
        leaf(5, "serviceName", "Service%d" % s if s else "Spooler")
        leaf(5, "displayName", "Service number %d of this machine" % s)
        leaf(5, "serviceStatus", "[stopped]" if variant and s % 40 == 3 else "[running]")
        w(4, "</serviceInformation>")
    w(3, "</service>")
    w(3, "<component>")
    for g in range(11):
        w(4, '<componentType name="Group%d">' % g)
        for f in range(20):
            w(5, "<information>")
            leaf(6, "fileName", "lib%02d_%02d.dll" % (g, f))
            leaf(6, "path", "C:\\WINDOWS\\system32\\lib%02d_%02d.dll" % (g, f))
            leaf(6, "version", "6.1.7601.%d" % (17514 + variant * (f == 3)))
            leaf(6, "timeStamp", "2011/11/21 08:20:53", "datetime")
            w(5, "</information>")
        w(4, "</componentType>")
    w(3, "</component>")
    w(2, "</PC>")
    block += 1
w(2, "<eventArchive>")
leaf(3, "system", "eventArchive\\system\\system.evt", "path")
w(2, "</eventArchive>")
w(2, "<printerDriver>")
w(3, "<registry>")
leaf(4, "registry", "printerDriver\\registry\\driverReg.txt", "path")
w(3, "</registry>")
w(2, "</printerDriver>")
w(1, "</PC>")
w(0, "</SystemInformation>")
out.close()

with open(os.path.join(folder, "eventArchive", "system", "system.evt"), "wb") as f:
    chunk = bytes(random.getrandbits(8) for _ in range(1 << 16))
    for _ in range(side * 16):
        f.write(chunk)
with open(os.path.join(folder, "printerDriver", "registry", "driverReg.txt"), "w", newline="") as f:
    f.write("REGEDIT4\r\n\r\n")
    for k in range(20000):
        f.write('[HKEY_LOCAL_MACHINE\\SYSTEM\\Printers\\P%d]\r\n"Port"="LPT1:"\r\n\r\n' % k)
