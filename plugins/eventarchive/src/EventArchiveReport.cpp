// Backups of the application and system event logs.
#include "EventArchiveReport.h"

#include "nox/FileUtil.h"
#include "nox/ReportLeaves.h"
#include "pchelpers/EventLogApi.h"
#include "pchelpers/FileApi.h"

namespace eventarchive {

const char kNoBackupFile[] = "The event log reported a backup, but wrote no file.";

namespace {

const struct {
  const char* leaf;
  const char* log;
  const char* file;
} kLogs[] = {
    {"application", "application", "apl.evt"},
    {"system", "system", "system.evt"},
};

}  // namespace

Backup backUpLog(const char* log, const char* path) {
  EventLogApi& logs = Seam<EventLogApi>::current();
  char computer[16] = {};
  DWORD size = sizeof computer;
  logs.GetComputerNameA(computer, &size);
  computer[sizeof computer - 1] = '\0';
  HANDLE handle = logs.OpenEventLogA(computer, log);
  if (!handle) return Backup::Failed;
  BOOL backedUp = logs.BackupEventLogA(handle, path);
  logs.CloseEventLog(handle);
  if (!backedUp) return Backup::Failed;
  // Some event logs (Wine's) say they backed up without writing anything.
  return Seam<FileApi>::current().GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES ? Backup::Written
                                                                                      : Backup::NoFile;
}

void fillEventArchiveReport(Report& report) {
  report.setName("eventArchive");
  for (const auto& entry : kLogs) {
    String path;
    path.format("%s\\%s", getWorkFolder(), entry.file);
    Backup backup = backUpLog(entry.log, path.getData());
    if (backup == Backup::Failed) continue;
    Report& leaf = addNode(report, entry.leaf);
    leaf.setType(IReport::REPORT_PATH);
    leaf.setValue(const_cast<char*>(path.getData()), 0);
    if (backup == Backup::NoFile) {
      leaf.setSuccess(false);
      leaf.setErrorText(kNoBackupFile);
    }
  }
}

}  // namespace eventarchive
