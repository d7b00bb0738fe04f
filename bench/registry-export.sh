#!/usr/bin/env bash
# Registry export speed: exportRegistryToFile against Wine's own "regedit /E" on
# the same branch, in the same run. The branch is HKEY_LOCAL_MACHINE\Software\Classes
# of the build's Wine prefix (about 9,000 keys): the whole of Software cannot be
# exported, since Wine's Perflib\009 opens but refuses to be queried and a key
# that cannot be read ends an export. Each side is timed as a whole program run (start,
# export, exit) on a warm wineserver, best of REPEAT runs.
#   bench/registry-export.sh [BUILD_DIR] [REPEAT]
# Prints both times, their ratio (ours / regedit; at most 1.0 is the target) and
# the number of key sections in each file as a check that both wrote the same branch.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/win64}
repeat=${2:-5}
root=HKLM
subkey=Software\\Classes
rootName=HKEY_LOCAL_MACHINE

cmake --build "$build" --target util_registry_bench >/dev/null
export NOX_WINEPREFIX=$PWD/$build/wineprefix
run=$PWD/scripts/wine-run
bench=$PWD/$build/bin/util_registry_bench.exe
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
ours_win="Z:${out//\//\\}\\ours.reg"
theirs_win="Z:${out//\//\\}\\regedit.reg"

# Starts the prefix's wineserver and settles the registry before timing.
"$run" "$bench" "$root" "$subkey" "$ours_win" 1 >/dev/null 2>&1

now() { date +%s.%N; }
best() { printf '%s\n' "$@" | sort -g | head -1; }

ours=()
theirs=()
inner=()
for ((i = 0; i < repeat; i++)); do
  t0=$(now)
  line=$("$run" "$bench" "$root" "$subkey" "$ours_win" 1 2>/dev/null)
  t1=$(now)
  "$run" regedit /E "$theirs_win" "$rootName\\$subkey" >/dev/null 2>&1
  t2=$(now)
  ours+=("$(echo "$t1 - $t0" | bc -l)")
  theirs+=("$(echo "$t2 - $t1" | bc -l)")
  inner+=("$(echo "$line" | sed -n 's/.*best_ms=\([0-9.]*\).*/\1/p')")
done

ours_best=$(best "${ours[@]}")
theirs_best=$(best "${theirs[@]}")
inner_best=$(best "${inner[@]}")
ours_keys=$(grep -c '^\[' "$out/ours.reg" || true)
theirs_keys=$(iconv -f UTF-16LE -t UTF-8 "$out/regedit.reg" | grep -c '^\[' || true)

printf 'branch            %s\\%s\n' "$rootName" "$subkey"
printf 'exportRegistryToFile  %.3f s per run (export alone %.1f ms), %d keys, %d bytes\n' \
  "$ours_best" "$inner_best" "$ours_keys" "$(stat -c %s "$out/ours.reg")"
printf 'regedit /E            %.3f s per run, %d keys, %d bytes\n' \
  "$theirs_best" "$theirs_keys" "$(stat -c %s "$out/regedit.reg")"
printf 'ratio ours/regedit    %.2f\n' "$(echo "$ours_best / $theirs_best" | bc -l)"
