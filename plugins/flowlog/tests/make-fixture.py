#!/usr/bin/env python3
"""Builds the document router fixture for FlowLog's tests.

make-fixture.py OUT
make-fixture.py --sample BIN

OUT/settings   the router's settings folder: qvdlog4s.cnf, QvdLog.ldf and
               Pellard.ini (code page 932)
OUT/db         the database folder regpath names: Vellum.ini and QvdLog.db
OUT/db-bare    a database without the DeliverLog table
OUT/expected   the nine CSV files FlowLog is to write from it, worked out
               here from the same rows (local time of this machine)

Windows paths in the settings are written as Z:\\... (Wine's view of OUT).

With --sample, a router installation beside the stand-ins in BIN, found there
without any setting (the main job's snapshots carry its logs): BIN/Settings
(where Pellard.dll looks by default) and BIN/RouterLogs, which regpath names
relative to Vellum.dll's folder.
"""
import os
import sqlite3
import sys
import time

PORT = 20731
CODE_PAGE = 932

LONG_DETAIL = "".join("detail %04d; " % i for i in range(500))  # about 6,500 characters
LONG_NAME = "Scan to Folder " + "x" * 300  # longer than the first 128-byte try
LONG_MESSAGE = "The document could not be delivered: " + "y" * 3000  # longer than 2,048

DISPLAY_NAMES = {"scan2mail": "Scan to Mail", "longname": LONG_NAME}
MESSAGES = {
    (0x1A2B, 5): "Paper jam in tray 2",
    (0x1A2B, 1): "Tray empty",
    (0x10, 1): LONG_MESSAGE,
}

# (docType, Sender, Subject, Pages, Destination, Status, RecvDate)
DELIVER_ROWS = [
    ("SCN", "alice", 'Quarterly "final" report', 3, "data:\\\\files\\scans", "plugin:scan2mail", 0),
    ("SCN", "", "", None, None, "plugin:unknown", None),
    ("SCN", "bob", "line one\nline two\r\nline three", 12, "data:", "code:1A2B:5", 1700000000),
    ("FXR", "+81 3 1234 5678", "\u8acb\u6c42\u66f8", 1, "\u6771\u4eac\u652f\u793e", "code:1A2B", 1234567890),
    ("IMP", "carol", "data:plain, with comma", 2, "str:Hello%2C%20%22World%22%0Anext", "code:10", 86399),
    ("MLC", "dave", "plugin:longname", 5, "mail@example.test", "str:%zz", 946684800),
    ("XXX", "nobody", "not exported", 0, "", "", 0),
]
# (docType, UserName, Device, Note, CaptureDate)
CAPTURE_ROWS = [
    ("CPY", "erin", "MFP-01", "copies, 10", 1600000000),
    ("FXS", "frank", "MFP-02", None, 1600000001),
    ("PRN", "grace", "\u30d7\u30ea\u30f3\u30bf", "say \"\"hi\"\"", 1600000002),
    ("SCN", "heidi", "MFP-03", "\n", 1600000003),
]
# (ErrorDate, Code, Module, Detail)
ERROR_ROWS = [
    (1500000000, "code:10", "plugin:scan2mail", LONG_DETAIL),
    (None, "code:zz", "plugin:", "data:data:"),
    ("not a date", None, "", "tab\there"),
]

LAYOUT = """[DeliverLog]
FIELDCOUNT=7
FIELD1=RecvDate,DATE
FIELD2=docType,STRING
FIELD3=Sender,STRING,64
FIELD4=Subject,STRING
FIELD5=Pages,INTEGER
FIELD6=Destination,STRING
FIELD7=Status,STRING
[CaptureLog]
FIELDCOUNT=5
FIELD1=CaptureDate,DATE
FIELD2=docType
FIELD3=UserName,STRING
FIELD4=Device,STRING
FIELD5=Note
[ErrorLog]
FIELDCOUNT=4
FIELD1=ErrorDate,DATE
FIELD2=Code,STRING
FIELD3=Module,STRING
FIELD4=Detail,STRING
"""

EXPORTS = [
    ("ScanDeliverLog", "DeliverLog", "SCN"), ("FaxDeliverLog", "DeliverLog", "FXR"),
    ("DocDeliverLog", "DeliverLog", "IMP"), ("MailDeliverLog", "DeliverLog", "MLC"),
    ("CopyCaptureLog", "CaptureLog", "CPY"), ("FaxCaptureLog", "CaptureLog", "FXS"),
    ("PrintCaptureLog", "CaptureLog", "PRN"), ("ScanCaptureLog", "CaptureLog", "SCN"),
    ("ErrorLog", "ErrorLog", ""),
]


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def write(path, text, encoding="ascii"):
    with open(path, "w", encoding=encoding, newline="\r\n") as f:
        f.write(text)


def make_database(path, with_deliver=True):
    if os.path.exists(path):
        os.remove(path)
    db = sqlite3.connect(path)
    if with_deliver:
        db.execute("CREATE TABLE DeliverLog (RecvDate INTEGER, docType TEXT, Sender TEXT, Subject TEXT,"
                   " Pages INTEGER, Destination TEXT, Status TEXT)")
        db.executemany("INSERT INTO DeliverLog VALUES (?, ?, ?, ?, ?, ?, ?)",
                       [(r[6], r[0], r[1], r[2], r[3], r[4], r[5]) for r in DELIVER_ROWS])
    db.execute("CREATE TABLE CaptureLog (CaptureDate INTEGER, docType TEXT, UserName TEXT, Device TEXT,"
               " Note TEXT)")
    db.executemany("INSERT INTO CaptureLog VALUES (?, ?, ?, ?, ?)",
                   [(r[4], r[0], r[1], r[2], r[3]) for r in CAPTURE_ROWS])
    db.execute("CREATE TABLE ErrorLog (ErrorDate, Code TEXT, Module TEXT, Detail TEXT)")
    db.executemany("INSERT INTO ErrorLog VALUES (?, ?, ?, ?)", ERROR_ROWS)
    db.commit()
    db.close()


# What FlowLog makes of one value, from the router's rules and the tables above.
def decode(coded):
    out = bytearray()
    i = 0
    while i < len(coded):
        if coded[i] != "%":
            out += coded[i].encode("cp932")
            i += 1
            continue
        digits = coded[i + 1:i + 3]
        if len(digits) != 2 or any(c not in "0123456789abcdefABCDEF" for c in digits):
            return b""
        out.append(int(digits, 16))
        i += 3
    return bytes(out)


def message_code(text):
    i = 0
    while i < len(text) and text[i] in "0123456789abcdefABCDEF":
        i += 1
    facility = int(text[:i], 16) if i else 0
    number = 1
    if i < len(text):
        digits = ""
        for c in text[i + 1:]:
            if not c.isdigit():
                break
            digits += c
        number = int(digits) if digits else 0
    return facility, number


def value_bytes(kind, value):
    if value is None:
        return b""
    text = str(value)
    if kind == "DATE":
        try:
            seconds = int(text)
        except ValueError:
            return text.encode("cp932")
        return time.strftime("%Y/%m/%d %H:%M:%S", time.localtime(seconds)).encode("ascii")
    if kind != "STRING":
        return text.encode("cp932")
    if text.startswith("data:"):
        return text[5:].encode("cp932")
    if text.startswith("plugin:"):
        return DISPLAY_NAMES.get(text[7:], text[7:]).encode("cp932")
    if text.startswith("code:"):
        return MESSAGES.get(message_code(text[5:]), "").encode("cp932")
    if text.startswith("str:"):
        return decode(text[4:])
    return text.encode("cp932")


def csv_line(fields):
    line = b""
    for field in fields:
        line += b'"' + field.replace(b'"', b'""') + b'",'
    return line + b"\r\n"


def expected_files(out):
    os.makedirs(out, exist_ok=True)
    deliver_kinds = ["DATE", "STRING", "STRING", "INTEGER", "STRING", "STRING"]  # without docType
    capture_kinds = ["DATE", "STRING", "STRING", "STRING"]
    error_kinds = ["DATE", "STRING", "STRING", "STRING"]
    for node, table, doc_type in EXPORTS:
        lines = b""
        if table == "DeliverLog":
            for r in DELIVER_ROWS:
                if r[0] == doc_type:
                    values = [r[6], r[1], r[2], r[3], r[4], r[5]]
                    lines += csv_line([value_bytes(k, v) for k, v in zip(deliver_kinds, values)])
        elif table == "CaptureLog":
            for r in CAPTURE_ROWS:
                if r[0] == doc_type:
                    values = [r[4], r[1], r[2], r[3]]
                    lines += csv_line([value_bytes(k, v) for k, v in zip(capture_kinds, values)])
        else:
            for r in ERROR_ROWS:
                lines += csv_line([value_bytes(k, v) for k, v in zip(error_kinds, r)])
        with open(os.path.join(out, node + ".csv"), "wb") as f:
            f.write(lines)


def write_settings(settings, regpath):
    os.makedirs(settings, exist_ok=True)
    write(os.path.join(settings, "qvdlog4s.cnf"),
          "[Connection]\nregpath=%s\nhost=localhost\nport=%d\n" % (regpath, PORT))
    write(os.path.join(settings, "QvdLog.ldf"), LAYOUT)
    pellard = "[General]\nCodePage=%d\n[Plugins]\n" % CODE_PAGE
    pellard += "".join("%s=%s\n" % item for item in DISPLAY_NAMES.items())
    for facility in sorted({f for f, _ in MESSAGES}):
        pellard += "[Messages.%X]\n" % facility
        pellard += "".join("%d=%s\n" % (n, t) for (f, n), t in MESSAGES.items() if f == facility)
    write(os.path.join(settings, "Pellard.ini"), pellard)


def write_database_folder(folder, with_deliver=True):
    os.makedirs(folder, exist_ok=True)
    write(os.path.join(folder, "Vellum.ini"), "[Server]\nPort=%d\n" % PORT)
    make_database(os.path.join(folder, "QvdLog.db"), with_deliver)


def main():
    if sys.argv[1] == "--sample":
        bin_folder = sys.argv[2]
        write_settings(os.path.join(bin_folder, "Settings"), "RouterLogs")
        write_database_folder(os.path.join(bin_folder, "RouterLogs"))
        return
    out = sys.argv[1]
    write_settings(os.path.join(out, "settings"), winpath(os.path.join(out, "db")))
    write_database_folder(os.path.join(out, "db"))
    write_database_folder(os.path.join(out, "db-bare"), with_deliver=False)
    expected_files(os.path.join(out, "expected"))


if __name__ == "__main__":
    main()
