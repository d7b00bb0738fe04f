#pragma once

#include <map>
#include <string>

#include "RecordedPlatform.h"
#include "pchelpers/ProgramApi.h"

// A ProgramApi that plays programs from the scenario of a recorded machine:
//   [program COMMAND LINE]  output (what the program writes; \r \n \t \\ are
//                           escapes), start (fail: CreateProcessA fails with
//                           error 2), finish (never: the program does not end)
// Programs may also be added by the test with their output as it stands.
class RecordedProgram : public ProgramApi {
 public:
  explicit RecordedProgram(RecordedPlatform& machine) : machine_(machine) {}

  void addProgram(const std::string& commandLine, const std::string& output, bool finishes = true);
  // Handles still open; command lines started.
  int openHandles() const { return static_cast<int>(handles_.size()); }
  const std::vector<std::string>& started() const { return started_; }
  bool terminated() const { return terminated_; }

  BOOL CreatePipe(PHANDLE read, PHANDLE write, LPSECURITY_ATTRIBUTES attributes, DWORD size) override;
  BOOL CreateProcessA(LPCSTR application, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                      LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD flags,
                      LPVOID environment, LPCSTR folder, LPSTARTUPINFOA startup,
                      LPPROCESS_INFORMATION process) override;
  DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) override;
  BOOL PeekNamedPipe(HANDLE pipe, LPVOID buffer, DWORD size, LPDWORD read, LPDWORD available,
                     LPDWORD leftInMessage) override;
  BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) override;
  BOOL TerminateProcess(HANDLE process, UINT exitCode) override;
  BOOL CloseHandle(HANDLE handle) override;
  DWORD GetTickCount() override { return clock_; }

 private:
  struct Program {
    std::string output;
    bool finishes = true;
  };
  enum Kind { PIPE_READ, PIPE_WRITE, PROCESS, THREAD };
  HANDLE open(Kind kind);

  RecordedPlatform& machine_;
  std::map<std::string, Program> added_;
  std::map<HANDLE, Kind> handles_;
  std::vector<std::string> started_;
  std::string pending_;  // what the running program has written and nobody read yet
  bool running_ = false;
  bool finishes_ = true;
  bool terminated_ = false;
  DWORD clock_ = 1000;
  INT_PTR nextHandle_ = 0x500;
};
