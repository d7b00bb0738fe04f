#!/usr/bin/env bash
# CTest fixture of the NetDiag and DNS plug-in tests: DNS servers on loopback.
#   dns-servers.sh start STATE_DIR RESULT_FILE
#   dns-servers.sh stop STATE_DIR RESULT_FILE
# 127.0.53.1:53  dnsmasq with the corp.test zone (addresses, reverse names,
#                CNAME, MX, TXT); dnsmasq answers no ANY question, which the
#                mail-exchanger walk asks,
# 127.0.53.2:53  a small responder (dns-responder.py) that answers ANY questions
#                for corp.test with authority and truncates its UDP answers to
#                tcp-only.test, so the TCP path is taken.
# RESULT_FILE receives "ready" or "unavailable: <reason>". Always exits 0.
set -u
action=$1 state=$2 result=$3
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$state"

stop() {
  for f in "$state"/*.pid; do
    [ -f "$f" ] || continue
    kill "$(cat "$f")" 2>/dev/null
    rm -f "$f"
  done
}

start() {
  stop
  rm -f "$result"
  if ! command -v dnsmasq >/dev/null; then
    echo "unavailable: dnsmasq is not installed (scripts/setup installs dnsmasq-base)" >"$result"
    return
  fi
  cat >"$state/dnsmasq.conf" <<CONF
no-resolv
no-hosts
no-daemon
bind-interfaces
listen-address=127.0.53.1
port=53
host-record=host.corp.test,10.53.0.10
host-record=mx1.corp.test,127.0.0.1
host-record=mx2.corp.test,10.53.0.21
host-record=mx3.corp.test,10.53.0.22
mx-host=corp.test,mx3.corp.test,20
mx-host=corp.test,mx1.corp.test,10
mx-host=corp.test,mx2.corp.test,10
cname=alias.corp.test,host.corp.test
txt-record=corp.test,"hello world"
CONF
  dnsmasq -C "$state/dnsmasq.conf" >"$state/dnsmasq.log" 2>&1 &
  echo $! >"$state/dnsmasq.pid"
  /usr/bin/python3 "$here/dns-responder.py" 127.0.53.2 >"$state/responder.log" 2>&1 &
  echo $! >"$state/responder.pid"
  for _ in $(seq 50); do
    if grep -q "started" "$state/dnsmasq.log" && grep -q "listening" "$state/responder.log"; then
      echo ready >"$result"
      return
    fi
    sleep 0.1
  done
  echo "unavailable: DNS servers did not start: $(tail -n 2 "$state"/*.log | tr '\n' ' ')" >"$result"
  stop
}

case $action in
  start) start ;;
  stop) stop ;;
esac
exit 0
