#!/usr/bin/env bash
# CTest fixture for the directory tests: three OpenLDAP servers on loopback
# addresses of their own (127.x.y.z, chosen at random so that parallel runs do
# not meet), each with a throw-away configuration and database in STATE_DIR.
#   slapd-directory.sh start STATE_DIR RESULT_FILE
#   slapd-directory.sh stop STATE_DIR RESULT_FILE
# The servers, all on port 389 of their address:
#   domain    a Windows-like domain (slapd/domain*.ldif), anonymous logins
#             accepted; also on a second, free port
#   refusing  a domain without computers and without its Computers container
#             (slapd/empty*.ldif) that refuses anonymous logins and wants a
#             login for every search
#   plain     an LDAP server that is no domain controller: no entries and no
#             defaultNamingContext in its root entry; its administrator
#             CN=admin,DC=plain,DC=test logs in with Plain-Admin-3
#   down      an address where nothing listens
# RESULT_FILE receives "name=value" lines (domain, domainPort, refusing, plain,
# down), or "unavailable: <reason>" so the tests can skip with that reason.
# Always exits 0: the tests decide.
set -u
action=$1 state=$2 result=$3
here=$(cd "$(dirname "$0")" && pwd)
data=$here/slapd
servers=(domain refusing plain)

unavailable() {
  echo "unavailable: $*" >"$result"
}

# Writes the configuration of one server.
configure() {
  local name=$1 suffix=$2 root=$3 extra=$4 password=${5:-}
  mkdir -p "$state/$name/db"
  {
    echo "include /etc/ldap/schema/core.schema"
    echo "include $data/ad.schema"
    echo "modulepath /usr/lib/ldap"
    echo "moduleload back_mdb"
    echo "pidfile $state/$name/slapd.pid"
    [ -n "$root" ] && echo "rootDSE $data/$root"
    printf '%b' "$extra"
    echo "database mdb"
    echo "maxsize 8388608"
    echo "suffix \"$suffix\""
    echo "rootdn \"CN=admin,$suffix\""
    [ -n "$password" ] && echo "rootpw $password"
    echo "directory $state/$name/db"
  } >"$state/$name/slapd.conf"
}

load() {
  local name=$1 ldif=$2
  /usr/sbin/slapadd -q -f "$state/$name/slapd.conf" -l "$data/$ldif" >>"$state/$name/slapadd.log" 2>&1
}

answers() {
  ldapsearch -x -LLL -H "$1" -s base -b "" "(objectClass=*)" 1.1 >/dev/null 2>&1
}

listening() {
  (exec 3<>"/dev/tcp/$1/$2") 2>/dev/null
}

# Ends the servers started here; their databases stay until clean.
halt() {
  local name pidfile pids=()
  for name in "${servers[@]}"; do
    pidfile=$state/$name/slapd.pid
    [ -f "$pidfile" ] || continue
    pids+=("$(cat "$pidfile")")
    rm -f "$pidfile"
  done
  [ ${#pids[@]} -gt 0 ] || return 0
  kill -INT "${pids[@]}" 2>/dev/null
  local pid alive
  for _ in $(seq 100); do
    alive=no
    for pid in "${pids[@]}"; do kill -0 "$pid" 2>/dev/null && alive=yes; done
    [ "$alive" = no ] && break
    sleep 0.05
  done
}

clean() {
  halt
  rm -rf "${state:?}"/domain "${state:?}"/refusing "${state:?}"/plain
}

start() {
  rm -f "$result"
  clean
  if [ ! -x /usr/sbin/slapd ] || ! command -v ldapsearch >/dev/null; then
    unavailable "slapd or ldap-utils is not installed (scripts/setup installs them)"
    return
  fi
  mkdir -p "$state"
  configure domain "DC=nox,DC=test" domain-root.ldif ""
  configure refusing "DC=empty,DC=test" empty-root.ldif "disallow bind_anon\nrequire authc\n"
  configure plain "DC=plain,DC=test" "" "" Plain-Admin-3
  if ! load domain domain.ldif || ! load refusing empty.ldif; then
    unavailable "slapadd failed: $(tail -n 3 "$state"/*/slapadd.log | tr '\n' ' ')"
    return
  fi

  # Addresses of a block of four and a port nobody uses; another block when
  # a server cannot listen there.
  local attempt base first a="" b c d port started
  for attempt in 1 2 3 4 5; do
    base="127.$((RANDOM % 200 + 30)).$((RANDOM % 250 + 1))"
    first=$((RANDOM % 60 * 4 + 4))
    a=$base.$first b=$base.$((first + 1)) c=$base.$((first + 2)) d=$base.$((first + 3))
    port=$((RANDOM % 30000 + 20000))
    started=no
    if ! listening "$d" 389 && ! listening "$a" "$port" &&
      /usr/sbin/slapd -f "$state/domain/slapd.conf" -h "ldap://$a:389/ ldap://$a:$port/" \
        >"$state/domain/slapd.log" 2>&1 &&
      /usr/sbin/slapd -f "$state/refusing/slapd.conf" -h "ldap://$b:389/" >"$state/refusing/slapd.log" 2>&1 &&
      /usr/sbin/slapd -f "$state/plain/slapd.conf" -h "ldap://$c:389/" >"$state/plain/slapd.log" 2>&1; then
      started=yes
      break
    fi
    halt
  done
  if [ "$started" != yes ]; then
    unavailable "slapd did not start: $(tail -q -n 2 "$state"/*/slapd.log | tr '\n' ' ')"
    clean
    return
  fi
  local url
  for url in "ldap://$a:389/" "ldap://$a:$port/" "ldap://$c:389/"; do
    for _ in $(seq 50); do answers "$url" && break; sleep 0.1; done
    if ! answers "$url"; then
      unavailable "slapd does not answer at $url"
      clean
      return
    fi
  done
  for _ in $(seq 50); do listening "$b" 389 && break; sleep 0.1; done
  printf 'domain=%s\ndomainPort=%s\nrefusing=%s\nplain=%s\ndown=%s\n' "$a" "$port" "$b" "$c" "$d" >"$result"
}

case "$action" in
  start) start ;;
  stop)
    clean
    rm -f "$result"
    ;;
  *) echo "usage: $0 start|stop STATE_DIR RESULT_FILE" >&2 ;;
esac
exit 0
