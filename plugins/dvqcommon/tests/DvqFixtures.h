#pragma once

// Machines for the document server plug-ins' tests: a recorded registry, with
// the file search and the host program's name answered from the real file
// system (folders the test writes under Wine), and the document server seam.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "ForwardingPlatform.h"
#include "RecordedPlatform.h"
#include "nox/testing/Files.h"
#include "pchelpers/DocServerApi.h"

namespace dvqtest {

// The recorded registry, with the file search and the host program's own
// name answered from the real file system.
struct RecordedHolder {
  std::unique_ptr<RecordedPlatform> recorded_;
};

class FixtureMachine : private RecordedHolder, public ForwardingPlatform {
 public:
  FixtureMachine(const std::string& scenario, const std::string& hostProgram)
      : RecordedHolder{RecordedPlatform::fromText(scenario)},
        ForwardingPlatform(*recorded_),
        host_(hostProgram) {}
  HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) override {
    return ::FindFirstFileA(pattern, data);
  }
  BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data) override { return ::FindNextFileA(find, data); }
  BOOL FindClose(HANDLE find) override { return ::FindClose(find); }
  DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) override {
    if (module) return inner_.GetModuleFileNameA(module, buffer, size);
    lstrcpynA(buffer, host_.c_str(), static_cast<int>(size));
    return static_cast<DWORD>(lstrlenA(buffer));
  }
  int openRegistryKeys() const { return recorded_->openRegistryKeys(); }

 private:
  std::string host_;
};

class FixtureDocServer : public DocServerApi {
 public:
  BOOL IsWow64Process(FARPROC, HANDLE, PBOOL wow64) override {
    *wow64 = FALSE;
    return TRUE;
  }
  DWORD GetTempPathA(DWORD size, LPSTR buffer) override {
    if (temp.empty()) return ::GetTempPathA(size, buffer);
    lstrcpynA(buffer, temp.c_str(), static_cast<int>(size));
    return static_cast<DWORD>(temp.size());
  }
  DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) override {
    return ::GetEnvironmentVariableA(name, buffer, size);
  }
  // The value figures of a key, counted with the machine's RegEnumValueA.
  LONG RegQueryInfoKeyA(HKEY key, LPSTR, LPDWORD, LPDWORD, LPDWORD, LPDWORD, LPDWORD, LPDWORD values,
                        LPDWORD longestName, LPDWORD longestData, LPDWORD, PFILETIME) override {
    Platform& machine = currentPlatform();
    DWORD count = 0, nameMax = 0, dataMax = 0;
    for (;; ++count) {
      char name[1024];
      BYTE data[4096];
      DWORD nameSize = sizeof name, dataSize = sizeof data;
      if (machine.RegEnumValueA(key, count, name, &nameSize, nullptr, nullptr, data, &dataSize) !=
          ERROR_SUCCESS)
        break;
      nameMax = std::max(nameMax, nameSize);
      dataMax = std::max(dataMax, dataSize);
    }
    if (values) *values = count;
    if (longestName) *longestName = nameMax;
    if (longestData) *longestData = dataMax;
    return ERROR_SUCCESS;
  }
  BOOL IsDBCSLeadByte(BYTE) override { return FALSE; }
  void Sleep(DWORD) override { ++pauses; }
  HANDLE GetStdHandle(DWORD which) override { return ::GetStdHandle(which); }
  // Printers by name with their ports.
  BOOL OpenPrinterA(LPSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults) override {
    EXPECT_TRUE(defaults && !defaults->pDatatype && !defaults->pDevMode);
    EXPECT_EQ(defaults ? defaults->DesiredAccess : 0, static_cast<DWORD>(0x20008));
    auto found = printers.find(name);
    if (found == printers.end()) return FALSE;
    *printer = reinterpret_cast<HANDLE>(&found->second);
    ++openPrinters;
    return TRUE;
  }
  BOOL GetPrinterA(HANDLE printer, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed) override {
    EXPECT_EQ(level, 2u);
    const std::string& port = *reinterpret_cast<std::string*>(printer);
    DWORD want = static_cast<DWORD>(sizeof(PRINTER_INFO_2A) + port.size() + 1);
    *needed = want;
    if (!buffer || size < want) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
    PRINTER_INFO_2A* info = reinterpret_cast<PRINTER_INFO_2A*>(buffer);
    memset(info, 0, sizeof *info);
    char* text = reinterpret_cast<char*>(buffer + sizeof(PRINTER_INFO_2A));
    memcpy(text, port.c_str(), port.size() + 1);
    info->pPortName = text;
    return TRUE;
  }
  BOOL ClosePrinter(HANDLE) override {
    --openPrinters;
    return TRUE;
  }
  int pauses = 0, openPrinters = 0;
  std::string temp;  // the temporary folder, when not the real one
  std::map<std::string, std::string> printers;
};

// Text as a scenario's registry value holds it.
inline std::string escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

// A product installation the test writes below a scratch folder, and the
// registry values of the recorded machine that point into it.
class ProductTest : public ::testing::Test {
 protected:
  explicit ProductTest(const char* scratchName) : scratch_(scratchName) {}

 public:
  std::string folder(const std::string& relative) {
    std::string path = scratch_ / relative;
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
  }
  void file(const std::string& relative, const std::string& content) {
    nox_testing::writeFile(scratch_ / relative, content);
  }
  void value(const std::string& key, const std::string& name, const std::string& text) {
    registry_ += "[HKEY_LOCAL_MACHINE\\" + key + "]\n\"" + name + "\"=\"" + escaped(text) + "\"\n";
  }

 protected:
  nox_testing::ScratchFolder scratch_;
  std::string registry_;
};

}  // namespace dvqtest
