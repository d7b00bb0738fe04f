#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "nox/Error.h"

// The folder of the test program, with its trailing backslash.
inline std::string programFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.rfind('\\') + 1);
}

// Where the build puts the fixture modules.
inline std::string fixtureModule(const char* fileName) {
  return programFolder() + "core-fixtures\\" + fileName;
}

// A scratch folder in the temporary folder, removed with everything in it.
class ScenarioFolder {
 public:
  ScenarioFolder() {
    static int serial = 0;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + "nox-loader-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++serial) + "\\";
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~ScenarioFolder() {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path_ + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
          DeleteFileA((path_ + found.cFileName).c_str());
      } while (FindNextFileA(search, &found));
      FindClose(search);
    }
    RemoveDirectoryA(path_.c_str());
  }
  ScenarioFolder(const ScenarioFolder&) = delete;
  ScenarioFolder& operator=(const ScenarioFolder&) = delete;

  const std::string& path() const { return path_; }

  // Copies a fixture module in under the given name.
  void addModule(const char* fixture, const char* asName) {
    ASSERT_TRUE(CopyFileA(fixtureModule(fixture).c_str(), (path_ + asName).c_str(), FALSE))
        << fixture << ": error " << GetLastError();
  }
  void addFile(const char* name, const std::string& content) {
    FILE* file = std::fopen((path_ + name).c_str(), "wb");
    ASSERT_NE(file, nullptr) << name;
    std::fwrite(content.data(), 1, content.size(), file);
    std::fclose(file);
  }

 private:
  std::string path_;
};

// What the fixture modules noted about their initialisation and release since
// the last call.
inline std::vector<std::string> takeFixtureLog() {
  char buffer[4096] = {};
  GetEnvironmentVariableA("NOX_FIXTURE_LOG", buffer, sizeof(buffer));
  SetEnvironmentVariableA("NOX_FIXTURE_LOG", nullptr);
  std::vector<std::string> entries;
  std::string all(buffer);
  for (size_t start = 0, end; (end = all.find(';', start)) != std::string::npos; start = end + 1) {
    entries.push_back(all.substr(start, end - start));
  }
  return entries;
}

// Runs action, which must throw; returns a copy of the error's fields.
struct RaisedError {
  bool raised = false;
  unsigned int id = 0;
  unsigned int lastError = 0;
  std::string className, methodName, fileName;
};

template <class Action>
RaisedError raisedBy(Action action) {
  RaisedError result;
  try {
    action();
  } catch (IException* e) {
    const IErrorRecord& r = e->getError();
    result = {true,
              r.getID(),
              r.getLastError(),
              r.getClassName().getData(),
              r.getMethodName().getData(),
              r.getFileName().getData()};
    e->release();
  }
  return result;
}
