#!/usr/bin/env bash
# DNS.nxo for real under Wine through the host: NxInfo.exe with only the DNS
# plug-in, its targets given with --set as a person types them (the entry by
# number, the targets separated by a comma; the host hands them over
# TAB-separated), NetDiag.dll asking the dnsmasq of the dns_servers fixture
# (named by the stand-in ipconfig.exe's listing) and pinging 127.0.0.1.
# Checks the document with xmllint.
#   dns-host-test.sh BUILD_DIR TOOLS_DIR
set -euo pipefail
build=$1 tools=$2
here=$(cd "$(dirname "$0")" && pwd)
if [ "$(head -n1 "$build/bin/dns-servers.txt" 2>/dev/null)" != "ready" ]; then
  echo "SKIP: DNS servers unavailable: $(cat "$build/bin/dns-servers.txt" 2>/dev/null)"
  exit 0
fi
work=$(mktemp -d "$build/dns-host.XXXXXX")
trap 'rm -rf "$work"' EXIT
winpath() { echo "Z:${1//\//\\}"; }

printf '%s\r\n' "" "Windows IP Configuration" "" \
  "        Host Name . . . . . . . . . . . . : ws01" \
  "        Primary Dns Suffix  . . . . . . . : corp.test" "" "Ethernet adapter LAN:" "" \
  "        Physical Address. . . . . . . . . : 00-0C-29-3A-4B-5C" \
  "        DNS Servers . . . . . . . . . . . : 127.0.53.1" >"$work/listing.txt"
export NOX_IPCONFIG_LISTING
NOX_IPCONFIG_LISTING=$(winpath "$work/listing.txt")

cd "$tools"
"$here/../../../scripts/wine-run" "$build/bin/NxInfo.exe" --quiet --only "DNS Plugin" \
  --set "DNS Plugin:1=host, 127.0.0.1" \
  --no-compress run "$(winpath "$work/result")" >"$work/host.log" 2>/dev/null || {
  echo "NxInfo failed:"; cat "$work/host.log"; exit 1; }
doc=$work/result/NoxInfo.xml
fails=0
check() {  # XPATH EXPECTED
  local got
  got=$(xmllint --xpath "normalize-space($1)" "$doc" 2>/dev/null || true)
  if [ "$got" != "$2" ]; then
    echo "FAIL: $1: expected [$2], got [$got]"
    fails=$((fails + 1))
  else
    echo "ok: $1 = $2"
  fi
}
dns=//dns
check "count($dns/hostIp/host)" 2
check "count($dns/ping/host)" 2
check "$dns/hostIp/host[@index='1']/target/useDNS/forwardlookupResult[1]" "host->10.53.0.10"
check "$dns/hostIp/host[@index='1']/target/useDNS/reverselookupResult[1]" "10.53.0.10->host.corp.test"
check "$dns/hostIp/host[@index='2']/target/useWinSocket/reverselookupResult[1]" "127.0.0.1->localhost"
check "$dns/ping/host[@index='2']/target/ipAddress" "127.0.0.1"
check "$dns/ping/host[@index='2']/target/packetsReceived" 3
check "$dns/ping/host[@index='2']/target/packetsLoss" 0
check "$dns/traceroute/host[@index='2']/target/hops/text()[1]" 1
check "$dns/traceroute/host[@index='2']/target/hops/hop[@index='1']/ipAddress" "127.0.0.1"
if [ $fails -ne 0 ]; then
  echo "--- document"; cat "$doc"; exit 1
fi
echo "1 passed, 0 failed"
