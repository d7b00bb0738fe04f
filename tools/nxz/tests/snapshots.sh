#!/usr/bin/env bash
# CTest fixture of the viewer's end-to-end tests: two real snapshots of the Wine
# prefix's machine, taken with the host, the shipped NxInfo.ini and the main
# job's options, with a service, an uninstall entry and a CUPS printer added
# between them.
#   snapshots.sh start BUILD   take them into BUILD/Testing/nxz-snapshots/{old,new}
#   snapshots.sh stop BUILD    remove what was added (also after a failed start)
# The printer needs the cupsd of the CUPS fixture; without it the file
# "printer" says why and the tests skip that part. Exits 1 when a snapshot fails.
set -uo pipefail
action=$1
build=$(cd "$2" && pwd)
root=$(cd "$(dirname "$0")/../../.." && pwd)
work=$build/Testing/nxz-snapshots
service=NoxDiffTestService
application=NoxDiffTestApplication
printer=NoxDiffTestPrinter
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
# Wine's own sc and reg run in the build tree's prefix too.
export NOX_WINEPREFIX=$build/wineprefix

# shellcheck source=../../../scripts/main-job-options
source "$root/scripts/main-job-options"

wine() { "$root/scripts/wine-run" "$@" </dev/null >/dev/null 2>&1; }
winpath() { echo "Z:${1//\//\\}"; }

remove() {
  wine sc delete "$service"
  wine reg delete "$uninstall\\$application" /f
  lpadmin -x "$printer" >/dev/null 2>&1
  return 0
}

snapshot() {  # snapshot NAME
  local out=$work/$1
  if ! "$root/scripts/wine-run" "$build/bin/NxInfo.exe" "${main_job_options[@]}" run "$(winpath "$out")" </dev/null \
    >"$work/$1.stdout" 2>"$work/$1.stderr"; then
    echo "snapshot $1 failed:" >&2
    tail -n 5 "$work/$1.stdout" "$work/$1.stderr" >&2
    return 1
  fi
  test -f "$out/NoxResult.exe"
}

start() {
  rm -rf "$work"
  mkdir -p "$work"
  remove
  snapshot old || return 1
  wine sc create "$service" binPath= 'C:\windows\system32\notepad.exe' DisplayName= "NoxInfo Diff Test Service"
  wine reg add "$uninstall\\$application" /v DisplayName /t REG_SZ /d "NoxInfo Diff Test Application" /f
  if ! lpstat -r 2>/dev/null | grep -q "is running"; then
    echo "unavailable: no cupsd is running (the CUPS fixture starts one)" >"$work/printer"
  elif ! lpadmin -p "$printer" -E -v file:///dev/null -m raw >"$work/lpadmin.log" 2>&1; then
    echo "unavailable: lpadmin failed: $(tr '\n' ' ' <"$work/lpadmin.log")" >"$work/printer"
  else
    echo "$printer" >"$work/printer"
  fi
  snapshot new || return 1
  remove
}

case "$action" in
  start) start ;;
  stop) remove ;;
  *) echo "usage: $0 start|stop BUILD" >&2; exit 2 ;;
esac
