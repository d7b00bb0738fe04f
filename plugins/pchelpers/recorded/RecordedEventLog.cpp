#include "RecordedEventLog.h"

#include <algorithm>
#include <cstring>

RecordedEventLog::~RecordedEventLog() {
  for (std::string* name : open_) delete name;
}

const std::string* RecordedEventLog::log(HANDLE handle) const {
  auto it = std::find(open_.begin(), open_.end(), static_cast<std::string*>(handle));
  return it == open_.end() ? nullptr : *it;
}

BOOL RecordedEventLog::GetComputerNameA(LPSTR buffer, LPDWORD size) {
  if (!machine_.has("computer", "name")) return machine_.fail(ERROR_NOT_SUPPORTED);
  std::string name = machine_.get("computer", "name");
  if (!buffer || *size <= name.size()) {
    *size = static_cast<DWORD>(name.size() + 1);
    return machine_.fail(ERROR_BUFFER_OVERFLOW);
  }
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  *size = static_cast<DWORD>(name.size());
  return TRUE;
}

HANDLE RecordedEventLog::OpenEventLogA(LPCSTR server, LPCSTR source) {
  std::string serverName = server ? server : "";
  std::string logName = source ? source : "";
  calls_.push_back("open " + serverName + " " + logName);
  if (machine_.has("version", "platform") &&
      machine_.number("version", "platform") == VER_PLATFORM_WIN32_WINDOWS) {
    machine_.fail(ERROR_CALL_NOT_IMPLEMENTED);  // Windows 9x keeps no event log
    return nullptr;
  }
  std::string computer = machine_.get("computer", "name");
  if (!serverName.empty() && lstrcmpiA(serverName.c_str(), computer.c_str()) != 0 &&
      lstrcmpiA(serverName.c_str(), ("\\\\" + computer).c_str()) != 0) {
    machine_.fail(RPC_S_SERVER_UNAVAILABLE);
    return nullptr;
  }
  const std::vector<std::string>& logs = machine_.named("eventlog");
  auto it = std::find_if(logs.begin(), logs.end(),
                         [&](const std::string& n) { return lstrcmpiA(n.c_str(), logName.c_str()) == 0; });
  if (it == logs.end()) {
    machine_.fail(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  std::string section = "eventlog " + *it;
  if (machine_.has(section, "open")) {
    machine_.fail(static_cast<DWORD>(machine_.number(section, "open")));
    return nullptr;
  }
  open_.push_back(new std::string(*it));
  return open_.back();
}

BOOL RecordedEventLog::BackupEventLogA(HANDLE handle, LPCSTR backupFile) {
  const std::string* name = log(handle);
  if (!name) return machine_.fail(ERROR_INVALID_HANDLE);
  std::string path = backupFile ? backupFile : "";
  calls_.push_back("backup " + *name + " " + path);
  std::string section = "eventlog " + *name;
  std::string backup = machine_.get(section, "backup", "ok");
  if (backup == "nofile") return TRUE;
  if (backup != "ok") return machine_.fail(static_cast<DWORD>(machine_.number(section, "backup")));
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD error = ::GetLastError();
    return machine_.fail(error == ERROR_FILE_EXISTS ? ERROR_ALREADY_EXISTS : error);
  }
  std::string content = machine_.get(section, "content", "LfLe " + *name);
  DWORD written = 0;
  BOOL ok = ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  ::CloseHandle(file);
  return ok ? TRUE : machine_.fail(ERROR_WRITE_FAULT);
}

BOOL RecordedEventLog::CloseEventLog(HANDLE handle) {
  const std::string* name = log(handle);
  if (!name) return machine_.fail(ERROR_INVALID_HANDLE);
  calls_.push_back("close " + *name);
  open_.erase(std::find(open_.begin(), open_.end(), name));
  delete name;
  return TRUE;
}
