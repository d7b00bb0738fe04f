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
#include "nox/testing/Files.h"

namespace reporter_test {

using nox_testing::exists;
using nox_testing::programFolder;
using nox_testing::readFile;
using nox_testing::removeTree;
using nox_testing::writeFile;
using Scratch = nox_testing::ScratchFolder;

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
