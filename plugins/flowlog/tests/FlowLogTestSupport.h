#pragma once

// The router fixture (make-fixture.py) and the stand-ins' own accounts, for
// FlowLog's tests.

#include <windows.h>

#include <cstdlib>
#include <string>

#include "nox/testing/Files.h"

namespace flowlog_testing {

// The fixture folder CTest built, as Wine sees it.
inline std::string fixture(const std::string& relative = "") {
  const char* unix = std::getenv("NOX_FLOWLOG_FIXTURE");
  std::string path = std::string("Z:") + (unix ? unix : "/nonexistent");
  if (!relative.empty()) path += "/" + relative;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

template <class Result>
Result standinAccount(const char* module, const char* name, Result fallback) {
  using Fn = Result(__cdecl*)();
  auto fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(module), name)));
  return fn ? fn() : fallback;
}

inline long vellumLiveObjects() { return standinAccount<long>("Vellum.dll", "VellumStandinLiveObjects", -1); }
inline long vellumMisuses() { return standinAccount<long>("Vellum.dll", "VellumStandinMisuses", -1); }
inline std::string vellumLastMisuse() {
  return standinAccount<const char*>("Vellum.dll", "VellumStandinLastMisuse", "<no stand-in>");
}
inline std::string vellumTrace() {
  return standinAccount<const char*>("Vellum.dll", "VellumStandinTrace", "");
}

// A router installation for one test: a settings folder of its own, made from
// the fixture's files with the changes the test asks for, named to Pellard
// through PELLARD_SETTINGS for the test's length.
class RouterInstallation {
 public:
  RouterInstallation() {
    for (const char* name : {"Pellard.ini", "QvdLog.ldf", "qvdlog4s.cnf"}) {
      CopyFileA((fixture("settings") + "\\" + name).c_str(), (folder_ / name).c_str(), FALSE);
    }
    SetEnvironmentVariableA("PELLARD_SETTINGS", folder_.path().c_str());
  }
  ~RouterInstallation() { SetEnvironmentVariableA("PELLARD_SETTINGS", nullptr); }
  RouterInstallation(const RouterInstallation&) = delete;
  RouterInstallation& operator=(const RouterInstallation&) = delete;

  const std::string& folder() const { return folder_.path(); }
  void set(const char* file, const char* section, const char* key, const std::string& value) {
    WritePrivateProfileStringA(section, key, value.c_str(), (folder_ / file).c_str());
  }
  void remove(const char* file) { DeleteFileA((folder_ / file).c_str()); }
  // A database folder of the test's own, with the fixture's Vellum.ini.
  std::string emptyDatabaseFolder() {
    std::string db = folder_ / "db";
    CreateDirectoryA(db.c_str(), nullptr);
    CopyFileA((fixture("db") + "\\Vellum.ini").c_str(), (db + "\\Vellum.ini").c_str(), FALSE);
    return db;
  }

 private:
  nox_testing::ScratchFolder folder_{"flowlog-router"};
};

}  // namespace flowlog_testing
