// The DNS report on recorded Winsock answers and recorded NetDiag results.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>

#include "DnsObservations.h"
#include "RecordedNetDiag.h"
#include "RecordedSocket.h"
#include "ReportProbe.h"
#include "Scenario.h"

namespace {

const char kNetwork[] =
    "[host mail.corp.test]\naddresses = 10.0.0.25 10.0.0.26\naliases = smtp.corp.test\n"
    "[host smtp.corp.test]\naddresses = 10.0.0.25\n";

class DnsReport : public ::testing::Test {
 protected:
  explicit DnsReport(const std::string& scenario = kNetwork)
      : machine_(ScenarioMachine::fromText(scenario)),
        sockets_(machine_.platform()),
        socketScope_(sockets_),
        netDiagScope_(netDiag_) {}

  IReport& run(const char* targets) {
    root_.reset(new dns::DnsRoot());
    if (root_->getConfigrations().getCount() > 0) {
      static_cast<ConfigrationEntry&>(
          root_->getConfigrations().getItem(0).getConfigrationEntries().getItem(0))
          .setValue(targets);
    }
    return root_->createReport();
  }

  ScenarioMachine machine_;
  RecordedSocket sockets_;
  ScopedSeam<SocketApi> socketScope_;
  RecordedNetDiag netDiag_;
  ScopedSeam<NetDiagApi> netDiagScope_;
  std::unique_ptr<dns::DnsRoot> root_;
};

TEST_F(DnsReport, FormAndEmptyTargetList) {
  IReport& report = run("");
  ASSERT_EQ(1u, root_->getConfigrations().getCount());
  IConfigration& form = root_->getConfigrations().getItem(0);
  EXPECT_STREQ("DNS Information", form.getTitle().getData());
  EXPECT_EQ(IConfigration::CONFIG_TYPE_TARGET, form.getType());
  EXPECT_STREQ("Target HostName or IPAddress", form.getConfigrationEntries().getItem(0).getName().getData());
  EXPECT_EQ(IConfigrationEntry::ENTRY_HOST, form.getConfigrationEntries().getItem(0).getType());
  EXPECT_STREQ("dns", report.getName().getData());
  EXPECT_EQ(std::vector<std::string>({"hostIp", "ping", "traceroute"}), probe::childNames(report));
  for (const char* name : {"hostIp", "ping", "traceroute"}) {
    EXPECT_EQ(0u, probe::find(report, name)->getSubReports().getCount()) << name;
  }
  EXPECT_TRUE(netDiag_.calls.empty());
}

TEST_F(DnsReport, TwoTabsEndTheLookupsButNotPingAndTrace) {
  IReport& report = run("alpha\t\tbeta");
  EXPECT_EQ(1u, probe::find(report, "hostIp")->getSubReports().getCount());
  const IReport& pings = *probe::find(report, "ping");
  ASSERT_EQ(3u, pings.getSubReports().getCount());
  EXPECT_EQ("3", probe::attribute(pings.getSubReports().getItem(2), "index"));
  EXPECT_EQ("", probe::text(pings.getSubReports().getItem(1), "target"));
  EXPECT_EQ("beta", probe::text(pings.getSubReports().getItem(2), "target"));
  EXPECT_EQ(3u, probe::find(report, "traceroute")->getSubReports().getCount());
}

TEST_F(DnsReport, WinsockLookupsBothWays) {
  IReport& report = run("mail.corp.test\t10.0.0.25\t10.0.0.300\tnowhere.test");
  const IReport& hosts = *probe::find(report, "hostIp");
  ASSERT_EQ(4u, hosts.getSubReports().getCount());
  auto winsock = [&](unsigned i) -> const IReport& {
    return *probe::find(*probe::find(hosts.getSubReports().getItem(i), "target"), "useWinSocket");
  };
  EXPECT_EQ("mail.corp.test->10.0.0.25,10.0.0.26", probe::text(winsock(0), "forwardlookupResult"));
  EXPECT_EQ("10.0.0.25->mail.corp.test,smtp.corp.test", probe::text(winsock(0), "reverselookupResult"));
  const IReport* failed = probe::find(winsock(0), "reverselookupResult", 1);
  ASSERT_NE(nullptr, failed);
  EXPECT_FALSE(failed->isSuccess());
  EXPECT_STREQ("winsocket lookup failed(11004)", failed->getErrorText().getData());

  EXPECT_EQ("10.0.0.25->mail.corp.test,smtp.corp.test", probe::text(winsock(1), "reverselookupResult"));
  EXPECT_EQ("mail.corp.test->10.0.0.25,10.0.0.26", probe::text(winsock(1), "forwardlookupResult"));
  EXPECT_EQ("smtp.corp.test->10.0.0.25", probe::text(winsock(1), "forwardlookupResult", 1));

  const IReport* invalid = probe::find(winsock(2), "reverselookupResult");
  ASSERT_NE(nullptr, invalid);
  EXPECT_STREQ("Input IpAddress is invalid", invalid->getErrorText().getData());
  const IReport* unknown = probe::find(winsock(3), "forwardlookupResult");
  ASSERT_NE(nullptr, unknown);
  EXPECT_STREQ("winsocket lookup failed(11001)", unknown->getErrorText().getData());
}

TEST_F(DnsReport, NetDiagLookupsKeepTheBlockTextThenFollowUpWithCommas) {
  netDiag_.lookups["mail"] = {2, "10.0.0.25\t10.0.0.26\t"};
  netDiag_.lookups["10.0.0.25"] = {1, "mail.corp.test\t"};
  netDiag_.lookups["10.0.0.9"] = {2, "a.corp.test\tb.corp.test\t"};
  netDiag_.lookups["a.corp.test"] = {2, "10.0.0.9\t10.0.0.19\t"};
  netDiag_.lookups["b.corp.test"] = {0, ""};
  IReport& report = run("mail\t10.0.0.9\tgone");
  const IReport& hosts = *probe::find(report, "hostIp");
  auto viaDns = [&](unsigned i) -> const IReport& {
    return *probe::find(*probe::find(hosts.getSubReports().getItem(i), "target"), "useDNS");
  };
  EXPECT_EQ("mail->10.0.0.25\t10.0.0.26\t", probe::text(viaDns(0), "forwardlookupResult"));
  EXPECT_EQ("10.0.0.25->mail.corp.test", probe::text(viaDns(0), "reverselookupResult"));
  const IReport* second = probe::find(viaDns(0), "reverselookupResult", 1);
  ASSERT_NE(nullptr, second);
  EXPECT_STREQ("NetDiagDNSLookup Failed (-5)", second->getErrorText().getData());

  EXPECT_EQ("10.0.0.9->a.corp.test\tb.corp.test\t", probe::text(viaDns(1), "reverselookupResult"));
  EXPECT_EQ("a.corp.test->10.0.0.9,10.0.0.19", probe::text(viaDns(1), "forwardlookupResult"));
  const IReport* unresolved = probe::find(viaDns(1), "forwardlookupResult", 1);
  ASSERT_NE(nullptr, unresolved);
  EXPECT_STREQ("Host can't be resolved", unresolved->getErrorText().getData());

  const IReport* gone = probe::find(viaDns(2), "forwardlookupResult");
  ASSERT_NE(nullptr, gone);
  EXPECT_FALSE(gone->isSuccess());
  EXPECT_STREQ("NetDiagDNSLookup Failed (-5)", gone->getErrorText().getData());
  EXPECT_EQ("lookup (null) mail", netDiag_.calls.at(0));
}

TEST_F(DnsReport, PingNodesAndTheirErrors) {
  netDiag_.pings["up"] = recordedPing("10.0.0.1", "up.corp.test", 3);
  netDiag_.pings["down"] = recordedPing("NA", "NA", 0);
  netDiag_.pings["named"] = recordedPing("NA", "named.corp.test", 0);
  IReport& report = run("up\tdown\tnamed\tbad");
  const IReport& pings = *probe::find(report, "ping");
  const IReport& up = *probe::find(pings.getSubReports().getItem(0), "target");
  EXPECT_EQ(std::vector<std::string>({"hostName", "ipAddress", "packetsTransmitted", "packetsReceived",
                                      "packetsLoss", "minRoundTripTime(ms)", "maxRoundTripTime(ms)",
                                      "averageRoundTripTime(ms)"}),
            probe::childNames(up));
  EXPECT_EQ("up.corp.test", probe::text(up, "hostName"));
  EXPECT_EQ(3, probe::number(up, "packetsReceived"));
  const IReport& down = *probe::find(pings.getSubReports().getItem(1), "target");
  EXPECT_EQ(std::vector<std::string>({"hostName"}), probe::childNames(down));
  EXPECT_STREQ("Request timed out", probe::find(down, "hostName")->getErrorText().getData());
  const IReport& named = *probe::find(pings.getSubReports().getItem(2), "target");
  EXPECT_EQ("NA", probe::text(named, "ipAddress")) << "a name alone is an answer";
  const IReport& bad = *probe::find(pings.getSubReports().getItem(3), "target");
  EXPECT_STREQ("NetDiagPing failed (-2)", probe::find(bad, "hostName")->getErrorText().getData());
}

TEST_F(DnsReport, TraceHopsNumberedFromOne) {
  TraceResult trace = {};
  trace.hopCount = 2;
  trace.hops[0] = recordedPing("10.0.0.1", "gw", 3);
  trace.hops[1] = recordedPing("10.0.0.9", "far", 2);
  netDiag_.traces["far"] = trace;
  TraceResult silent = {};
  silent.hopCount = 1;
  silent.hops[0] = recordedPing("NA", "NA", 0);
  netDiag_.traces["silent"] = silent;
  IReport& report = run("far\tsilent\tbad");
  const IReport& traces = *probe::find(report, "traceroute");
  const IReport& hops = *probe::find(*probe::find(traces.getSubReports().getItem(0), "target"), "hops");
  EXPECT_EQ(IReport::REPORT_INTEGER, hops.getType());
  EXPECT_EQ(2, *static_cast<const int*>(hops.getValue()));
  ASSERT_EQ(2u, hops.getSubReports().getCount());
  EXPECT_EQ("2", probe::attribute(hops.getSubReports().getItem(1), "index"));
  EXPECT_EQ("far", probe::text(hops.getSubReports().getItem(1), "hostName"));
  EXPECT_EQ(2, probe::number(hops.getSubReports().getItem(1), "packetsReceived"));
  EXPECT_STREQ("Destination host is unreachable",
               probe::find(*probe::find(traces.getSubReports().getItem(1), "target"), "hops")
                   ->getErrorText()
                   .getData());
  EXPECT_STREQ("NetDiagTraceroute failed (-2)",
               probe::find(*probe::find(traces.getSubReports().getItem(2), "target"), "hops")
                   ->getErrorText()
                   .getData());
}

class DnsWithoutWinsock : public DnsReport {
 protected:
  DnsWithoutWinsock() : DnsReport("[network]\nwinsock = fail\n") {}
};

TEST_F(DnsWithoutWinsock, RootAloneWithTheError) {
  IReport& report = run("ignored");
  EXPECT_FALSE(report.isSuccess());
  EXPECT_STREQ("WinSocket Dll Initialize Fail!", report.getErrorText().getData());
  EXPECT_EQ(0u, report.getSubReports().getCount());
  EXPECT_EQ(0u, root_->getConfigrations().getCount());
}

TEST(DnsAddressTest, DigitsBlanksAndAtMostThreeDots) {
  struct Row {
    const char* text;
    bool address;
  } rows[] = {{"10.0.0.1", true},   {"10.0.0.300", true}, {"", true},          {"1 2", true},
              {"1.2.3.4.5", false}, {"host", false},      {"10.0.0.1a", false}};
  for (const Row& row : rows) EXPECT_EQ(row.address, dns::looksLikeAddress(row.text)) << row.text;
}

}  // namespace
