#!/usr/bin/env bash
# package_snapshot.sh BUILD PACKAGE VERSION "STANDIN;..."
# Makes the package of the build tree BUILD with CPack, unpacks it into the
# drive C: of a Wine prefix of its own and takes a snapshot from there, with
# nothing else on the path: a DLL or settings file the package lacks fails the
# run. The result is read back with the package's own nxz, and its verlist
# lists the version of every shipped binary. STANDIN names the vendor
# libraries' stand-ins: a plug-in that needs one of those is left out by the
# core, as on a customer's PC without that product.
set -euo pipefail
build=$1 package=$2 version=$3
IFS=';' read -r -a standins <<<"${4:-}"
work=$build/package-test
prefix=$work/wineprefix
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEPATH=

fail() { echo "package_snapshot: $*"; exit 1; }

# The prefix is made once and kept: only what the test unpacks changes in it.
mkdir -p "$work"
if [ ! -f "$prefix/system.reg" ]; then
  echo "package_snapshot: creating Wine prefix $prefix"
  "$wine" wineboot -i >/dev/null 2>&1 || true
  "$server" -w
fi
trap '"$server" -k 2>/dev/null || true' EXIT

rm -rf "$work/cpack"
cpack --config "$build/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack failed"; }
zip=$work/cpack/$package.zip
[ -f "$zip" ] || fail "cpack made no $package.zip"

drive=$prefix/drive_c
rm -rf "${drive:?}/$package" "$drive/Result"
unzip -q "$zip" -d "$drive"
folder=$drive/$package
[ -f "$folder/NxInfo.exe" ] || fail "no NxInfo.exe at the top of $package"

cd "$folder"
out=$("$wine" NxInfo.exe --version 2>/dev/null) || fail "NxInfo.exe does not start from the package (status $?)"
out=${out%$'\r'}
[ "$out" = "NxInfo $version" ] || fail "NxInfo --version printed '$out', not 'NxInfo $version'"

status=0
"$wine" NxInfo.exe run 'C:\Result' >"$work/run.out" 2>"$work/run.err" || status=$?
if [ $status != 0 ]; then
  tr -d '\r' <"$work/run.out"
  fail "NxInfo run from the package ended with status $status"
fi
[ -f "$drive/Result/NoxResult.exe" ] || fail "the run wrote no C:\\Result\\NoxResult.exe"

"$wine" nxz.exe test 'C:\Result\NoxResult.exe' >"$work/nxz.out" 2>/dev/null ||
  { tr -d '\r' <"$work/nxz.out"; fail "the package's nxz finds the result damaged"; }
"$wine" nxz.exe extract 'C:\Result\NoxResult.exe' 'C:\Result\unpacked' >/dev/null 2>&1 ||
  fail "the package's nxz cannot extract the result"
xml=$drive/Result/unpacked/NoxInfo.xml
[ -f "$xml" ] || fail "the result holds no NoxInfo.xml"
flat=$(tr -d ' \r\n' <"$xml")
[[ $flat == *"<toolVersiontype=\"text\">$version<pluginVersion>"* ]] ||
  fail "toolVersion of the result is not $version"
[[ $flat == *"<PC><PC>"* ]] || fail "the result has no report of the PC category's PC plug-in (settings file missing?)"

# Every module of the package was loaded, or it needs a vendor library that
# is not there.
for module in *.nxo *.nxw; do
  [[ $flat == *"<fileNametype=\"text\">$module</fileName>"* ]] && continue
  needs=$(x86_64-w64-mingw32-objdump -p "$module" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr -d '\r')
  vendor=""
  for dll in $needs; do
    for standin in "${standins[@]}"; do
      [ "${dll,,}" = "${standin,,}" ] && vendor=$dll
    done
  done
  [ -n "$vendor" ] || fail "$module was not loaded, and needs no vendor library (imports: $(echo $needs))"
  echo "package_snapshot: $module left out: it needs the vendor's $vendor"
done

# The one version in every shipped binary's version resource.
"$wine" verlist.exe 'C:\'"$package" >"$work/verlist.out" 2>/dev/null || fail "the package's verlist failed"
for file in *.exe *.nxo *.nxw NoxCore.dll NoxUtil.dll PlugBase.dll NetDiag.dll; do
  line=$(tr -d '\r' <"$work/verlist.out" | grep -i "\\\\$file\$" || true)
  [ -n "$line" ] || fail "verlist does not list $file"
  [[ $line == *" $version "* ]] || fail "$file does not carry version $version: $line"
done
echo "package_snapshot: $package ran from its own folder; $(ls | wc -l) files"
