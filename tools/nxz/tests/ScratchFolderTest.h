#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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
