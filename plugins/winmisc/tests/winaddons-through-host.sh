#!/usr/bin/env bash
# WinMisc.nxo and EventArchive.nxo for real under Wine, through the host, the
# core and the XML serializer into a packed NoxResult.exe, read back with nxz:
# the setup logs this test writes into the prefix's Windows folder (and
# removes again) travel as side files; the event logs show what Wine does.
set -uo pipefail
source "$(dirname "$0")/../../../host/tests/host-test-lib.sh" "$1" winaddons-host
windows=$build/wineprefix/drive_c/windows

cp "$bin"/NxInfo.ini "$bin"/WinMisc.nxo "$bin"/EventArchive.nxo "$work/app/"
wine "$work/app/NxInfo.exe" list >/dev/null  # the prefix exists from here on

# The two setup logs of a machine that had a service pack and IIS installed.
printf 'Service Pack 3 setup\r\nfinished\r\n' >"$work/svcpack.log"
printf '[01/02/07 10:00] starting\r\n[01/02/07 10:01] MyCreateService: W3SVC (ret=0)\r\n[01/02/07 10:02] MyCreateService: again\r\n' \
  >"$work/iis5.log"
# Wine keeps no Windows subsystem settings: give it a desktop heap setting as
# long as a real one (over 255 bytes), and take it away again afterwards.
heap='%SystemRoot%\system32\csrss.exe ObjectDirectory=\Windows SharedSection=1024,3072,512 Windows=On SubSystemType=Windows ServerDll=basesrv,1 ServerDll=winsrv:UserServerDllInitialization,3 ServerDll=winsrv:ConServerDllInitialization,2 ProfileControl=Off MaxRequestThreads=16'
subsystems='HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Session Manager\SubSystems'
printf 'REGEDIT4\r\n\r\n[%s]\r\n"Windows"="%s"\r\n' "$subsystems" "${heap//\\/\\\\}" >"$work/heap.reg"
printf 'REGEDIT4\r\n\r\n[%s]\r\n"Windows"=-\r\n' "$subsystems" >"$work/noheap.reg"
cleanup() {
  rm -f "$windows/svcpack.log" "$windows/iis5.log"
  wine regedit /S "$(winpath "$work/noheap.reg")"
}
trap cleanup EXIT
cp "$work/svcpack.log" "$work/iis5.log" "$windows/"
wine regedit /S "$(winpath "$work/heap.reg")"

wine "$work/app/NxInfo.exe" --only "Windows Misc info. Plugin,EventArchive Plugin" run "$(winpath "$work/packed")" \
  >"$work/stdout"
check "the run exits 0" test $? -eq 0
check "NoxResult.exe is written" test -f "$work/packed/NoxResult.exe"
wine "$bin/nxz.exe" extract "$(winpath "$work/packed/NoxResult.exe")" "$(winpath "$work/result")" >/dev/null
check "nxz extracts it" test $? -eq 0
doc=$work/result/NoxInfo.xml
check "NoxInfo.xml is well-formed" xmllint --noout "$doc"

# WinMisc: the desktop heap setting whole, the Installer service Wine
# registers, and the two logs carried.
check "the desktop heap setting, ${#heap} bytes, whole" test "$(xpath 'string(//winMisc/DeskTopHeap)')" = "$heap"
check "the Installer's image path" grep -qi 'msiexec.exe' <<<"$(xpath 'string(//winMisc/MSI_ImagePath)')"
for log in svcpack.log iis5.log; do
  node=$([ $log = svcpack.log ] && echo Last_Install_ServicePack || echo IIS5_Setup)
  check "$log: creation and write times" test "$(xpath "count(//winMisc/$node/CreationTime|//winMisc/$node/LastWriteTime)")" = 2
  relative=$(xpath "string(//winMisc/$node/file)")
  check "$log is named as a side file" test "$relative" = "winMisc\\file\\$log"
  check "$log travels in NoxResult.exe unchanged" cmp -s "$work/result/${relative//\\//}" "$work/$log"
done
check "the key line of iis5.log" \
  test "$(xpath "normalize-space(//winMisc/IIS5_Setup/text())")" = '[01/02/07 10:01] MyCreateService: W3SVC (ret=0)'

# EventArchive: Wine opens no event log by the computer's name (RPC server
# unavailable), so no backup is claimed and no file travels.
check "the event log report is there" test "$(xpath 'count(//eventArchive)')" = 1
check "no backup is reported as written" test "$(xpath 'count(//eventArchive/*[not(@IsSuccess)])')" = 0
check "no backup file travels" test -z "$(find "$work/result" -name '*.evt')"

echo "Windows add-ons through the host: $failures failed"
exit $((failures > 0))
