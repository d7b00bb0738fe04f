#!/usr/bin/env bash
# CTest fixture: a CUPS printer that Wine's spooler lists (see nox_requires_cups_printer).
#   cups-printer.sh start STATE_DIR SOCKET RESULT_FILE   start a cupsd of our own and add the printer
#   cups-printer.sh stop STATE_DIR SOCKET RESULT_FILE    stop that cupsd and forget its printer
# The cupsd is this build tree's alone: its configuration, spool and printers
# live in STATE_DIR and it listens on the socket SOCKET only (no network port),
# so test runs of several trees at once never share or stop each other's
# printers. Programs find it through CUPS_SERVER=SOCKET.
# RESULT_FILE receives the printer name, or "unavailable: <reason>" so the test
# can skip with that reason. Always exits 0: the test decides.
set -u
action=$1 state=$2 socket=$3 result=$4
printer=NoxTestPrinter

running() { [ -f "$state/cupsd.pid" ] && kill -0 "$(cat "$state/cupsd.pid")" 2>/dev/null; }

stop() {
  if running; then
    pid=$(cat "$state/cupsd.pid")
    kill "$pid" 2>/dev/null
    for _ in $(seq 25); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
  fi
  rm -f "$state/cupsd.pid" "$socket" "$result"
}

start() {
  stop
  if [ ! -x /usr/sbin/cupsd ] || ! command -v lpadmin >/dev/null; then
    echo "unavailable: cupsd is not installed (scripts/setup installs cups)" >"$result"
    return
  fi
  rm -rf "$state/etc" "$state/spool" "$state/cache" "$state/run"
  mkdir -p "$state"/{etc/ppd,etc/ssl,spool,cache,run,tmp} "$(dirname "$socket")"
  # The system's policies, without browsing and without any network listener.
  sed -e '/^Listen /d' -e '/^Port /d' -e 's/^Browsing .*/Browsing No/' -e '/^BrowseLocalProtocols/d' \
    -e 's/^IdleExitTimeout .*/IdleExitTimeout 0/' /etc/cups/cupsd.conf >"$state/cupsd.conf"
  echo "Listen $socket" >>"$state/cupsd.conf"
  grep -v -e '^AccessLog' -e '^ErrorLog' -e '^PageLog' /etc/cups/cups-files.conf >"$state/cups-files.conf"
  cat >>"$state/cups-files.conf" <<CONF
ServerRoot $state/etc
RequestRoot $state/spool
CacheDir $state/cache
StateDir $state/run
TempDir $state/tmp
AccessLog $state/access_log
ErrorLog $state/error_log
PageLog $state/page_log
CONF
  /usr/sbin/cupsd -f -c "$state/cupsd.conf" -s "$state/cups-files.conf" >"$state/cupsd.log" 2>&1 &
  echo $! >"$state/cupsd.pid"
  for _ in $(seq 50); do
    lpstat -h "$socket" -r 2>/dev/null | grep -q "is running" && break
    sleep 0.1
  done
  if ! lpstat -h "$socket" -r 2>/dev/null | grep -q "is running"; then
    echo "unavailable: cupsd did not start: $(cat "$state/cupsd.log" "$state/error_log" 2>/dev/null | tail -n 3 | tr '\n' ' ')" >"$result"
    return
  fi
  if ! lpadmin -h "$socket" -p "$printer" -E -v file:///dev/null -m raw >"$state/lpadmin.log" 2>&1; then
    echo "unavailable: lpadmin failed: $(tr '\n' ' ' <"$state/lpadmin.log")" >"$result"
    return
  fi
  echo "$printer" >"$result"
}

case "$action" in
  start) start ;;
  stop) stop ;;
  *) echo "usage: $0 start|stop STATE_DIR SOCKET RESULT_FILE" >&2 ;;
esac
exit 0
