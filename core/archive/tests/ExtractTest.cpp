#include "nox/archive/Extract.h"

#include <gtest/gtest.h>

#include "ArchiveBuilder.h"
#include "MemoryTarget.h"

namespace nox::archive {
namespace {

using testing::buildArchive;
using testing::Entry;
using testing::MemoryTarget;
using testing::RecordingListener;

TEST(EntryName, VerdictsAndComponents) {
  struct Case {
    const char* name;
    unsigned int codePage;
    NameVerdict verdict;
    std::vector<std::string> parts;
  } cases[] = {
      {"a.txt", 0, NameVerdict::kOk, {"a.txt"}},
      {"PC\\binary.dat", 0, NameVerdict::kOk, {"PC", "binary.dat"}},
      {"a/b\\c", 0, NameVerdict::kOk, {"a", "b", "c"}},
      {"..\\evil.txt", 0, NameVerdict::kParent, {}},
      {"a\\..\\..\\evil.txt", 0, NameVerdict::kParent, {}},
      {"a/../../evil.txt", 0, NameVerdict::kParent, {}},
      {"a\\.. \\x", 0, NameVerdict::kParent, {}},
      {"a\\.\\x", 0, NameVerdict::kParent, {}},
      {"..", 0, NameVerdict::kParent, {}},
      {"\\Windows\\evil.dll", 0, NameVerdict::kAbsolute, {}},
      {"\\\\server\\share\\x", 0, NameVerdict::kAbsolute, {}},
      {"/etc/passwd", 0, NameVerdict::kAbsolute, {}},
      {"C:\\evil.txt", 0, NameVerdict::kDrive, {}},
      {"C:evil.txt", 0, NameVerdict::kDrive, {}},
      {"a.txt:stream", 0, NameVerdict::kStreamColon, {}},
      {"dir\\a.txt::$DATA", 0, NameVerdict::kStreamColon, {}},
      {"a\\\\b", 0, NameVerdict::kEmpty, {}},
      {"a\\", 0, NameVerdict::kEmpty, {}},
      {"", 0, NameVerdict::kEmpty, {}},
      {"a\nb", 0, NameVerdict::kControlChar, {}},
      {"..a\\b..", 0, NameVerdict::kOk, {"..a", "b.."}},
      // DOS devices, in any folder, with any extension or trailing blanks.
      {"CON", 0, NameVerdict::kDeviceName, {}},
      {"con.txt", 0, NameVerdict::kDeviceName, {}},
      {"PC\\NUL.tar.gz", 0, NameVerdict::kDeviceName, {}},
      {"aux\\x.txt", 0, NameVerdict::kDeviceName, {}},
      {"Prn ", 0, NameVerdict::kDeviceName, {}},
      {"COM1", 0, NameVerdict::kDeviceName, {}},
      {"dir/com9.log", 0, NameVerdict::kDeviceName, {}},
      {"LPT1 .txt", 0, NameVerdict::kDeviceName, {}},
      {"lpt9", 0, NameVerdict::kDeviceName, {}},
      {"CONOUT$", 0, NameVerdict::kDeviceName, {}},
      {"COM0", 0, NameVerdict::kOk, {"COM0"}},
      {"COM10.txt", 0, NameVerdict::kOk, {"COM10.txt"}},
      {"CONFIG.SYS", 0, NameVerdict::kOk, {"CONFIG.SYS"}},
      {"console\\NULL", 0, NameVerdict::kOk, {"console", "NULL"}},
      {"x.con", 0, NameVerdict::kOk, {"x.con"}},
      // 0x95 0x5C in code page 932 is one character; its trail byte separates
      // nothing there, but does in a single-byte code page.
      {"\x95\x5C\\x.txt", 932, NameVerdict::kOk, {"\x95\x5C", "x.txt"}},
      {"\x95\x5C\\x.txt", 0, NameVerdict::kEmpty, {}},
      {"\x83\x5C..\\x", 932, NameVerdict::kOk, {"\x83\x5C..", "x"}},
      // A lead byte whose trail is a colon is one character, not a stream.
      {"\x81:x", 932, NameVerdict::kOk, {"\x81:x"}},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    std::vector<std::string> parts;
    NameVerdict v = splitEntryName(cases[i].name, leadBytesOfCodePage(cases[i].codePage), parts);
    EXPECT_EQ(v, cases[i].verdict) << "row " << i << ": " << cases[i].name;
    if (v == NameVerdict::kOk) {
      EXPECT_EQ(parts, cases[i].parts) << "row " << i;
    }
  }
}

TEST(TargetFolder, TypedFoldersAreTakenAgainstTheProgramsPath) {
  struct Row {
    const char* program;
    const char* typed;
    unsigned int codePage;
    const char* expected;
  } rows[] = {
      {"C:\\Results\\NoxResult.exe", "", 0, "C:\\Results\\"},
      {"C:\\Results\\NoxResult.exe", "\\out", 0, "C:\\out"},
      {"C:\\Results\\NoxResult.exe", "out\\x", 0, "C:\\Results\\out\\x"},
      {"C:\\Results\\NoxResult.exe", "D:\\out", 0, "D:\\out"},
      {"C:\\Results\\NoxResult.exe", "D:out", 0, "D:out"},
      {"C:\\Results\\NoxResult.exe", "\\\\srv\\s\\out", 0, "\\\\srv\\s\\out"},
      // A program on the network: "\\x" is on its share, not on "\\\\".
      {"\\\\server\\share\\dir\\NoxResult.exe", "\\out", 0, "\\\\server\\share\\out"},
      {"\\\\server\\share\\NoxResult.exe", "\\out", 0, "\\\\server\\share\\out"},
      {"\\\\server\\share\\dir\\NoxResult.exe", "out", 0, "\\\\server\\share\\dir\\out"},
      // Names whose trail bytes are backslashes, with code page 932.
      {"\\\\\x95\x5C\\\x83\x5C\\NoxResult.exe", "\\out", 932, "\\\\\x95\x5C\\\x83\x5C\\out"},
      {"C:\\\x95\x5C\\NoxResult.exe", "", 932, "C:\\\x95\x5C\\"},
      {"C:\\R\\NoxResult.exe", "\x81:x", 932, "C:\\R\\\x81:x"},
  };
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    const Row& row = rows[i];
    EXPECT_EQ(resolveTypedFolder(row.program, row.typed, leadBytesOfCodePage(row.codePage)), row.expected)
        << "row " << i << ": " << row.program << " + " << row.typed;
  }
}

TEST(Extract, HostileNamesAreRefusedAndTheRestIsWritten) {
  std::vector<Entry> e(7);
  e[0].name = "..\\outside.txt";
  e[1].name = "C:\\Windows\\evil.dll";
  e[2].name = "good.txt";
  e[2].content = "good";
  e[3].name = "\\abs.txt";
  e[4].name = "good.txt:hidden";
  e[5].name = "dir\\..\\..\\x";
  e[6].name = "PC\\CON.txt";
  for (Entry& x : e)
    if (x.content.empty()) x.content = "evil";
  std::string file = buildArchive(e);
  MemorySource source(file.data(), file.size());
  Location where;
  ASSERT_EQ(locate(source, where), ReadStatus::kOk);
  MemoryTarget target;
  RecordingListener listener;
  ExtractSummary s = extractAll(source, where, "/t", target, listener, nullptr);
  EXPECT_EQ(s.status, ReadStatus::kOk);
  EXPECT_EQ(s.written, 1u);
  EXPECT_EQ(s.refused, 6u);
  ASSERT_EQ(target.files.size(), 1u);
  EXPECT_EQ(target.files["/t/good.txt"], "good");
  ASSERT_EQ(listener.refused.size(), 6u);
  EXPECT_EQ(listener.refused[5], "PC\\CON.txt: DOS device name");
  EXPECT_EQ(listener.refused[0], "..\\outside.txt: parent or dot-only component");
  EXPECT_EQ(listener.refused[1], "C:\\Windows\\evil.dll: names a drive");
}

TEST(Extract, OverwriteAnswersSkipReplaceAndStopAsking) {
  std::vector<Entry> e(4);
  for (int i = 0; i < 4; ++i) {
    e[i].name = "f" + std::to_string(i);
    e[i].content = "new" + std::to_string(i);
  }
  std::string file = buildArchive(e);
  MemorySource source(file.data(), file.size());
  Location where;
  ASSERT_EQ(locate(source, where), ReadStatus::kOk);
  MemoryTarget target;
  for (int i = 0; i < 4; ++i) target.files["/t/f" + std::to_string(i)] = "old";
  RecordingListener listener;
  listener.answers = {OverwriteAnswer::kNo, OverwriteAnswer::kYes, OverwriteAnswer::kAll};
  ExtractSummary s = extractAll(source, where, "/t", target, listener, nullptr);
  EXPECT_EQ(s.skipped, 1u);
  EXPECT_EQ(s.written, 3u);
  EXPECT_EQ(listener.asked, (std::vector<std::string>{"/t/f0", "/t/f1", "/t/f2"}));
  EXPECT_EQ(target.files["/t/f0"], "old");
  EXPECT_EQ(target.files["/t/f1"], "new1");
  EXPECT_EQ(target.files["/t/f3"], "new3");
}

TEST(Extract, StopEndsAndFailuresGoOn) {
  std::vector<Entry> e(4);
  e[0].name = "d";
  e[0].folder = true;
  e[0].lastWrite = 0x01D5000000000000ULL;
  for (int i = 1; i < 4; ++i) {
    e[i].name = "d\\f" + std::to_string(i);
    e[i].content = "x";
  }
  std::string file = buildArchive(e);
  MemorySource source(file.data(), file.size());
  Location where;
  ASSERT_EQ(locate(source, where), ReadStatus::kOk);

  MemoryTarget target;
  target.failCreate.insert("/t/d/f1");
  RecordingListener listener;
  ExtractSummary s = extractAll(source, where, "/t", target, listener, nullptr);
  EXPECT_EQ(s.failed, 1u);
  EXPECT_EQ(s.written, 2u);
  EXPECT_EQ(listener.failures, (std::vector<std::string>{"d\\f1: write error"}));
  EXPECT_EQ(target.times["/t/d"], 0x01D5000000000000ULL);

  MemoryTarget second;
  RecordingListener stopper;
  stopper.stopAt = 3;
  s = extractAll(source, where, "/t", second, stopper, nullptr);
  EXPECT_TRUE(s.stopped);
  EXPECT_EQ(s.written, 1u);
  EXPECT_EQ(stopper.progress, (std::vector<std::string>{"1/4", "2/4", "3/4"}));
}

}  // namespace
}  // namespace nox::archive
