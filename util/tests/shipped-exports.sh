#!/bin/sh
# The test hooks are exported by the test build of NoxUtil.dll only, never by
# the one that ships: any module loaded into the product could otherwise make
# every allocation fail or redirect registry reads.
# Usage: shipped-exports.sh OBJDUMP SHIPPED_DLL TEST_DLL
objdump=$1
shipped=$2
testing=$3
hooks="noxFailAllocationsAfter noxAllocationsInUse noxSetRegistryCalls noxSystemRegistryCalls noxSetLogSink noxSetCodePage NoxAllocationBypass"
failures=0
exports() { "$objdump" -p "$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p'; }
shippedExports=$(exports "$shipped")
testingExports=$(exports "$testing")
if ! printf '%s\n' "$shippedExports" | grep -q 'noxAlloc'; then
  echo "FAIL - no export table read from $shipped"
  exit 1
fi
for hook in $hooks; do
  if printf '%s\n' "$shippedExports" | grep -q "$hook"; then
    echo "FAIL - the shipped NoxUtil.dll exports $hook"
    failures=$((failures + 1))
  fi
done
for hook in noxFailAllocationsAfter noxAllocationsInUse noxSetRegistryCalls noxSetLogSink noxSetCodePage; do
  if ! printf '%s\n' "$testingExports" | grep -q "$hook"; then
    echo "FAIL - the test build of NoxUtil.dll lacks $hook"
    failures=$((failures + 1))
  fi
done
echo "shipped exports: $failures failed"
[ "$failures" -eq 0 ]
