# Shared by the shell tests that drive the real host under Wine. Source it
# with the build folder and a name for the test's work folder:
#   source host/tests/host-test-lib.sh BUILD NAME
# It sets root, bin and work (BUILD/Testing/NAME, emptied, with app/ holding the
# host, the core, the serializer and the runtime DLLs) and defines check,
# winpath, run (the host of app/ under Wine, stdout without CRs, stderr in
# work/stderr), wine (any program under Wine, no input, stderr added to
# work/stderr) and xpath (the text lines of an expression in the document
# named by $doc, trimmed, without empty ones).
build=$1
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
bin=$build/bin
work=$build/Testing/$2
rm -rf "$work"
mkdir -p "$work/app"
failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then echo "ok   - $what"; else echo "FAIL - $what"; failures=$((failures + 1)); fi
}
winpath() { echo "Z:${1//\//\\}"; }
run() { "$root/scripts/wine-run" "$work/app/NxInfo.exe" "$@" 2>"$work/stderr" | tr -d '\r'; return "${PIPESTATUS[0]}"; }
wine() { "$root/scripts/wine-run" "$@" </dev/null 2>>"$work/stderr"; }
xpath() { xmllint --xpath "$1" "$doc" 2>/dev/null | tr -d '\r' | sed -e 's/^ *//' -e 's/ *$//' | sed '/^$/d'; }
cp "$bin"/NxInfo.exe "$bin"/NoxCore.dll "$bin"/NoxUtil.dll "$bin"/PlugBase.dll "$bin"/XML.nxw \
  "$bin"/lib*.dll "$bin"/zlib1.dll "$work/app/"
