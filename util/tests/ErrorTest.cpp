#include "nox/Error.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nox/Memory.h"
#include "nox/Module.h"

namespace {

TEST(Error, ThrowExceptionFillsTheWholeRecord) {
  SetLastError(0xDEAD);
  try {
    throwException(4, 5, 6, noxThisModule(), "Util\\Src\\Registry\\Export.cpp", 147, "",
                   "exportRegistryToFile");
  } catch (IException* e) {
    const IErrorRecord& r = e->getError();
    EXPECT_EQ(r.getID(), 4u);
    EXPECT_EQ(r.getReturnValue(), 5u);
    EXPECT_EQ(r.getLastError(), 6u);
    EXPECT_STREQ(r.getMemo().getData(), "");
    EXPECT_STREQ(r.getFileName().getData(), "Export.cpp");
    EXPECT_EQ(r.getLineNumber(), 147u);
    EXPECT_STREQ(r.getClassName().getData(), "");
    EXPECT_STREQ(r.getMethodName().getData(), "exportRegistryToFile");
    EXPECT_STREQ(r.getModuleName().getData(), "util_tests.exe");
    e->release();
  }
}

TEST(Error, BaseNameRules) {
  struct Case {
    const char* source;
    const char* expected;
  } cases[] = {
      {"plain.cpp", "plain.cpp"},
      {"Core/Src/FileDevice", "Core/Src/FileDevice"},  // only backslashes separate
      {"\\lead.cpp", "\\lead.cpp"},  // a backslash at the very first position does not count
      {"a\\b\\", ""},
  };
  for (const Case& c : cases) {
    try {
      throwException(1, 0, 0, nullptr, c.source, 1, "C", "m");
    } catch (IException* e) {
      EXPECT_STREQ(e->getError().getFileName().getData(), c.expected) << c.source;
      e->release();
    }
  }
  // Code page 932: 0x95 0x5C is one character; its trail byte is no separator.
  noxSetCodePage(932);
  try {
    throwException(1, 0, 0, nullptr, "dir\\\x95\x5C.cpp", 1, "C", "m");
  } catch (IException* e) {
    EXPECT_STREQ(e->getError().getFileName().getData(), "\x95\x5C.cpp");
    e->release();
  }
  noxSetCodePage(0);
}

TEST(Error, OutOfMemoryExceptionIsSharedAndSurvivesRelease) {
  IException* caught[2] = {};
  for (int i = 0; i < 2; ++i) {
    SetLastError(8);
    try {
      throwMemoryException(noxThisModule(), "src\\Thing.cpp", 10 + i, "Thing", i ? "second" : "first");
    } catch (IException* e) {
      caught[i] = e;
      EXPECT_EQ(e->getError().getID(), 2u);
      EXPECT_EQ(e->getError().getReturnValue(), 0u);
      EXPECT_EQ(e->getError().getLastError(), 8u);
      EXPECT_EQ(e->getError().getLineNumber(), 10u + i);
      EXPECT_STREQ(e->getError().getMethodName().getData(), i ? "second" : "first");
      e->release();
    }
  }
  EXPECT_EQ(caught[0], caught[1]);
}

std::vector<std::string> g_lines;
void captureLog(const char* text) { g_lines.push_back(text); }

class LogFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    ini_ = std::string(windows) + "\\NxInfo.ini";
    DeleteFileA(ini_.c_str());
    g_lines.clear();
    noxSetLogSink(captureLog);
  }
  void TearDown() override {
    noxSetLogSink(nullptr);
    DeleteFileA(ini_.c_str());
  }
  void setLog(const char* value) { WritePrivateProfileStringA("DEBUG", "LOG", value, ini_.c_str()); }
  void log() { writeLog(2, "memo text", noxThisModule(), "a\\b\\File.cpp", 114, "Cls", "method"); }
  std::string ini_;
};

TEST_F(LogFixture, WritesOnlyWhenLogIsTrueInAnyCase) {
  log();
  EXPECT_TRUE(g_lines.empty()) << "no settings file";
  for (const char* off : {"FALSE", "yes", "TRUEX", "1"}) {
    setLog(off);
    log();
    EXPECT_TRUE(g_lines.empty()) << off;
  }
  for (const char* on : {"true", "TRUE", "True"}) {
    setLog(on);
    log();
  }
  ASSERT_EQ(g_lines.size(), 3u);
  EXPECT_EQ(g_lines[0], "File.cpp:(114), RETURN: 0ID: 2memo text\r\n");
}

TEST_F(LogFixture, ThrownErrorsAreWrittenWhenLoggingIsOn) {
  setLog("TRUE");
  try {
    throwException(0x1F, 0xAB, 0, nullptr, "x\\Thrower.cpp", 7, "C", "m");
  } catch (IException* e) {
    e->release();
  }
  ASSERT_EQ(g_lines.size(), 1u);
  EXPECT_EQ(g_lines[0], "Thrower.cpp:(7), RETURN: abID: 1f\r\n");
}

}  // namespace
