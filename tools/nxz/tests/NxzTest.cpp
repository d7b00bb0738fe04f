#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ArchiveBuilder.h"
#include "Nxz.h"
#include "NxzTestSupport.h"
#include "nox/archive/Reader.h"

namespace {

namespace fs = std::filesystem;
using namespace nox::archive;
using nox::archive::testing::buildArchive;
using nox::archive::testing::buildSplitSet;
using nox::archive::testing::Entry;

void writeBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readBytes(const fs::path& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return f ? s.str() : "<missing>";
}

using nox::archive::testing::repeated;

std::vector<Entry> resultEntries() {
  std::vector<Entry> e(5);
  e[0].name = "PC";
  e[0].folder = true;
  e[1].name = "PC\\deep";
  e[1].folder = true;
  e[2].name = "PC\\deep\\system.reg";
  e[2].content = repeated("\"Value\"=dword:00000001\r\n", 400);
  e[3].name = "PC\\binary.dat";
  e[3].content = std::string("\0\1\2\3", 4);
  e[4].name = "NoxInfo.xml";
  e[4].content = repeated("<a>b</a>\r\n", 1000);
  e[4].lastWrite = 0x01DB4A0000000000ULL;
  return e;
}

class NxzTest : public ScratchFolderTest {};

TEST_F(NxzTest, ListShowsEveryEntryInDirectoryOrder) {
  writeBytes(path("NoxInfo.nxz"), buildArchive(resultEntries()));
  NxzRun r = nxz({"list", path("NoxInfo.nxz")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("archive, 5 entries"), std::string::npos) << r.out;
  size_t a = r.out.find("PC\\deep\\system.reg"), b = r.out.find("PC\\binary.dat"),
         c = r.out.find("NoxInfo.xml");
  ASSERT_NE(c, std::string::npos) << r.out;
  EXPECT_LT(a, b);
  EXPECT_LT(b, c);
  EXPECT_NE(r.out.find("gzip"), std::string::npos);
  EXPECT_NE(r.out.find("folder"), std::string::npos);
}

TEST_F(NxzTest, ExtractRestoresTreeContentAndTimes) {
  std::vector<Entry> entries = resultEntries();
  writeBytes(path("NoxInfo.nxz"), buildArchive(entries));
  NxzRun r = nxz({"extract", path("NoxInfo.nxz"), path("out")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "3 files written, 0 kept, 0 refused, 0 failed\n");
  for (const Entry& e : entries) {
    std::string rel = e.name;
    for (char& ch : rel)
      if (ch == '\\') ch = '/';
    fs::path p = dir_ / "out" / rel;
    if (e.folder) {
      EXPECT_TRUE(fs::is_directory(p)) << e.name;
    } else {
      EXPECT_EQ(readBytes(p), e.content) << e.name;
    }
  }
  auto written = fs::last_write_time(dir_ / "out" / "NoxInfo.xml");
  // The recorded time, not the time of extraction: it lies in the past.
  EXPECT_LT(written, fs::file_time_type::clock::now() - std::chrono::hours(24 * 30));
}

TEST_F(NxzTest, ExistingFilesAreKeptUnlessOverwriteIsGiven) {
  writeBytes(path("NoxInfo.nxz"), buildArchive(resultEntries()));
  fs::create_directories(dir_ / "out");
  writeBytes(dir_ / "out" / "NoxInfo.xml", "mine");
  NxzRun kept = nxz({"extract", path("NoxInfo.nxz"), path("out")});
  EXPECT_EQ(kept.code, 0) << kept.err;
  EXPECT_NE(kept.out.find("kept existing file"), std::string::npos);
  EXPECT_EQ(readBytes(dir_ / "out" / "NoxInfo.xml"), "mine");
  NxzRun replaced = nxz({"extract", "-o", path("NoxInfo.nxz"), path("out")});
  EXPECT_EQ(replaced.code, 0) << replaced.err;
  EXPECT_EQ(readBytes(dir_ / "out" / "NoxInfo.xml"), resultEntries()[4].content);
}

TEST_F(NxzTest, HostileNamesNeverLeaveTheTargetFolder) {
  std::vector<Entry> e(4);
  e[0].name = "..\\escaped.txt";
  e[1].name = "sub/../../escaped2.txt";
  e[2].name = "kept.txt";
  e[3].name = "kept.txt:stream";
  for (Entry& x : e) x.content = "payload";
  writeBytes(path("evil.nxz"), buildArchive(e));
  fs::create_directories(dir_ / "box" / "out");
  NxzRun r = nxz({"extract", path("evil.nxz"), (dir_ / "box" / "out").string()});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("refused: ..\\escaped.txt: parent or dot-only component"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("refused: kept.txt:stream: colon"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "1 files written, 0 kept, 3 refused, 0 failed\n");
  EXPECT_FALSE(fs::exists(dir_ / "box" / "escaped.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "escaped2.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "box" / "escaped2.txt"));
  EXPECT_EQ(readBytes(dir_ / "box" / "out" / "kept.txt"), "payload");
}

TEST_F(NxzTest, TestReportsDamageAndCorruptDirectoriesExtractNothing) {
  std::vector<Record> records;
  std::string good = buildArchive(resultEntries(), &records);
  writeBytes(path("good.nxz"), good);
  NxzRun ok = nxz({"test", path("good.nxz")});
  EXPECT_EQ(ok.code, 0) << ok.err;
  EXPECT_EQ(ok.out, "3 files ok, 0 damaged\n");

  std::string damaged = good;
  damaged[records[2].dataOffset + 30] ^= 0x40;  // inside the gzip member of system.reg
  writeBytes(path("damaged.nxz"), damaged);
  NxzRun bad = nxz({"test", path("damaged.nxz")});
  EXPECT_EQ(bad.code, 1);
  EXPECT_EQ(bad.out, "2 files ok, 1 damaged\n");
  EXPECT_NE(bad.err.find("damaged: PC\\deep\\system.reg: damaged file data"), std::string::npos) << bad.err;

  std::string corrupt = good;
  MemorySource src(good.data(), good.size());
  Location where;
  ASSERT_EQ(locate(src, where), ReadStatus::kOk);
  putU32(reinterpret_cast<unsigned char*>(&corrupt[where.headerOffset + 16]), 6);  // one record too many
  writeBytes(path("corrupt.nxz"), corrupt);
  NxzRun c = nxz({"extract", path("corrupt.nxz"), path("out")});
  EXPECT_EQ(c.code, 1);
  EXPECT_NE(c.err.find("corrupt archive directory; nothing was extracted"), std::string::npos) << c.err;
  EXPECT_TRUE(!fs::exists(dir_ / "out") || fs::is_empty(dir_ / "out"));

  writeBytes(path("foreign.txt"), "just some text, long enough to have a trailer");
  NxzRun foreign = nxz({"list", path("foreign.txt")});
  EXPECT_EQ(foreign.code, 2);
  EXPECT_NE(foreign.err.find("not an archive"), std::string::npos) << foreign.err;
}

TEST_F(NxzTest, SelfExtractingFileAndSplitSetAreRead) {
  std::string archive = buildArchive(resultEntries());
  std::string program = "MZ" + std::string(5000, 'p');
  MemorySource plain(archive.data(), archive.size());
  StringSink shifted;
  ASSERT_EQ(writeShifted(plain, program.size(), shifted), ReadStatus::kOk);
  writeBytes(path("NoxResult.exe"), program + shifted.bytes);
  NxzRun sfx = nxz({"list", path("NoxResult.exe")});
  ASSERT_EQ(sfx.code, 0) << sfx.err;
  EXPECT_NE(sfx.out.find("self-extracting, program of 5002 bytes, 5 entries"), std::string::npos) << sfx.out;

  fs::create_directories(dir_ / "split");
  // Enough stored bytes for three parts of a third of the archive each.
  std::vector<Entry> entries = resultEntries();
  entries.push_back(Entry());
  entries.back().name = "PC\\noise.bin";
  uint32_t x = 99;
  for (int i = 0; i < 4000; ++i) {
    x = x * 1103515245u + 12345u;
    entries.back().content += static_cast<char>(x >> 24);
  }
  std::string big = buildArchive(entries);
  std::string stub = "MZ" + std::string(200, 's');
  std::vector<std::string> parts = buildSplitSet(stub, big, stub.size() + 96 + big.size() / 3 + 50);
  ASSERT_EQ(parts.size(), 3u);
  std::string first = (dir_ / "split" / "NoxResult.exe").string();
  writeBytes(first, parts[0]);
  writeBytes(first + ".002", parts[1]);
  writeBytes(first + ".003", parts[2]);
  NxzRun split = nxz({"extract", first, path("out")});
  ASSERT_EQ(split.code, 0) << split.err;
  EXPECT_EQ(readBytes(dir_ / "out" / "NoxInfo.xml"), resultEntries()[4].content);
  EXPECT_NE(nxz({"list", first}).out.find("split set of 3 parts"), std::string::npos);

  fs::remove(first + ".003");
  NxzRun missing = nxz({"test", first});
  EXPECT_EQ(missing.code, 2);
  EXPECT_NE(missing.err.find("part 3 of 3"), std::string::npos) << missing.err;
}

#ifndef _WIN32
// Names in code page 932 become UTF-8 file names; the trail byte 0x5C of 0x95 0x5C
// ("表") separates nothing.
TEST_F(NxzTest, DoubleByteNamesBecomeUtf8OnLinux) {
  std::vector<Entry> e(2);
  e[0].name = "\x95\x5C";
  e[0].folder = true;
  e[1].name = "\x95\x5C\\\x83\x65\x83\x58\x83\x67.txt";  // テスト.txt
  e[1].content = "double-byte";
  writeBytes(path("dbcs.nxz"), buildArchive(e));
  NxzRun r = nxz({"extract", "--codepage", "932", path("dbcs.nxz"), path("out")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(readBytes(dir_ / "out" / "\xe8\xa1\xa8" / "\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88.txt"),
            "double-byte");
  NxzRun list = nxz({"list", "-c", "932", path("dbcs.nxz")});
  EXPECT_NE(list.out.find("\xe8\xa1\xa8\\\xe3\x83\x86\xe3\x82\xb9\xe3\x83\x88.txt"), std::string::npos)
      << list.out;
}
#endif

TEST_F(NxzTest, UsageErrors) {
  EXPECT_EQ(nxz({}).code, 2);
  EXPECT_EQ(nxz({"list"}).code, 2);
  EXPECT_EQ(nxz({"frobnicate", "x"}).code, 2);
  EXPECT_EQ(nxz({"list", "--bogus", "x"}).code, 2);
  EXPECT_EQ(nxz({"list", path("does-not-exist.nxz")}).code, 2);
}

}  // namespace
