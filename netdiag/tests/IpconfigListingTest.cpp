#include <gtest/gtest.h>

#include <cstring>

#include "IpconfigListing.h"
#include "Text.h"

namespace netdiag {
namespace {

const char kXpListing[] =
    "\r\nWindows IP Configuration\r\n\r\n"
    "        Host Name . . . . . . . . . . . . : ws01\r\n"
    "        Primary Dns Suffix  . . . . . . . : corp.test\r\n"
    "        Node Type . . . . . . . . . . . . : Hybrid\r\n"
    "\r\nEthernet adapter Local Area Connection:\r\n\r\n"
    "        Connection-specific DNS Suffix  . : branch.corp.test\r\n"
    "        Description . . . . . . . . . . . : Intel(R) PRO/1000 MT Network Connection\r\n"
    "        Physical Address. . . . . . . . . : 00-0C-29-3A-4B-5C\r\n"
    "        Dhcp Enabled. . . . . . . . . . . : Yes\r\n"
    "        IP Address. . . . . . . . . . . . : 10.0.0.21\r\n"
    "        Subnet Mask . . . . . . . . . . . : 255.255.255.0\r\n"
    "        Default Gateway . . . . . . . . . : 10.0.0.1\r\n"
    "        DNS Servers . . . . . . . . . . . : 10.0.0.53\r\n"
    "                                            10.0.0.54\r\n"
    "                                            10.0.0.55\r\n"
    "\r\nEthernet adapter Wireless:\r\n\r\n"
    "        Description . . . . . . . . . . . : Second card\r\n"
    "        Physical Address. . . . . . . . . : 00-11-22-33-44-55\r\n"
    "        IP Address. . . . . . . . . . . . : 192.0.2.7\r\n";

AdapterRecord build(const std::string& text, int expectedCount = 1) {
  AdapterRecord record;
  ListingEntries entries = parseListing(text.data(), text.size());
  EXPECT_EQ(expectedCount, buildAdapterRecord(entries, record)) << text;
  return record;
}

TEST(IpconfigListing, EntriesKeepLineOrderAndContinuations) {
  ListingEntries entries = parseListing(kXpListing, std::strlen(kXpListing));
  ASSERT_EQ(14u, entries.size());
  EXPECT_EQ("Host Name", entries[0].first);
  EXPECT_EQ("ws01", entries[0].second);
  EXPECT_EQ("Primary Dns Suffix", entries[1].first);
  EXPECT_EQ("DNS Servers", entries[10].first);
  EXPECT_EQ("10.0.0.53/10.0.0.54/10.0.0.55", entries[10].second);
}

TEST(IpconfigListing, TwoAdaptersGiveTheFirstWithTheGlobalSuffix) {
  AdapterRecord r = build(kXpListing);
  EXPECT_EQ(904, r.recordSize);
  EXPECT_STREQ("Intel(R) PRO/1000 MT Network Connection", r.description);
  EXPECT_STREQ("10.0.0.21", r.ipAddress);
  EXPECT_STREQ("255.255.255.0", r.subnetMask);
  EXPECT_STREQ("10.0.0.1", r.defaultGateway);
  EXPECT_STREQ("10.0.0.53", r.firstDnsServer);
  EXPECT_STREQ("10.0.0.54/10.0.0.55", r.furtherDnsServers);
  EXPECT_STREQ("00-0C-29-3A-4B-5C", r.physicalAddress);
  EXPECT_EQ(1, r.dhcpEnabled);
  EXPECT_STREQ("corp.test", r.dnsDomain);
  for (uint8_t b : r.padding) EXPECT_EQ(0, b);
}

TEST(IpconfigListing, DnsDomainFallsBackInOrder) {
  struct Row {
    const char* listing;
    const char* domain;
  } rows[] = {
      {"  Primary Dns Suffix . : \n  Connection-specific DNS Suffix . : site.test\n  Host Name . : h.x.test\n"
       "  DNS Servers . : 10.0.0.1\n",
       "site.test"},
      {"  Primary Dns Suffix . : \n  Connection-specific DNS Suffix . : \n  Host Name . : h.x.test\n"
       "  DNS Servers . : 10.0.0.1\n",
       ""},
      {"  Host Name . : h.x.test\n  DNS Servers . : 10.0.0.1\n", "x.test"},
      {"  Host Name . : h\n  DNS Servers . : 10.0.0.1\n", ""},
  };
  for (const Row& row : rows) EXPECT_STREQ(row.domain, build(row.listing).dnsDomain) << row.listing;
}

TEST(IpconfigListing, RecordThroughDnsServersAloneHasNoPhysicalAddress) {
  AdapterRecord r = build("\tDNS Servers\t. . : 10.0.0.53 \n\tDHCP Enabled . : no\n");
  EXPECT_STREQ("10.0.0.53", r.firstDnsServer);
  EXPECT_STREQ("", r.furtherDnsServers);
  EXPECT_STREQ("", r.physicalAddress);
  EXPECT_EQ(0, r.dhcpEnabled);
}

TEST(IpconfigListing, WineListingHasNoDnsServerAndNoRecordWithoutAdapterKeys) {
  // The shape Wine's ipconfig prints: no "DNS Servers", no "Subnet Mask".
  const char wine[] =
      "\r\nWindows IP Configuration\r\n\r\n   Host name. . . . . . . . . . . . : box\r\n"
      "\r\nEthernet adapter eth0:\r\n\r\n   Connection-specific DNS suffix . : \r\n"
      "   Description . . . . . . . . . . . : eth0\r\n   Physical address. . . . . . . . . : "
      "02-42-AC-11-00-02\r\n"
      "   IPv4 address. . . . . . . . . . . : 172.17.0.2\r\n";
  AdapterRecord r = build(wine);
  EXPECT_STREQ("", r.firstDnsServer);
  EXPECT_STREQ("02-42-AC-11-00-02", r.physicalAddress);
  build("  Node Type . : Hybrid\n", 0);
  EXPECT_TRUE(parseListing("Heading only\r\n\r\n   \t \r\n", 19).empty());
}

TEST(IpconfigListing, ContinuationBeforeAnyEntryIsIgnoredAndLongValuesAreCut) {
  std::string listing = "   orphan line\n   Description . : " + std::string(400, 'd') +
                        "\n   Physical Address . : " + std::string(100, 'p') + "\n";
  ListingEntries entries = parseListing(listing.data(), listing.size());
  ASSERT_EQ(2u, entries.size());
  AdapterRecord r = build(listing);
  EXPECT_EQ(255u, std::strlen(r.description));
  EXPECT_EQ(63u, strnlen(r.physicalAddress, 64));
}

}  // namespace
}  // namespace netdiag
