#include "pchelpers/EventLogApi.h"

namespace {

// The event log entry points, bound on first use: Windows 9x lacks them.
class Win32EventLog : public EventLogApi {
 public:
  BOOL GetComputerNameA(LPSTR buffer, LPDWORD size) override { return ::GetComputerNameA(buffer, size); }

  HANDLE OpenEventLogA(LPCSTR server, LPCSTR source) override {
    auto call = entry<decltype(&::OpenEventLogA)>("OpenEventLogA");
    return call ? call(server, source) : nullptr;
  }

  BOOL BackupEventLogA(HANDLE log, LPCSTR backupFile) override {
    auto call = entry<decltype(&::BackupEventLogA)>("BackupEventLogA");
    return call ? call(log, backupFile) : FALSE;
  }

  BOOL CloseEventLog(HANDLE log) override {
    auto call = entry<decltype(&::CloseEventLog)>("CloseEventLog");
    return call ? call(log) : FALSE;
  }

 private:
  // The entry point of advapi32, or null with ERROR_CALL_NOT_IMPLEMENTED.
  template <class F>
  static F entry(const char* name) {
    HMODULE advapi = ::GetModuleHandleA("advapi32.dll");
    FARPROC found = advapi ? ::GetProcAddress(advapi, name) : nullptr;
    if (!found) ::SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(found));
  }
};

}  // namespace

EventLogApi& EventLogApi::real() {
  static Win32EventLog api;
  return api;
}
