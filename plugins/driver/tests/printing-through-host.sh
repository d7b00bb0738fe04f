#!/usr/bin/env bash
# Driver.nxo and Birch.nxo for real under Wine, through the host, the core and
# the XML serializer: the printer of the CUPS fixture, the spooler's registry
# exports carried as side files, and the port monitor's keys that this test
# writes into the prefix (and removes again).
set -uo pipefail
source "$(dirname "$0")/../../../host/tests/host-test-lib.sh" "$1" printing-host
prefix=$build/wineprefix
mkdir -p "$work/pmg/bin"

printer=$(cat "$bin/cups-printer.txt" 2>/dev/null)
if [ -z "$printer" ] || [ "${printer#unavailable}" != "$printer" ]; then
  echo "skipped: no CUPS printer (${printer:-the fixture did not run})"
  exit 77
fi

cp "$bin"/NxInfo.ini "$bin"/Driver.nxo "$bin"/Birch.nxo "$work/app/"

# What a machine with printers and the port monitor has in its registry and
# a Wine prefix lacks. A value of 300 bytes: longer than any fixed buffer.
long=$(printf 'L%.0s' $(seq 300))
touch "$work/pmg/bin/pmc.ver"
pmgbin=$(winpath "$work/pmg/bin")
monitors='HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Monitors'
providers='HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Print\Providers'
cat >"$work/keys.reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\Printers\Settings]
"NoxTestSetting"="kept"

[$providers\LanMan Print Services]
"Name"="win32spl.dll"

[HKEY_LOCAL_MACHINE\SOFTWARE\Varco\PMG\Client]
"PMDLLDir"="${pmgbin//\\/\\\\}"
"PMVersion"="3.2.1"
"PMDir"="C:\\\\Program Files\\\\Varco\\\\PMG"

[$monitors\Quillon Link]
"Driver"="qlnkmon.dll"
"Flags"=dword:00000011
"Cookie"=hex:de,ad,be,ef
"Servers"=hex(7):50,52,49,4e,54,53,52,56,00,42,41,43,4b,55,50,00,00
"LogPath"="$long"

[$monitors\Quillon Link\Ports\QL_127.0.0.9]
"Address"="127.0.0.9"

[$monitors\Varco IPP Print]
REG
cat >"$work/remove.reg" <<REG
REGEDIT4

[-HKEY_CURRENT_USER\Printers]
[-$providers]
[-HKEY_LOCAL_MACHINE\SOFTWARE\Varco]
[-$monitors\Quillon Link]
[-$monitors\Varco IPP Print]
REG
cleanup() { wine regedit /S "$(winpath "$work/remove.reg")"; }
trap cleanup EXIT
wine regedit /S "$(winpath "$work/keys.reg")"

out=$work/result
wine "$work/app/NxInfo.exe" --only "Driver Plugin,Quillon Link/NetSentry Plugin" --no-compress run \
  "$(winpath "$out")" >"$work/stdout"
check "the run exits 0" test $? -eq 0
doc=$out/NoxInfo.xml
check "NoxInfo.xml is well-formed" xmllint --noout "$doc"

# Driver: the printer's driver and settings as Wine's spooler gives them.
driver="//printerDriver/printers/printerDriverInformation[@printerDriverName='$printer']"
check "the driver of $printer is listed" test "$(xpath "count($driver)")" = 1
check "its environment is Wine's (Windows x64)" test "$(xpath "string($driver/environment)")" = "Windows x64"
check "its driver file is wineps.drv" grep -qi 'wineps.drv$' <<<"$(xpath "string($driver/driverPath)")"
settings="//printerDriver/devMode/printerInformation[normalize-space(deviceName)='$printer']"
check "$printer has device settings" test "$(xpath "count($settings)")" = 1
check "its paper size is named" test -n "$(xpath "string($settings/paperSize)")"
extra=$(xpath "string($settings/driverExtraData)")
check "its private driver data is a side file" test -f "$out/${extra//\\//}"

# The three exports, carried beside the document.
check "three exports, none failed" test "$(xpath 'count(//printerDriver/registry/registry[not(@IsSuccess)])')" = 3
n=0
for file in driverReg.txt Printers.txt Providers.txt; do
  n=$((n + 1))
  relative=$(xpath "string(//printerDriver/registry/registry[$n])")
  check "export $n is $file" test "$relative" = "printerDriver\\registry\\$file"
  check "$file is carried in REGEDIT4 form" cmp -s <(head -c 10 "$out/${relative//\\//}") <(printf 'REGEDIT4\r\n')
done
check "driverReg.txt holds the printer's key" \
  grep -qF "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\$printer]" \
  "$out/printerDriver/registry/driverReg.txt"
check "Printers.txt holds the user's setting" grep -qF '"NoxTestSetting"="kept"' "$out/printerDriver/registry/Printers.txt"
check "Providers.txt holds the provider" grep -qF '"Name"="win32spl.dll"' "$out/printerDriver/registry/Providers.txt"

# Birch: the client the keys describe, Wine's runtime libraries, the keys in full.
check "the client is installed" test "$(xpath 'count(//birch/installInformation[not(@IsSuccess)])')" = 1
check "its version" test "$(xpath 'string(//birch/installInformation/version)')" = 3.2.1
check "its folder" test "$(xpath 'string(//birch/installInformation/installedPath)')" = 'C:\Program Files\Varco\PMG'
# Wine's spooler lists a monitor registered with a "Driver" value, even
# without its file: the version is then unknown.
spooled="//birch/portMonitor/monitorInformation[normalize-space(monitorName)='Quillon Link']"
check "the spooler lists the monitor" test "$(xpath "string($spooled/dllName)")" = qlnkmon.dll
check "its file is not there: version unknown" test "$(xpath "string($spooled/version)")" = unknown
for file in MSVCRT.dll MFC42.dll WSOCK32.dll WS2_32.dll WINSOCK.dll; do
  node="//birch/relationFiles/filesInformation[normalize-space(fileName)='$file']"
  if [ -e "$prefix/drive_c/windows/system32/${file,,}" ]; then
    check "$file is there, with its time" test "$(xpath "count($node/timeStamp)")" = 1
  else
    check "$file is missing" test "$(xpath "string($node/relationFileExistence)")" = None
  fi
done
monitor="//birch/privateData/quillonLinkKey/subKey[@name='Quillon Link']"
entry() { xpath "string($monitor/entryInformation[@name='$1']/entryData${2:-})"; }
check "the monitor key is dumped" test "$(xpath "count($monitor)")" = 1
check "a string value" test "$(entry Driver)" = qlnkmon.dll
check "a DWORD value" test "$(entry Flags)" = 17
check "a multi-string value, one leaf each" test "$(entry Servers '[2]')" = BACKUP
check "the 300-byte value whole" test "$(entry LogPath)" = "$long"
cookie=$(entry Cookie)
check "a binary value as a side file" cmp -s "$out/${cookie//\\//}" <(printf '\xde\xad\xbe\xef')
check "its sub-keys" test "$(xpath "string($monitor/subKey[@name='Ports']/subKey[@name='QL_127.0.0.9']/entryInformation/entryData)")" = 127.0.0.9
check "a missing monitor key is marked" test "$(xpath 'string(//birch/privateData/fanoutPrintKey/@IsSuccess)')" = false
check "an empty monitor key is dumped" test "$(xpath "count(//birch/privateData/ippPrintKey/subKey[@name='Varco IPP Print'])")" = 1

echo "printing through the host: $failures failed"
exit $((failures > 0))
