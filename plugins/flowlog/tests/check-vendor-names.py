#!/usr/bin/env python3
"""The vendor libraries' names, three ways.

check-vendor-names.py VENDOR_DIR BIN_DIR OBJDUMP

1. clang, compiling VendorSignatures.cpp for the vendor compiler's x86 and x64
   targets, decorates every member exactly as Fennick.names and Vellum.names
   list it (so the lists hold the vendor compiler's names, not guesses);
2. FlowLog.nxo in BIN_DIR imports from Vellum.dll and Fennick.dll exactly those
   names and from Pellard.dll exactly the ordinals of Pellard.names, by ordinal;
3. the stand-ins in BIN_DIR export all of them.
"""
import os
import re
import subprocess
import sys

failures = 0


def check(what, ok, detail=""):
    global failures
    print(("ok   - " if ok else "FAIL - ") + what + ("" if ok else ": " + str(detail)))
    if not ok:
        failures += 1


def entries(path):
    rows = []
    for line in open(path):
        line = line.split("#", 1)[0].split()
        if line:
            rows.append(line)
    return rows


def clang_names(source, target):
    asm = subprocess.run(["clang++", "--target=" + target, "-S", "-o", "-", source],
                         check=True, capture_output=True, text=True).stdout
    return set(re.findall(r'^\s*\.globl\s+"([^"]+)"', asm, re.M))


def imports(objdump, binary):
    """{dll: set of names and '#ordinal'} from the import table."""
    out = subprocess.run([objdump, "-p", binary], check=True, capture_output=True, text=True).stdout
    table = {}
    current = None
    for line in out.splitlines():
        m = re.match(r"\s*DLL Name: (\S+)", line)
        if m:
            current = table.setdefault(m.group(1).lower(), set())
            continue
        if current is None:
            continue
        if not line.strip():
            current = None
            continue
        m = re.match(r"\s*([0-9a-f]+)\s+[0-9a-f]+\s+(\S+)", line)
        if m:
            # An import by ordinal has the top bit of its thunk set and the ordinal below.
            current.add("#%d" % (int(m.group(1), 16) & 0xFFFF) if m.group(2) == "<none>" else m.group(2))
    return table


def exports(objdump, binary):
    out = subprocess.run([objdump, "-p", binary], check=True, capture_output=True, text=True).stdout
    names = set(re.findall(r"^\s*\[\s*\d+\]\s+(\S+)$", out.split("[Ordinal/Name Pointer] Table", 1)[-1], re.M))
    base = int(re.search(r"Ordinal Base\s+(\d+)", out).group(1)) if "Ordinal Base" in out else 0
    ordinals = {"#" + str(base + int(i)) for i in
                re.findall(r"^\s*\[\s*(\d+)\] \+base\[", out, re.M)}
    return names | ordinals


def main():
    vendor, bin_dir, objdump = sys.argv[1:4]
    x64 = "x86_64" in os.path.basename(objdump)
    column = 2 if x64 else 1
    decorated = {lib: [row for row in entries(os.path.join(vendor, lib + ".names"))] for lib in ("Fennick", "Vellum")}

    signatures = os.path.join(vendor, "VendorSignatures.cpp")
    for target, col in (("i686-pc-windows-msvc", 1), ("x86_64-pc-windows-msvc", 2)):
        made = clang_names(signatures, target)
        listed = {row[col] for rows in decorated.values() for row in rows}
        check("clang's %s names are the listed ones" % target, made == listed,
              "only clang: %s; only listed: %s" % (sorted(made - listed), sorted(listed - made)))

    wanted = {lib.lower() + ".dll": {row[column] for row in rows} for lib, rows in decorated.items()}
    wanted["pellard.dll"] = {"#" + row[1].lstrip("@") for row in entries(os.path.join(vendor, "Pellard.names"))}
    imported = imports(objdump, os.path.join(bin_dir, "FlowLog.nxo"))
    for dll, names in sorted(wanted.items()):
        got = imported.get(dll, set())
        used = names & got
        check("FlowLog.nxo imports from %s only listed names" % dll, got <= names, sorted(got - names))
        check("FlowLog.nxo binds %s at load time" % dll, bool(used), "nothing imported")
        standin = os.path.join(bin_dir, dll.capitalize())
        exported = exports(objdump, standin)
        check("the %s stand-in exports every listed entry" % dll, names <= exported, sorted(names - exported))

    print("%d failed" % failures)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
