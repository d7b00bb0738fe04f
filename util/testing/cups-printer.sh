#!/usr/bin/env bash
# CTest fixture for the PC printer test: a CUPS printer Wine's spooler lists.
#   cups-printer.sh start STATE_DIR RESULT_FILE   start cupsd (loopback only) and add the printer
#   cups-printer.sh stop STATE_DIR RESULT_FILE    remove the printer and stop the cupsd started here
# RESULT_FILE receives the printer name, or "unavailable: <reason>" so the test
# can skip with that reason. Always exits 0: the test decides.
set -u
action=$1 state=$2 result=$3
printer=NoxPcTestPrinter
mkdir -p "$state"

running() { lpstat -r 2>/dev/null | grep -q "is running"; }

start() {
  rm -f "$result" "$state/cupsd.pid"
  if ! command -v cupsd >/dev/null && [ ! -x /usr/sbin/cupsd ]; then
    echo "unavailable: cupsd is not installed (scripts/setup installs cups)" >"$result"
    return
  fi
  if ! running; then
    mkdir -p /run/cups
    # The system configuration, but on loopback only and without browsing.
    sed -e 's/^Listen localhost:631/Listen 127.0.0.1:631/' -e 's/^Browsing .*/Browsing No/' \
      -e '/^BrowseLocalProtocols/d' -e 's/^IdleExitTimeout .*/IdleExitTimeout 0/' \
      /etc/cups/cupsd.conf >"$state/cupsd.conf"
    /usr/sbin/cupsd -f -c "$state/cupsd.conf" >"$state/cupsd.log" 2>&1 &
    echo $! >"$state/cupsd.pid"
    for _ in $(seq 50); do running && break; sleep 0.2; done
    if ! running; then
      echo "unavailable: cupsd did not start: $(tail -n 3 "$state/cupsd.log" | tr '\n' ' ')" >"$result"
      return
    fi
  fi
  if ! lpadmin -p "$printer" -E -v file:///dev/null -m raw >"$state/lpadmin.log" 2>&1; then
    echo "unavailable: lpadmin failed: $(tr '\n' ' ' <"$state/lpadmin.log")" >"$result"
    return
  fi
  echo "$printer" >"$result"
}

stop() {
  lpadmin -x "$printer" >/dev/null 2>&1
  if [ -f "$state/cupsd.pid" ]; then
    pid=$(cat "$state/cupsd.pid")
    kill "$pid" 2>/dev/null
    for _ in $(seq 25); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
    rm -f "$state/cupsd.pid"
  fi
  rm -f "$result"
}

case "$action" in
  start) start ;;
  stop) stop ;;
  *) echo "usage: $0 start|stop STATE_DIR RESULT_FILE" >&2 ;;
esac
exit 0
