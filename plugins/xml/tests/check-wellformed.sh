#!/bin/sh
# Checks every document in a folder with xmllint; any message at all fails, and
# so does a folder holding fewer documents than expected.
# Usage: check-wellformed.sh FOLDER MINIMUM-COUNT
set -eu
folder=$1
minimum=$2
count=0
status=0
for document in "$folder"/*.xml; do
  [ -e "$document" ] || continue
  count=$((count + 1))
  messages=$(xmllint --noout "$document" 2>&1) || status=1
  if [ -n "$messages" ]; then
    printf '%s\n' "$messages"
    status=1
  fi
done
if [ "$count" -lt "$minimum" ]; then
  echo "only $count documents in $folder, expected at least $minimum"
  exit 1
fi
[ "$status" -eq 0 ] && echo "$count documents well-formed"
exit "$status"
