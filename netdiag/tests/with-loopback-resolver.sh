#!/usr/bin/env bash
# Runs a command whose host-name lookups stay on loopback: in a mount namespace
# of its own, /etc/resolv.conf names only the dnsmasq of the dns_servers
# fixture (127.0.53.1). Wine hands gethostbyname and gethostbyaddr to the
# host's resolver, so without this the reverse lookups of test addresses would
# go to the machine's real name server.
#   with-loopback-resolver.sh COMMAND [ARGS...]
set -euo pipefail
conf=$(mktemp /tmp/nox-resolv.XXXXXX)
trap 'rm -f "$conf"' EXIT
echo "nameserver 127.0.53.1" >"$conf"
unshare --mount -- sh -c 'mount --bind "$0" /etc/resolv.conf && exec "$@"' "$conf" "$@"
