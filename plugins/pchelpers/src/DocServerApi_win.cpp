#include "pchelpers/DocServerApi.h"

namespace {

class Win32DocServer : public DocServerApi {
 public:
  BOOL IsWow64Process(FARPROC entry, HANDLE process, PBOOL wow64) override {
    typedef BOOL(WINAPI * IsWow64ProcessFunction)(HANDLE, PBOOL);
    if (!entry) return FALSE;
    return reinterpret_cast<IsWow64ProcessFunction>(reinterpret_cast<void (*)()>(entry))(process, wow64);
  }
  DWORD GetTempPathA(DWORD size, LPSTR buffer) override { return ::GetTempPathA(size, buffer); }
  DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) override {
    return ::GetEnvironmentVariableA(name, buffer, size);
  }
  LONG RegQueryInfoKeyA(HKEY key, LPSTR className, LPDWORD classSize, LPDWORD reserved, LPDWORD subKeys,
                        LPDWORD longestSubKey, LPDWORD longestClass, LPDWORD values, LPDWORD longestValueName,
                        LPDWORD longestValue, LPDWORD securityDescriptor, PFILETIME lastWrite) override {
    return ::RegQueryInfoKeyA(key, className, classSize, reserved, subKeys, longestSubKey, longestClass,
                              values, longestValueName, longestValue, securityDescriptor, lastWrite);
  }
  BOOL IsDBCSLeadByte(BYTE c) override { return ::IsDBCSLeadByte(c); }
  void Sleep(DWORD milliseconds) override { ::Sleep(milliseconds); }
  HANDLE GetStdHandle(DWORD which) override { return ::GetStdHandle(which); }
  BOOL OpenPrinterA(LPSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults) override {
    return ::OpenPrinterA(name, printer, defaults);
  }
  BOOL GetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) override {
    return ::GetPrinterA(printer, level, buffer, size, needed);
  }
  BOOL ClosePrinter(HANDLE printer) override { return ::ClosePrinter(printer); }
};

}  // namespace

DocServerApi& DocServerApi::real() {
  static Win32DocServer api;
  return api;
}
