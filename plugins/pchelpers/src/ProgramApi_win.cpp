// The real program seam: each call goes straight to Windows.
#include "pchelpers/ProgramApi.h"

namespace {

class Win32Programs final : public ProgramApi {
 public:
  BOOL CreatePipe(PHANDLE read, PHANDLE write, LPSECURITY_ATTRIBUTES attributes, DWORD size) override {
    return ::CreatePipe(read, write, attributes, size);
  }
  BOOL CreateProcessA(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                      LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD flags,
                      LPVOID environment, LPCSTR folder, LPSTARTUPINFOA startup,
                      LPPROCESS_INFORMATION process) override {
    return ::CreateProcessA(application, commandLine, processAttributes, threadAttributes, inheritHandles,
                            flags, environment, folder, startup, process);
  }
  DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) override {
    return ::WaitForSingleObject(handle, milliseconds);
  }
  BOOL PeekNamedPipe(HANDLE pipe, LPVOID buffer, DWORD size, LPDWORD read, LPDWORD available,
                     LPDWORD leftInMessage) override {
    return ::PeekNamedPipe(pipe, buffer, size, read, available, leftInMessage);
  }
  BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) override {
    return ::ReadFile(file, buffer, size, read, overlapped);
  }
  BOOL TerminateProcess(HANDLE process, UINT exitCode) override {
    return ::TerminateProcess(process, exitCode);
  }
  BOOL CloseHandle(HANDLE handle) override { return ::CloseHandle(handle); }
  DWORD GetTickCount() override { return ::GetTickCount(); }
};

}  // namespace

ProgramApi& ProgramApi::real() {
  static Win32Programs programs;
  return programs;
}
