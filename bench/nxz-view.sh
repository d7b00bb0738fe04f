#!/usr/bin/env bash
# nxz view and nxz diff of a large result, in the same run as a bare streaming
# parse of the same document (xmllint --stream, libxml2), natively (Release, no
# sanitizers):
#   view of a result folder whose side file is small, and of the same with a
#   side file sixteen times larger: the memory must not grow with it;
#   view of the same result packed (when the Windows build's packer is there);
#   diff of two such documents that differ a little.
# Prints wall time, CPU time and peak memory of each (on a busy machine the CPU
# time is the steadier figure). Target: a 50 MB NoxInfo.xml viewed and diffed in
# a few seconds.
#
# Environment: NXZ_BENCH_MB (default 50), NXZ_BENCH_SIDE_MB (default 16),
#   NXZ_NATIVE_BIN to use an nxz already built.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
megabytes=${NXZ_BENCH_MB:-50}
side=${NXZ_BENCH_SIDE_MB:-16}

nxz=${NXZ_NATIVE_BIN:-}
if [ -z "$nxz" ]; then
  build=$root/build/nxz-bench-native
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
  cmake --build "$build" --target nxz >/dev/null
  nxz=$build/bin/nxz
fi

work=$(mktemp -d /tmp/nxz-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
echo "== making two results of $megabytes MB documents"
python3 "$root/bench/nxz/make-result.py" "$work/old" "$megabytes" 0 "$side"
python3 "$root/bench/nxz/make-result.py" "$work/new" "$megabytes" 1 "$side"
cp -r "$work/old" "$work/large-side"
python3 - "$work/large-side/eventArchive/system/system.evt" "$((side * 16))" <<'PY'
import sys
with open(sys.argv[1], "ab") as f:
    block = bytes(range(256)) * 4096
    for _ in range(int(sys.argv[2]) - int(sys.argv[2]) // 16):
        f.write(block)
PY

# measure LABEL COMMAND...: wall time and peak resident memory of one run.
measure() {
  local label=$1
  shift
  /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" >/dev/null 2>"$work/stderr" || {
    local rc=$?
    # nxz diff says "different" with 1.
    [ "$rc" -eq 1 ] || { cat "$work/stderr" >&2; exit 1; }
  }
  # The last line: time says "Command exited with non-zero status" before it.
  read -r seconds user system kilobytes < <(tail -n 1 "$work/time")
  printf "%-48s %7.2f s wall %7.2f s CPU %8.1f MB peak\n" "$label" "$seconds" \
    "$(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }')" "$(awk -v k="$kilobytes" 'BEGIN { print k / 1024 }')"
}

size() { du -m "$1" | cut -f1; }
echo "document $(size "$work/old/NoxInfo.xml") MB; side file $(size "$work/old/eventArchive/system/system.evt") MB," \
  "and $(size "$work/large-side/eventArchive/system/system.evt") MB in the second folder"
measure "xmllint --stream (bare parse, for comparison)" xmllint --stream --noout "$work/old/NoxInfo.xml"
measure "nxz view, folder, small side file" "$nxz" view "$work/old" -o "$work/old.html"
measure "nxz view, folder, side file 16 times larger" "$nxz" view "$work/large-side" -o "$work/large.html"
packer=$root/build/win64/bin/archive_pack.exe
if [ -x "$packer" ] || [ -f "$packer" ]; then
  "$root/scripts/wine-run" "$packer" "Z:${work//\//\\}\\large-side" "Z:${work//\//\\}\\NoxInfo.nxz" >/dev/null 2>&1 || true
fi
if [ -f "$work/NoxInfo.nxz" ]; then
  measure "nxz view, packed (NoxInfo.nxz, gzip members)" "$nxz" view "$work/NoxInfo.nxz" -o "$work/packed.html"
else
  echo "(no packed run: build/win64's archive_pack.exe is not there)"
fi
measure "nxz diff of two results" "$nxz" diff "$work/old" "$work/new"
"$nxz" diff "$work/old" "$work/new" | tail -n 1 | sed 's/^/  diff found: /' || true
echo "page: $(size "$work/old.html") MB"
