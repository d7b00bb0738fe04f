// The port monitor report on recorded machines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BirchReport.h"
#include "ReportProbe.h"
#include "Scenario.h"

namespace {

using Names = std::vector<std::string>;
using probe::child;

const std::string kLongPath(300, 'p');

// An XP machine with the client, its monitor (registered in lower case) and
// four of the five runtime libraries.
std::string installedXp(const std::string& extra = "") {
  return R"(
[version]
platform = 2
major = 5
minor = 1

[folders]
windows = C:\WINDOWS
system = C:\WINDOWS\system32

[monitor Local Port]
environment = Windows NT x86
dll = localspl.dll

[monitor quillon link]
environment = Windows NT x86
dll = qlnkmon.dll

[file C:\WINDOWS\system32\qlnkmon.dll]
version = 2.1.0.5 (build 77)
written = 2009-05-06 07:08:09

[file C:\Program Files\Varco\PMG\bin\pmc.ver]

[file C:\WINDOWS\system32\MSVCRT.dll]
written = 2008-04-14 00:12:00
[file C:\WINDOWS\system32\MFC42.dll]
written = 2008-04-14 00:12:01
[file C:\WINDOWS\system32\WSOCK32.dll]
written = 2008-04-14 00:12:02
[file C:\WINDOWS\system32\WS2_32.dll]
written = 2008-04-14 00:12:03

[HKEY_LOCAL_MACHINE\SOFTWARE\Varco\PMG\Client]
"PMDLLDir"="C:\\Program Files\\Varco\\PMG\\bin"
"PMVersion"="3.2.1"
"PMDir"="C:\\Program Files\\Varco\\PMG"

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Monitors\Quillon Link]
"Driver"="qlnkmon.dll"
"Flags"=dword:00000011
"Cookie"=hex:de,ad,be,ef
"Servers"=multi:"PRINTSRV","BACKUP"
"LogPath"=")" +
         kLongPath +
         R"("
"Expanded"=expand:"%SystemRoot%\\qlnk"
"AfterExpanded"="never read"

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Monitors\Quillon Link\Ports]
"Count"=dword:00000001

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Monitors\Quillon Link\Ports\QL_10.0.0.9]
"Address"="10.0.0.9"

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Print\Monitors\Varco IPP Print]
)" + extra;
}

Report& birchReport(Report& report) {
  birch::fillBirchReport(report);
  return report;
}

TEST(BirchReport, AnInstalledClientWithEveryPartInOrder) {
  ScenarioMachine machine = ScenarioMachine::fromText(installedXp());
  Report report;
  birchReport(report);
  EXPECT_STREQ(report.getName().getData(), "birch");
  ASSERT_EQ(probe::childNames(report),
            (Names{"installInformation", "portMonitor", "relationFiles", "privateData"}));
  const IReport& install = child(report, "installInformation");
  EXPECT_TRUE(install.isSuccess());
  EXPECT_EQ(probe::childNames(install), (Names{"version", "installedPath"}));
  EXPECT_EQ(probe::text(install, "version"), "3.2.1");
  EXPECT_EQ(probe::text(install, "installedPath"), "C:\\Program Files\\Varco\\PMG");
  EXPECT_EQ(machine.platform().openRegistryKeys(), 0);
  EXPECT_EQ(machine.platform().openHandles(), 0);
}

TEST(BirchReport, TheLoadedMonitorWhateverItsLetterCase) {
  ScenarioMachine machine = ScenarioMachine::fromText(installedXp());
  Report report;
  const IReport& monitors = child(birchReport(report), "portMonitor");
  ASSERT_EQ(probe::childNames(monitors), Names{"monitorInformation"}) << "other monitors are not reported";
  const IReport& monitor = child(monitors, "monitorInformation");
  EXPECT_EQ(probe::childNames(monitor), (Names{"monitorName", "environment", "dllName", "version"}));
  EXPECT_EQ(probe::text(monitor, "monitorName"), "quillon link");
  EXPECT_EQ(probe::text(monitor, "environment"), "Windows NT x86");
  EXPECT_EQ(probe::text(monitor, "dllName"), "qlnkmon.dll");
  EXPECT_EQ(probe::text(monitor, "version"), "2.1.0.5 (build 77)") << "not cut on NT";
}

TEST(BirchReport, Windows9xKnowsOnlyTheMonitorNameAndItsFileInTheSystemFolder) {
  ScenarioMachine machine = ScenarioMachine::fromText(installedXp(R"(
[version]
platform = 1
major = 4
minor = 10
[folders]
system = C:\WINDOWS\SYSTEM
[file C:\WINDOWS\system\QLNKMON.DLL]
version = 1.9.0.2 (9x build)
)"));
  Report report;
  const IReport& monitor = child(child(birchReport(report), "portMonitor"), "monitorInformation");
  EXPECT_EQ(probe::childNames(monitor), (Names{"monitorName", "version"}));
  EXPECT_EQ(probe::text(monitor, "version"), "1.9.0.2") << "cut at the first blank";
}

TEST(BirchReport, AMonitorFileWithoutVersionAndAVersionThatCannotBeRead) {
  ScenarioMachine noVersion = ScenarioMachine::fromText(installedXp(R"(
[monitor quillon link]
dll = other.dll
)"));
  Report report;
  const IReport& monitor = child(child(birchReport(report), "portMonitor"), "monitorInformation");
  EXPECT_EQ(probe::text(monitor, "version"), "unknown");
}

TEST(BirchReport, AFailedVersionQueryMarksOnlyThePortMonitor) {
  ScenarioMachine machine = ScenarioMachine::fromText(installedXp("[version]\nfail = yes\n"));
  Report report;
  birchReport(report);
  EXPECT_FALSE(child(report, "portMonitor").isSuccess());
  EXPECT_EQ(probe::childNames(child(report, "portMonitor")), Names{});
  EXPECT_TRUE(child(report, "relationFiles").isSuccess());
  EXPECT_TRUE(child(report, "privateData").isSuccess());
}

TEST(BirchReport, RuntimeLibrariesWithTheirTimesAndTheOneThatIsMissing) {
  ScenarioMachine machine = ScenarioMachine::fromText(installedXp());
  Report report;
  const IReport& files = child(birchReport(report), "relationFiles");
  ASSERT_EQ(probe::childNames(files), Names(5, "filesInformation"));
  const char* names[] = {"MSVCRT.dll", "MFC42.dll", "WSOCK32.dll", "WS2_32.dll", "WINSOCK.dll"};
  for (unsigned int i = 0; i < 5; ++i) {
    const IReport& file = child(files, "filesInformation", i);
    EXPECT_EQ(probe::text(file, "fileName"), names[i]);
    if (i < 4) {
      EXPECT_EQ(probe::childNames(file), (Names{"fileName", "timeStamp"})) << names[i];
      const SYSTEMTIME& t = *static_cast<const SYSTEMTIME*>(child(file, "timeStamp").getValue());
      EXPECT_EQ(t.wYear, 2008);
      EXPECT_EQ(t.wSecond, i) << names[i];
    } else {
      EXPECT_EQ(probe::childNames(file), (Names{"fileName", "relationFileExistence"}));
      EXPECT_EQ(probe::text(file, "relationFileExistence"), "None");
    }
  }
}

TEST(BirchReport, KeysDumpedWithEveryKindOfValueAndTheirSubKeys) {
  ScenarioMachine machine = ScenarioMachine::fromText(installedXp());
  Report report;
  const IReport& data = child(birchReport(report), "privateData");
  ASSERT_EQ(probe::childNames(data), (Names{"clientKey", "quillonLinkKey", "fanoutPrintKey", "ippPrintKey"}));

  const IReport& client = child(child(data, "clientKey"), "subKey");
  EXPECT_EQ(probe::attribute(client, "name"), "Client");
  ASSERT_EQ(probe::childNames(client), Names(3, "entryInformation"));
  EXPECT_EQ(probe::attribute(child(client, "entryInformation", 1), "name"), "PMVersion");
  EXPECT_EQ(probe::text(child(client, "entryInformation", 1), "entryData"), "3.2.1");

  const IReport& monitor = child(child(data, "quillonLinkKey"), "subKey");
  EXPECT_EQ(probe::attribute(monitor, "name"), "Quillon Link");
  EXPECT_EQ(probe::childNames(monitor), (Names{"entryInformation", "entryInformation", "entryInformation",
                                               "entryInformation", "entryInformation", "subKey"}))
      << "the walk ends at the REG_EXPAND_SZ value; the sub-keys are still dumped";
  std::vector<std::string> valueNames;
  for (unsigned int i = 0; i < 5; ++i)
    valueNames.push_back(probe::attribute(child(monitor, "entryInformation", i), "name"));
  EXPECT_EQ(valueNames, (Names{"Driver", "Flags", "Cookie", "Servers", "LogPath"}));
  EXPECT_EQ(probe::number(child(monitor, "entryInformation", 1), "entryData"), 0x11);
  const IReport& cookie = child(child(monitor, "entryInformation", 2), "entryData");
  EXPECT_EQ(cookie.getType(), IReport::REPORT_BINARY);
  ASSERT_EQ(cookie.getValueLength(), 4);
  EXPECT_EQ(std::string(static_cast<const char*>(cookie.getValue()), 4), "\xde\xad\xbe\xef");
  const IReport& servers = child(monitor, "entryInformation", 3);
  EXPECT_EQ(probe::childNames(servers), Names(2, "entryData"));
  EXPECT_EQ(probe::text(servers, "entryData", 1), "BACKUP");
  EXPECT_EQ(probe::text(child(monitor, "entryInformation", 4), "entryData"), kLongPath)
      << "over 255 bytes, whole";

  const IReport& ports = child(monitor, "subKey");
  EXPECT_EQ(probe::attribute(ports, "name"), "Ports");
  const IReport& port = child(ports, "subKey");
  EXPECT_EQ(probe::attribute(port, "name"), "QL_10.0.0.9");
  EXPECT_EQ(probe::text(child(port, "entryInformation"), "entryData"), "10.0.0.9");

  EXPECT_FALSE(child(data, "fanoutPrintKey").isSuccess()) << "a key that does not exist";
  EXPECT_EQ(probe::childNames(child(data, "fanoutPrintKey")), Names{});
  const IReport& ipp = child(data, "ippPrintKey");
  EXPECT_TRUE(ipp.isSuccess());
  EXPECT_EQ(probe::attribute(child(ipp, "subKey"), "name"), "Varco IPP Print");
  EXPECT_EQ(machine.platform().openRegistryKeys(), 0);
}

TEST(BirchReport, NotInstalledEndsTheReportAtInstallInformation) {
  struct Row {
    const char* what;
    std::string scenario;
    Names children;
    const char* version;  // with installedPath, when the node holds them
    const char* installedPath;
  } rows[] = {
      {"no client key", "[version]\nplatform = 2\n", {}, nullptr, nullptr},
      {"the library folder lacks pmc.ver",
       R"([HKEY_LOCAL_MACHINE\SOFTWARE\Varco\PMG\Client]
"PMDLLDir"="C:\\Varco\\bin"
"PMVersion"="3.2.1"
"PMDir"="C:\\Varco")",
       {"version", "installedPath"},
       "",
       "not Installed"},
      {"PMDLLDir is not a string",
       R"([HKEY_LOCAL_MACHINE\SOFTWARE\Varco\PMG\Client]
"PMDLLDir"=dword:00000001)",
       {},
       nullptr,
       nullptr},
  };
  for (const Row& row : rows) {
    ScenarioMachine machine = ScenarioMachine::fromText(row.scenario);
    Report report;
    birchReport(report);
    ASSERT_EQ(probe::childNames(report), Names{"installInformation"}) << row.what;
    const IReport& install = child(report, "installInformation");
    EXPECT_FALSE(install.isSuccess()) << row.what;
    EXPECT_EQ(probe::childNames(install), row.children) << row.what;
    if (row.version) {
      EXPECT_EQ(probe::text(install, "version"), row.version) << row.what;
      EXPECT_EQ(probe::text(install, "installedPath"), row.installedPath) << row.what;
    }
    EXPECT_EQ(machine.platform().openRegistryKeys(), 0) << row.what;
  }
}

TEST(BirchReport, AClientWithoutLibraryFolderOnAMachineWithoutTheMonitor) {
  // The client key holds only its folder: installed, but nothing else of the
  // software is there; every runtime library is still listed.
  ScenarioMachine machine = ScenarioMachine::fromText(R"(
[version]
platform = 2
major = 5
[folders]
windows = C:\WINDOWS
system = C:\WINDOWS\system32
[monitor Local Port]
dll = localspl.dll
[HKEY_LOCAL_MACHINE\SOFTWARE\Varco\PMG\Client]
"PMDir"="C:\\Varco"
)");
  Report report;
  birchReport(report);
  ASSERT_EQ(probe::childNames(report),
            (Names{"installInformation", "portMonitor", "relationFiles", "privateData"}));
  EXPECT_TRUE(child(report, "installInformation").isSuccess());
  EXPECT_EQ(probe::childNames(child(report, "installInformation")), Names{"installedPath"});
  EXPECT_EQ(probe::childNames(child(report, "portMonitor")), Names{});
  const IReport& files = child(report, "relationFiles");
  ASSERT_EQ(probe::childNames(files), Names(5, "filesInformation"));
  for (unsigned int i = 0; i < 5; ++i)
    EXPECT_EQ(probe::text(child(files, "filesInformation", i), "relationFileExistence"), "None");
  const IReport& data = child(report, "privateData");
  EXPECT_TRUE(child(data, "clientKey").isSuccess());
  for (const char* key : {"quillonLinkKey", "fanoutPrintKey", "ippPrintKey"})
    EXPECT_FALSE(child(data, key).isSuccess()) << key;
}

}  // namespace
