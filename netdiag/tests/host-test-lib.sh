# Shared by the host tests of the network plug-ins (sourced): NxInfo.exe under
# Wine with one plug-in, NetDiag.dll and the stand-in ipconfig.exe, checked in
# the document it writes.

# Exits with SKIP unless the fixture that wrote BUILD/bin/NAME.txt is ready.
require_fixture() {  # BUILD NAME
  if [ "$(head -n1 "$1/bin/$2.txt" 2>/dev/null)" != "ready" ]; then
    echo "SKIP: $2 unavailable: $(cat "$1/bin/$2.txt" 2>/dev/null)"
    exit 0
  fi
}

winpath() { echo "Z:${1//\//\\}"; }

# An XP-style listing naming one DNS server and the primary DNS suffix, printed
# by the stand-in ipconfig.exe (Wine's own names no DNS server).
use_listing() {  # FILE DNS_SERVER SUFFIX
  printf '%s\r\n' "" "Windows IP Configuration" "" \
    "        Host Name . . . . . . . . . . . . : ws01" \
    "        Primary Dns Suffix  . . . . . . . : $3" "" "Ethernet adapter LAN:" "" \
    "        Physical Address. . . . . . . . . : 00-0C-29-3A-4B-5C" \
    "        DNS Servers . . . . . . . . . . . : $2" >"$1"
  NOX_IPCONFIG_LISTING=$(winpath "$1")
  export NOX_IPCONFIG_LISTING
}

# NxInfo.exe run RESULT_DIR with the given options, from TOOLS_DIR (where the
# stand-in ipconfig.exe is found), its host-name lookups kept on loopback.
run_host() {  # BUILD TOOLS RESULT_DIR LOG OPTIONS...
  local build=$1 tools=$2 result=$3 log=$4 lib
  lib=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  shift 4
  (cd "$tools" && "$lib/with-loopback-resolver.sh" "$lib/../../scripts/wine-run" "$build/bin/NxInfo.exe" \
    --quiet "$@" --no-compress run "$(winpath "$result")") >"$log" 2>/dev/null || {
    echo "NxInfo failed:"
    cat "$log"
    exit 1
  }
  doc=$result/NoxInfo.xml
  fails=0
}

check() {  # XPATH EXPECTED
  local got
  got=$(xmllint --xpath "normalize-space($1)" "$doc" 2>/dev/null || true)
  if [ "$got" != "$2" ]; then
    echo "FAIL: $1: expected [$2], got [$got]"
    fails=$((fails + 1))
  else
    echo "ok: $1 = $2"
  fi
}

finish() {
  if [ "$fails" -ne 0 ]; then
    echo "--- document"
    cat "$doc"
    exit 1
  fi
  echo "1 passed, 0 failed"
}
