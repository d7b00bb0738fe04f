#!/usr/bin/env bash
# Echo series and traces through real routers: a chain of network namespaces
# joined by veth pairs with forwarding on (addresses only inside them),
#   client - router 1 - router 2 - target
# where router 1 answers no echo requests and, in the second phase, router 2
# drops its own time-exceeded messages (nft). The test program runs inside the
# client namespace. Wine creates sockets in its wineserver, so the build tree's
# wineserver is stopped first and a new one starts inside the namespace; it is
# stopped again at the end, and the namespaces are removed.
#   netns-test.sh BUILD_DIR PROGRAM
set -uo pipefail
build=$1 program=$2
here=$(cd "$(dirname "$0")" && pwd)
run=$here/../../scripts/wine-run
prefix=$build/wineprefix
server=/usr/lib/wine/wineserver
skip() { echo "SKIP: $*"; exit 0; }
[ "$(id -u)" = 0 ] || skip "network namespaces need root"
command -v ip >/dev/null || skip "ip (iproute2) is not installed"
command -v nft >/dev/null || skip "nft is not installed (scripts/setup installs nftables)"

tag=$(echo "$build" | md5sum | cut -c1-6)
c=noxnd-$tag-c r1=noxnd-$tag-r1 r2=noxnd-$tag-r2 t=noxnd-$tag-t
stop_server() { WINEPREFIX=$prefix "$server" -k 2>/dev/null; WINEPREFIX=$prefix "$server" -w 2>/dev/null; }
remove() {
  for n in $c $r1 $r2 $t; do ip netns del "$n" 2>/dev/null; done
  rm -rf "/etc/netns/$c"
}
cleanup() { stop_server; remove; }
trap cleanup EXIT

remove
set -e
for n in $c $r1 $r2 $t; do
  ip netns add "$n"
  ip -n "$n" link set lo up
done
ip -n "$c" link add c0 type veth peer name r1c netns "$r1"
ip -n "$r1" link add r1n type veth peer name r2p netns "$r2"
ip -n "$r2" link add r2n type veth peer name t0 netns "$t"
address() { ip -n "$1" addr add "$3" dev "$2" && ip -n "$1" link set "$2" up; }
address "$c" c0 10.250.1.2/24
address "$r1" r1c 10.250.1.1/24
address "$r1" r1n 10.250.2.1/24
address "$r2" r2p 10.250.2.2/24
address "$r2" r2n 10.250.3.1/24
address "$t" t0 10.250.3.2/24
ip -n "$c" route add default via 10.250.1.1
ip -n "$r1" route add 10.250.3.0/24 via 10.250.2.2
ip -n "$r2" route add 10.250.1.0/24 via 10.250.2.1
ip -n "$t" route add default via 10.250.3.1
# Routers forward and send every time-exceeded message (no rate limit: the
# probes of both engines come in quick succession).
for n in $r1 $r2; do
  ip netns exec "$n" sysctl -qw net.ipv4.ip_forward=1
  ip netns exec "$n" sysctl -qw net.ipv4.icmp_ratelimit=0
done
ip netns exec "$r1" sysctl -qw net.ipv4.icmp_echo_ignore_all=1
# Inside the client namespace (ip netns exec mounts these over /etc), names
# come from a hosts file and nothing is asked of a name server.
mkdir -p "/etc/netns/$c"
printf '%s\n' "127.0.0.1 localhost" "10.250.1.1 router1.chain.test" "10.250.2.2 router2.chain.test" \
  "10.250.3.2 target.chain.test" >"/etc/netns/$c/hosts"
printf '%s\n' "nameserver 127.0.0.1" "options timeout:1 attempts:1" >"/etc/netns/$c/resolv.conf"
set +e

stop_server
export NOX_NETNS_CHAIN=1
status=0
ip netns exec "$c" "$run" "$program" --gtest_brief=1 --gtest_filter='NetDiagNamespaces.Chain*' || status=1
ip netns exec "$r2" nft -f - <<'NFT' || status=1
table ip silent {
  chain out { type filter hook output priority 0; icmp type time-exceeded drop; }
}
NFT
ip netns exec "$c" "$run" "$program" --gtest_brief=1 --gtest_filter='NetDiagNamespaces.Silent*' || status=1
exit $status
