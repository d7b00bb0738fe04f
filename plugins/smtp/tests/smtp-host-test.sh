#!/usr/bin/env bash
# SMTP.nxo for real under Wine through the host: NxInfo.exe with only the SMTP
# plug-in; the mail exchangers of smtp.test come from the DNS responder of the
# dns_servers fixture (named by the stand-in ipconfig.exe's listing), a third
# server from --set; all three are mail servers of the smtp_servers fixture.
# Name lookups stay on loopback (with-loopback-resolver.sh). Checks the
# document with xmllint.
#   smtp-host-test.sh BUILD_DIR TOOLS_DIR
set -euo pipefail
build=$1 tools=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../../netdiag/tests/host-test-lib.sh"
require_fixture "$build" dns-servers
require_fixture "$build" smtp-servers
work=$(mktemp -d "$build/smtp-host.XXXXXX")
trap 'rm -rf "$work"' EXIT

use_listing "$work/listing.txt" 127.0.53.2 smtp.test
run_host "$build" "$tools" "$work/result" "$work/host.log" --only "SMTP Plugin" \
  --set "SMTP Plugin:Target SMTP server=127.0.25.3"
list=//smtp/smtpServer/smtpServers
server() { echo "$list/smtpServer[@index='$1']"; }
check "$list/text()[1]" 3
check "count($list/smtpServer)" 3
check "count(//smtp/smtpServer[@IsSuccess='false'])" 0
# The exchangers in order of preference, then the user's server.
check "$(server 1)/smtpServerName" 127.0.25.1
check "$(server 1)/smtpFrom" DNS
check "$(server 2)/smtpServerName" 127.0.25.2
check "$(server 2)/smtpFrom" DNS
check "$(server 3)/smtpServerName" 127.0.25.3
check "$(server 3)/smtpFrom" "User Input"
for i in 1 2 3; do
  check "$(server $i)/connectResponsecode" 220
  check "$(server $i)/heloResponsecode" 250
  check "count($(server $i)/ehloResponselines/@warning)" 0
  check "$(server $i)/PingInformation/ipAddress" "127.0.25.$i"
  check "$(server $i)/PingInformation/packetsReceived" 3
  check "$(server $i)/tracerouteInformation/target/hops/text()[1]" 1
  check "$(server $i)/tracerouteInformation/target/hops/hop[@index='1']/ipAddress" "127.0.25.$i"
done
check "$(server 1)/smtpServertype" SMTP/ESMTP
check "$(server 1)/ehloResponsecode" 250
check "$(server 1)/ehloResponselines" "250-esmtp.test greets test 250-SIZE 10240000 250-8BITMIME 250 HELP"
check "$(server 2)/smtpServertype" SMTP/ESMTP
check "$(server 3)/smtpServertype" SMTP
check "$(server 3)/ehloResponsecode" 500
finish
