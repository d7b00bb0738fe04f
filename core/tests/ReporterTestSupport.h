#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "Nxz.h"
#include "nox/Configration.h"
#include "nox/Events.h"
#include "nox/FileUtil.h"

namespace reporter_test {

inline std::string programFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.rfind('\\') + 1);
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

inline void writeFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
}

inline bool exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A scratch folder below the temporary folder, emptied and removed afterwards.
class Scratch {
 public:
  Scratch() {
    static int serial = 0;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + "nox-reporter-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++serial);
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~Scratch() { removeTree(path_); }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

  static void removeTree(const std::string& folder) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        std::string path = folder + "\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          removeTree(path);
        } else {
          SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
          DeleteFileA(path.c_str());
        }
      } while (FindNextFileA(find, &data));
      FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
  }

 private:
  std::string path_;
};

// Every progress event seen, as "text|value|max"; cancels at a chosen text.
class ProgressLog : public ProgressEventListener {
 public:
  void notifyProgressEvent(ProgressEvent& event) override {
    std::string text = event.getCurrentStatusText().getData();
    entries.push_back(text + "|" + std::to_string(event.getCurrentStatusValue()));
    texts.push_back(text);
    if (!cancelAt.empty() && text == cancelAt) event.doCancel();
  }
  std::vector<std::string> entries;
  std::vector<std::string> texts;
  std::string cancelAt;
};

// Answers media questions from a script of statuses and records what it was asked
// as "type:title".
class ScriptedUser : public UIEventListener {
 public:
  void notifyUIEvent(UIEvent& event) override {
    IConfigrations& items = event.getConfigrations();
    for (unsigned int i = 0; i < items.getCount(); ++i) {
      IConfigration& item = items.getItem(i);
      asked.push_back(std::to_string(item.getType()) + ":" + item.getTitle().getData());
      IConfigration::ConfigrationStatus answer = IConfigration::CONFIG_STATUS_CANCEL;
      if (!answers.empty()) {
        answer = answers.front();
        answers.pop_front();
      }
      item.setStatus(answer);
    }
  }
  std::deque<IConfigration::ConfigrationStatus> answers;
  std::vector<std::string> asked;
};

// Extracts a result (archive, NoxResult.exe or first split part) with the
// receiving tool and returns every file's content by its relative name.
inline std::map<std::string, std::string> extractResult(const std::string& result, const std::string& into) {
  const char* argv[] = {"nxz", "extract", "-o", result.c_str(), into.c_str()};
  std::ostringstream out, err;
  int code = runNxz(5, argv, out, err);
  EXPECT_EQ(code, 0) << out.str() << err.str();
  std::map<std::string, std::string> files;
  std::vector<std::string> pending{""};
  while (!pending.empty()) {
    std::string relative = pending.back();
    pending.pop_back();
    std::string folder = relative.empty() ? into : into + "\\" + relative;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) continue;
    do {
      std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      std::string rel = relative.empty() ? name : relative + "\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        pending.push_back(rel);
      } else {
        files[rel] = readFile(into + "\\" + rel);
      }
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  return files;
}

// The work folder the core has while it is loaded.
class WorkFolderEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_EQ(initializeUtility(), 1); }
  void TearDown() override { uninitializeUtility(); }
};

}  // namespace reporter_test
