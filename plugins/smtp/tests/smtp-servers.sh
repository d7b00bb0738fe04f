#!/usr/bin/env bash
# CTest fixture of the SMTP plug-in tests: the mail servers of smtp-servers.py
# on 127.0.25.1 to 127.0.25.10, port 25.
#   smtp-servers.sh start STATE_DIR RESULT_FILE
#   smtp-servers.sh stop STATE_DIR RESULT_FILE
# RESULT_FILE receives "ready" or "unavailable: <reason>". Always exits 0.
set -u
action=$1 state=$2 result=$3
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$state"

stop() {
  if [ -f "$state/servers.pid" ]; then
    kill "$(cat "$state/servers.pid")" 2>/dev/null
    rm -f "$state/servers.pid"
  fi
}

start() {
  stop
  rm -f "$result"
  /usr/bin/python3 "$here/smtp-servers.py" >"$state/servers.log" 2>&1 &
  echo $! >"$state/servers.pid"
  for _ in $(seq 50); do
    if grep -q "listening" "$state/servers.log"; then
      echo ready >"$result"
      return
    fi
    if ! kill -0 "$(cat "$state/servers.pid")" 2>/dev/null; then break; fi
    sleep 0.1
  done
  echo "unavailable: mail servers did not start: $(tail -n 2 "$state/servers.log" | tr '\n' ' ')" >"$result"
  stop
}

case $action in
  start) start ;;
  stop) stop ;;
esac
exit 0
