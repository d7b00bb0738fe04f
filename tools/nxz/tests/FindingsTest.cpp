// Every finding rule with documents that have its fault and documents that come
// close without having it. A rule without a case here fails the last test.
#include <gtest/gtest.h>

#include <set>

#include "DocumentFixtures.h"
#include "Findings.h"

namespace {

using namespace nox::nxz;
using nox::nxz::testing::document;

struct RuleCase {
  const char* rule;
  const char* what;
  std::string body;
  // Part of the message; nullptr when the rule must find nothing.
  const char* message;
  Severity severity;
};

std::string drive(const char* total, const char* free) {
  return std::string(
             "<PC><PC><drive><driveInfomation index=\"0\"><driveName type=\"text\">C:\\</driveName>"
             "<driveType type=\"text\">fixed drive</driveType><totakDiskSpace type=\"text\">") +
         total + "</totakDiskSpace><freeDiskSpace type=\"text\">" + free +
         "</freeDiskSpace></driveInfomation></drive></PC></PC>";
}

std::string printer(const char* status) {
  return std::string(
             "<PC><PC><printer><printers><printerInformation printObject=\"Local\"><printerName "
             "type=\"text\">Office</printerName><status type=\"text\">") +
         status + "</status></printerInformation></printers></printer></PC></PC>";
}

std::string service(const char* name, const char* status) {
  return std::string("<PC><PC><service><serviceInformation><serviceName type=\"text\">") + name +
         "</serviceName><displayName type=\"text\">Some service</displayName><serviceStatus type=\"text\">" +
         status + "</serviceStatus></serviceInformation></service></PC></PC>";
}

std::string lookup(const char* resolver, const char* result) {
  return std::string("<Network><dns><hostIp><host index=\"1\"><target type=\"text\">mail01<") + resolver +
         ">" + result + "</" + resolver + "></target></host></hostIp></dns></Network>";
}

std::string ping(const char* counters) {
  return std::string("<Network><dns><ping><host index=\"1\"><target type=\"text\">10.0.0.9") + counters +
         "</target></host></ping></dns></Network>";
}

std::string counters(int sent, int received, int lost) {
  return "<hostName type=\"text\">gw</hostName><ipAddress type=\"text\">10.0.0.9</ipAddress>"
         "<packetsTransmitted type=\"integer\">" +
         std::to_string(sent) + "</packetsTransmitted><packetsReceived type=\"integer\">" +
         std::to_string(received) + "</packetsReceived><packetsLoss type=\"integer\">" +
         std::to_string(lost) + "</packetsLoss>";
}

std::string eventArchive(const char* leaves) {
  return std::string("<PC><eventArchive>") + leaves + "</eventArchive></PC>";
}

const std::vector<RuleCase>& cases() {
  static const std::vector<RuleCase> kCases = {
      {"disk-space", "3.9 % free", drive("20,971,520 KB", "812,345 KB"),
       "has 812,345 KB free of 20,971,520 KB (3.9 %)", Severity::kWarning},
      {"disk-space", "under 1 GB although 18 % free", drive("5,000,000 KB", "900,000 KB"), "drive C:\\",
       Severity::kWarning},
      {"disk-space", "plenty", drive("10,000,000 KB", "2,000,000 KB"), nullptr, Severity::kWarning},
      {"disk-space", "a few bytes on a tiny disk", drive("1023 B", "1000 B"), "1000 B free",
       Severity::kWarning},
      {"disk-space", "size unknown", drive("size unknown", "size unknown"), nullptr, Severity::kWarning},
      {"printer-status", "out of paper", printer("The printer is out of paper."),
       "printer Office (Local): The printer is out of paper.", Severity::kError},
      {"printer-status", "jammed (no full stop)", printer("Paper is jammed in the printer"), "jammed",
       Severity::kError},
      {"printer-status", "paused", printer("The printer is paused."), "paused", Severity::kWarning},
      {"printer-status", "printing", printer("The printer is printing."), nullptr, Severity::kError},
      {"printer-status", "several bits (empty text)", printer(""), nullptr, Severity::kError},
      {"printing-service", "spooler stopped", service("Spooler", "[stopped]"),
       "service Spooler (Some service) is [stopped]; printing needs it", Severity::kError},
      {"printing-service", "name in another case", service("lanmanworkstation", "[paused]"), "[paused]",
       Severity::kError},
      {"printing-service", "spooler running", service("Spooler", "[running]"), nullptr, Severity::kError},
      {"printing-service", "a service printing does not need", service("Schedule", "[stopped]"), nullptr,
       Severity::kError},
      {"dns-lookup", "not resolved",
       lookup("useDNS",
              "<forwardlookupResult IsSuccess=\"false\">Host can't be resolved</forwardlookupResult>"),
       "forward lookup of mail01 (DNS) failed: Host can't be resolved", Severity::kWarning},
      {"dns-lookup", "an answer without addresses",
       lookup("useWinSocket", "<forwardlookupResult type=\"text\">mail01-&gt;</forwardlookupResult>"),
       "gave no answers", Severity::kWarning},
      {"dns-lookup", "answered",
       lookup("useDNS", "<forwardlookupResult type=\"text\">mail01-&gt;10.0.0.1&#9;</forwardlookupResult>"),
       nullptr, Severity::kWarning},
      {"echo-loss", "half lost", ping(counters(4, 2, 2).c_str()), "echo to 10.0.0.9: 2 of 4 lost",
       Severity::kWarning},
      {"echo-loss", "all lost", ping(counters(4, 0, 4).c_str()), "4 of 4 lost", Severity::kError},
      {"echo-loss", "none lost", ping(counters(4, 4, 0).c_str()), nullptr, Severity::kWarning},
      {"echo-loss", "SMTP's echo series",
       "<Network><smtp><server><PingInformation>" + counters(4, 3, 1) +
           "</PingInformation></server></smtp></Network>",
       "1 of 4 lost", Severity::kWarning},
      {"echo-failed", "request timed out", ping("<hostName IsSuccess=\"false\">Request timed out</hostName>"),
       "echo to 10.0.0.9 failed: Request timed out", Severity::kError},
      {"echo-failed", "SMTP's echo series failed",
       "<Network><smtp><server><PingInformation IsSuccess=\"false\">NetDiagPing failed (-3)</PingInformation>"
       "</server></smtp></Network>",
       "failed: NetDiagPing failed (-3)", Severity::kError},
      {"event-log-backup", "application log missing",
       eventArchive("<system type=\"path\">eventArchive\\system\\system.evt</system>"),
       "the application event log was not backed up", Severity::kWarning},
      {"event-log-backup", "both missing", eventArchive(""),
       "application and system event logs were not backed up", Severity::kWarning},
      {"event-log-backup", "both there",
       eventArchive("<application type=\"path\">eventArchive\\application\\apl.evt</application>"
                    "<system type=\"path\">eventArchive\\system\\system.evt</system>"),
       nullptr, Severity::kWarning},
      {"side-file-missing", "a registry export the result lacks",
       "<PC><printerDriver><registry><registry type=\"path\">printerDriver\\registry\\gone.txt</registry>"
       "</registry></printerDriver></PC>",
       "side file printerDriver\\registry\\gone.txt is not in the result", Severity::kError},
      {"side-file-missing", "a binary value whose file is there",
       "<PC><printerDriver><devMode><driverExtraData "
       "type=\"binary\">printerDriver\\binary.dat</driverExtraData>"
       "</devMode></printerDriver></PC>",
       nullptr, Severity::kError},
      {"unsuccessful", "a failed node with its error text",
       "<Directory><domainScan><domainController><primaryDomainController IsSuccess=\"false\"> Failed to get "
       "PDC's name (0x00000995)</primaryDomainController></domainController></domainScan></Directory>",
       "primaryDomainController was not collected: Failed to get PDC's name (0x00000995)",
       Severity::kWarning},
      {"unsuccessful", "a failed section without text",
       "<PC><PC><service IsSuccess=\"false\"></service></PC></PC>", "service was not collected",
       Severity::kWarning},
  };
  return kCases;
}

// The result of the side file cases holds only this file.
bool sideFilePresent(const std::string& name) { return name == "printerDriver\\binary.dat"; }

TEST(FindingRules, EachCaseFindsWhatItShould) {
  for (const RuleCase& c : cases()) {
    FindingCollector collector(sideFilePresent);
    std::string error;
    ASSERT_TRUE(parseDocument(document(c.body), collector, &error))
        << c.rule << ", " << c.what << ": " << error;
    std::vector<Finding> mine;
    for (const Finding& f : collector.findings())
      if (f.rule == c.rule) mine.push_back(f);
    if (!c.message) {
      EXPECT_TRUE(mine.empty()) << c.rule << ", " << c.what << ": found " << mine[0].message;
      continue;
    }
    ASSERT_EQ(mine.size(), 1u) << c.rule << ", " << c.what;
    EXPECT_NE(mine[0].message.find(c.message), std::string::npos)
        << c.rule << ", " << c.what << ": " << mine[0].message;
    EXPECT_EQ(mine[0].severity, c.severity) << c.rule << ", " << c.what;
  }
}

TEST(FindingRules, EveryRuleHasACaseThatFindsSomething) {
  std::set<std::string> tested;
  for (const RuleCase& c : cases())
    if (c.message) tested.insert(c.rule);
  for (const FindingRule& rule : findingRules())
    EXPECT_TRUE(tested.count(rule.id)) << rule.id << " has no case";
}

TEST(FindingRules, TheGeneralRuleStaysQuietWhereARuleOfItsOwnSpoke) {
  FindingCollector collector;
  ASSERT_TRUE(parseDocument(
      document(
          lookup("useDNS",
                 "<forwardlookupResult IsSuccess=\"false\">Host can't be resolved</forwardlookupResult>") +
          "<PC><x IsSuccess=\"false\">e</x></PC>"),
      collector));
  std::vector<Finding> found = collector.findings();
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].rule, "dns-lookup");
  EXPECT_EQ(found[0].path, "Network/dns/hostIp/host/target/useDNS/forwardlookupResult");
  EXPECT_EQ(found[1].rule, "unsuccessful") << "another node";
  EXPECT_EQ(found[1].path, "PC/x");
}

TEST(FindingRules, OrderedBySeverityThenDocumentAndCappedPerRule) {
  std::string body;
  for (size_t i = 0; i < FindingCollector::kKeptPerRule + 3; ++i) body += "<x IsSuccess=\"false\">e</x>";
  FindingCollector collector;
  ASSERT_TRUE(parseDocument(document(body + service("Spooler", "[stopped]")), collector));
  std::vector<Finding> found = collector.findings();
  ASSERT_EQ(found.size(), FindingCollector::kKeptPerRule + 1);
  EXPECT_EQ(found[0].rule, "printing-service") << "errors first";
  EXPECT_EQ(found[0].path, "PC/PC/service/serviceInformation[Spooler]") << "a list's item named by its key";
  for (size_t i = 2; i < found.size(); ++i) EXPECT_LT(found[i - 1].node, found[i].node);
  EXPECT_EQ(collector.dropped().at("unsuccessful"), 3u);
}

TEST(FindingRules, SizeTexts) {
  struct {
    const char* text;
    bool ok;
    uint64_t bytes;
  } cases[] = {{"1023 B", true, 1023},     {"1 KB", true, 1024}, {"1,234,567 KB", true, 1264196608ull},
               {"size unknown", false, 0}, {"KB", false, 0},     {"12 MB", false, 0},
               {"1,2x KB", false, 0}};
  for (const auto& c : cases) {
    uint64_t bytes = 0;
    EXPECT_EQ(parseSizeText(c.text, bytes), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(bytes, c.bytes) << c.text;
    }
  }
}

}  // namespace
