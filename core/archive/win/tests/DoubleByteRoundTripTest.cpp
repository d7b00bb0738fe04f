// Runs with code page 932 as the active code page (the locale of the test run),
// so that names whose trail bytes are backslashes reach the file system for real:
// written by the archive writer, read back and extracted.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "nox/ArchiveWriter.h"
#include "nox/archive/Reader.h"
#include "nox/archive/WinTarget.h"
#include "nox/testing/Files.h"

namespace {

using namespace nox::archive;
using namespace nox_testing;

// 0x95 0x5C and 0x83 0x5C: characters whose trail byte is a backslash.
const char kTable[] = "\x95\x5C";
const char kSo[] = "\x83\x5C";
const char kTest[] = "\x83\x65\x83\x58\x83\x67";

bool isLead(unsigned char c) { return IsDBCSLeadByte(c) != 0; }

class DoubleByte : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* expected = std::getenv("NOX_EXPECT_ACP");
    ASSERT_TRUE(expected) << "run through CTest, which sets the Japanese locale";
    ASSERT_EQ(GetACP(), static_cast<UINT>(std::atoi(expected)));
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    root_ = std::string(temp) + "nox-archive-dbcs-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(root_.c_str(), nullptr);
  }
  void TearDown() override { removeTree(root_); }
  std::string root_;
};

TEST_F(DoubleByte, NamesWithBackslashTrailBytesRoundTrip) {
  std::string in = root_ + "\\in";
  CreateDirectoryA(in.c_str(), nullptr);
  ASSERT_TRUE(CreateDirectoryA((in + "\\" + kTable).c_str(), nullptr));
  writeFile(in + "\\" + kTable + "\\" + kTest + ".txt", "test in table");
  ASSERT_TRUE(CreateDirectoryA((in + "\\" + kSo).c_str(), nullptr));
  writeFile(in + "\\" + kSo + "\\a.txt", std::string(5000, 'a'));
  writeFile(in + "\\" + kTest + kTable, "file named with a trailing 0x5C byte");

  const unsigned char header[28] = {'f', 'j', 'b', 'a', 28};
  std::string archive = root_ + "\\" + kTable + ".nxz";
  ArchiveWriter* w = ArchiveWriter::create(header, archive.c_str(), root_.c_str(), ARCHIVE_METHOD_GZIP);
  ASSERT_NE(w, nullptr);
  // The folder itself ends in a character whose trail byte is a backslash.
  ASSERT_TRUE(ArchiveWriter::addFolder(w, in.c_str()));
  ASSERT_TRUE(ArchiveWriter::write(w, nullptr, nullptr)) << ArchiveWriter::getResult(w);
  ASSERT_TRUE(ArchiveWriter::close(w));

  FileSource file;
  ASSERT_TRUE(file.open(archive.c_str()));
  Location where;
  ASSERT_EQ(locate(file, where), ReadStatus::kOk);
  std::vector<std::string> names;
  DirectoryWalker walker(file, where);
  Record r;
  while (walker.next(r)) names.push_back(r.name);
  ASSERT_EQ(walker.status(), ReadStatus::kOk);
  // Folders come in the platform's listing order, each followed by its subtree;
  // the file of the top folder comes last.
  const std::vector<std::string> tableFirst = {kTable, std::string(kTable) + "\\" + kTest + ".txt", kSo,
                                               std::string(kSo) + "\\a.txt", std::string(kTest) + kTable};
  const std::vector<std::string> soFirst = {kSo, std::string(kSo) + "\\a.txt", kTable,
                                            std::string(kTable) + "\\" + kTest + ".txt",
                                            std::string(kTest) + kTable};
  EXPECT_TRUE(names == tableFirst || names == soFirst) << ::testing::PrintToString(names);

  std::string out = root_ + "\\" + kSo + "out";
  WinTarget target;
  class Quiet : public ExtractListener {
   public:
    bool onEntry(uint32_t, uint32_t, const Record&) override { return true; }
    OverwriteAnswer onExists(const std::string&, const ExistingFile&) override {
      return OverwriteAnswer::kAll;
    }
    void onRefusedName(const Record& r, NameVerdict v) override {
      ADD_FAILURE() << r.name << ": " << describe(v);
    }
    bool onFailure(const Record& r, const std::string&, ReadStatus s) override {
      ADD_FAILURE() << r.name << ": " << describe(s);
      return true;
    }
  } listener;
  ASSERT_TRUE(target.makeFolders(out));
  ExtractSummary s = extractAll(file, where, out, target, listener, isLead);
  EXPECT_EQ(s.written, 3u);
  EXPECT_EQ(readFile(out + "\\" + kTable + "\\" + kTest + ".txt"), "test in table");
  EXPECT_EQ(readFile(out + "\\" + kSo + "\\a.txt"), std::string(5000, 'a'));
  EXPECT_EQ(readFile(out + "\\" + kTest + kTable), "file named with a trailing 0x5C byte");
}

}  // namespace
