#!/usr/bin/env bash
# Lists one large folder tree with verlist and with find, in the same run:
#   native verlist (Release, no sanitizers)  vs  find -type f -printf (times, size, path)
#   verlist.exe under Wine on the same tree  (the version query of every file included)
# Prints each best-of-N wall time and the ratios. Target: native verlist at least as fast as find.
#
# Environment: VERLIST_FILES (default 40000), VERLIST_RUNS (default 3),
#   VERLIST_NATIVE_BIN / VERLIST_WINDOWS_EXE to use programs already built,
#   VERLIST_SKIP_WINE=1 to leave out the Wine run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
files=${VERLIST_FILES:-40000}
runs=${VERLIST_RUNS:-3}

native=${VERLIST_NATIVE_BIN:-}
if [ -z "$native" ]; then
  build=$root/build/verlist-bench-native
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
  cmake --build "$build" -j2 --target verlist >/dev/null
  native=$build/bin/verlist
fi

tree=$(mktemp -d /tmp/verlist-bench.XXXXXX)
trap 'rm -rf "$tree"' EXIT
# 20 folders of 10 sub-folders each, files of 0 to 3000 bytes spread over them.
perl -e '
  my ($root, $count) = @ARGV; srand(1);
  for my $i (0 .. $count - 1) {
    my $dir = sprintf("%s/d%02d/s%02d", $root, $i % 20, int($i / 20) % 10);
    unless (-d $dir) { mkdir(sprintf("%s/d%02d", $root, $i % 20)); mkdir($dir) or die "$dir: $!"; }
    open(my $f, ">", sprintf("%s/file%06d.dat", $dir, $i)) or die $!;
    print $f "x" x int(rand(3001)); close($f);
  }' "$tree" "$files"

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

# Best wall time in seconds of running "$@" with stdout to /dev/null.
best_of() {
  local best="" start end took
  for _ in $(seq "$runs"); do
    start=$EPOCHREALTIME
    "$@" >/dev/null 2>&1
    end=$EPOCHREALTIME
    took=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f", b - a }')
    if [ -z "$best" ] || awk -v t="$took" -v b="$best" 'BEGIN { exit !(t < b) }'; then best=$took; fi
  done
  echo "$best"
}

find_listing() { find "$tree" -type f -printf '%TY/%Tm/%Td_%TH:%TM:%TS %s %p\n'; }

# Same files in both listings before any timing (and a warm cache for both).
lines=$("$native" "$tree" | grep -vc '^CreationTime' || true)
found=$(find_listing | wc -l)
[ "$lines" = "$files" ] && [ "$found" = "$files" ] || { echo "listing counts differ: verlist $lines, find $found, made $files" >&2; exit 1; }

verlist_s=$(best_of "$native" "$tree")
find_s=$(best_of find_listing)
echo "tree: $files files in $(find "$tree" -type d | wc -l) folders"
echo "native verlist: $verlist_s s   find -printf: $find_s s   verlist/find time ratio: $(ratio "$verlist_s" "$find_s")"
if awk -v a="$verlist_s" -v b="$find_s" 'BEGIN { exit !(a <= b) }'; then echo "target met: native verlist at least as fast as find"; else echo "TARGET MISSED: native verlist slower than find"; fi

windows=${VERLIST_WINDOWS_EXE:-}
if [ -z "$windows" ] && [ "${VERLIST_SKIP_WINE:-0}" != 1 ]; then
  build=$root/build/verlist-bench-win64
  cmake --preset win64 -S "$root" -B "$build" >/dev/null
  cmake --build "$build" -j2 --target verlist >/dev/null
  windows=$build/bin/verlist.exe
fi
if [ -n "$windows" ]; then
  wine_run=$root/scripts/wine-run
  winpath="Z:${tree//\//\\}"
  wlines=$("$wine_run" "$windows" "$winpath" 2>/dev/null | grep -vc '^CreationTime' || true)
  [ "$wlines" = "$files" ] || { echo "Windows listing has $wlines lines, expected $files" >&2; exit 1; }
  wine_s=$(best_of "$wine_run" "$windows" "$winpath")
  echo "verlist.exe under Wine: $wine_s s   (Wine/find time ratio: $(ratio "$wine_s" "$find_s"); includes a version-resource query per file)"
fi
