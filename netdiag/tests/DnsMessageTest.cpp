#include <gtest/gtest.h>

#include "DnsMessage.h"
#include "DnsTestMessages.h"

namespace netdiag {
namespace {

using testing::ReplyBuilder;

TEST(DnsMessage, TypeMnemonicsAreTablePositionsWithoutRegardToCase) {
  struct Row {
    const char* mnemonic;
    int code;
  } rows[] = {{nullptr, 0},  {"", 0},       {"a", 1},   {"NS", 2},   {"cname", 5}, {"SOA", 6},  {"ptr", 12},
              {"HInfo", 13}, {"MINFO", 14}, {"mx", 15}, {"TXT", 16}, {"NULL", 10}, {"AAAA", 1}, {"bogus", 1}};
  for (const Row& row : rows) {
    EXPECT_EQ(row.code, dnsTypeCode(row.mnemonic)) << (row.mnemonic ? row.mnemonic : "(null)");
  }
}

TEST(DnsMessage, QueryLayoutIsByteExact) {
  std::vector<uint8_t> expected = {0x86, 0x39, 0x01, 0x00, 0x00, 0x01, 0,   0, 0,    0,  0, 0, 4,
                                   'm',  'a',  'i',  'l',  2,    'e',  'x', 0, 0x00, 15, 0, 1};
  EXPECT_EQ(expected, buildDnsQuery("mail.ex", 15));
  EXPECT_EQ(expected, buildDnsQuery("mail.ex.", 15)) << "a final dot adds nothing";
  EXPECT_EQ(7u + 18u, buildDnsQuery("mail.ex", 1).size()) << "L + 18 bytes";
}

TEST(DnsMessage, NamesThatCannotBeSentGiveNoMessage) {
  EXPECT_TRUE(buildDnsQuery(std::string(64, 'x') + ".test", 1).empty()) << "label over 63";
  EXPECT_FALSE(buildDnsQuery(std::string(63, 'x') + ".test", 1).empty());
  std::string longName;
  while (longName.size() < 256) longName += "abcdefg.";
  EXPECT_TRUE(buildDnsQuery(longName.substr(0, 256), 1).empty()) << "over 255 characters";
  EXPECT_FALSE(buildDnsQuery(longName.substr(0, 255), 1).empty());
}

TEST(DnsMessage, RecordsOfEveryKindAreRead) {
  ReplyBuilder reply("corp.test", kDnsAny);
  reply.a("host.corp.test", "10.0.0.7")
      .mx("corp.test", 10, "mx1.corp.test")
      .named("www.corp.test", kDnsCName, "host.corp.test")
      .record("corp.test", kDnsTXT, {5, 'h', 'e', 'l', 'l', 'o', 2, 'x', 'y'})
      .record("corp.test", kDnsHINFO, {3, 'c', 'p', 'u', 2, 'o', 's'})
      .soa("corp.test", "ns1.corp.test", "admin.corp.test");
  size_t question = buildDnsQuery("corp.test", kDnsAny).size();
  DnsReply parsed = parseDnsReply(reply.bytes().data(), reply.bytes().size(), question);
  EXPECT_TRUE(parsed.authoritative);
  ASSERT_EQ(6u, parsed.records.size());
  EXPECT_EQ("host.corp.test", parsed.records[0].owner);
  EXPECT_EQ("10.0.0.7", parsed.records[0].text);
  EXPECT_EQ(3600u, parsed.records[0].ttl);
  EXPECT_EQ("mx1.corp.test", parsed.records[1].text);
  EXPECT_EQ(10, parsed.records[1].preference);
  EXPECT_EQ("host.corp.test", parsed.records[2].text);
  EXPECT_EQ("hello", parsed.records[3].text);
  EXPECT_EQ("cpu", parsed.records[4].text);
  EXPECT_EQ("os", parsed.records[4].second);
  EXPECT_EQ("ns1.corp.test", parsed.records[5].text);
  EXPECT_EQ("admin.corp.test", parsed.records[5].second);
  EXPECT_EQ(2024u, parsed.records[5].soa[0]);
  EXPECT_EQ(300u, parsed.records[5].soa[4]);
}

TEST(DnsMessage, CompressedNamesFollowPointersBackwards) {
  std::vector<uint8_t> query = buildDnsQuery("corp.test", kDnsMX);
  // Owner: pointer to the question name at 12; exchange: "mx" + pointer to 12.
  ReplyBuilder reply(query);
  reply.raw(kDnsMX, {0xC0, 12}, {0, 5, 2, 'm', 'x', 0xC0, 12});
  DnsReply parsed = parseDnsReply(reply.bytes().data(), reply.bytes().size(), query.size());
  ASSERT_EQ(1u, parsed.records.size());
  EXPECT_EQ("corp.test", parsed.records[0].owner);
  EXPECT_EQ("mx.corp.test", parsed.records[0].text);
  EXPECT_EQ(5, parsed.records[0].preference);
}

TEST(DnsMessage, BadPointersEndTheReplyKeepingEarlierRecords) {
  std::vector<uint8_t> query = buildDnsQuery("a.test", kDnsA);
  struct Row {
    const char* what;
    std::vector<uint8_t> owner;
  } rows[] = {
      {"pointer to itself", {0xC0, 0}},  // patched below to its own position
      {"pointer outside the reply", {0xFF, 0xFF}},
      {"forward pointer", {0xC0, 0xF0}},
      {"label past the end", {40, 'x'}},
  };
  for (Row& row : rows) {
    ReplyBuilder reply(query);
    reply.a("a.test", "1.2.3.4");
    size_t second = reply.bytes().size();
    if (row.owner[0] == 0xC0 && row.owner[1] == 0) row.owner[1] = static_cast<uint8_t>(second);
    reply.raw(kDnsA, row.owner, {5, 6, 7, 8});
    DnsReply parsed = parseDnsReply(reply.bytes().data(), reply.bytes().size(), query.size());
    ASSERT_EQ(1u, parsed.records.size()) << row.what;
    EXPECT_EQ("1.2.3.4", parsed.records[0].text) << row.what;
  }
}

TEST(DnsMessage, LoopThroughTwoPointersEnds) {
  std::vector<uint8_t> query = buildDnsQuery("a.test", kDnsA);
  ReplyBuilder reply(query);
  size_t at = reply.bytes().size();
  // Owner at `at`: pointer to at+2, which points back to `at`.
  reply.raw(kDnsA, {0xC0, static_cast<uint8_t>(at + 2), 0xC0, static_cast<uint8_t>(at)}, {1, 2, 3, 4});
  DnsReply parsed = parseDnsReply(reply.bytes().data(), reply.bytes().size(), query.size());
  EXPECT_TRUE(parsed.records.empty());
}

TEST(DnsMessage, ShortOrForeignRepliesYieldWhatTheyHold) {
  std::vector<uint8_t> query = buildDnsQuery("a.test", kDnsA);
  ReplyBuilder reply(query);
  reply.a("a.test", "1.2.3.4").a("a.test", "5.6.7.8");
  std::vector<uint8_t> bytes = reply.bytes();
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    DnsReply parsed = parseDnsReply(bytes.data(), cut, query.size());
    EXPECT_LE(parsed.records.size(), 1u) << cut;
  }
  EXPECT_EQ(2u, parseDnsReply(bytes.data(), bytes.size(), query.size()).records.size());
  // Counts larger than the records there are.
  bytes[7] = 200;
  EXPECT_EQ(2u, parseDnsReply(bytes.data(), bytes.size(), query.size()).records.size());
}

TEST(DnsMessage, DecodedTextsStopAt260Characters) {
  std::string label(60, 'q');
  std::string name = label + "." + label + "." + label + "." + label + "." + label;  // 304 characters
  std::vector<uint8_t> query = buildDnsQuery("t.test", kDnsTXT);
  ReplyBuilder reply(query);
  reply.named("t.test", kDnsCName, name);
  std::vector<uint8_t> txt(1, 255);
  txt.resize(256, 'z');
  reply.record("t.test", kDnsTXT, txt);
  DnsReply parsed = parseDnsReply(reply.bytes().data(), reply.bytes().size(), query.size());
  ASSERT_EQ(2u, parsed.records.size());
  EXPECT_EQ(name.substr(0, 260), parsed.records[0].text);
  EXPECT_EQ(std::string(255, 'z'), parsed.records[1].text);
}

}  // namespace
}  // namespace netdiag
