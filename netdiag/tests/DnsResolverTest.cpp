#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <tuple>

#include "DnsResolver.h"
#include "DnsTestMessages.h"

namespace netdiag {
namespace {

using testing::ReplyBuilder;

// Answers queries from a table of (server, name, type); records what was asked.
class TableTransport : public DnsTransport {
 public:
  using Answer = std::function<void(ReplyBuilder&)>;
  struct Entry {
    bool authoritative = true;
    Answer fill;
    bool udpOnly = false;
  };

  void on(const std::string& server, const std::string& name, int type, Answer fill,
          bool authoritative = true, bool udpOnly = false) {
    table_[{server, name, type}] = Entry{authoritative, std::move(fill), udpOnly};
  }

  bool exchange(const std::string& server, const std::vector<uint8_t>& message, bool tcp,
                std::vector<uint8_t>& reply) override {
    std::string name;
    size_t next;
    decodeDnsName(message.data(), message.size(), 12, name, next);
    int type = message[next] << 8 | message[next + 1];
    asked.push_back(server + " " + name + " " + std::to_string(type) + (tcp ? " tcp" : " udp"));
    auto found = table_.find({server, name, type});
    if (found == table_.end() || (found->second.udpOnly && tcp)) return false;
    ReplyBuilder builder(message, found->second.authoritative);
    if (found->second.fill) found->second.fill(builder);
    reply = builder.bytes();
    return true;
  }

  std::vector<std::string> asked;

 private:
  std::map<std::tuple<std::string, std::string, int>, Entry> table_;
};

const std::string kServer = "10.0.0.53";

TEST(DnsLookup, NameIsAskedInTheDomainFirstThenAsGiven) {
  TableTransport dns;
  dns.on(kServer, "host", kDnsA, [](ReplyBuilder& r) { r.a("host", "10.1.1.1"); });
  dns.on(kServer, "host.corp.test", kDnsA, [](ReplyBuilder&) {});
  std::vector<std::string> answers;
  std::vector<std::string> debug;
  EXPECT_EQ(LookupStatus::kAnswered, dnsLookup(dns, nullptr, "host", kServer, "corp.test", answers,
                                               [&](const std::string& n) { debug.push_back(n); }));
  EXPECT_EQ(std::vector<std::string>({"10.1.1.1"}), answers);
  EXPECT_EQ(std::vector<std::string>({kServer + " host.corp.test 1 tcp", kServer + " host 1 tcp"}),
            dns.asked);
  EXPECT_EQ(std::vector<std::string>({"host.corp.test", "host"}), debug);
}

TEST(DnsLookup, AnswerInTheDomainEndsTheLookup) {
  TableTransport dns;
  dns.on(kServer, "host.corp.test", kDnsA, [](ReplyBuilder& r) {
    r.a("host.corp.test", "10.1.1.1").a("ns.corp.test", "10.1.1.53", 2).a("host.corp.test", "10.1.1.1", 2);
  });
  std::vector<std::string> answers;
  EXPECT_EQ(LookupStatus::kAnswered, dnsLookup(dns, "", "host", kServer, "corp.test", answers));
  EXPECT_EQ(std::vector<std::string>({"10.1.1.1", "10.1.1.53"}), answers)
      << "additional-section addresses follow, a repeated text comes once";
  EXPECT_EQ(1u, dns.asked.size());
}

TEST(DnsLookup, DottedAddressIsAReverseLookup) {
  TableTransport dns;
  dns.on(kServer, "3.2.1.10.in-addr.arpa", kDnsPTR,
         [](ReplyBuilder& r) { r.named("3.2.1.10.in-addr.arpa", kDnsPTR, "box.corp.test"); });
  std::vector<std::string> answers;
  EXPECT_EQ(LookupStatus::kAnswered, dnsLookup(dns, "PTR", "10.1.2.3", kServer, "corp.test", answers));
  EXPECT_EQ(std::vector<std::string>({"box.corp.test"}), answers);
}

TEST(DnsLookup, EmptyDomainQueriesTheNameWithAFinalDot) {
  TableTransport dns;
  dns.on(kServer, "host", kDnsA, [](ReplyBuilder& r) { r.a("host", "10.1.1.1"); });
  std::vector<std::string> answers;
  EXPECT_EQ(LookupStatus::kAnswered, dnsLookup(dns, nullptr, "host", kServer, "", answers));
  EXPECT_EQ(kServer + " host 1 tcp", dns.asked.at(0)) << "\"host.\" is sent as \"host\"";
  EXPECT_EQ(1u, dns.asked.size());
}

TEST(DnsLookup, TcpFailureSwitchesToUdpForTheRestOfTheCall) {
  TableTransport dns;
  dns.on(
      kServer, "host.corp.test", kDnsA, [](ReplyBuilder&) {}, true, true);
  dns.on(
      kServer, "host", kDnsA, [](ReplyBuilder& r) { r.a("host", "10.1.1.9"); }, true, true);
  std::vector<std::string> answers;
  EXPECT_EQ(LookupStatus::kAnswered, dnsLookup(dns, nullptr, "host", kServer, "corp.test", answers));
  EXPECT_EQ(std::vector<std::string>({kServer + " host.corp.test 1 tcp", kServer + " host.corp.test 1 udp",
                                      kServer + " host 1 udp"}),
            dns.asked);
}

TEST(DnsLookup, FailuresAndEmptyAnswersAreTold) {
  TableTransport dns;
  std::vector<std::string> answers;
  EXPECT_EQ(LookupStatus::kFailed, dnsLookup(dns, nullptr, "host", kServer, "corp.test", answers));
  EXPECT_EQ(LookupStatus::kFailed, dnsLookup(dns, nullptr, "host", "", "corp.test", answers)) << "no server";
  dns.on(kServer, "host", kDnsA, [](ReplyBuilder&) {});
  EXPECT_EQ(LookupStatus::kNoAnswer, dnsLookup(dns, nullptr, "host", kServer, "corp.test", answers));
}

TEST(DnsLookup, OtherTypesChaseNameServersUntilAnAuthoritativeAnswer) {
  TableTransport dns;
  // The first server only refers to the zone's name servers; the first of them is dead.
  dns.on(
      kServer, "corp.test", kDnsAny,
      [](ReplyBuilder& r) {
        r.named("corp.test", kDnsNS, "dead.corp.test", 1)
            .named("corp.test", kDnsNS, "ns2.corp.test", 1)
            .a("ns2.corp.test", "10.0.0.2", 2);
      },
      false);
  dns.on("10.0.0.2", "corp.test", kDnsTXT, [](ReplyBuilder& r) {
    r.record("corp.test", kDnsTXT, {3, 'o', 'n', 'e'}).record("corp.test", kDnsTXT, {3, 't', 'w', 'o'});
  });
  std::vector<std::string> answers;
  EXPECT_EQ(LookupStatus::kAnswered, dnsLookup(dns, "txt", "corp.test", kServer, "ignored", answers));
  EXPECT_EQ(std::vector<std::string>({"one", "two"}), answers);
  EXPECT_EQ(std::vector<std::string>({kServer + " corp.test 255 tcp", "dead.corp.test corp.test 16 tcp",
                                      "10.0.0.2 corp.test 16 tcp"}),
            dns.asked);
}

TEST(DnsLookup, UnknownMnemonicIsAnAddressQueryOfTheNameAsGiven) {
  TableTransport dns;
  dns.on(kServer, "host", kDnsAny, [](ReplyBuilder& r) { r.a("host", "10.9.9.9").mx("host", 5, "m.host"); });
  std::vector<std::string> answers;
  EXPECT_EQ(LookupStatus::kAnswered, dnsLookup(dns, "AAAA", "host", kServer, "corp.test", answers));
  EXPECT_EQ(std::vector<std::string>({"10.9.9.9"}), answers);
}

TEST(DnsLookup, EndlessReferralsStopAfterNineFurtherQueries) {
  TableTransport dns;
  for (const std::string& server : {kServer, std::string("10.0.0.2")}) {
    dns.on(
        server, "loop.test", kDnsAny,
        [](ReplyBuilder& r) { r.named("loop.test", kDnsNS, "ns.loop.test").a("ns.loop.test", "10.0.0.2"); },
        false);
    dns.on(
        server, "loop.test", kDnsA,
        [](ReplyBuilder& r) { r.named("loop.test", kDnsNS, "ns.loop.test").a("ns.loop.test", "10.0.0.2"); },
        false);
  }
  std::vector<std::string> answers;
  EXPECT_EQ(LookupStatus::kFailed, dnsLookup(dns, "A", "loop.test", kServer, "", answers));
  EXPECT_EQ(2u * (1 + 9), dns.asked.size()) << "TCP, then once more over UDP";
}

TEST(MxLookup, ExchangersInPreferenceOrderEqualOnesAsListed) {
  TableTransport dns;
  dns.on(kServer, "corp.test", kDnsAny, [](ReplyBuilder& r) {
    r.mx("corp.test", 20, "c.corp.test")
        .mx("corp.test", 10, "a.corp.test")
        .mx("corp.test", 10, "b.corp.test")
        .a("a.corp.test", "10.0.0.1", 2)
        .a("a.corp.test", "10.0.0.11", 2);
  });
  DnsClient client(dns);
  MxLookup mx(client);
  ASSERT_TRUE(mx.lookup(kServer, " user@corp.test "));
  const auto& list = mx.exchangers();
  ASSERT_EQ(4u, list.size());
  EXPECT_EQ("a.corp.test", list[0].host);
  EXPECT_EQ("10.0.0.1", list[0].address);
  EXPECT_EQ("10.0.0.11", list[1].address);
  EXPECT_EQ("b.corp.test", list[2].host);
  EXPECT_EQ("", list[2].address);
  EXPECT_EQ(20, list[3].preference);

  std::vector<std::string> answers;
  EXPECT_EQ(LookupStatus::kAnswered, dnsLookup(dns, "mx", "unused", kServer, "corp.test", answers));
  EXPECT_EQ(std::vector<std::string>({"a.corp.test", "b.corp.test", "c.corp.test"}), answers);
}

TEST(MxLookup, FollowsCNamesAndNameServers) {
  TableTransport dns;
  // Not authoritative: a CNAME that leads nowhere, then the name server that knows.
  dns.on(
      kServer, "corp.test", kDnsAny,
      [](ReplyBuilder& r) {
        r.named("corp.test", kDnsCName, "alias.corp.test")
            .named("corp.test", kDnsNS, "ns.corp.test", 1)
            .a("ns.corp.test", "10.0.0.3", 2);
      },
      false);
  dns.on("10.0.0.3", "corp.test", kDnsAny,
         [](ReplyBuilder& r) { r.named("corp.test", kDnsCName, "mail.other.test"); });
  dns.on("10.0.0.3", "mail.other.test", kDnsAny,
         [](ReplyBuilder& r) { r.mx("mail.other.test", 1, "mx.other.test"); });
  DnsClient client(dns);
  MxLookup mx(client);
  ASSERT_TRUE(mx.lookup(kServer, "corp.test"));
  ASSERT_EQ(1u, mx.exchangers().size());
  EXPECT_EQ("mx.other.test", mx.exchangers()[0].host);
  // alias.corp.test was tried on the first server: one TCP and three UDP attempts.
  EXPECT_EQ(kServer + " alias.corp.test 255 tcp", dns.asked.at(1));
  EXPECT_EQ(kServer + " alias.corp.test 255 udp", dns.asked.at(4));
}

TEST(MxLookup, AnAuthoritativeAnswerWithoutExchangersFails) {
  TableTransport dns;
  dns.on(kServer, "corp.test", kDnsAny, [](ReplyBuilder& r) { r.a("corp.test", "10.0.0.1"); });
  DnsClient client(dns);
  MxLookup mx(client);
  EXPECT_FALSE(mx.lookup(kServer, "corp.test"));
  std::vector<std::string> answers;
  EXPECT_EQ(LookupStatus::kFailed, dnsLookup(dns, "MX", nullptr, kServer, "corp.test", answers));
}

TEST(AnswerBlock, AnswersEachFollowedByATabThenZeros) {
  std::vector<char> expected = {'1', '0', '.', '0', '.', '0', '.', '1',  '\t', '1',
                                '0', '.', '0', '.', '0', '.', '2', '\t', '\0', '\0'};
  EXPECT_EQ(expected, answerBlock({"10.0.0.1", "10.0.0.2"}));
  EXPECT_EQ(std::vector<char>({'x', '\t', '\0', '\0'}), answerBlock({"x"}));
}

}  // namespace
}  // namespace netdiag
