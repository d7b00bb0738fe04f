#!/usr/bin/env bash
# Time per call of the NetDiag exports under Wine, so regressions show: the
# adapter listing (runs ipconfig.exe), a lookup against dnsmasq on loopback
# beside one bare UDP question to the same server, and a ping of 127.0.0.1
# beside the 1500 ms of pauses its rules require. Starts the DNS servers of the
# NetDiag tests (netdiag/tests/dns-servers.sh) and the stand-in ipconfig.exe.
#   bench/netdiag.sh [BUILD_DIR] [REPEAT]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build/win64}
repeat=${2:-10}

cmake --build "$build" --target netdiag_bench NetDiag FakeIpconfig >/dev/null
state=$(mktemp -d /tmp/netdiag-bench.XXXXXX)
trap '"$root/netdiag/tests/dns-servers.sh" stop "$state" "$state/servers.txt"; rm -rf "$state"' EXIT
netdiag/tests/dns-servers.sh start "$state" "$state/servers.txt"
if [ "$(cat "$state/servers.txt")" != ready ]; then
  echo "DNS servers: $(cat "$state/servers.txt")" >&2
  exit 1
fi
. "$root/netdiag/tests/host-test-lib.sh"
use_listing "$state/listing.txt" 127.0.53.1 corp.test
export NOX_WINEPREFIX=$root/$build/wineprefix
run=$root/scripts/wine-run
bench=$root/$build/bin/netdiag_bench.exe
# The stand-in ipconfig.exe is found in the working folder.
cd "$root/$build/netdiag-tools"
"$run" "$bench" 127.0.53.1 host corp.test 1 >/dev/null 2>&1 || true  # starts the wineserver, warms the caches

"$run" "$bench" 127.0.53.1 host corp.test "$repeat" 2>/dev/null | tr -d '\r' >"$state/times.txt"
# Beside each call what it cannot go below: a lookup includes an adapter
# listing (an ipconfig run) and at least one question (udp_query); a ping its
# pauses.
awk '
  /^ping_floor_ms=/ { split($1, f, "="); floor = f[2]; next }
  / failed$/ { print; bad = 1; next }
  { split($3, b, "="); split($4, m, "="); best[$1] = b[2]; mean[$1] = m[2]; order[++n] = $1 }
  END {
    printf "%-22s %10s %10s\n", "call", "best ms", "mean ms"
    for (i = 1; i <= n; ++i) printf "%-22s %10s %10s\n", order[i], best[order[i]], mean[order[i]]
    printf "%-22s %10s\n", "ping pauses (rule)", floor
    if ("ping" in best) printf "%-22s %10.1f\n", "ping beyond pauses", best["ping"] - floor
    exit bad
  }' "$state/times.txt"
