// The event log backups on recorded event logs. The backups go into the real
// work folder of the test, as a real backup writes its file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EventArchiveReport.h"
#include "RecordedEventLog.h"
#include "ReportProbe.h"
#include "Scenario.h"
#include "nox/FileUtil.h"
#include "nox/testing/Files.h"
#include "pchelpers/EventLogApi.h"

namespace {

using Names = std::vector<std::string>;

class EventArchive : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(initializeUtility(), 1); }
  void TearDown() override { uninitializeUtility(); }
  std::string workFile(const char* name) { return std::string(getWorkFolder()) + "\\" + name; }
};

std::string machine(const std::string& application, const std::string& system) {
  return "[computer]\nname = XPCLIENT\n[eventlog Application]\n" + application + "\n[eventlog System]\n" +
         system + "\n";
}

TEST_F(EventArchive, BothLogsBackedUpIntoTheWorkFolderApplicationFirst) {
  ScenarioMachine recorded =
      ScenarioMachine::fromText(machine("content = application log", "content = system log"));
  ScopedEventLog logs(recorded.platform());
  Report report;
  eventarchive::fillEventArchiveReport(report);
  EXPECT_STREQ(report.getName().getData(), "eventArchive");
  EXPECT_TRUE(report.isSuccess());
  ASSERT_EQ(probe::childNames(report), (Names{"application", "system"}));
  EXPECT_EQ(probe::find(report, "application")->getType(), IReport::REPORT_PATH);
  EXPECT_EQ(probe::text(report, "application"), workFile("apl.evt"));
  EXPECT_EQ(probe::text(report, "system"), workFile("system.evt"));
  EXPECT_EQ(nox_testing::readFile(workFile("apl.evt")), "application log");
  EXPECT_EQ(nox_testing::readFile(workFile("system.evt")), "system log");
  EXPECT_EQ(
      logs.log().calls(),
      (Names{"open XPCLIENT application", "backup Application " + workFile("apl.evt"), "close Application",
             "open XPCLIENT system", "backup System " + workFile("system.evt"), "close System"}))
      << "opened on the computer by its name, and closed after each backup";
  EXPECT_EQ(logs.log().openLogs(), 0);
}

TEST_F(EventArchive, LogsThatCannotBeBackedUpGetNoLeaf) {
  struct Row {
    const char* what;
    std::string scenario;
    Names leaves;
  } rows[] = {
      {"the application log does not open", machine("open = 5", ""), {"system"}},
      {"the application log's backup fails", machine("backup = 1392", ""), {"system"}},
      {"both fail", machine("open = 5", "backup = 112"), {}},
      {"the machine keeps no such logs", "[computer]\nname = W95\n", {}},
  };
  for (const Row& row : rows) {
    ScenarioMachine recorded = ScenarioMachine::fromText(row.scenario);
    ScopedEventLog logs(recorded.platform());
    Report report;
    eventarchive::fillEventArchiveReport(report);
    EXPECT_TRUE(report.isSuccess()) << row.what;
    EXPECT_EQ(probe::childNames(report), row.leaves) << row.what;
    EXPECT_EQ(logs.log().openLogs(), 0) << row.what;
    DeleteFileA(workFile("system.evt").c_str());
  }
}

TEST_F(EventArchive, ABackupThatReportsSuccessWithoutAFileIsNotReportedAsOne) {
  // What Wine's event log does with a handle it hands out.
  ScenarioMachine recorded = ScenarioMachine::fromText(machine("backup = nofile", ""));
  ScopedEventLog logs(recorded.platform());
  Report report;
  eventarchive::fillEventArchiveReport(report);
  ASSERT_EQ(probe::childNames(report), (Names{"application", "system"}));
  const IReport& application = *probe::find(report, "application");
  EXPECT_FALSE(application.isSuccess());
  EXPECT_STREQ(application.getErrorText().getData(), eventarchive::kNoBackupFile);
  EXPECT_FALSE(nox_testing::exists(workFile("apl.evt")));
  EXPECT_TRUE(probe::find(report, "system")->isSuccess());
}

TEST_F(EventArchive, ASecondReportFindsItsFilesTakenAndBacksUpNothing) {
  // The backup files have fixed names; a backup never replaces a file.
  ScenarioMachine recorded = ScenarioMachine::fromText(machine("", ""));
  ScopedEventLog logs(recorded.platform());
  Report first, second;
  eventarchive::fillEventArchiveReport(first);
  eventarchive::fillEventArchiveReport(second);
  EXPECT_EQ(probe::childNames(first), (Names{"application", "system"}));
  EXPECT_EQ(probe::childNames(second), Names{});
}

TEST_F(EventArchive, MachinesOfEveryKind) {
  struct Row {
    const char* machine;
    Names leaves;
    Names calls;
  } rows[] = {
      // Windows 9x keeps no event log at all.
      {"win95", {}, {"open  application", "open  system"}},
      // The system log is damaged: its backup fails.
      {"nt4-winaddons",
       {"application"},
       {"open NT4WKS application", "backup Application " + workFile("apl.evt"), "close Application",
        "open NT4WKS system", "backup System " + workFile("system.evt"), "close System"}},
      {"xp-winaddons",
       {"application", "system"},
       {"open XPCLIENT application", "backup Application " + workFile("apl.evt"), "close Application",
        "open XPCLIENT system", "backup System " + workFile("system.evt"), "close System"}},
      // The application log is kept from this program (access denied).
      {"w2008r2-winaddons",
       {"system"},
       {"open R2SERVER application", "open R2SERVER system", "backup System " + workFile("system.evt"),
        "close System"}},
  };
  for (const Row& row : rows) {
    ScenarioMachine recorded(row.machine);
    ScopedEventLog logs(recorded.platform());
    Report report;
    eventarchive::fillEventArchiveReport(report);
    EXPECT_TRUE(report.isSuccess()) << row.machine;
    EXPECT_EQ(probe::childNames(report), row.leaves) << row.machine;
    EXPECT_EQ(logs.log().calls(), row.calls) << row.machine;
    for (const std::string& leaf : row.leaves) {
      EXPECT_TRUE(probe::find(report, leaf)->isSuccess()) << row.machine << ": " << leaf;
      EXPECT_TRUE(nox_testing::exists(probe::text(report, leaf))) << row.machine << ": " << leaf;
    }
    DeleteFileA(workFile("apl.evt").c_str());
    DeleteFileA(workFile("system.evt").c_str());
  }
}

// This machine's event log, opened as the local machine (no server name):
// Wine opens its logs only that way.
class LocalEventLog : public EventLogApi {
 public:
  BOOL GetComputerNameA(LPSTR buffer, LPDWORD size) override { return real_.GetComputerNameA(buffer, size); }
  HANDLE OpenEventLogA(LPCSTR, LPCSTR source) override { return real_.OpenEventLogA(nullptr, source); }
  BOOL BackupEventLogA(HANDLE log, LPCSTR backupFile) override {
    return real_.BackupEventLogA(log, backupFile);
  }
  BOOL CloseEventLog(HANDLE log) override { return real_.CloseEventLog(log); }

 private:
  EventLogApi& real_ = EventLogApi::real();
};

// A leaf that says a backup was written names a file that exists.
void expectOnlyWrittenBackupsSucceed(const Report& report, const char* how) {
  for (const std::string& leaf : probe::childNames(report)) {
    const IReport& node = *probe::find(report, leaf);
    bool exists = nox_testing::exists(probe::text(report, leaf));
    EXPECT_EQ(node.isSuccess(), exists) << how << ": " << leaf;
    if (!exists) {
      EXPECT_STREQ(node.getErrorText().getData(), eventarchive::kNoBackupFile) << how << ": " << leaf;
    }
  }
}

TEST_F(EventArchive, ThisMachinesEventLogNeverClaimsABackupWithoutItsFile) {
  {
    Report report;
    eventarchive::fillEventArchiveReport(report);
    expectOnlyWrittenBackupsSucceed(report, "opened by the computer's name");
  }
  LocalEventLog local;
  ScopedSeam<EventLogApi> scope(local);
  Report report;
  eventarchive::fillEventArchiveReport(report);
  EXPECT_EQ(probe::childNames(report), (Names{"application", "system"}))
      << "both logs open locally and their backup calls answer success";
  expectOnlyWrittenBackupsSucceed(report, "opened locally");
}

}  // namespace
