#!/usr/bin/env bash
# A real removable drive under Wine: A: is a folder that Wine reports as a
# floppy drive. Its own Wine prefix, since the drive only shows after a restart
# of the prefix's wineserver.
set -uo pipefail
build=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=$build/bin
work=$build/Testing/removable
rm -rf "$work"
mkdir -p "$work/app" "$work/floppy"
export NOX_WINEPREFIX=$work/prefix
failures=0
check() {
  local what=$1
  shift
  if "$@"; then echo "ok   - $what"; else echo "FAIL - $what"; failures=$((failures + 1)); fi
}
wine() { "$root/scripts/wine-run" "$@"; }

cp "$bin"/NxInfo.exe "$bin"/NoxCore.dll "$bin"/NoxUtil.dll "$bin"/PlugBase.dll "$bin"/XML.nxw "$bin"/lib*.dll \
  "$bin"/zlib1.dll "$bin"/nxz.exe "$work/app/"
cp "$bin"/reporter-fixtures/Alpha.nxo "$work/app/"
printf '[Categories]\r\nCount=1\r\nKey1=First\r\n[First]\r\nName=First\r\nCount=1\r\nKey1=Alpha.nxo\r\n' \
  >"$work/app/NxInfo.ini"

# Make A: a floppy drive backed by $work/floppy.
wine "$work/app/nxz.exe" --help >/dev/null 2>&1  # creates the prefix
wine C:\\windows\\system32\\reg.exe add 'HKLM\Software\Wine\Drives' /v a: /t REG_SZ /d floppy /f >/dev/null 2>&1
ln -sfn "$work/floppy" "$NOX_WINEPREFIX/dosdevices/a:"
WINEPREFIX=$NOX_WINEPREFIX /usr/lib/wine/wineserver -k 2>/dev/null
WINEPREFIX=$NOX_WINEPREFIX /usr/lib/wine/wineserver -w 2>/dev/null

# A disk with something on it: the removable wording, then the format request.
echo old >"$work/floppy/old.txt"
wine "$work/app/NxInfo.exe" --media cancel --split 300 run 'A:\' >"$work/stdout" 2>"$work/questions"
check "cancelling the removable medium's question exits 1" test $? -eq 1
check "asked whether to format the disk" grep -q 'Target media is not empty, format it?' "$work/questions"
check "asked for an empty disk after the refusal" grep -q 'Media is not set. Please insert empty disket' "$work/questions"

# An empty disk: the parts are written.
rm -f "$work/floppy/old.txt"
wine "$work/app/NxInfo.exe" --media cancel --split 300 run 'A:\' >"$work/stdout" 2>"$work/stderr"
check "an empty removable medium takes the result (exit 0)" test $? -eq 0
check "the first part is on it" test -f "$work/floppy/NoxResult.exe"
wine "$work/app/nxz.exe" test 'A:\NoxResult.exe' >"$work/nxz" 2>/dev/null
check "the part set reads back" test $? -eq 0

WINEPREFIX=$NOX_WINEPREFIX /usr/lib/wine/wineserver -k 2>/dev/null
echo "removable media: $failures failed"
exit $((failures > 0))
