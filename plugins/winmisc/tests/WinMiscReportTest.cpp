// The Windows facts on recorded machines: registry values and the setup logs
// of the Windows folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RecordedFileApi.h"
#include "ReportProbe.h"
#include "Scenario.h"
#include "WinMiscReport.h"

namespace {

using Names = std::vector<std::string>;
using probe::child;

const std::string kHeap =
    "%SystemRoot%\\\\system32\\\\csrss.exe ObjectDirectory=\\\\Windows SharedSection=1024,3072,512 "
    "Windows=On SubSystemType=Windows ServerDll=basesrv,1 ServerDll=winsrv:UserServerDllInitialization,3 "
    "ServerDll=winsrv:ConServerDllInitialization,2 ProfileControl=Off MaxRequestThreads=16";

const char kServicePackLog[] = R"(
[file C:\WINDOWS\svcpack.log]
created = 2008-04-14 00:30:00
written = 2008-04-14 00:41:10
text = SP3 setup\r\n
)";

const char kIisLog[] = R"(
[file C:\WINDOWS\iis5.log]
created = 2007-01-02 10:00:00
written = 2007-01-02 10:05:00
text = [12/01/07] starting\r\n[12/01/07] MyCreateService: W3SVC (ok)\r\n[12/01/07] MyCreateService: again\r\n
)";

// An XP machine with the registry values and, unless given others, both logs.
std::string xpMachine(const std::string& logs = std::string(kServicePackLog) + kIisLog) {
  return R"(
[folders]
windows = C:\WINDOWS

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Session Manager\SubSystems]
"Windows"=")" +
         kHeap + R"("

[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\MSIServer]
"ImagePath"=expand:"%SystemRoot%\\system32\\msiexec.exe /V"
)" + logs;
}

std::string timeText(const IReport& node, const char* name) {
  const IReport& leaf = child(node, name);
  if (leaf.getType() != IReport::REPORT_DATETIME) return "<not a time>";
  const SYSTEMTIME& t = *static_cast<const SYSTEMTIME*>(leaf.getValue());
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour,
                t.wMinute, t.wSecond);
  return text;
}

struct Machine {
  explicit Machine(const std::string& text)
      : recorded(ScenarioMachine::fromText(text)), files(recorded.platform()) {}
  ScenarioMachine recorded;
  ScopedFileApi files;
};

TEST(WinMiscReport, TheFourFactsInOrder) {
  Machine machine(xpMachine());
  Report report;
  winmisc::fillWinMiscReport(report);
  EXPECT_STREQ(report.getName().getData(), "winMisc");
  ASSERT_EQ(probe::childNames(report),
            (Names{"DeskTopHeap", "MSI ImagePath", "Last Install ServicePack", "IIS5 Setup"}));
  std::string heap = kHeap;
  for (size_t at; (at = heap.find("\\\\")) != std::string::npos;) heap.erase(at, 1);
  ASSERT_GT(heap.size(), 255u);
  EXPECT_EQ(probe::text(report, "DeskTopHeap"), heap) << "longer than 255 bytes: read whole";
  EXPECT_EQ(probe::text(report, "MSI ImagePath"), "%SystemRoot%\\system32\\msiexec.exe /V")
      << "a REG_EXPAND_SZ value taken as it stands";

  const IReport& servicePack = child(report, "Last Install ServicePack");
  EXPECT_EQ(probe::childNames(servicePack), (Names{"CreationTime", "LastWriteTime", "file"}));
  EXPECT_EQ(servicePack.getType(), IReport::REPORT_NONE) << "no text of its own";
  EXPECT_EQ(timeText(servicePack, "CreationTime"), "2008-04-14 00:30:00");
  EXPECT_EQ(timeText(servicePack, "LastWriteTime"), "2008-04-14 00:41:10");
  EXPECT_EQ(child(servicePack, "file").getType(), IReport::REPORT_PATH);
  EXPECT_EQ(probe::text(servicePack, "file"), "C:\\WINDOWS\\svcpack.log");

  const IReport& iis = child(report, "IIS5 Setup");
  EXPECT_EQ(probe::childNames(iis), (Names{"CreationTime", "LastWriteTime", "file"}));
  EXPECT_EQ(iis.getType(), IReport::REPORT_TEXT);
  EXPECT_STREQ(static_cast<const char*>(iis.getValue()), "[12/01/07] MyCreateService: W3SVC (ok)\n")
      << "the first line with the marker, with its line end";
  EXPECT_EQ(probe::text(iis, "file"), "C:\\WINDOWS\\iis5.log");
  EXPECT_EQ(machine.files.files().openFiles(), 0);
  EXPECT_EQ(machine.recorded.platform().openRegistryKeys(), 0);
}

TEST(WinMiscReport, LogsMissingLockedOrWithoutTheKeyLine) {
  struct Row {
    const char* what;
    std::string logs;
    const char* servicePack;  // the node's own text, or null for its three children
    const char* iis;
    const char* keyLine;  // the IIS node's own text when it has its children
  } rows[] = {
      {"no service pack log; the IIS log is locked", "[file C:\\WINDOWS\\iis5.log]\nopen = denied\n",
       "NotFound", "Can't open", nullptr},
      {"an IIS log without the key line",
       std::string(kServicePackLog) +
           "[file C:\\WINDOWS\\iis5.log]\ntext = [12/01/07] MyCreate Service\\r\\n",
       nullptr, nullptr, ""},
  };
  for (const Row& row : rows) {
    Machine machine(xpMachine(row.logs));
    Report report;
    winmisc::fillWinMiscReport(report);
    for (const auto& [name, text] : {std::make_pair("Last Install ServicePack", row.servicePack),
                                     std::make_pair("IIS5 Setup", row.iis)}) {
      const IReport& node = child(report, name);
      if (text) {
        EXPECT_EQ(node.getType(), IReport::REPORT_TEXT) << row.what << ": " << name;
        EXPECT_STREQ(static_cast<const char*>(node.getValue()), text) << row.what << ": " << name;
        EXPECT_EQ(probe::childNames(node), Names{}) << row.what << ": " << name;
      } else {
        EXPECT_EQ(probe::childNames(node), (Names{"CreationTime", "LastWriteTime", "file"})) << row.what;
      }
    }
    if (row.keyLine) {
      const IReport& iis = child(report, "IIS5 Setup");
      EXPECT_EQ(iis.getType(), IReport::REPORT_TEXT) << row.what;
      EXPECT_STREQ(static_cast<const char*>(iis.getValue()), row.keyLine) << row.what;
    }
    EXPECT_EQ(machine.files.files().openFiles(), 0) << row.what;
  }
}

TEST(WinMiscReport, RegistryValuesThatAreMissingOrNotText) {
  // No Installer service, and a desktop heap value stored as 256 bytes of
  // binary data without a terminator: the text ends with the data.
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes += i ? ",41" : "41";
  Machine machine(R"(
[folders]
windows = C:\WINDOWS
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Session Manager\SubSystems]
"Windows"=hex:)" + bytes +
                  "\n");
  Report report;
  winmisc::fillWinMiscReport(report);
  ASSERT_EQ(probe::childNames(report), (Names{"DeskTopHeap", "Last Install ServicePack", "IIS5 Setup"}));
  EXPECT_EQ(probe::text(report, "DeskTopHeap"), std::string(256, 'A'));
  EXPECT_EQ(machine.recorded.platform().openRegistryKeys(), 0);
}

TEST(WinMiscReport, NoWindowsFolderFindsNoLogs) {
  // Both logs lie in the root of the drive, where a missing folder would lead.
  Machine machine("[file \\svcpack.log]\n[file \\iis5.log]\ntext = MyCreateService: root\n");
  Report report;
  winmisc::fillWinMiscReport(report);
  ASSERT_EQ(probe::childNames(report), (Names{"Last Install ServicePack", "IIS5 Setup"}));
  for (const char* name : {"Last Install ServicePack", "IIS5 Setup"}) {
    EXPECT_STREQ(static_cast<const char*>(child(report, name).getValue()), "NotFound") << name;
    EXPECT_EQ(probe::childNames(child(report, name)), Names{}) << name;
  }
}

TEST(WinMiscReport, MachinesOfEveryKind) {
  const char* described = nullptr;  // a log node with its three children
  struct Row {
    const char* machine;
    Names leaves;
    const char* heapSetting;  // a part of "DeskTopHeap", or null when absent
    const char* installer;    // "MSI ImagePath", or null when absent
    const char* servicePack;  // the node's own text, or `described`
    const char* iis;          // the node's own text (the key line when described)
  } rows[] = {
      // No Windows subsystem key, no Installer, no setup logs.
      {"win95", {"Last Install ServicePack", "IIS5 Setup"}, nullptr, nullptr, "NotFound", "NotFound"},
      {"nt4-winaddons",
       {"DeskTopHeap", "Last Install ServicePack", "IIS5 Setup"},
       " SharedSection=1024,3072 ",
       nullptr,
       "NotFound",
       "NotFound"},
      {"xp-winaddons",
       {"DeskTopHeap", "MSI ImagePath", "Last Install ServicePack", "IIS5 Setup"},
       " SharedSection=1024,3072,512 ",
       "%SystemRoot%\\system32\\msiexec.exe /V",
       described,
       "[01/02/07 10:01] MyCreateService: W3SVC (ret=0)\n"},
      {"w2008r2-winaddons",
       {"DeskTopHeap", "MSI ImagePath", "Last Install ServicePack", "IIS5 Setup"},
       " SharedSection=1024,20480,768 ",
       "%systemroot%\\system32\\msiexec.exe /V",
       "Can't open",
       "NotFound"},
  };
  for (const Row& row : rows) {
    ScenarioMachine recorded(row.machine);
    ScopedFileApi files(recorded.platform());
    Report report;
    winmisc::fillWinMiscReport(report);
    EXPECT_TRUE(report.isSuccess()) << row.machine;
    ASSERT_EQ(probe::childNames(report), row.leaves) << row.machine;
    if (row.heapSetting) {
      std::string heap = probe::text(report, "DeskTopHeap");
      EXPECT_EQ(heap.rfind("%SystemRoot%\\system32\\csrss.exe ", 0), 0u) << row.machine << ": " << heap;
      EXPECT_NE(heap.find(row.heapSetting), std::string::npos) << row.machine << ": " << heap;
      EXPECT_GT(heap.size(), 255u) << row.machine;
    }
    if (row.installer) {
      EXPECT_EQ(probe::text(report, "MSI ImagePath"), row.installer) << row.machine;
    }
    const IReport& servicePack = child(report, "Last Install ServicePack");
    if (row.servicePack == described) {
      EXPECT_EQ(probe::childNames(servicePack), (Names{"CreationTime", "LastWriteTime", "file"}))
          << row.machine;
      EXPECT_EQ(servicePack.getType(), IReport::REPORT_NONE) << row.machine;
    } else {
      EXPECT_STREQ(static_cast<const char*>(servicePack.getValue()), row.servicePack) << row.machine;
      EXPECT_EQ(probe::childNames(servicePack), Names{}) << row.machine;
    }
    EXPECT_STREQ(static_cast<const char*>(child(report, "IIS5 Setup").getValue()), row.iis) << row.machine;
    EXPECT_EQ(files.files().openFiles(), 0) << row.machine;
    EXPECT_EQ(recorded.platform().openRegistryKeys(), 0) << row.machine;
  }
}

}  // namespace
