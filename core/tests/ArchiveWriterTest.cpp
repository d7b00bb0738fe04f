#include "nox/ArchiveWriter.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "ArchiveBuilder.h"
#include "nox/archive/Reader.h"
#include "nox/archive/WinTarget.h"
#include "nox/testing/Files.h"

namespace {

using namespace nox::archive;
using namespace nox_testing;
using nox::archive::testing::repeated;

std::string noise(size_t n) { return nox::archive::testing::noise(n, 777); }

const unsigned char kTemplate[28] = {'f', 'j', 'b', 'a', 28};

// A scratch folder with "in" (what is packed), "stage" and the archive path.
class ArchiveWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    root_ = std::string(temp) + "nox-archive-" + std::to_string(GetCurrentProcessId()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    removeTree(root_);
    CreateDirectoryA(root_.c_str(), nullptr);
    in_ = root_ + "\\in";
    stage_ = root_ + "\\stage";
    archive_ = root_ + "\\NoxInfo.nxz";
    CreateDirectoryA(in_.c_str(), nullptr);
    CreateDirectoryA(stage_.c_str(), nullptr);
  }
  void TearDown() override { removeTree(root_); }

  // Packs in_ and returns the writer's result.
  unsigned int pack(ArchiveProgressCallback callback = nullptr, void* user = nullptr,
                    int method = ARCHIVE_METHOD_GZIP) {
    ArchiveWriter* w = ArchiveWriter::create(kTemplate, archive_.c_str(), stage_.c_str(), method);
    EXPECT_NE(w, nullptr);
    if (!w) return archiveGetLastError();
    EXPECT_TRUE(ArchiveWriter::addFolder(w, in_.c_str()));
    ArchiveWriter::write(w, callback, user);
    unsigned int result = ArchiveWriter::getResult(w);
    EXPECT_TRUE(ArchiveWriter::close(w));
    return result;
  }

  std::vector<Record> records(FileSource& file, Location& where) {
    std::vector<Record> out;
    EXPECT_TRUE(file.open(archive_.c_str()));
    EXPECT_EQ(locate(file, where), ReadStatus::kOk);
    DirectoryWalker walker(file, where);
    Record r;
    while (walker.next(r)) out.push_back(r);
    EXPECT_EQ(walker.status(), ReadStatus::kOk);
    return out;
  }

  std::string root_, in_, stage_, archive_;
};

TEST_F(ArchiveWriterTest, EmptyFolderGivesFortyBytes) {
  FILETIME before;
  GetSystemTimeAsFileTime(&before);
  ASSERT_EQ(pack(), ARCHIVE_OK);
  std::string bytes = readFile(archive_);
  ASSERT_EQ(bytes.size(), 40u);
  const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes.data());
  EXPECT_EQ(bytes.substr(0, 4), "fjba");
  EXPECT_EQ(bytes.substr(4, 4), "fjba");
  EXPECT_EQ(getU32(b + 8), 28u);
  EXPECT_EQ(getU64(b + 12), 4u);
  EXPECT_EQ(getU32(b + 20), 0u);
  uint64_t created = getU64(b + 24);
  uint64_t start = (static_cast<uint64_t>(before.dwHighDateTime) << 32) | before.dwLowDateTime;
  EXPECT_GE(created + 10000000, start);  // within a second, allowing for clock granularity
  EXPECT_LE(created, start + 600000000ULL);
  EXPECT_EQ(getU64(b + 32), 4u);
  // The directory file is gone from the staging folder.
  EXPECT_FALSE(exists(stage_ + "\\$$Head$$.wk"));
}

TEST_F(ArchiveWriterTest, SubFoldersWithTheirSubtreeComeBeforeFiles) {
  writeFile(in_ + "\\a.txt", repeated("alpha ", 300));
  CreateDirectoryA((in_ + "\\sub").c_str(), nullptr);
  writeFile(in_ + "\\sub\\b.txt", repeated("beta ", 300));
  ASSERT_EQ(pack(), ARCHIVE_OK);
  FileSource file;
  Location where;
  std::vector<Record> r = records(file, where);
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0].name, "sub");
  EXPECT_EQ(r[1].name, "sub\\b.txt");
  EXPECT_EQ(r[2].name, "a.txt");
  EXPECT_TRUE(r[0].isFolder());
  EXPECT_EQ(r[0].dataOffset, 0u);
  EXPECT_EQ(r[0].size, 0u);
  // Data in record order, from offset 4, nothing between.
  EXPECT_EQ(r[1].dataOffset, 4u);
  EXPECT_EQ(r[2].dataOffset, 4u + r[1].storedLength());
  EXPECT_EQ(where.headerOffset, r[2].dataOffset + r[2].storedLength());
  StringSink a, b;
  ASSERT_EQ(extractContent(file, r[2], a), ReadStatus::kOk);
  ASSERT_EQ(extractContent(file, r[1], b), ReadStatus::kOk);
  EXPECT_EQ(a.bytes, repeated("alpha ", 300));
  EXPECT_EQ(b.bytes, repeated("beta ", 300));
  // Neither the directory file nor a temporary member is left behind.
  EXPECT_EQ(listFolder(stage_), std::vector<std::string>());
}

// The member zlib's gzip writer makes at level 6: fixed header (no time, no name,
// OS 11), raw deflate, CRC-32 and length.
std::string expectedMember(const std::string& content) {
  z_stream s;
  std::memset(&s, 0, sizeof s);
  deflateInit2(&s, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string body(deflateBound(&s, static_cast<uLong>(content.size())) + 16, '\0');
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
  s.avail_in = static_cast<uInt>(content.size());
  s.next_out = reinterpret_cast<Bytef*>(&body[0]);
  s.avail_out = static_cast<uInt>(body.size());
  deflate(&s, Z_FINISH);
  body.resize(s.total_out);
  deflateEnd(&s);
  std::string member("\x1f\x8b\x08\0\0\0\0\0\0\x0b", 10);
  member += body;
  unsigned char tail[8];
  putU32(tail, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(content.data()),
                                           static_cast<uInt>(content.size()))));
  putU32(tail + 4, static_cast<uint32_t>(content.size()));
  member.append(reinterpret_cast<char*>(tail), 8);
  return member;
}

TEST_F(ArchiveWriterTest, MethodFollowsWhatGzipAchieves) {
  struct Case {
    const char* name;
    std::string content;
    uint16_t method;
  } cases[] = {
      {"empty.txt", "", kMethodStored},
      {"noise.bin", noise(70000), kMethodStored},
      {"tiny.txt", "x", kMethodStored},
      {"log.txt", repeated("2026-12-10 01:00:00 INFO something happened\r\n", 4000), kMethodGzip},
      // Members after the first reuse the writer's deflate state; one spans
      // several read pieces.
      {"queue.xml", repeated("<job id=\"7\" state=\"printing\"/>\r\n", 3000), kMethodGzip},
      {"spooler.log", repeated("2026-12-10 02:00:00 WARN spooler queue stalled\r\n", 60000), kMethodGzip},
  };
  for (const Case& c : cases) writeFile(in_ + "\\" + c.name, c.content);
  ASSERT_EQ(pack(), ARCHIVE_OK);
  FileSource file;
  Location where;
  std::vector<Record> r = records(file, where);
  ASSERT_EQ(r.size(), std::size(cases));
  for (const Case& c : cases) {
    const Record* found = nullptr;
    for (const Record& x : r) {
      if (x.name == c.name) found = &x;
    }
    ASSERT_NE(found, nullptr) << c.name;
    EXPECT_EQ(found->method, c.method) << c.name;
    EXPECT_EQ(found->size, c.content.size()) << c.name;
    std::string data(static_cast<size_t>(found->storedLength()), '\0');
    if (!data.empty()) {
      ASSERT_TRUE(file.readAt(found->dataOffset, &data[0], data.size()));
    }
    if (c.method == kMethodGzip) {
      EXPECT_EQ(data, expectedMember(c.content)) << c.name << ": not the member zlib's gzip writer makes";
      EXPECT_EQ(found->packedSize, data.size());
    } else {
      EXPECT_EQ(data, c.content) << c.name;
    }
  }
  // Stored throughout when asked to store.
  ASSERT_EQ(pack(nullptr, nullptr, ARCHIVE_METHOD_STORE), ARCHIVE_OK);
  FileSource stored;
  for (const Record& x : records(stored, where)) {
    EXPECT_EQ(x.method, kMethodStored) << x.name;
  }
}

struct CallbackLog {
  std::vector<std::string> calls;
  std::vector<int> answers;  // per call, 0 beyond the end
};

int logCall(int status, unsigned int number, unsigned int count, const unsigned char* record, void* user) {
  CallbackLog& log = *static_cast<CallbackLog*>(user);
  std::string name = reinterpret_cast<const char*>(record + 40);
  log.calls.push_back(std::to_string(status) + " " + std::to_string(number) + "/" + std::to_string(count) +
                      " " + name + " len=" + std::to_string(getU16(record)));
  size_t i = log.calls.size() - 1;
  return i < log.answers.size() ? log.answers[i] : 0;
}

TEST_F(ArchiveWriterTest, CallbackSeesEachRecordAndMaySkip) {
  CreateDirectoryA((in_ + "\\d").c_str(), nullptr);
  writeFile(in_ + "\\d\\one.txt", "1");
  writeFile(in_ + "\\d\\two.txt", "2");
  CallbackLog log;
  // The folder's answer is ignored; the first file is skipped.
  log.answers = {ARCHIVE_CANCEL, ARCHIVE_SKIP, 0};
  ASSERT_EQ(pack(logCall, &log), ARCHIVE_OK);
  ASSERT_EQ(log.calls.size(), 3u);
  EXPECT_EQ(log.calls[0], "0 1/1 d len=42");
  EXPECT_EQ(log.calls[1].substr(0, 6), "0 2/2 ");
  // The skipped file left no record: the next one takes its number.
  EXPECT_EQ(log.calls[2].substr(0, 6), "0 2/2 ");
  FileSource file;
  Location where;
  std::vector<Record> r = records(file, where);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[1].name, log.calls[2].substr(6, 9));
  EXPECT_EQ(r[1].dataOffset, 4u);
}

TEST_F(ArchiveWriterTest, CancelOnTheSecondFileDeletesTheArchive) {
  writeFile(in_ + "\\a.txt", "a");
  writeFile(in_ + "\\b.txt", "b");
  writeFile(in_ + "\\c.txt", "c");
  CallbackLog log;
  log.answers = {0, ARCHIVE_CANCEL};
  archiveSetLastError(0);
  EXPECT_EQ(pack(logCall, &log), ARCHIVE_CANCELLED);
  EXPECT_EQ(archiveGetLastError(), ARCHIVE_CANCELLED);
  EXPECT_EQ(log.calls.size(), 2u);
  EXPECT_FALSE(exists(archive_));
  EXPECT_EQ(listFolder(stage_), std::vector<std::string>());
}

TEST_F(ArchiveWriterTest, DirectoryFileTakesTheFirstFreeNumberedName) {
  writeFile(stage_ + "\\$$Head$$.wk", "taken");
  writeFile(stage_ + "\\$$Head$$(1).wk", "taken");
  writeFile(in_ + "\\a.txt", "a");
  ASSERT_EQ(pack(), ARCHIVE_OK);
  EXPECT_EQ(readFile(stage_ + "\\$$Head$$.wk"), "taken");
  EXPECT_FALSE(exists(stage_ + "\\$$Head$$(2).wk"));
  FileSource file;
  Location where;
  EXPECT_EQ(records(file, where).size(), 1u);
}

TEST_F(ArchiveWriterTest, FailuresGiveTheirCodes) {
  const unsigned char bad[28] = {'f', 'j', 'b', 'a', 30};
  EXPECT_EQ(ArchiveWriter::create(bad, archive_.c_str(), stage_.c_str(), 1), nullptr);
  EXPECT_EQ(archiveGetLastError(), ARCHIVE_INVALID_ARGUMENT);

  ArchiveWriter* w = ArchiveWriter::create(kTemplate, archive_.c_str(), stage_.c_str(), 1);
  ASSERT_NE(w, nullptr);
  EXPECT_FALSE(ArchiveWriter::write(w, nullptr, nullptr));
  EXPECT_EQ(ArchiveWriter::getResult(w), ARCHIVE_NO_FOLDER);
  EXPECT_TRUE(ArchiveWriter::close(w));
  EXPECT_FALSE(exists(archive_));
  EXPECT_FALSE(ArchiveWriter::close(nullptr));

  w = ArchiveWriter::create(kTemplate, archive_.c_str(), stage_.c_str(), 1);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(ArchiveWriter::addFolder(w, (root_ + "\\missing\\deeper").c_str()));
  EXPECT_FALSE(ArchiveWriter::write(w, nullptr, nullptr));
  EXPECT_EQ(ArchiveWriter::getResult(w), ARCHIVE_PATH_NOT_FOUND);
  ArchiveWriter::close(w);

  EXPECT_EQ(ArchiveWriter::create(kTemplate, (root_ + "\\no\\such\\x.nxz").c_str(), stage_.c_str(), 1),
            nullptr);
  EXPECT_EQ(archiveGetLastError(), ARCHIVE_PATH_NOT_FOUND);

  noxFailAllocationsAfter(0);
  EXPECT_EQ(ArchiveWriter::create(kTemplate, archive_.c_str(), stage_.c_str(), 1), nullptr);
  noxFailAllocationsAfter(-1);
  EXPECT_EQ(archiveGetLastError(), ARCHIVE_NO_MEMORY);
}

// Each row is a sequence of calls between create and close: "f" adds the folder,
// "x" adds one that is refused (empty), "m" adds a missing folder, "w" writes.
TEST_F(ArchiveWriterTest, CloseDeletesOnlyAnArchiveLeftFailedOrIncomplete) {
  writeFile(in_ + "\\a.txt", "a");
  struct Row {
    const char* calls;
    bool kept;
  } rows[] = {
      {"fw", true},    // complete
      {"xfw", true},   // a refused folder made good before the write
      {"fwx", false},  // the last operation failed
      {"fww", false},  // a refused second write is the last operation
      {"w", false},    // nothing to write
      {"wf", false},   // only the magic was ever written
      {"mwf", false},  // a failed write left it incomplete
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.calls);
    ArchiveWriter* w =
        ArchiveWriter::create(kTemplate, archive_.c_str(), stage_.c_str(), ARCHIVE_METHOD_GZIP);
    ASSERT_NE(w, nullptr);
    for (const char* call = row.calls; *call; ++call) {
      if (*call == 'f') ArchiveWriter::addFolder(w, in_.c_str());
      if (*call == 'x') ArchiveWriter::addFolder(w, "");
      if (*call == 'm') ArchiveWriter::addFolder(w, (root_ + "\\missing").c_str());
      if (*call == 'w') ArchiveWriter::write(w, nullptr, nullptr);
    }
    ASSERT_TRUE(ArchiveWriter::close(w));
    EXPECT_EQ(exists(archive_), row.kept);
    if (row.kept) {
      FileSource file;
      Location where;
      EXPECT_EQ(records(file, where).size(), 1u);
    }
    DeleteFileA(archive_.c_str());
  }
}

TEST_F(ArchiveWriterTest, LongHeaderTemplateKeepsItsFurtherBytes) {
  writeFile(in_ + "\\a.txt", "a");
  unsigned char longTemplate[52] = {'x', 'x', 'x', 'x', 52};
  for (int i = 28; i < 52; ++i) longTemplate[i] = static_cast<unsigned char>(i);
  ArchiveWriter* w =
      ArchiveWriter::create(longTemplate, archive_.c_str(), stage_.c_str(), ARCHIVE_METHOD_GZIP);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(ArchiveWriter::addFolder(w, (in_ + "\\").c_str()));
  ASSERT_TRUE(ArchiveWriter::write(w, nullptr, nullptr));
  // A second write would append a second directory: refused.
  EXPECT_FALSE(ArchiveWriter::write(w, nullptr, nullptr));
  EXPECT_EQ(ArchiveWriter::getResult(w), ARCHIVE_INVALID_ARGUMENT);
  ArchiveWriter::close(w);
  EXPECT_FALSE(exists(archive_));

  w = ArchiveWriter::create(longTemplate, archive_.c_str(), stage_.c_str(), ARCHIVE_METHOD_GZIP);
  ASSERT_TRUE(ArchiveWriter::addFolder(w, (in_ + "\\").c_str()));
  ASSERT_TRUE(ArchiveWriter::write(w, nullptr, nullptr));
  ASSERT_TRUE(ArchiveWriter::close(w));
  FileSource file;
  Location where;
  std::vector<Record> r = records(file, where);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].name, "a.txt");  // the trailing backslash given is not doubled
  EXPECT_EQ(where.header.length, 52u);
  std::string bytes = readFile(archive_);
  EXPECT_EQ(bytes.substr(where.headerOffset, 4), "fjba");
  EXPECT_EQ(bytes.substr(where.headerOffset + 28, 24),
            std::string(reinterpret_cast<char*>(longTemplate + 28), 24));
}

TEST_F(ArchiveWriterTest, PlatformFailuresMidWriteGiveTheirCodesAndDeleteTheArchive) {
  writeFile(in_ + "\\a.txt", "a");
  writeFile(in_ + "\\locked.txt", "locked");
  // Another program holds the file without sharing it.
  HANDLE lock =
      CreateFileA((in_ + "\\locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  EXPECT_EQ(pack(), ARCHIVE_SHARING_VIOLATION);
  EXPECT_EQ(archiveGetLastError(), ARCHIVE_SHARING_VIOLATION);
  EXPECT_FALSE(exists(archive_));
  CloseHandle(lock);

  ArchiveWriter* w = ArchiveWriter::create(kTemplate, archive_.c_str(), stage_.c_str(), ARCHIVE_METHOD_GZIP);
  ASSERT_NE(w, nullptr);
  ASSERT_TRUE(ArchiveWriter::addFolder(w, in_.c_str()));
  noxFailAllocationsAfter(0);
  EXPECT_FALSE(ArchiveWriter::write(w, nullptr, nullptr));
  noxFailAllocationsAfter(-1);
  EXPECT_EQ(ArchiveWriter::getResult(w), ARCHIVE_NO_MEMORY);
  EXPECT_TRUE(ArchiveWriter::close(w));
  EXPECT_FALSE(exists(archive_));
  EXPECT_EQ(listFolder(stage_), std::vector<std::string>());
}

TEST(ArchiveResults, PlatformErrorsMapToTheirCodes) {
  struct Case {
    DWORD error;
    unsigned int expected;
  } cases[] = {
      {ERROR_FILE_NOT_FOUND, 3},    {ERROR_PATH_NOT_FOUND, 4},     {ERROR_NOT_ENOUGH_MEMORY, 6},
      {ERROR_WRITE_PROTECT, 15},    {ERROR_NOT_READY, 16},         {ERROR_SEEK, 7},
      {ERROR_SHARING_VIOLATION, 8}, {ERROR_DISK_FULL, 9},          {ERROR_HANDLE_DISK_FULL, 9},
      {ERROR_ACCESS_DENIED, 11},    {ERROR_INVALID_PARAMETER, 11},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(archiveResultOfPlatformError(c.error, 11), c.expected) << "error " << c.error;
  }
}

TEST_F(ArchiveWriterTest, FileOfFourGibibytesIsRefused) {
  // A sparse file: its size is what matters, not its blocks.
  std::string big = in_ + "\\big.dat";
  HANDLE h = CreateFileA(big.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  LARGE_INTEGER size;
  size.QuadPart = 0x100000000LL;
  ASSERT_TRUE(SetFilePointerEx(h, size, nullptr, FILE_BEGIN));
  ASSERT_TRUE(SetEndOfFile(h));
  CloseHandle(h);
  writeFile(in_ + "\\small.txt", "small");
  EXPECT_EQ(pack(), ARCHIVE_FILE_TOO_LARGE);
  EXPECT_FALSE(exists(archive_));

  // Skipping it in the callback packs the rest.
  CallbackLog log;
  log.answers = {ARCHIVE_SKIP, ARCHIVE_SKIP};
  struct Skipper {
    static int answer(int, unsigned int, unsigned int, const unsigned char* record, void*) {
      return std::string(reinterpret_cast<const char*>(record + 40)) == "big.dat" ? ARCHIVE_SKIP : 0;
    }
  };
  EXPECT_EQ(pack(Skipper::answer, nullptr), ARCHIVE_OK);
  FileSource file;
  Location where;
  std::vector<Record> r = records(file, where);
  ASSERT_EQ(r.size(), 1u);
  EXPECT_EQ(r[0].name, "small.txt");
}

// Stands in for the extraction user: overwrite everything, record problems.
class Accepting : public ExtractListener {
 public:
  bool onEntry(uint32_t, uint32_t, const Record&) override { return true; }
  OverwriteAnswer onExists(const std::string&, const ExistingFile&) override { return OverwriteAnswer::kAll; }
  void onRefusedName(const Record& r, NameVerdict) override { problems.push_back(r.name); }
  bool onFailure(const Record& r, const std::string&, ReadStatus) override {
    problems.push_back(r.name);
    return true;
  }
  std::vector<std::string> problems;
};

TEST_F(ArchiveWriterTest, RoundTripThroughSelfExtractingFormRestoresContentTimesAndAttributes) {
  CreateDirectoryA((in_ + "\\PC").c_str(), nullptr);
  CreateDirectoryA((in_ + "\\PC\\deep").c_str(), nullptr);
  CreateDirectoryA((in_ + "\\PC\\deep\\er").c_str(), nullptr);
  CreateDirectoryA((in_ + "\\empty").c_str(), nullptr);
  writeFile(in_ + "\\NoxInfo.xml", repeated("<node name=\"x\">value</node>\r\n", 2000));
  writeFile(in_ + "\\PC\\binary.dat", noise(100000));
  writeFile(in_ + "\\PC\\deep\\er\\r\xe9sum\xe9.txt", "accented");
  writeFile(in_ + "\\PC\\deep\\zero", "");
  std::string readOnly = in_ + "\\PC\\readonly.txt";
  writeFile(readOnly, "do not touch");
  SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  // A known time on a file and on a folder.
  const uint64_t stamp = 0x01D0123456789A00ULL;
  FILETIME ft = {static_cast<DWORD>(stamp), static_cast<DWORD>(stamp >> 32)};
  HANDLE h = CreateFileA((in_ + "\\NoxInfo.xml").c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  SetFileTime(h, &ft, nullptr, &ft);
  CloseHandle(h);
  ASSERT_EQ(pack(), ARCHIVE_OK);

  // Put a program in front, as the self-extracting file has it.
  std::string program = "MZ" + noise(30000);
  FileSource plain;
  ASSERT_TRUE(plain.open(archive_.c_str()));
  std::string exe = root_ + "\\NoxResult.exe";
  {
    FileSink out;
    ASSERT_TRUE(out.create(exe.c_str()));
    out.write(program.data(), program.size());
    ASSERT_EQ(writeShifted(plain, program.size(), out), ReadStatus::kOk);
    ASSERT_TRUE(out.close());
  }
  HandleSource sfx;
  ASSERT_TRUE(sfx.open(exe.c_str()));
  Location where;
  ASSERT_EQ(locate(sfx, where), ReadStatus::kOk);
  EXPECT_EQ(where.layout, Layout::kSelfExtracting);
  EXPECT_EQ(where.base, program.size());

  std::string out = root_ + "\\out";
  CreateDirectoryA(out.c_str(), nullptr);
  WinTarget target;
  Accepting listener;
  ExtractSummary s = extractAll(sfx, where, out, target, listener, nullptr);
  EXPECT_EQ(s.status, ReadStatus::kOk);
  EXPECT_TRUE(listener.problems.empty());
  EXPECT_EQ(s.written, 5u);
  const char* files[] = {"NoxInfo.xml", "PC\\binary.dat", "PC\\deep\\er\\r\xe9sum\xe9.txt", "PC\\deep\\zero",
                         "PC\\readonly.txt"};
  for (const char* f : files) {
    EXPECT_EQ(readFile(out + "\\" + f), readFile(in_ + "\\" + f)) << f;
  }
  EXPECT_TRUE(GetFileAttributesA((out + "\\empty").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_TRUE(GetFileAttributesA((out + "\\PC\\readonly.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExA((out + "\\NoxInfo.xml").c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(data.ftLastWriteTime.dwLowDateTime, ft.dwLowDateTime);
  EXPECT_EQ(data.ftLastWriteTime.dwHighDateTime, ft.dwHighDateTime);
  // Folder times survive the files written into them afterwards.
  WIN32_FILE_ATTRIBUTE_DATA original, restored;
  ASSERT_TRUE(GetFileAttributesExA((in_ + "\\PC\\deep").c_str(), GetFileExInfoStandard, &original));
  ASSERT_TRUE(GetFileAttributesExA((out + "\\PC\\deep").c_str(), GetFileExInfoStandard, &restored));
  EXPECT_EQ(CompareFileTime(&original.ftLastWriteTime, &restored.ftLastWriteTime), 0);
}

}  // namespace
