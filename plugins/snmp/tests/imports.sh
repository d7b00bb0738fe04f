#!/usr/bin/env bash
# imports.sh OBJDUMP MODULE "ORDINALS" [MODULE "ORDINALS" ...]
# Checks that each module imports from VarnelApi.dll by ordinal only, exactly
# the ordinals listed (in any order).
set -u
objdump=$1
shift
status=0
while [ $# -ge 2 ]; do
  module=$1 expected=$(tr ' ' '\n' <<<"$2" | sort -n | tr '\n' ' ')
  shift 2
  # Lines of the VarnelApi.dll block: "vma  hint/ordinal  name"; an ordinal
  # import has no name and the ordinal flag in the top bit of its vma.
  block=$("$objdump" -p "$module" | sed -n '/DLL Name: VarnelApi.dll/,/^$/p' | tail -n +3)
  named=$(awk 'NF > 2 && $3 != "<none>"' <<<"$block")
  actual=$(while read -r _ ordinal _; do [ -n "$ordinal" ] && echo $((16#$ordinal)); done <<<"$block" |
    sort -n | tr '\n' ' ')
  if [ -n "$named" ]; then
    echo "$module imports from VarnelApi.dll by name: $named"
    status=1
  fi
  if [ "$actual" != "$expected" ]; then
    echo "$module imports ordinals [$actual], expected [$expected]"
    status=1
  else
    echo "$module: ordinals $actual"
  fi
done
exit $status
