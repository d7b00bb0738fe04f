#!/usr/bin/env bash
# nxz diff of the two real snapshots of snapshots.sh: the service, the uninstall
# entry and the printer added between them show as added, keyed by name, and
# what both hold is matched rather than reported.
set -uo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../../.." && pwd)
work=$build/Testing/nxz-snapshots
failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then echo "ok   - $what"; else echo "FAIL - $what"; failures=$((failures + 1)); fi
}
winpath() { echo "Z:${1//\//\\}"; }
nxz() { "$root/scripts/wine-run" "$build/bin/nxz.exe" "$@" 2>"$work/nxz.stderr" | tr -d '\r'; return "${PIPESTATUS[0]}"; }

if [ ! -f "$work/old/NoxResult.exe" ] || [ ! -f "$work/new/NoxResult.exe" ]; then
  echo "FAIL - the snapshots of the fixture are missing"
  exit 1
fi

nxz diff "$(winpath "$work/old/NoxResult.exe")" "$(winpath "$work/new/NoxResult.exe")" >"$work/diff.txt"
check "diff exits 1: the results differ" test $? -eq 1
has() { grep -qxF -- "$1" "$work/diff.txt" || grep -qF -- "$1  " "$work/diff.txt"; }
check "the service is added, keyed by its name" \
  has "+ PC/PC/service/serviceInformation[NoxDiffTestService]"
check "with its display name and state" grep -qF 'displayName="NoxInfo Diff Test Service", serviceStatus="[stopped]"' \
  "$work/diff.txt"
check "the uninstall entry is added, keyed by its name" \
  has "+ PC/PC/installedApplication/installedApplicationInformation[NoxInfo Diff Test Application]"
printer=$(cat "$work/printer" 2>/dev/null)
if [ -n "$printer" ] && [ "${printer#unavailable}" = "$printer" ]; then
  check "the printer is added, keyed by its name and scope" \
    has "+ PC/PC/printer/printers/printerInformation[$printer, Local]"
  check "its driver too" grep -qF "+ PC/PC/printer/installedDrivers/installedDriversData[$printer" "$work/diff.txt"
else
  echo "skip - the printer: ${printer:-the fixture did not say}"
fi
check "services both results hold are matched, not added or removed" \
  bash -c "! grep -qE '^[-+] PC/PC/service/serviceInformation\[(Spooler|Eventlog|MSIServer)\]' '$work/diff.txt'"
check "the date is a change of its own" grep -qE '^~ Date: ' "$work/diff.txt"
check "the counts close the output" grep -qE '^[0-9]+ added, [0-9]+ removed, [0-9]+ changed$' "$work/diff.txt"

nxz diff "$(winpath "$work/old/NoxResult.exe")" "$(winpath "$work/new/NoxResult.exe")" \
  --html "$(winpath "$work/diff.html")" >/dev/null
check "the page of the difference is written" grep -qF 'NoxDiffTestService' "$work/diff.html"

nxz diff "$(winpath "$work/new/NoxResult.exe")" "$(winpath "$work/new/NoxResult.exe")" >"$work/same.txt"
check "a result compared with itself exits 0" test $? -eq 0
check "and changes nothing" grep -qx '0 added, 0 removed, 0 changed' "$work/same.txt"

if [ "$failures" -ne 0 ]; then
  echo "--- diff output:"
  head -n 60 "$work/diff.txt"
fi
exit $((failures > 0))
