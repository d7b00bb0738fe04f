#!/usr/bin/env bash
# A removable drive under Wine: A: is a folder that Wine reports as a floppy
# drive, in a prefix of its own (the drive only shows after a restart of the
# prefix's wineserver). Where the test may mount file systems, the folder is a
# tmpfs the size of a formatted 1.44 MB disk, so the free-space questions come
# for real and "--split floppy" has to fit. The host's questions are answered
# through a pipe, the way a person at the terminal would: format, change the
# disk, cancel.
set -uo pipefail
build=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=$build/bin
work=$build/Testing/removable
disk=$work/floppy
if mountpoint -q "$disk" 2>/dev/null; then umount "$disk"; fi
rm -rf "$work"
mkdir -p "$work/app" "$disk" "$work/source" "$work/disks"
export NOX_WINEPREFIX=$work/prefix
failures=0
check() {
  local what=$1
  shift
  if "$@"; then echo "ok   - $what"; else echo "FAIL - $what"; failures=$((failures + 1)); fi
}
said() { grep -qF -- "$1" "$work/stderr"; }
wine() { "$root/scripts/wine-run" "$@"; }

cp "$bin"/NxInfo.exe "$bin"/NoxCore.dll "$bin"/NoxUtil.dll "$bin"/PlugBase.dll "$bin"/XML.nxw "$bin"/lib*.dll \
  "$bin"/zlib1.dll "$bin"/nxz.exe "$work/app/"
cp "$bin"/reporter-fixtures/Alpha.nxo "$work/app/"
printf '[Categories]\r\nCount=1\r\nKey1=First\r\n[First]\r\nName=First\r\nCount=1\r\nKey1=Alpha.nxo\r\n' \
  >"$work/app/NxInfo.ini"
# Three floppies' worth that does not compress.
head -c 3000000 /dev/urandom >"$work/source/data.bin"

# A formatted 1.44 MB disk has 1,457,664 bytes free; tmpfs rounds its size up to
# whole pages (1,458,176 bytes).
floppy=tmpfs
mount -t tmpfs -o size=1457664 nox-floppy "$disk" 2>/dev/null || floppy=folder
trap 'mountpoint -q "$disk" && umount "$disk"' EXIT

# Make A: a floppy drive backed by $disk.
wine "$work/app/nxz.exe" --help >/dev/null 2>&1  # creates the prefix
wine C:\\windows\\system32\\reg.exe add 'HKLM\Software\Wine\Drives' /v a: /t REG_SZ /d floppy /f >/dev/null 2>&1
ln -sfn "$disk" "$NOX_WINEPREFIX/dosdevices/a:"
WINEPREFIX=$NOX_WINEPREFIX /usr/lib/wine/wineserver -k 2>/dev/null
WINEPREFIX=$NOX_WINEPREFIX /usr/lib/wine/wineserver -w 2>/dev/null

# converse HANDLER ARGS...: runs the host with ARGS, its input coming from a
# pipe. Each time it asks (its prompt ends in "[c]ancel: " or "to cancel: "), HANDLER is called
# (in a subshell) with the question's number and the question, does what a
# person would, and prints the line to type. The host's exit status is returned.
converse() {
  local handler=$1
  shift
  rm -f "$work/in"
  mkfifo "$work/in"
  wine "$work/app/NxInfo.exe" "$@" <"$work/in" 2>"$work/stderr" | tr -d '\r' >"$work/stdout" &
  local pid=$! asked=0 count
  exec 3>"$work/in"
  for _ in $(seq 1200); do
    kill -0 $pid 2>/dev/null || break
    count=$(grep -o 'ancel: ' "$work/stderr" | wc -l)
    if [ "$count" -gt "$asked" ]; then
      asked=$count
      # The question is the text after the last "NxInfo: " (prompts end without a newline).
      printf '%s\n' "$("$handler" "$asked" "$(tr '\n' ' ' <"$work/stderr" | sed 's/.*NxInfo: //')")" >&3
    fi
    sleep 0.1
  done
  exec 3>&-
  wait $pid
  return "$(cat "$work/status")"
}
# The host's status, kept by the pipeline's first command.
wine() { "$root/scripts/wine-run" "$@"; echo $? >"$work/status"; }
source=Z:${work//\//\\}\\source

echo "# A disk with something on it: the removable wording, refused and cancelled"
echo old >"$disk/old.txt"
refuse() { case $1 in 1) echo n ;; *) echo c ;; esac; }
converse refuse --media ask --split floppy pack "$source" 'A:\'
check "cancelling the removable medium's questions exits 1" test $? -eq 1
check "asked whether to format the disk" said 'NxInfo: Target media is not empty, format it? [y]es, [n]o or [c]ancel:'
check "asked for an empty disk after the refusal" said 'NxInfo: Media is not set. Please insert empty disket'
check "said that no part was written" said 'NxInfo: No part was written to A:\'
check "the disk keeps what it held" test "$(ls "$disk")" = old.txt
wine "$work/app/NxInfo.exe" --media cancel --split floppy pack "$source" 'A:\' >/dev/null 2>"$work/stderr"
check "an unattended run refuses a disk that is not empty before packing (64)" test "$(cat "$work/status")" -eq 64
check "... saying why" said 'NxInfo: the target folder A:\ is not empty'

if [ "$floppy" != tmpfs ]; then
  echo "skip - the disk changes: no tmpfs can be mounted here, so A: has no floppy's size"
else
  echo "# Accepting the format request, then changing disks until the set is written"
  # Question 1: format? yes. 2: the format request (the disk is formatted: emptied).
  # Then each "not enough space" means: take the disk out (keep its files) and
  # put in an empty one.
  echo 0 >"$work/changes"
  change() {  # runs in a subshell: the count of changes is kept in a file
    case $2 in
      *"format it?"*) echo y ;;
      *"format the disk in A:"*) rm -rf "${disk:?}"/*; echo ;;
      *"Disk free space is not enough."*)
        local changes=$(($(cat "$work/changes") + 1))
        echo $changes >"$work/changes"
        mkdir -p "$work/disks/$changes"
        mv "$disk"/* "$work/disks/$changes/"
        echo ;;
      *) echo c ;;
    esac
  }
  converse change --media ask --split floppy pack "$source" 'A:\'
  check "a set over three disks is written (exit 0)" test $? -eq 0
  mkdir -p "$work/disks/3"
  mv "$disk"/* "$work/disks/3/" 2>/dev/null
  check "the format request named the drive" said 'NxInfo: format the disk in A:\ now'
  check "asked for the next disk twice" test "$(grep -c 'Disk free space is not enough' "$work/stderr")" -eq 2
  check "each disk holds its part" test -f "$work/disks/1/NoxResult.exe" -a -f "$work/disks/2/NoxResult.exe.002" \
    -a -f "$work/disks/3/NoxResult.exe.003"
  check "a floppy part is 1423 KiB" test "$(stat -c %s "$work/disks/1/NoxResult.exe")" -eq $((1423 * 1024))
  check "... which a formatted 1.44 MB disk holds" test $((1423 * 1024)) -le 1457664
  check "the summary names the parts" grep -q '^Result: 3 parts in A:\\ (NoxResult.exe to NoxResult.exe.003), 3.* MB in all$' "$work/stdout"
  mkdir -p "$work/joined" "$work/out"
  cp "$work"/disks/*/NoxResult.exe* "$work/joined/"
  joined=Z:${work//\//\\}\\joined\\NoxResult.exe
  wine "$work/app/nxz.exe" extract "$joined" "Z:${work//\//\\}\\out" >/dev/null 2>&1
  check "the parts of the three disks read back as one set" test "$(cat "$work/status")" -eq 0
  check "... with the data intact" cmp -s "$work/out/data.bin" "$work/source/data.bin"

  echo "# Cancelled when the second disk is asked for"
  rm -rf "${disk:?}"/*
  stop() { echo c; }
  converse stop --media ask --split floppy pack "$source" 'A:\'
  check "cancelling at the second disk exits 1" test $? -eq 1
  check "said where it stopped" said 'NxInfo: Cancelled before part 2 of 3 was written'
  check "said what was written" said 'NxInfo: Written: NoxResult.exe; the set is incomplete and cannot be unpacked: run again to write all 3 parts'
fi

echo "# A snapshot onto an empty disk, unattended"
rm -rf "${disk:?}"/*
wine "$work/app/NxInfo.exe" --media cancel --split floppy run 'A:\' >"$work/stdout" 2>"$work/stderr"
check "an empty removable medium takes the result (exit 0)" test "$(cat "$work/status")" -eq 0
check "the first part is on it" test -f "$disk/NoxResult.exe"
wine "$work/app/nxz.exe" test 'A:\NoxResult.exe' >/dev/null 2>&1
check "the part set reads back" test "$(cat "$work/status")" -eq 0

WINEPREFIX=$NOX_WINEPREFIX /usr/lib/wine/wineserver -k 2>/dev/null
echo "removable media: $failures failed"
exit $((failures > 0))
