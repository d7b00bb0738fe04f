// The SMTP report on recorded NetDiag results and recorded Winsock answers
// (where every connection is refused), and the conversation's nodes for each
// way a conversation can end.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "RecordedNetDiag.h"
#include "RecordedSocket.h"
#include "ReportProbe.h"
#include "Scenario.h"
#include "SmtpObservations.h"

namespace {

using Names = std::vector<std::string>;

const char kNetwork[] = "[host mx1.corp.test]\naddresses = 10.0.0.25\n";

class SmtpReport : public ::testing::Test {
 protected:
  explicit SmtpReport(const std::string& scenario = kNetwork)
      : machine_(ScenarioMachine::fromText(scenario)),
        sockets_(machine_.platform()),
        socketScope_(sockets_),
        netDiagScope_(netDiag_) {}

  IReport& run(const char* servers) {
    root_.reset(new smtp::SmtpRoot());
    if (root_->getConfigrations().getCount() > 0) {
      static_cast<ConfigrationEntry&>(
          root_->getConfigrations().getItem(0).getConfigrationEntries().getItem(0))
          .setValue(servers);
    }
    report_.reset(static_cast<Report*>(&root_->createReport()));
    return *report_;
  }

  ScenarioMachine machine_;
  RecordedSocket sockets_;
  ScopedSeam<SocketApi> socketScope_;
  RecordedNetDiag netDiag_;
  ScopedSeam<NetDiagApi> netDiagScope_;
  std::unique_ptr<smtp::SmtpRoot> root_;
  std::unique_ptr<Report> report_;
};

TEST_F(SmtpReport, FormAndAFailingLookupWithoutServers) {
  IReport& report = run("");
  ASSERT_EQ(1u, root_->getConfigrations().getCount());
  IConfigration& form = root_->getConfigrations().getItem(0);
  EXPECT_STREQ("SMTP Information", form.getTitle().getData());
  EXPECT_EQ(IConfigration::CONFIG_TYPE_TARGET, form.getType());
  EXPECT_STREQ("Target SMTP server", form.getConfigrationEntries().getItem(0).getName().getData());
  EXPECT_EQ(IConfigrationEntry::ENTRY_HOST, form.getConfigrationEntries().getItem(0).getType());

  EXPECT_STREQ("smtp", report.getName().getData());
  EXPECT_TRUE(report.isSuccess());
  ASSERT_EQ(Names({"smtpServer"}), probe::childNames(report));
  const IReport& list = report.getSubReports().getItem(0);
  EXPECT_FALSE(list.isSuccess());
  EXPECT_STREQ("NetDiagDNSLookup Failed (-5)", list.getErrorText().getData());
  EXPECT_EQ(Names({"smtpServers"}), probe::childNames(list));
  EXPECT_EQ(0, probe::number(list, "smtpServers"));
  EXPECT_EQ(0u, probe::find(list, "smtpServers")->getSubReports().getCount());
  EXPECT_EQ(Names({"lookup MX (null)"}), netDiag_.calls);
}

TEST_F(SmtpReport, ExchangersFirstThenTheUsersServersEmptyPiecesCountedButNotListed) {
  netDiag_.lookups[""] = {2, "mx1.corp.test\tmx2.corp.test\t"};
  IReport& report = run("10.0.0.30\t\tunknown.test\t");
  const IReport& list = *probe::find(report, "smtpServer");
  EXPECT_TRUE(list.isSuccess());
  EXPECT_EQ(2 + 4, probe::number(list, "smtpServers")) << "two exchangers and four user entries";
  const IReport& servers = *probe::find(list, "smtpServers");
  ASSERT_EQ(4u, servers.getSubReports().getCount());
  struct Row {
    const char* name;
    const char* from;
    const char* error;
  } rows[] = {
      {"mx1.corp.test", "DNS", "SMTP server connect error (10061)"},
      // Neither a known name nor an address: not contacted.
      {"mx2.corp.test", "DNS", "SMTP server connect error (11001)"},
      {"10.0.0.30", "User Input", "SMTP server connect error (10061)"},
      {"unknown.test", "User Input", "SMTP server connect error (11001)"},
  };
  for (unsigned i = 0; i < 4; ++i) {
    SCOPED_TRACE(rows[i].name);
    const IReport& server = servers.getSubReports().getItem(i);
    EXPECT_STREQ("smtpServer", server.getName().getData());
    EXPECT_EQ(std::to_string(i + 1), probe::attribute(server, "index"));
    EXPECT_EQ(
        Names({"smtpServerName", "smtpFrom", "smtpServertype", "PingInformation", "tracerouteInformation"}),
        probe::childNames(server));
    EXPECT_EQ(rows[i].name, probe::text(server, "smtpServerName"));
    EXPECT_EQ(rows[i].from, probe::text(server, "smtpFrom"));
    const IReport& type = *probe::find(server, "smtpServertype");
    EXPECT_FALSE(type.isSuccess());
    EXPECT_STREQ(rows[i].error, type.getErrorText().getData());
  }
  EXPECT_EQ(0, sockets_.openSockets());
}

TEST_F(SmtpReport, EchoSeriesAndTraceOfEachServer) {
  netDiag_.pings["up"] = recordedPing("10.0.0.1", "up.corp.test", 3);
  netDiag_.pings["down"] = recordedPing("NA", "NA", 0);
  TraceResult trace = {};
  trace.hopCount = 2;
  trace.hops[0] = recordedPing("10.0.0.254", "gw", 3);
  trace.hops[1] = recordedPing("10.0.0.1", "up.corp.test", 3);
  netDiag_.traces["up"] = trace;
  IReport& report = run("up\tdown\tbad");
  const IReport& servers = *probe::find(*probe::find(report, "smtpServer"), "smtpServers");
  ASSERT_EQ(3u, servers.getSubReports().getCount());

  const IReport& up = servers.getSubReports().getItem(0);
  const IReport& ping = *probe::find(up, "PingInformation");
  EXPECT_EQ(Names({"hostName", "ipAddress", "packetsTransmitted", "packetsReceived", "packetsLoss",
                   "minRoundTripTime(ms)", "maxRoundTripTime(ms)", "averageRoundTripTime(ms)"}),
            probe::childNames(ping));
  EXPECT_EQ("10.0.0.1", probe::text(ping, "ipAddress"));
  const IReport& target = *probe::find(*probe::find(up, "tracerouteInformation"), "target");
  EXPECT_EQ("up", std::string(static_cast<const char*>(target.getValue())));
  const IReport& hops = *probe::find(target, "hops");
  EXPECT_EQ(2, *static_cast<const int*>(hops.getValue()));
  EXPECT_EQ("gw", probe::text(hops.getSubReports().getItem(0), "hostName"));

  const IReport* timedOut = probe::find(servers.getSubReports().getItem(1), "PingInformation");
  EXPECT_STREQ("Request timed out", timedOut->getErrorText().getData());
  EXPECT_EQ(0u, timedOut->getSubReports().getCount());
  const IReport* failed = probe::find(servers.getSubReports().getItem(2), "PingInformation");
  EXPECT_STREQ("NetDiagPing failed (-2)", failed->getErrorText().getData());
  const IReport& badTarget =
      *probe::find(*probe::find(servers.getSubReports().getItem(2), "tracerouteInformation"), "target");
  EXPECT_STREQ("NetDiagTraceroute failed (-2)", probe::find(badTarget, "hops")->getErrorText().getData());
  EXPECT_EQ(
      (Names{"lookup MX (null)", "ping up", "trace up", "ping down", "trace down", "ping bad", "trace bad"}),
      netDiag_.calls);
}

class SmtpWithoutWinsock : public SmtpReport {
 protected:
  SmtpWithoutWinsock() : SmtpReport("[network]\nwinsock = fail\n") {}
};

TEST_F(SmtpWithoutWinsock, RootAloneWithTheError) {
  IReport& report = run("ignored");
  EXPECT_FALSE(report.isSuccess());
  EXPECT_STREQ("WinSocket Dll Initialize Fail!", report.getErrorText().getData());
  EXPECT_EQ(0u, report.getSubReports().getCount());
  EXPECT_EQ(0u, root_->getConfigrations().getCount());
  EXPECT_TRUE(netDiag_.calls.empty());
}

// The nodes of a conversation that ended with each result.
TEST(SmtpConversationNodes, EachEndShowsTheNodesUpToItsStage) {
  smtp::Conversation c;
  c.server = "mail.corp.test";
  c.source = "DNS";
  c.connectCode = 220;
  c.connectTime = 3;
  c.connectLine = "220 mail ready\r\n";
  c.heloCode = 250;
  c.heloTime = 2;
  c.error = 10060;
  const Names beforeType = {"smtpServerName", "smtpFrom"};
  const Names throughConnect = {"smtpServerName",      "smtpFrom",
                                "smtpServertype",      "connectResponsecode",
                                "connectResponsetime", "connectResponseline"};
  auto with = [](Names names, std::initializer_list<const char*> more) {
    names.insert(names.end(), more.begin(), more.end());
    return names;
  };
  const Names throughHelo = with(throughConnect, {"heloResponsecode", "heloResponsetime"});
  const Names all = with(throughHelo, {"ehloResponsecode", "ehloResponsetime", "ehloResponselines"});
  struct Row {
    int result;
    Names nodes;
    const char* errorNode;
    const char* errorText;
  } rows[] = {
      {smtp::kSocketFailed, with(beforeType, {"smtpServertype"}), "smtpServertype",
       "Socket initial error (10060)"},
      {smtp::kConnectFailed, with(beforeType, {"smtpServertype"}), "smtpServertype",
       "SMTP server connect error (10060)"},
      {smtp::kGreetingFailed, with(beforeType, {"smtpServertype"}), "smtpServertype",
       "Connect information receive error (10060)"},
      {smtp::kHeloSendFailed, with(throughConnect, {"heloResponsecode"}), "heloResponsecode",
       "helo send error (10060)"},
      {smtp::kHeloReceiveFailed, with(throughConnect, {"heloResponsecode"}), "heloResponsecode",
       "helo receive error (10060)"},
      {smtp::kEhloSendFailed, with(throughHelo, {"ehloResponsecode"}), "ehloResponsecode",
       "ehlo send error (10060)"},
      {smtp::kEhloReceiveFailed, with(throughHelo, {"ehloResponsecode"}), "ehloResponsecode",
       "ehlo receive error (10060)"},
      {smtp::kEhloLastLineMissing, all, nullptr, nullptr},
      {smtp::kQuitFailed, all, nullptr, nullptr},
      {smtp::kConversationDone, all, nullptr, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.result);
    Report server;
    smtp::addConversation(server, c, row.result);
    EXPECT_EQ(row.nodes, probe::childNames(server));
    for (unsigned i = 0; i < server.getSubReports().getCount(); ++i) {
      const IReport& node = server.getSubReports().getItem(i);
      bool isError = row.errorNode && node.getName().getData() == std::string(row.errorNode);
      EXPECT_EQ(!isError, node.isSuccess()) << node.getName().getData();
      if (isError) {
        EXPECT_STREQ(row.errorText, node.getErrorText().getData());
      }
    }
    const IReport* lines = probe::find(server, "ehloResponselines");
    if (lines) {
      EXPECT_EQ(row.result == smtp::kEhloLastLineMissing ? "recvtimeout" : "<missing @warning>",
                probe::attribute(*lines, "warning"));
    }
  }
}

TEST(SmtpConversationNodes, ValuesAndTheirTypes) {
  smtp::Conversation c;
  c.server = "10.0.0.25";
  c.source = "User Input";
  c.serverType = "SMTP/ESMTP";
  c.connectCode = 220;
  c.connectTime = 12;
  c.connectLine = "220 mail ready\r\n";
  c.heloCode = 250;
  c.heloTime = 5;
  c.ehloCode = 250;
  c.ehloTime = 7;
  c.ehloLines = "250-mail\r\n250 HELP\r\n";
  Report server;
  smtp::addConversation(server, c, smtp::kConversationDone);
  EXPECT_EQ("10.0.0.25", probe::text(server, "smtpServerName"));
  EXPECT_EQ("User Input", probe::text(server, "smtpFrom"));
  EXPECT_EQ("SMTP/ESMTP", probe::text(server, "smtpServertype"));
  EXPECT_EQ(220, probe::number(server, "connectResponsecode"));
  EXPECT_EQ(12, probe::number(server, "connectResponsetime"));
  EXPECT_EQ("220 mail ready\r\n", probe::text(server, "connectResponseline"));
  EXPECT_EQ(250, probe::number(server, "heloResponsecode"));
  EXPECT_EQ(5, probe::number(server, "heloResponsetime"));
  EXPECT_EQ(250, probe::number(server, "ehloResponsecode"));
  EXPECT_EQ(7, probe::number(server, "ehloResponsetime"));
  EXPECT_EQ("250-mail\r\n250 HELP\r\n", probe::text(server, "ehloResponselines"));
}

}  // namespace
