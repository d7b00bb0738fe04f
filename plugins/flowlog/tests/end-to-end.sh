#!/usr/bin/env bash
# The document server plug-ins through the real host under Wine: FlowLog.nxo
# exporting the fixture's router database (make-fixture.py) and DVQConnect.nxo
# asking real COM, with the stand-ins beside them. The nine CSV files the result
# carries must equal the expected bytes and read back whole in a CSV reader.
#   end-to-end.sh BUILD FIXTURE
set -uo pipefail
fixture=$2
source "$(dirname "$0")/../../../host/tests/host-test-lib.sh" "$1" docserver-e2e
xpath() { xmllint --xpath "$1" "$2" 2>/dev/null; }

cp "$bin"/FlowLog.nxo "$bin"/DVQConnect.nxo "$bin"/Vellum.dll "$bin"/Fennick.dll "$bin"/Pellard.dll \
  "$bin"/QSvrInfo.dll "$bin"/QSvrInfo.ini "$work/app/"
cat >"$work/app/NxInfo.ini" <<'INI'
[Categories]
Count=1
Key1=DocumentServer
[DocumentServer]
Name=Document Server
Count=2
Key1=DVQConnect.nxo-
Key2=FlowLog.nxo
[Serializer]
FileName=XML.nxw
INI
dvq=(--select "DVQConnect Plugin" --set "DVQConnect Plugin:Target server Name=localhost")

# The router's logs and the server connections, into a plain result.
out=$work/result
PELLARD_SETTINGS=$(winpath "$fixture/settings") run "${dvq[@]}" --no-compress run "$(winpath "$out")" >"$work/stdout"
check "the run exits 0" test $? -eq 0
document=$out/NoxInfo.xml
check "NoxInfo.xml is well-formed" xmllint --noout "$document"
for node in ScanDeliverLog FaxDeliverLog DocDeliverLog MailDeliverLog CopyCaptureLog FaxCaptureLog \
  PrintCaptureLog ScanCaptureLog ErrorLog; do
  check "$node names its file" test "$(xpath "normalize-space(//flowLogsInformation/$node)" "$document")" = \
    "flowLogs\\$node\\$node.csv"
  check "$node.csv carries the expected bytes" cmp -s "$out/flowLogs/$node/$node.csv" "$fixture/expected/$node.csv"
done
check "values with quotes and line breaks read back whole" python3 - "$out/flowLogs/ScanDeliverLog/ScanDeliverLog.csv" <<'PY'
import csv, sys
rows = list(csv.reader(open(sys.argv[1], newline="", encoding="cp932")))
assert len(rows) == 3, rows
assert rows[0][2] == 'Quarterly "final" report', rows[0]
assert rows[2][2] == "line one\nline two\r\nline three", rows[2]
assert all(row[-1] == "" for row in rows), "every line ends in a comma"
PY
check "an unregistered COM class fails at once, for each edition" test \
  "$(xpath 'count(//dvqConnect//interface/result[normalize-space()="failed (0x80040154)"])' "$document")" = 3
check "the server is counted" test "$(xpath 'normalize-space(//dvqConnectServers/text())' "$document")" = 1

# A router without its settings: no file to carry, the document still whole.
mkdir -p "$work/no-settings"
bare=$work/bare
PELLARD_SETTINGS=$(winpath "$work/no-settings") run --no-compress run "$(winpath "$bare")" >"$work/stdout"
check "a run without the router's settings exits 0" test $? -eq 0
check "its nine path elements are there" test "$(xpath 'count(//flowLogsInformation/*)' "$bare/NoxInfo.xml")" = 9
check "they carry no file" test -z "$(find "$bare" -name '*.csv')"

# Without the router's libraries the module does not load; the rest runs.
rm "$work/app/Vellum.dll"
PELLARD_SETTINGS=$(winpath "$fixture/settings") run --no-compress run "$(winpath "$work/unloaded")" >"$work/stdout"
check "a run without Vellum.dll exits 0" test $? -eq 0
check "FlowLog is left out" test "$(xpath 'count(//flowLogs)' "$work/unloaded/NoxInfo.xml")" = 0

echo "$failures failed"
test "$failures" -eq 0
