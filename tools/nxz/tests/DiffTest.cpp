// The difference of two results, keyed the way a person thinks: a table of small
// documents before and after, and the lines the difference must give.
#include <gtest/gtest.h>

#include "Diff.h"
#include "DocumentFixtures.h"

namespace {

using namespace nox::nxz;
using nox::nxz::testing::document;

std::string leaf(const std::string& name, const std::string& value) {
  return "<" + name + " type=\"text\">" + value + "</" + name + ">";
}

std::string services(const std::vector<std::pair<std::string, std::string>>& list) {
  std::string body = "<PC><PC><service>";
  for (const auto& s : list)
    body += "<serviceInformation>" + leaf("serviceName", s.first) +
            leaf("displayName", s.first + " service") + leaf("serviceStatus", s.second) +
            "</serviceInformation>";
  return body + "</service></PC></PC>";
}

std::string applications(const std::vector<std::string>& names) {
  std::string body = "<PC><PC><installedApplication>";
  for (const auto& n : names)
    body += "<installedApplicationInformation>" + leaf("applicationName", n) +
            "</installedApplicationInformation>";
  return body + "</installedApplication></PC></PC>";
}

std::string processes(const std::vector<std::pair<int, std::string>>& list) {
  std::string body = "<PC><PC><execApplication>";
  for (const auto& p : list)
    body += "<execApplicationInformation><processID type=\"integer\">" + std::to_string(p.first) +
            "</processID>" + leaf("idPath", p.second) + "</execApplicationInformation>";
  return body + "</execApplication></PC></PC>";
}

std::string drives(const std::vector<std::pair<std::string, std::string>>& list) {
  std::string body = "<PC><PC><drive>";
  int index = 0;
  for (const auto& d : list)
    body += "<driveInfomation index=\"" + std::to_string(index++) + "\">" + leaf("driveName", d.first) +
            leaf("freeDiskSpace", d.second) + "</driveInfomation>";
  return body + "</drive></PC></PC>";
}

std::string printers(const std::vector<std::pair<std::string, std::string>>& list) {
  std::string body = "<PC><PC><printer><printers>";
  for (const auto& p : list)
    body += "<printerInformation printObject=\"" + p.second + "\">" + leaf("printerName", p.first) +
            leaf("portName", "CUPS:" + p.first) + "</printerInformation>";
  return body + "</printers></printer></PC></PC>";
}

std::string components(const std::vector<std::pair<std::string, std::string>>& files) {
  std::string body = "<PC><PC><component><componentType name=\"VC\">";
  for (const auto& f : files)
    body += "<information>" + leaf("fileName", f.first) + leaf("version", f.second) + "</information>";
  return body + "</componentType></component></PC></PC>";
}

struct DiffCase {
  const char* what;
  std::string older, newer;
  std::vector<std::string> lines;
};

std::vector<std::string> diffLines(const std::string& older, const std::string& newer) {
  Tree a, b;
  std::string error;
  EXPECT_TRUE(parseDocument(document(older), a, &error)) << error;
  EXPECT_TRUE(parseDocument(document(newer), b, &error)) << error;
  std::vector<std::string> lines;
  diffTrees(a, b, [&](const Change& c) { lines.push_back(formatChange(c)); });
  return lines;
}

TEST(Diff, KeysListsTheWayAPersonThinks) {
  const std::string svc = "PC/PC/service/serviceInformation";
  const DiffCase cases[] = {
      {"same document", services({{"Spooler", "[running]"}}), services({{"Spooler", "[running]"}}), {}},
      {"a service added in front of the others keeps the others matched",
       services({{"Spooler", "[running]"}, {"W32Time", "[running]"}}),
       services({{"NoxDiff", "[stopped]"}, {"Spooler", "[running]"}, {"W32Time", "[running]"}}),
       {"+ " + svc +
        "[NoxDiff]  serviceName=\"NoxDiff\", displayName=\"NoxDiff service\", "
        "serviceStatus=\"[stopped]\""}},
      {"a service's status changes",
       services({{"Spooler", "[stopped]"}}),
       services({{"Spooler", "[running]"}}),
       {"~ " + svc + "[Spooler]/serviceStatus: \"[stopped]\" -> \"[running]\""}},
      {"an application uninstalled",
       applications({"Alpha", "Beta", "Gamma"}),
       applications({"Alpha", "Gamma"}),
       {"- PC/PC/installedApplication/installedApplicationInformation[Beta]  applicationName=\"Beta\""}},
      {"processes by path: new numbers are no change",
       processes({{10, "C:\\a.exe"}, {20, "C:\\b.exe"}}),
       processes({{31, "C:\\b.exe"}, {42, "C:\\a.exe"}}),
       {}},
      {"a second instance of a program",
       processes({{10, "C:\\svchost.exe"}}),
       processes({{10, "C:\\svchost.exe"}, {11, "C:\\svchost.exe"}}),
       {"+ PC/PC/execApplication/execApplicationInformation[C:\\svchost.exe #2]  processID=\"11\", "
        "idPath=\"C:\\\\svchost.exe\""}},
      {"drives by letter, positions aside",
       drives({{"A:\\", "1 KB"}, {"C:\\", "5,000 KB"}}),
       drives({{"C:\\", "4,000 KB"}}),
       {"- PC/PC/drive/driveInfomation[A:\\]  driveName=\"A:\\\\\", freeDiskSpace=\"1 KB\"",
        "~ PC/PC/drive/driveInfomation[C:\\]/freeDiskSpace: \"5,000 KB\" -> \"4,000 KB\""}},
      {"printers by name and scope",
       printers({{"Office", "Local"}}),
       printers({{"Office", "Local"}, {"Office", "connected remote printers"}, {"NoxDiffPrinter", "Local"}}),
       {"+ PC/PC/printer/printers/printerInformation[Office, connected remote printers]  "
        "printerName=\"Office\", "
        "portName=\"CUPS:Office\"",
        "+ PC/PC/printer/printers/printerInformation[NoxDiffPrinter, Local]  printerName=\"NoxDiffPrinter\", "
        "portName=\"CUPS:NoxDiffPrinter\""}},
      {"components by file",
       components({{"MSVCRT.dll", "7.0"}, {"MFC42.dll", "6.0"}}),
       components({{"MFC42.dll", "6.1"}, {"MSVCRT.dll", "7.0"}}),
       {"~ PC/PC/component/componentType[VC]/information[MFC42.dll]/version: \"6.0\" -> \"6.1\""}},
      {"other lists by position",
       "<Network><dns><ping><host index=\"1\"/><host index=\"2\"/></ping></dns></Network>",
       "<Network><dns><ping><host index=\"1\"/><host index=\"2\"/><host index=\"3\"/></ping></dns></Network>",
       {"+ Network/dns/ping/host[#3]"}},
      {"a report that failed since",
       "<PC><PC><scsi/></PC></PC>",
       "<PC><PC><scsi IsSuccess=\"false\">out of memory</scsi></PC></PC>",
       {"~ PC/PC/scsi status: successful -> unsuccessful, \"out of memory\""}},
      {"an attribute",
       "<Network><dns><ping><host index=\"1\"/></ping></dns></Network>",
       "<Network><dns><ping><host index=\"9\"/></ping></dns></Network>",
       {"~ Network/dns/ping/host @index: \"1\" -> \"9\""}},
      {"a whole category added",
       "",
       "<Directory><domainScan/></Directory>",
       {"+ Directory  domainScan=\"\""}},
  };
  for (const DiffCase& c : cases) EXPECT_EQ(diffLines(c.older, c.newer), c.lines) << c.what;
}

TEST(Diff, CountsByKind) {
  Tree a, b;
  ASSERT_TRUE(parseDocument(document(services({{"A", "[running]"}, {"B", "[running]"}})), a));
  ASSERT_TRUE(parseDocument(document(services({{"B", "[stopped]"}, {"C", "[running]"}})), b));
  DiffCounts counts = diffTrees(a, b, [](const Change&) {});
  EXPECT_EQ(counts.added, 1u);
  EXPECT_EQ(counts.removed, 1u);
  EXPECT_EQ(counts.changed, 1u);
  EXPECT_TRUE(counts.any());
}

}  // namespace
