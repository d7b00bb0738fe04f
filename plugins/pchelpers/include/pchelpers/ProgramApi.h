#pragma once

#include <windows.h>

#include "pchelpers/Seam.h"

// Starting a program and reading what it writes (ipconfig, verlist ...): the
// pipe, the process and the waits, with their Windows names and arguments.
class ProgramApi {
 public:
  virtual ~ProgramApi() = default;
  static ProgramApi& real();

  virtual BOOL CreatePipe(PHANDLE read, PHANDLE write, LPSECURITY_ATTRIBUTES attributes, DWORD size) = 0;
  virtual BOOL CreateProcessA(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                              LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD flags,
                              LPVOID environment, LPCSTR folder, LPSTARTUPINFOA startup,
                              LPPROCESS_INFORMATION process) = 0;
  virtual DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) = 0;
  virtual BOOL PeekNamedPipe(HANDLE pipe, LPVOID buffer, DWORD size, LPDWORD read, LPDWORD available,
                             LPDWORD leftInMessage) = 0;
  virtual BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) = 0;
  virtual BOOL TerminateProcess(HANDLE process, UINT exitCode) = 0;
  virtual BOOL CloseHandle(HANDLE handle) = 0;
  virtual DWORD GetTickCount() = 0;
};

inline ProgramApi& currentPrograms() { return Seam<ProgramApi>::current(); }
