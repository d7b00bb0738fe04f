#!/usr/bin/env bash
# CTest fixture of the device tests: a small network on a loopback block of its
# own (127.21.N.0/24, N chosen at random so that parallel runs do not meet).
#   loopback-network.sh start STATE_DIR RESULT_FILE
#   loopback-network.sh stop STATE_DIR RESULT_FILE
#
# Two Net-SNMP agents on one UDP port of the block:
#   .1 and .11  "restricted": read community quartz sees everything but sysDescr
#               (so it answers a broadcast of sysDescr with noSuchObject); the
#               vendor community velvetry sees printer and copier firmware only
#   .2, .10 and .12 to .18 (the other devices)
#               "full": community quartz sees the whole agent; velvetry the
#               vendor subtree with the firmware of all four functions and the
#               oversized test objects under 1.3.6.1.4.1.32473.9
# A web server of office devices on port 80 (device-web.py), one behaviour per
# address (.10 to .13), and the device description files of the stand-in.
#
# RESULT_FILE receives key=value lines: block, port, snmp (ok or "unavailable:
# why"), http (likewise), devices and moduleDevices (the description files, as
# Windows paths), walk (the agent's interface columns as snmpwalk prints them).
# Always exits 0: the tests decide what to skip.
set -u
action=$1 state=$2 result=$3
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$state"
winpath() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }

stop_pid() {
  local file=$1
  [ -f "$file" ] || return 0
  local pid
  pid=$(cat "$file")
  kill "$pid" 2>/dev/null
  # Gone, or a zombie waiting for whoever adopted it to reap it.
  for _ in $(seq 50); do
    case "$(ps -o stat= -p "$pid" 2>/dev/null)" in "" | Z*) break ;; esac
    sleep 0.1
  done
  rm -f "$file"
}

agent_config() {  # NAME ADDRESSES...
  local name=$1
  shift
  local listen=""
  for a in "$@"; do listen="${listen:+$listen,}udp:$a:$port"; done
  {
    echo "agentaddress $listen"
    echo "sysDescr NoxInfo $name agent on loopback"
    echo "sysLocation loopback block $block"
    echo "view vendor included .1.3.6.1.4.1.32473"
    echo "rocommunity velvetry 127.0.0.0/8 -V vendor"
    if [ "$name" = restricted ]; then
      echo "view nodescr included .1"
      echo "view nodescr excluded .1.3.6.1.2.1.1.1"
      echo "rocommunity quartz 127.0.0.0/8 -V nodescr"
      echo "override .1.3.6.1.4.1.32473.3.2.1.2.21.1.2.1.1.1 octet_str \"PRN 2.10\""
      echo "override .1.3.6.1.4.1.32473.3.2.1.2.23.1.2.1.1.1 octet_str \"CPY 2.30\""
    else
      echo "rocommunity quartz 127.0.0.0/8"
      echo "override .1.3.6.1.4.1.32473.3.2.1.2.21.1.2.1.1.1 octet_str \"PRN 1.20\""
      echo "override .1.3.6.1.4.1.32473.3.2.1.2.16.29.2.1.1.1 octet_str \"SCN 1.05\""
      echo "override .1.3.6.1.4.1.32473.3.2.1.2.22.1.2.1.1.1 octet_str \"FAX 3.00\""
      echo "override .1.3.6.1.4.1.32473.3.2.1.2.23.1.2.1.1.1 octet_str \"CPY 1.31\""
      # Objects that do not fit the buffers of the library's callers.
      echo "override .1.3.6.1.4.1.32473.9.1.0 octet_str \"$(printf 'v%.0s' $(seq 600))\""
      echo "override .1.3.6.1.4.1.32473.9.2.0 uinteger 4294967295"
      echo "override .1.3.6.1.4.1.32473.9.4.0 integer -2"
      echo "override .1.3.6.1.4.1.32473.9.6$(printf '.4294967295%.0s' $(seq 30)) octet_str \"far\""
    fi
  } >"$state/$name.conf"
}

start_agent() {  # NAME
  local name=$1
  MIBS= MIBDIRS=/nonexistent SNMP_PERSISTENT_DIR="$state/$name.persist" \
    snmpd -f -C -I -smux -c "$state/$name.conf" -Lf "$state/$name.log" -p "$state/$name.pid" \
    </dev/null >/dev/null 2>&1 &
}

answers() {  # ADDRESS COMMUNITY
  MIBS= MIBDIRS=/nonexistent snmpget -v2c -c "$2" -t 0.3 -r 0 "$1:$port" .1.3.6.1.2.1.1.3.0 >/dev/null 2>&1
}

start_agents() {
  if ! command -v snmpd >/dev/null || ! command -v snmpget >/dev/null; then
    echo "snmp=unavailable: snmpd or snmpget is not installed (scripts/setup installs snmpd and snmp)" >>"$result"
    return
  fi
  for _ in 1 2 3 4 5; do
    port=$((20000 + RANDOM % 30000))
    agent_config restricted "$block.1" "$block.11"
    agent_config full "$block.2" "$block.10" "$block.12" "$block.13" "$block.14" "$block.15" "$block.18"
    start_agent restricted
    start_agent full
    for _ in $(seq 30); do
      answers "$block.1" quartz && answers "$block.2" quartz && break
      sleep 0.2
    done
    if answers "$block.1" quartz && answers "$block.2" quartz; then
      echo "port=$port" >>"$result"
      MIBS= MIBDIRS=/nonexistent snmpwalk -v2c -c quartz -On -Oq -Ox "$block.2:$port" .1.3.6.1.2.1.2 \
        >"$state/walk.txt" 2>&1
      MIBS= MIBDIRS=/nonexistent snmpwalk -v2c -c quartz -On -Oq "$block.2:$port" .1.3.6.1.2.1.4.20 \
        >>"$state/walk.txt" 2>&1
      echo "walk=$(winpath "$state/walk.txt")" >>"$result"
      echo "snmp=ok" >>"$result"
      return
    fi
    stop_pid "$state/restricted.pid"
    stop_pid "$state/full.pid"
  done
  echo "snmp=unavailable: snmpd did not answer: $(tail -n 3 "$state/full.log" 2>/dev/null | tr '\n' ' ')" >>"$result"
}

start_web() {
  local python=/usr/bin/python3
  [ -x "$python" ] || python=$(command -v python3)
  if [ -z "$python" ]; then
    echo "http=unavailable: python3 is not installed (scripts/setup installs it)" >>"$result"
    return
  fi
  "$python" "$here/device-web.py" "$state/web.ready" "$block.10=normal" "$block.11=split" \
    "$block.12=nobody" "$block.13=silent" </dev/null >"$state/web.log" 2>&1 &
  echo $! >"$state/web.pid"
  for _ in $(seq 50); do [ -f "$state/web.ready" ] && break; sleep 0.1; done
  if [ -f "$state/web.ready" ]; then
    echo "http=ok" >>"$result"
  else
    echo "http=unavailable: device-web.py did not start: $(tail -n 3 "$state/web.log" | tr '\n' ' ')" >>"$result"
    stop_pid "$state/web.pid"
  fi
}

write_devices() {
  cat >"$state/devices.txt" <<DEVICES
# Office devices of the loopback block $block (see loopback-network.sh).
[device $block.10]
model = NX-4000
name = NOX-MFP-10
mac = 00-80-77-21-00-0a
functions = printer scanner fax copier
status.printer = Ready
status.scanner = Idle
status.fax = Receiving
status.copier = Warming up
storage = 4000000000 1500000

[device $block.11]
model = NX-2000
name = NOX-PC-11
mac = 00-80-77-21-00-0b
functions = printer copier
storage = 2000000 1000

[device $block.12]
model = NX-3000
name = NOX-SCAN-12
mac = 00-80-77-21-00-0c
functions = printer scanner
fail = scanner
storage = 100 0

[device $block.13]
name = NOX-SILENT-13
functions = fax
storage = 100 50

[device $block.14]
name = NOX-CLOSED-14
mac = 00-80-77-21-00-0e
functions = printer
storage = 100 50

[device $block.15]
name = NOX-NOSTORE-15
mac = 00-80-77-21-00-0f
functions = copier

[device $block.16]
fail = open

[device $block.17]
fail = info

[device $block.18]
network = no
mac = 00-80-77-21-00-12
fail = functions
DEVICES
  # What the loaded module is run against: devices that answer at once.
  sed -n "/^\[device $block.10\]/,/^\[device $block.11\]/p;/^\[device $block.15\]/,/^\[device $block.16\]/p" \
    "$state/devices.txt" | grep -v "^\[device $block.1[16]\]" >"$state/module-devices.txt"
  echo "devices=$(winpath "$state/devices.txt")" >>"$result"
  echo "moduleDevices=$(winpath "$state/module-devices.txt")" >>"$result"
}

start() {
  stop
  rm -f "$result" "$state/web.ready"
  block="127.21.$((1 + RANDOM % 254))"
  echo "block=$block" >"$result"
  start_agents
  start_web
  write_devices
}

stop() {
  stop_pid "$state/web.pid"
  stop_pid "$state/restricted.pid"
  stop_pid "$state/full.pid"
  rm -f "$result" "$state/web.ready"
}

case "$action" in
  start) start ;;
  stop) stop ;;
  *) echo "usage: $0 start|stop STATE_DIR RESULT_FILE" >&2 ;;
esac
exit 0
