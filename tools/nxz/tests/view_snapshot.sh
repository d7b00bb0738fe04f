#!/usr/bin/env bash
# nxz view of the newer real snapshot of snapshots.sh, opened in headless
# Chromium by browser_check.py: once as packed (NoxResult.exe), once extracted
# into a folder with a copied log beside the document, so that a text side file
# is there to open whatever plug-ins the snapshot ran.
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
nxz() { "$root/scripts/wine-run" "$build/bin/nxz.exe" "$@" 2>>"$work/nxz.stderr" | tr -d '\r'; return "${PIPESTATUS[0]}"; }

if [ ! -f "$work/new/NoxResult.exe" ]; then
  echo "FAIL - the snapshot of the fixture is missing"
  exit 1
fi
for tool in /usr/bin/chromium /usr/bin/chromedriver; do
  if [ ! -x "$tool" ]; then
    echo "FAIL - $tool is missing (scripts/setup installs chromium and chromium-driver)"
    exit 1
  fi
done

nxz view "$(winpath "$work/new/NoxResult.exe")" -o "$(winpath "$work/page.html")" >"$work/view.txt"
check "view exits 0" test $? -eq 0
check "it names the page" grep -q '^Written: ' "$work/view.txt"
check "the page holds the machine" grep -q '<th>Windows</th>' "$work/page.html"
/usr/bin/python3 "$root/tools/nxz/tests/browser_check.py" "$work/page.html" || failures=$((failures + 1))

rm -rf "$work/folder"
nxz extract "$(winpath "$work/new/NoxResult.exe")" "$(winpath "$work/folder")" >/dev/null
check "the snapshot extracts" test -f "$work/folder/NoxInfo.xml"
mkdir -p "$work/folder/logs"
printf 'setup started\r\n<b>not markup</b>\r\nsetup done\r\n' >"$work/folder/logs/setup.log"
nxz view "$(winpath "$work/folder")" -o "$(winpath "$work/page-folder.html")" >/dev/null
check "view of the folder exits 0" test $? -eq 0
/usr/bin/python3 "$root/tools/nxz/tests/browser_check.py" "$work/page-folder.html" || failures=$((failures + 1))
exit $((failures > 0))
