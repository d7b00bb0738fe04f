#pragma once

#include <string>
#include <vector>

#include "RecordedPlatform.h"
#include "pchelpers/EventLogApi.h"

// Event logs as a scenario records them; failures through the machine's
// GetLastError. Sections:
//   [computer]       name (GetComputerNameA; none: the call fails)
//   [eventlog NAME]  open (a number: OpenEventLogA fails with that error)
//                    backup = ok (default: writes `content` to the file, as a
//                    real backup writes the log; an existing file fails with
//                    ERROR_ALREADY_EXISTS), nofile (TRUE, but no file is
//                    written), or a number (fails with that error)
// A log without a section, or a server name other than the computer's, does
// not open; on Windows 9x ([version] platform = 1) no log opens.
class RecordedEventLog : public EventLogApi {
 public:
  explicit RecordedEventLog(RecordedPlatform& machine) : machine_(machine) {}
  ~RecordedEventLog() override;

  // Every call in order ("open SERVER LOG", "backup LOG PATH", "close LOG").
  const std::vector<std::string>& calls() const { return calls_; }
  int openLogs() const { return static_cast<int>(open_.size()); }

  BOOL GetComputerNameA(LPSTR buffer, LPDWORD size) override;
  HANDLE OpenEventLogA(LPCSTR server, LPCSTR source) override;
  BOOL BackupEventLogA(HANDLE log, LPCSTR backupFile) override;
  BOOL CloseEventLog(HANDLE log) override;

 private:
  const std::string* log(HANDLE handle) const;

  RecordedPlatform& machine_;
  std::vector<std::string> calls_;
  std::vector<std::string*> open_;
};

// The recorded event logs of a machine, in force for the lifetime of a test.
class ScopedEventLog {
 public:
  explicit ScopedEventLog(RecordedPlatform& machine) : log_(machine), scope_(log_) {}
  RecordedEventLog& log() { return log_; }

 private:
  RecordedEventLog log_;
  ScopedSeam<EventLogApi> scope_;
};
