#!/usr/bin/env bash
# DNS.nxo for real under Wine through the host: NxInfo.exe with only the DNS
# plug-in, its targets given with --set as a person types them (the entry by
# number, the targets separated by a comma; the host hands them over
# TAB-separated), NetDiag.dll asking the dnsmasq of the dns_servers fixture
# (named by the stand-in ipconfig.exe's listing) and pinging 127.0.0.1, with
# host-name lookups kept on loopback. Checks the document with xmllint.
#   dns-host-test.sh BUILD_DIR TOOLS_DIR
set -euo pipefail
build=$1 tools=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../../netdiag/tests/host-test-lib.sh"
require_fixture "$build" dns-servers
work=$(mktemp -d "$build/dns-host.XXXXXX")
trap 'rm -rf "$work"' EXIT

use_listing "$work/listing.txt" 127.0.53.1 corp.test
run_host "$build" "$tools" "$work/result" "$work/host.log" --only "DNS Plugin" \
  --set "DNS Plugin:1=host, 127.0.0.1"
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
finish
