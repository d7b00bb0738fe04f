#include "RecordedProgram.h"

#include <algorithm>
#include <cstring>

namespace {

std::string unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    char c = text[++i];
    out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c;
  }
  return out;
}

}  // namespace

void RecordedProgram::addProgram(const std::string& commandLine, const std::string& output, bool finishes) {
  added_[commandLine] = Program{output, finishes};
}

HANDLE RecordedProgram::open(Kind kind) {
  HANDLE handle = reinterpret_cast<HANDLE>(nextHandle_);
  nextHandle_ += 4;
  handles_[handle] = kind;
  return handle;
}

BOOL RecordedProgram::CreatePipe(PHANDLE read, PHANDLE write, LPSECURITY_ATTRIBUTES, DWORD) {
  if (machine_.get("programs", "pipe") == "fail") return machine_.fail(ERROR_NOT_ENOUGH_MEMORY);
  *read = open(PIPE_READ);
  *write = open(PIPE_WRITE);
  return TRUE;
}

BOOL RecordedProgram::CreateProcessA(LPCSTR, LPSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES,
                                     BOOL, DWORD, LPVOID, LPCSTR, LPSTARTUPINFOA,
                                     LPPROCESS_INFORMATION process) {
  std::string line = commandLine ? commandLine : "";
  started_.push_back(line);
  Program program;
  if (added_.count(line)) {
    program = added_[line];
  } else {
    std::string section = "program " + line;
    if (machine_.section(section).empty() || machine_.get(section, "start") == "fail") {
      return machine_.fail(ERROR_FILE_NOT_FOUND);
    }
    program.output = unescape(machine_.get(section, "output"));
    program.finishes = machine_.get(section, "finish") != "never";
  }
  pending_ = program.output;
  finishes_ = program.finishes;
  running_ = true;
  std::memset(process, 0, sizeof *process);
  process->hProcess = open(PROCESS);
  process->hThread = open(THREAD);
  process->dwProcessId = 4242;
  return TRUE;
}

DWORD RecordedProgram::WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  if (!handles_.count(handle)) return machine_.fail(ERROR_INVALID_HANDLE), WAIT_FAILED;
  // A program that writes more than a pipe holds waits until it is read.
  if (running_ && finishes_ && pending_.size() <= 4096) {
    running_ = false;
    return WAIT_OBJECT_0;
  }
  if (!running_) return WAIT_OBJECT_0;
  clock_ += milliseconds;
  return WAIT_TIMEOUT;
}

BOOL RecordedProgram::PeekNamedPipe(HANDLE pipe, LPVOID, DWORD, LPDWORD, LPDWORD available, LPDWORD) {
  if (!handles_.count(pipe)) return machine_.fail(ERROR_INVALID_HANDLE);
  if (available) *available = static_cast<DWORD>(pending_.size());
  return TRUE;
}

BOOL RecordedProgram::ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED) {
  if (!handles_.count(file)) return machine_.fail(ERROR_INVALID_HANDLE);
  if (pending_.empty() && !running_) {
    *read = 0;
    return machine_.fail(ERROR_BROKEN_PIPE);
  }
  DWORD n = std::min<DWORD>(size, static_cast<DWORD>(std::min<size_t>(pending_.size(), 4096)));
  std::memcpy(buffer, pending_.data(), n);
  pending_.erase(0, n);
  *read = n;
  return TRUE;
}

BOOL RecordedProgram::TerminateProcess(HANDLE process, UINT) {
  if (!handles_.count(process)) return machine_.fail(ERROR_INVALID_HANDLE);
  terminated_ = true;
  running_ = false;
  return TRUE;
}

BOOL RecordedProgram::CloseHandle(HANDLE handle) {
  if (!handles_.erase(handle)) return machine_.fail(ERROR_INVALID_HANDLE);
  return TRUE;
}
