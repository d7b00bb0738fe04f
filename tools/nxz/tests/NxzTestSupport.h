#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "Nxz.h"

// What one nxz command line gave: its exit status and both outputs.
struct NxzRun {
  int code;
  std::string out, err;
};

inline NxzRun nxz(std::vector<std::string> args) {
  args.insert(args.begin(), "nxz");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::ostringstream out, err;
  int code = runNxz(static_cast<int>(argv.size()), argv.data(), out, err);
  return {code, out.str(), err.str()};
}

// A fixture with an empty folder of its own under the temporary folder, named
// after the test, removed again when the test ends.
class ScratchFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = std::filesystem::temp_directory_path() /
           ("nxz-" + std::string(test->test_suite_name()) + "-" + test->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }

  std::filesystem::path dir_;
};
