#pragma once

#include <windows.h>

#include "pchelpers/Seam.h"

// The event log calls of the plug-ins (advapi32), and the computer name the
// logs are opened on. Failures are read with Platform::GetLastError.
//
// Windows 9x has no event log: the real implementation binds the log calls at
// run time, and where they are missing they fail with ERROR_CALL_NOT_IMPLEMENTED.
class EventLogApi {
 public:
  virtual ~EventLogApi() = default;
  static EventLogApi& real();

  virtual BOOL GetComputerNameA(LPSTR buffer, LPDWORD size) = 0;
  virtual HANDLE OpenEventLogA(LPCSTR server, LPCSTR source) = 0;
  virtual BOOL BackupEventLogA(HANDLE log, LPCSTR backupFile) = 0;
  virtual BOOL CloseEventLog(HANDLE log) = 0;
};
