#!/usr/bin/env bash
# Time of the PC report under Wine, whole and per section, so the slow sections
# are known. "first" is the first report of a freshly initialised module: the
# processor section then measures the clock speed by busy-waiting about half a
# second per measurement (two at least), which is expected to dominate. "best"
# is the best of REPEAT later reports, when the clock speed is already known.
#   bench/pc-report.sh [BUILD_DIR] [REPEAT]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/win64}
repeat=${2:-5}

cmake --build "$build" --target pc_report_bench PC >/dev/null
export NOX_WINEPREFIX=$PWD/$build/wineprefix
run=$PWD/scripts/wine-run
cd "$build/bin"
"$run" ./pc_report_bench.exe 1 >/dev/null 2>&1  # starts the wineserver, warms the caches

printf '%-22s %10s %10s %10s\n' "report" "first ms" "best ms" "mean ms"
"$run" ./pc_report_bench.exe "$repeat" 2>/dev/null | tr -d '\r' |
  sed -n 's/^\([^ ]*\) first_ms=\([0-9.]*\) best_ms=\([0-9.]*\) mean_ms=\([0-9.]*\)$/\1 \2 \3 \4/p' |
  while read -r name first best mean; do printf '%-22s %10s %10s %10s\n' "$name" "$first" "$best" "$mean"; done
