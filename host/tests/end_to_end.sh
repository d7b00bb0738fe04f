#!/usr/bin/env bash
# NxInfo.exe end to end under Wine: the real host, NoxCore.dll and XML.nxw with
# test observation modules (one reports, one throws, one carries a side file,
# one shows what its form fields received), into plain and packed results. The
# document is checked with a real XML parser, the packed result is read back
# with nxz, and each message is checked with its exit status.
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
said() { grep -qF -- "$1" "$work/stderr"; }    # said TEXT: the host wrote TEXT to stderr
printed() { grep -qF -- "$1" "$work/stdout"; } # printed TEXT: ... to stdout
winpath() { echo "Z:${1//\//\\}"; }
# run [ARGS...]: the host of $app (default: the test app) with stdout and stderr captured.
app=$work/app
run() { "$root/scripts/wine-run" "$app/NxInfo.exe" "$@" 2>"$work/stderr" | tr -d '\r' >"$work/stdout"; return "${PIPESTATUS[0]}"; }
xpath() { xmllint --xpath "$2" "$1" 2>/dev/null; }

cp "$bin"/NxInfo.exe "$bin"/NoxCore.dll "$bin"/NoxUtil.dll "$bin"/PlugBase.dll "$bin"/XML.nxw \
  "$bin"/lib*.dll "$bin"/zlib1.dll "$work/app/"
cp "$bin"/reporter-fixtures/{Alpha,Beta,Gamma}.nxo "$bin"/host-fixtures/Echo.nxo "$work/app/"
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
Count=2
Key1=Gamma.nxo-
Key2=Echo.nxo
[Serializer]
FileName=XML.nxw
INI
selfexKiB=$(( ($(stat -c %s "$bin/selfex.exe") + 96 + 1023) / 1024 ))

echo "# A plain result: the document, its side file, progress and the summary"
out=$work/plain
run --no-compress --select "Gamma Plugin" run "$(winpath "$out")"
check "plain run exits 0" test $? -eq 0
check "the result is named with its size" grep -qE '^Result: .*\\plain\\NoxInfo.xml \([0-9.]+ (bytes|KB)\); the folder holds 2 files' "$work/stdout"
check "NoxInfo.xml is well-formed" xmllint --noout "$out/NoxInfo.xml"
check "Alpha's report is in it" test "$(xpath "$out/NoxInfo.xml" 'count(//alpha/value)')" = 1
check "Beta threw: its category has no report of it" test "$(xpath "$out/NoxInfo.xml" 'count(//beta)')" = 0
side=$(find "$out" -name nox-side-file.log | head -n 1)
check "Gamma's side file is carried beside the document" test -n "$side"
check "the side file is intact" cmp -s "$side" <(printf 'side file\r\n')
check "progress (not a terminal) is one line per plug-in" said '[4/4] Echo Plugin done'
check "the summary counts the plug-ins that reported" printed 'Plug-ins: 3 of 4 reported'
check "the summary names the category short of a report" printed '  No report in category First: 1 of 2 (Alpha Plugin, Beta Plugin)'
check "the summary names the unsuccessful section" printed '  Echo Plugin: 1 (echo/probe)'

echo "# The same result packed, read back with the receiving tool"
packed=$work/packed
run --select "Gamma Plugin" --progress line run "$(winpath "$packed")"
check "packed run exits 0" test $? -eq 0
check "NoxResult.exe is written" test -f "$packed/NoxResult.exe"
size=$(stat -c %s "$packed/NoxResult.exe")
check "the summary gives its path and size" grep -qE "^Result: .*\\\\packed\\\\NoxResult.exe \\($(((size + 512) / 1024)) KB\\)$" "$work/stdout"
check "the packed run's summary reads the document too" printed '  Echo Plugin: 1 (echo/probe)'
check "progress on one line, rewritten in place" grep -q $'\r\\[2/4\\] Beta Plugin\\.\\.\\.' "$work/stderr"
"$root/scripts/wine-run" "$bin/nxz.exe" extract "$(winpath "$packed/NoxResult.exe")" "$(winpath "$work/extracted")" \
  >/dev/null 2>&1
check "nxz extracts it" test $? -eq 0
check "the extracted document is well-formed" xmllint --noout "$work/extracted/NoxInfo.xml"
extractedSide=$(find "$work/extracted" -name nox-side-file.log | head -n 1)
check "the extracted side file matches" cmp -s "$extractedSide" <(printf 'side file\r\n')

echo "# pack: an earlier plain result packed afterwards"
run pack "$(winpath "$out")" "$(winpath "$work/repacked")"
check "pack exits 0" test $? -eq 0
check "pack names NoxResult.exe" grep -q '^Result: .*repacked\\NoxResult.exe (' "$work/stdout"

echo "# Parameters: by number, first line or whole name; host lists with commas; flags; passwords"
doc=$work/params/NoxInfo.xml
NOX_TEST_SECRET='p@ss, word' run --no-compress --only "Echo Plugin" \
  --set "Echo Plugin:1=mail01, 10.0.0.5" --set "echo plugin:TARGET HOSTNAME OR IPADDRESS=printsrv"$'\t'"dc01" \
  --set "Echo Plugin:Target LDAP server=ldap01:389,ldap02" \
  --set "Echo Plugin:username=admin" --set-env "Echo Plugin:password=NOX_TEST_SECRET" \
  --set "Echo Plugin:Retrieve all files=yes" --set "Echo Plugin:7=backup01" \
  run "$(winpath "$work/params")"
check "the run with parameters exits 0" test $? -eq 0
check "a host list given with commas, a TAB and a second --set arrives TAB-separated" \
  test "$(xpath "$doc" 'string(//echo/field1)' | tr -d '\r' | sed -n 2p | sed 's/^ *//')" = $'mail01\t10.0.0.5\tprintsrv\tdc01'
check "the LDAP prompt of three lines is named by its first line" \
  test "$(xpath "$doc" 'string(//echo/field2)' | tr -d '\r' | sed -n 2p | sed 's/^ *//')" = $'ldap01:389\tldap02'
check "a text field replaces its preset" test "$(xpath "$doc" 'normalize-space(//echo/field3)')" = admin
check "a password comes from an environment variable" test "$(xpath "$doc" 'normalize-space(//echo/field4)')" = 'p@ss, word'
check "a flag given as yes arrives as 1" test "$(xpath "$doc" 'normalize-space(//echo/field5)')" = 1
check "a field named by its number" test "$(xpath "$doc" 'normalize-space(//echo/field7)')" = backup01
check "forms that were filled in are answered OK" test "$(xpath "$doc" 'string(//echo/field1/@status)')" = ok
printf 'typed secret\n' | "$root/scripts/wine-run" "$app/NxInfo.exe" --no-compress --only "Echo Plugin" \
  --ask "Echo Plugin:4" run "$(winpath "$work/asked")" >/dev/null 2>"$work/stderr"
check "--ask reads a password from the input" test "$(xpath "$work/asked/NoxInfo.xml" 'normalize-space(//echo/field4)')" = 'typed secret'
check "forms nobody filled in stay unanswered" test "$(xpath "$work/asked/NoxInfo.xml" 'string(//echo/field1/@status)')" = none
run --set "Echo Plugin:password=topsecret" --set "Echo Plugin:1=a,b" list
check "list with a password exits 0" test $? -eq 0
check "a password on the command line is remarked on" said 'note: the password "Echo Plugin:password" was given on the command line'
check "list never prints a password" bash -c "! grep -q topsecret '$work/stdout'"
check "list shows the password as set" printed '             password, default: (empty), set to: (set, not shown)'
check "list numbers each field with its first line" printed '          2. Target LDAP server (...)'
check "list gives type, default and what was set" printed '             host list, default: (empty), set to: "a, b"'
check "list gives an example for each field" printed '             --set "Echo Plugin:1=server1,server2"'
check "list shows a preset default" printed '             text, default: "guest"'
run --set "Echo Plugin:Server=x" run "$(winpath "$work/x")"
check "an ambiguous field name is refused with 64" test $? -eq 64
check "... listing the candidates" said '"Server" names several parameters of plug-in "Echo Plugin": 6 "Server", 7 "Server"; name one by its number'
run --set "Echo Plugin:Retrieve all files=perhaps" run "$(winpath "$work/x")"
check "an unreadable flag is refused with 64" test $? -eq 64
check "... saying what a flag takes" said 'is a flag: give yes or no'
run --set-env "Echo Plugin:4=NOX_NO_SUCH_VARIABLE" run "$(winpath "$work/x")"
check "a missing environment variable is refused with 64" test $? -eq 64
check "... by name" said 'the environment variable NOX_NO_SUCH_VARIABLE (for Echo Plugin:4) is not set'

echo "# Failures in words, with the record for support staff"
run --split 1 run "$(winpath "$work/tiny")"
check "a part smaller than the self-extractor is refused before collecting (64)" test $? -eq 64
check "... saying which size works" said "the part size (1 KiB) is smaller than the self-extracting program (${selfexKiB} KiB); use --split ${selfexKiB} or larger"
check "... and nothing was collected" test ! -e "$work/tiny"
run --split floppy run '\\server\share\parts'
check "split parts off a drive letter are refused (64)" test $? -eq 64
check "... saying why" said 'the target folder must be on a drive letter (A:\, D:\Parts) to be split into parts, not \\server\share\parts'
echo file >"$work/a-file"
run --no-compress run "$(winpath "$work/a-file")"
check "a result folder that is a file fails with 2" test $? -eq 2
check "... in words" grep -qE 'NxInfo: failed: the result document could not be created in .*a-file: ' "$work/stderr"
check "... with the record" said 'NxInfo: error record: error ID 5, return value'
check "... and what was written" said "NxInfo: Nothing was written to $(winpath "$work/a-file")"
mkdir -p "$work/noplugins"
cp "$work/app"/*.exe "$work/app"/*.dll "$work/app"/XML.nxw "$work/app/NxInfo.ini" "$work/noplugins/"
app=$work/noplugins run list
check "no plug-in modules fail with 2" test $? -eq 2
check "... in words" said 'NxInfo: failed: no plug-in modules (*.nxo) were found beside NoxCore.dll'
check "... with the record" said 'error record: error ID 65537'
rm "$work/noplugins/XML.nxw"
cp "$work/app/Alpha.nxo" "$work/noplugins/"
app=$work/noplugins run list
check "no serializer fails with 2" test $? -eq 2
check "... in words" said 'NxInfo: failed: no serializer module (XML.nxw) was found beside NoxCore.dll'
rm "$work/noplugins/NoxCore.dll"
app=$work/noplugins run list
check "a missing core fails with 2" test $? -eq 2
check "... in words" grep -q 'NxInfo: failed: the core .*NoxCore.dll cannot be loaded' "$work/stderr"

echo "# A file of the result open in another program while it is packed"
mkdir -p "$work/busy"
echo data >"$work/busy/held.log"
"$root/scripts/wine-run" "$bin/host-fixtures/host_hold_file.exe" "$(winpath "$work/busy/held.log")" >/dev/null 2>&1 &
holder=$!
for _ in $(seq 100); do [ -e "$work/busy/held.log.held" ] && break; sleep 0.1; done
rm -f "$work/busy/held.log.held"
run pack "$(winpath "$work/busy")" "$(winpath "$work/busy-packed")"
status=$?
touch "$work/busy/held.log.release"
wait "$holder"
check "packing a file another program holds fails with 2" test $status -eq 2
check "... saying what to do" said 'NxInfo: failed: a file in the result is open in another program (sharing violation): close it and run again'
check "... and nothing was left behind" test -z "$(ls "$work/busy-packed" 2>/dev/null)"

echo "# Ctrl+C while packing: one message, and the packing stops at the next file"
# The progress goes into a pipe this test reads line by line, so the host waits
# at a packed file until the test has sent Ctrl+C (SIGINT: Wine passes it to
# the console handler) and goes on reading.
mkdir -p "$work/many"
for i in $(seq 200); do head -c 2000 /dev/urandom >"$work/many/f$i.bin"; done
rm -f "$work/progress"
mkfifo "$work/progress"
"$root/scripts/wine-run" "$app/NxInfo.exe" --progress log pack "$(winpath "$work/many")" \
  "$(winpath "$work/many-packed")" >"$work/stdout" 2>"$work/progress" &
packer=$!
exec 5<"$work/progress"
: >"$work/stderr"
while IFS= read -r line <&5; do
  printf '%s\n' "$line" >>"$work/stderr"
  case $line in *"packing f"*) break ;; esac
done
kill -INT $packer
tr -d '\r' <&5 >>"$work/stderr"
exec 5<&-
wait $packer
check "Ctrl+C while packing exits 1" test $? -eq 1
check "... says so once" test "$(grep -c 'interrupted; stopping at the next step' "$work/stderr")" -eq 1
check "... and packs at most one more file" \
  test "$(sed -n '/interrupted/,$p' "$work/stderr" | grep -c 'packing f')" -le 1
check "... and no later step" bash -c "! grep -q 'self-extracting' '$work/stderr'"
check "... says where it stopped" said 'NxInfo: Cancelled while packing'
check "... and that nothing was written" said "NxInfo: Nothing was written to $(winpath "$work/many-packed"); the result folder is unchanged"
check "... which is so" test -z "$(ls "$work/many-packed" 2>/dev/null)"

echo "# Media questions"
run --media yes run "$(winpath "$work/x")"
check "--media yes is refused (64)" test $? -eq 64
check "... saying an unattended run cannot format" said '--media yes is no longer offered: an unattended run can neither format nor change a disk'
mkdir -p "$work/media"
echo old >"$work/media/old.txt"
run --media cancel --split 300 run "$(winpath "$work/media")"
check "an unattended split into a folder that is not empty is refused before collecting (64)" test $? -eq 64
check "... saying why" said "the target folder $(winpath "$work/media") is not empty"
printf 'c\n' | "$root/scripts/wine-run" "$app/NxInfo.exe" --media ask --split 300 run "$(winpath "$work/media")" \
  2>"$work/stderr" | tr -d '\r' >"$work/stdout"
check "a media question answered with cancel exits 1" test "${PIPESTATUS[1]}" -eq 1
check "the question was asked" said 'NxInfo: Target folder is not empty.'
check "... offering retry and cancel" said 'Press Enter to try again, or type c to cancel:'
check "what was written is said" said 'NxInfo: No part was written to'
check "the folder keeps what it held" test "$(ls "$work/media")" = old.txt

echo "# The real PC plug-in through the host, with the shipped NxInfo.ini"
mkdir -p "$work/pcapp"
cp "$work/app"/*.exe "$work/app"/*.dll "$work/app"/XML.nxw "$bin/PC.nxo" "$bin/NxInfo.ini" "$work/pcapp/"
pc=$work/pc
"$root/scripts/wine-run" "$work/pcapp/NxInfo.exe" --only PC --no-compress run "$(winpath "$pc")" >/dev/null 2>&1
check "the PC run exits 0" test $? -eq 0
pcx() { xmllint --xpath "$1" "$pc/NoxInfo.xml" 2>/dev/null | tr -d ' \r\n'; }
check "the PC document is well-formed" xmllint --noout "$pc/NoxInfo.xml"
for section in cpuInfomation osVersion memory environmentVariables drive; do
  check "PC section $section is present" test "$(pcx "count(//PC/PC/$section)")" = 1
done
check "the processor count is this machine's" test "$(pcx 'string(//numberOfProcessors)')" = "$(nproc)"
vendor=$(grep -m1 '^vendor_id' /proc/cpuinfo | awk '{print $3}')
case $vendor in GenuineIntel) vendor=Intel ;; AuthenticAMD) vendor=AMD ;; *) vendor=Unknown ;; esac
check "the processor vendor is this machine's ($vendor)" test "$(pcx 'string(//cpuVendor)')" = "$vendor"
check "physical memory is counted" grep -q 'KB' <<<"$(pcx 'string(//totalPhysicalMemoryInformation)')"
check "drive C: is listed as fixed" test "$(pcx 'string(//driveInfomation[normalize-space(driveName)="C:\"]/driveType)')" = fixeddrive
check "Wine's Z: drive is listed" test "$(pcx 'count(//driveInfomation[normalize-space(driveName)="Z:\"])')" = 1

echo "# The real LDAP plug-in: its prompt of three lines named by number and by first line"
if [ -f "$bin/LDAP.nxo" ]; then
  cp "$bin/LDAP.nxo" "$work/pcapp/"
  app=$work/pcapp run --only "LDAP Plugin" --no-compress --set "LDAP Plugin:1=127.0.0.1:1" \
    --set "LDAP Plugin:Target LDAP server=127.0.0.2:1" run "$(winpath "$work/ldap")"
  check "the LDAP run exits 0" test $? -eq 0
  ldapx() { xmllint --xpath "$1" "$work/ldap/NoxInfo.xml" 2>/dev/null | tr -d ' \r\n'; }
  check "both servers reached the plug-in as one TAB-separated list" test "$(ldapx 'normalize-space(//ldapServers/text()[1])')" = 2
  check "the first by number" test "$(ldapx 'string(//ldapServer[@index="1"]/ldapServerName)')" = 127.0.0.1
  check "the second by first line" test "$(ldapx 'string(//ldapServer[@index="2"]/ldapServerName)')" = 127.0.0.2
else
  echo "skip - LDAP.nxo is not built"
fi

echo "# Command-line refusals"
run --select "No Such Plugin" run "$(winpath "$work/x")"
check "an unknown plug-in name is refused with 64" test $? -eq 64
run run
check "a missing folder argument is refused with 64" test $? -eq 64
run --set "Alpha Plugin:nothing=1" list
check "an unknown parameter is refused with 64" test $? -eq 64
check "... naming the plug-in's parameters" said 'plug-in "Alpha Plugin" has no parameters'
run list
check "list shows the categories" printed '[x] First'
check "list marks the unselected plug-in" grep -q '^    \[ \] Gamma Plugin' "$work/stdout"

echo "end to end: $failures failed"
exit $((failures > 0))
