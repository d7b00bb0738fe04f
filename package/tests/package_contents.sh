#!/usr/bin/env bash
# package_contents.sh BUILD
# Installs what ships from the build tree BUILD into a folder and checks it:
# the product's programs, libraries, settings and text are there; every module
# of bin/ that the file tables (scripts/imports/floors.txt) call shipped is
# there; nothing they call unshipped (tests, benchmarks, fixtures, vendor
# stand-ins) is; and every import of every shipped binary is within its floor
# (scripts/check-imports).
set -euo pipefail
build=$1
source=$(cd "$(dirname "$0")/../.." && pwd)
stage=$build/package-contents
floors=$source/scripts/imports/floors.txt

rm -rf "$stage"
cmake --install "$build" --prefix "$stage" --component product >/dev/null

failed=0
fail() { echo "package_contents: $*"; failed=1; }

for name in NxInfo.exe NxInfoW.exe NxInfo.ini ReadMe.txt NoxCore.dll NoxUtil.dll PlugBase.dll NetDiag.dll \
            XML.nxw PC.nxo verlist.exe nxz.exe; do
  [ -f "$stage/$name" ] || fail "$name is missing"
done
[ -z "$(find "$stage" -mindepth 1 -type d)" ] || fail "folders in the package: $(find "$stage" -mindepth 1 -type d)"

if [ ! -f "$floors" ]; then
  echo "package_contents: no scripts/imports/floors.txt to tell shipped from unshipped files"
  exit $((failed ? 1 : 77))
fi

# The first row of floors.txt whose pattern matches the name: "unshipped" or
# the floor of a shipped file.
shopt -s nocasematch
floor_of() {
  local name=$1 pattern kind _
  while read -r pattern kind _; do
    [[ -z $pattern || $pattern == \#* ]] && continue
    # shellcheck disable=SC2053
    if [[ $name == $pattern ]]; then
      echo "$kind"
      return
    fi
  done <"$floors"
  echo "unknown"
}

shopt -s nullglob
for file in "$stage"/*.exe "$stage"/*.dll "$stage"/*.nxo "$stage"/*.nxw; do
  name=$(basename "$file")
  [ "$(floor_of "$name")" = unshipped ] && fail "$name ships, but floors.txt calls it unshipped"
done
for file in "$build"/bin/*.exe "$build"/bin/*.dll "$build"/bin/*.nxo "$build"/bin/*.nxw; do
  name=$(basename "$file")
  case ${name,,} in
    selfex.exe) continue ;;  # travels inside NoxCore.dll
    zlib1.dll) continue ;;   # zlib is linked in; nothing imports it
  esac
  kind=$(floor_of "$name")
  [ "$kind" = unshipped ] && continue
  [ -f "$stage/$name" ] || fail "$name is built beside the product (floors.txt: shipped) but has no install rule"
done

if [ -x "$source/scripts/check-imports" ]; then
  "$source/scripts/check-imports" "$stage" || failed=1
fi
[ $failed = 0 ] && echo "package_contents: $(ls "$stage" | wc -l) files, as they should be"
exit $failed
