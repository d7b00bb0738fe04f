#!/usr/bin/env bash
# NxInfo.exe with code page 932 active (Wine takes it from the Japanese locale
# the build makes in build/locale): result folders whose names end in 表, a
# character whose trail byte is 0x5C, the byte of a backslash. The document, its
# side file, NoxResult.exe and the split parts must land inside that folder
# under their own names, and the split's emptiness check must look at it.
set -uo pipefail
export LOCPATH=$1/locale LC_ALL=ja_JP.UTF-8
if [ ! -f "$LOCPATH/ja_JP.UTF-8/LC_CTYPE" ]; then
  echo "FAIL - no Japanese locale in $LOCPATH (target util_ja_locale)"
  exit 1
fi
source "$(dirname "$0")/host-test-lib.sh" "$1" host-dbcs
# Entries of the work folder whose names begin with $1: only the folder itself.
alone() { test "$(find "$work" -maxdepth 1 -name "$1*" | wc -l)" -eq 1; }

cp "$bin"/reporter-fixtures/{Alpha,Gamma}.nxo "$work/app/"
cat >"$work/app/NxInfo.ini" <<'INI'
[Categories]
Count=1
Key1=First
[First]
Name=First
Count=2
Key1=Alpha.nxo
Key2=Gamma.nxo
[Serializer]
FileName=XML.nxw
INI

# The document beside its side file.
plain=$work/plain表
run --no-compress run "$(winpath "$plain")" >"$work/stdout"
check "plain run exits 0" test $? -eq 0
check "NoxInfo.xml is inside the folder" test -f "$plain/NoxInfo.xml"
check "the side file is inside the folder" test -n "$(find "$plain" -name nox-side-file.log)"
check "nothing lands beside the folder" alone "plain表"
# The host prints paths in the active code page: 表 is 0x95 0x5C there.
check "the result line names the document inside" grep -qF "$(printf 'plain\x95\x5c\x5cNoxInfo.xml')" "$work/stdout"

# Packed into NoxResult.exe.
packed=$work/packed表
run run "$(winpath "$packed")" >"$work/stdout"
check "packed run exits 0" test $? -eq 0
check "NoxResult.exe is inside the folder" test -f "$packed/NoxResult.exe"
check "nothing lands beside the folder" alone "packed表"
"$root/scripts/wine-run" "$bin/nxz.exe" extract "$(winpath "$packed/NoxResult.exe")" \
  "$(winpath "$work/extracted")" >/dev/null 2>&1
check "nxz extracts it" test $? -eq 0
check "the side file was packed" test -n "$(find "$work/extracted" -name nox-side-file.log)"

# An earlier result packed and split into parts barely larger than the
# self-extractor: several parts, and the target folder, empty, is found empty
# (no question is asked).
selfex=$(stat -c %s "$bin/selfex.exe")
kib=$(((selfex + 96 + 1023) / 1024 + 1))
source=$work/source表
mkdir -p "$source"
head -c 8192 /dev/urandom >"$source/noise.bin"
split=$work/split表
mkdir -p "$split"
run --media cancel --split "$kib" pack "$(winpath "$source")" "$(winpath "$split")" >"$work/stdout"
check "split pack exits 0 without a question" test $? -eq 0
check "part 1 is inside the folder" test -f "$split/NoxResult.exe"
check "part 2 is inside the folder" test -f "$split/NoxResult.exe.002"
check "nothing lands beside the folder" alone "split表"
"$root/scripts/wine-run" "$bin/nxz.exe" test "$(winpath "$split/NoxResult.exe")" >/dev/null 2>&1
check "nxz reads the parts back" test $? -eq 0
check "nothing lands beside the source" alone "source表"

echo "double-byte folders: $failures failed"
exit $((failures > 0))
