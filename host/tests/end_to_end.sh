#!/usr/bin/env bash
# NxInfo.exe end to end under Wine: the real host, NoxCore.dll and XML.nxw with
# test observation modules, into plain and packed results; the document is
# checked with a real XML parser and the packed result is read back with nxz.
set -uo pipefail
build=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=$build/bin
work=$build/Testing/host-e2e
rm -rf "$work"
mkdir -p "$work/app"
failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then echo "ok   - $what"; else echo "FAIL - $what"; failures=$((failures + 1)); fi
}
winpath() { echo "Z:${1//\//\\}"; }
run() { "$root/scripts/wine-run" "$work/app/NxInfo.exe" "$@" 2>"$work/stderr" | tr -d '\r'; return "${PIPESTATUS[0]}"; }

cp "$bin"/NxInfo.exe "$bin"/NoxCore.dll "$bin"/NoxUtil.dll "$bin"/PlugBase.dll "$bin"/XML.nxw \
  "$bin"/lib*.dll "$bin"/zlib1.dll "$work/app/"
cp "$bin"/reporter-fixtures/{Alpha,Beta,Gamma}.nxo "$work/app/"
cat >"$work/app/NxInfo.ini" <<'INI'
[Categories]
Count=2
Key1=First
Key2=Second
[First]
Name=First
Count=2
Key1=Alpha.nxo
Key2=Beta.nxo
[Second]
Name=Second
Count=1
Key1=Gamma.nxo-
[Serializer]
FileName=XML.nxw
INI

# A plain result: the document beside its side file.
out=$work/plain
run --no-compress --select "Gamma Plugin" run "$(winpath "$out")" >"$work/stdout"
check "plain run exits 0" test $? -eq 0
check "the result is named" grep -q 'Result: .*NoxInfo.xml' "$work/stdout"
check "NoxInfo.xml is well-formed" xmllint --noout "$out/NoxInfo.xml"
check "Alpha's report is in it" test "$(xmllint --xpath 'count(//alpha/value)' "$out/NoxInfo.xml")" = 1
check "Beta threw: its category has no report of it" test "$(xmllint --xpath 'count(//beta)' "$out/NoxInfo.xml")" = 0
side=$(find "$out" -name nox-side-file.log | head -n 1)
check "Gamma's side file is carried beside the document" test -n "$side"
check "the side file is intact" cmp -s "$side" <(printf 'side file\r\n')
check "progress names each plug-in" grep -q '\[3/3\] Gamma Plugin done' "$work/stderr"

# The same result packed, read back with the receiving tool.
packed=$work/packed
run --select "Gamma Plugin" run "$(winpath "$packed")" >"$work/stdout"
check "packed run exits 0" test $? -eq 0
check "NoxResult.exe is written" test -f "$packed/NoxResult.exe"
"$root/scripts/wine-run" "$bin/nxz.exe" extract "$(winpath "$packed/NoxResult.exe")" "$(winpath "$work/extracted")" \
  >/dev/null 2>&1
check "nxz extracts it" test $? -eq 0
check "the extracted document is well-formed" xmllint --noout "$work/extracted/NoxInfo.xml"
extractedSide=$(find "$work/extracted" -name nox-side-file.log | head -n 1)
check "the extracted side file matches" cmp -s "$extractedSide" <(printf 'side file\r\n')

# pack: an earlier plain result packed afterwards.
run pack "$(winpath "$out")" "$(winpath "$work/repacked")" >"$work/stdout"
check "pack exits 0" test $? -eq 0
check "pack names NoxResult.exe" grep -q 'Packed: .*NoxResult.exe' "$work/stdout"

# Split into parts into a folder that is not empty: the user cancels.
mkdir -p "$work/media"
echo old >"$work/media/old.txt"
run --media cancel --split 300 run "$(winpath "$work/media")" >"$work/stdout"
check "a cancelled media dialogue exits 1" test $? -eq 1
check "the user was told" grep -q 'Target folder is not empty.' "$work/stderr"

# The real PC plug-in through the host, with the shipped NxInfo.ini.
mkdir -p "$work/pcapp"
cp "$work/app"/*.exe "$work/app"/*.dll "$work/app"/XML.nxw "$bin/PC.nxo" "$bin/NxInfo.ini" "$work/pcapp/"
pc=$work/pc
"$root/scripts/wine-run" "$work/pcapp/NxInfo.exe" --only PC --no-compress run "$(winpath "$pc")" >/dev/null 2>&1
check "the PC run exits 0" test $? -eq 0
xpath() { xmllint --xpath "$1" "$pc/NoxInfo.xml" 2>/dev/null | tr -d ' \r\n'; }
check "the PC document is well-formed" xmllint --noout "$pc/NoxInfo.xml"
for section in cpuInfomation osVersion memory environmentVariables drive; do
  check "PC section $section is present" test "$(xpath "count(//PC/PC/$section)")" = 1
done
check "the processor count is this machine's" test "$(xpath 'string(//numberOfProcessors)')" = "$(nproc)"
vendor=$(grep -m1 '^vendor_id' /proc/cpuinfo | awk '{print $3}')
case $vendor in GenuineIntel) vendor=Intel ;; AuthenticAMD) vendor=AMD ;; *) vendor=Unknown ;; esac
check "the processor vendor is this machine's ($vendor)" test "$(xpath 'string(//cpuVendor)')" = "$vendor"
check "physical memory is counted" grep -q 'KB' <<<"$(xpath 'string(//totalPhysicalMemoryInformation)')"
check "drive C: is listed as fixed" test "$(xpath 'string(//driveInfomation[normalize-space(driveName)="C:\"]/driveType)')" = fixeddrive
check "Wine's Z: drive is listed" test "$(xpath 'count(//driveInfomation[normalize-space(driveName)="Z:\"])')" = 1

# Failures and refusals.
run --split 1 run "$(winpath "$work/tiny")" >"$work/stdout"
check "a part smaller than the self-extractor fails with 2" test $? -eq 2
check "the error record is printed" grep -q 'error ID 5, return value 2 .*concatSelfEx' "$work/stderr"
run --select "No Such Plugin" run "$(winpath "$work/x")" >"$work/stdout"
check "an unknown plug-in name is refused with 64" test $? -eq 64
run run >"$work/stdout"
check "a missing folder argument is refused with 64" test $? -eq 64
run --set "Alpha Plugin:nothing=1" list >"$work/stdout"
check "an unknown parameter is refused with 64" test $? -eq 64
run list >"$work/stdout"
check "list shows the categories" grep -q '^\[x\] First' "$work/stdout"
check "list marks the unselected plug-in" grep -q '^    \[ \] Gamma Plugin' "$work/stdout"

echo "end to end: $failures failed"
exit $((failures > 0))
