#include "nox/archive/Reader.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "ArchiveBuilder.h"
#include "MemoryTarget.h"
#include "nox/archive/Extract.h"

namespace nox::archive {
namespace {

using testing::buildArchive;
using testing::buildSplitSet;
using testing::Entry;
using testing::MemoryTarget;
using testing::noise;
using testing::RecordingListener;
using testing::repeated;

std::vector<Entry> sampleEntries() {
  std::vector<Entry> e(6);
  e[0].name = "sub";
  e[0].folder = true;
  e[1].name = "sub\\deeper";
  e[1].folder = true;
  e[2].name = "sub\\deeper\\log.txt";
  e[2].content = repeated("line of a log file\r\n", 500);
  e[3].name = "sub\\b.txt";
  e[3].content = "";
  // Code page 932: 0x95 0x5C is one character whose trail byte is a backslash.
  e[4].name = "\x95\x5C\\\x83\x65.bin";
  e[4].content = noise(3000);
  e[5].name = "a.txt";
  e[5].content = repeated("abc", 100000);
  e[4].attributes = 0x21;
  return e;
}

std::vector<Record> readAll(ByteSource& source, const Location& where, ReadStatus& status) {
  std::vector<Record> records;
  DirectoryWalker walker(source, where);
  Record r;
  while (walker.next(r)) records.push_back(r);
  status = walker.status();
  return records;
}

TEST(ArchiveReader, EmptyArchiveIsFortyBytesWithNoRecords) {
  std::string file = buildArchive({});
  ASSERT_EQ(file.size(), 40u);
  MemorySource source(file.data(), file.size());
  Location where;
  ASSERT_EQ(locate(source, where), ReadStatus::kOk);
  EXPECT_EQ(where.layout, Layout::kPlain);
  EXPECT_EQ(where.headerOffset, 4u);
  EXPECT_EQ(where.header.recordCount, 0u);
  EXPECT_EQ(checkDirectory(source, where), ReadStatus::kOk);
}

TEST(ArchiveReader, WalksRecordsAndReproducesEveryFile) {
  std::vector<Entry> entries = sampleEntries();
  std::vector<Record> expected;
  std::string file = buildArchive(entries, &expected);
  MemorySource source(file.data(), file.size());
  Location where;
  ASSERT_EQ(locate(source, where), ReadStatus::kOk);
  ReadStatus status;
  std::vector<Record> records = readAll(source, where, status);
  ASSERT_EQ(status, ReadStatus::kOk);
  ASSERT_EQ(records.size(), entries.size());
  for (size_t i = 0; i < records.size(); ++i) {
    SCOPED_TRACE(entries[i].name);
    EXPECT_EQ(records[i].name, entries[i].name);
    EXPECT_EQ(records[i].method, expected[i].method);
    EXPECT_EQ(records[i].dataOffset, expected[i].dataOffset);
    EXPECT_EQ(records[i].attributes, expected[i].attributes);
    StringSink content;
    ASSERT_EQ(extractContent(source, records[i], content), ReadStatus::kOk);
    EXPECT_EQ(content.bytes, entries[i].content);
  }
  // Both methods occur in the sample.
  EXPECT_EQ(records[2].method, kMethodGzip);
  EXPECT_EQ(records[4].method, kMethodStored);
}

TEST(ArchiveReader, ShiftedCopyMovesEveryOffsetByTheProgramSize) {
  std::string archive = buildArchive(sampleEntries());
  std::string program = "MZ" + noise(4094);
  MemorySource plain(archive.data(), archive.size());
  StringSink shifted;
  ASSERT_EQ(writeShifted(plain, program.size(), shifted), ReadStatus::kOk);
  std::string exe = program + shifted.bytes;
  ASSERT_EQ(exe.size(), program.size() + archive.size());

  Location before, after;
  ASSERT_EQ(locate(plain, before), ReadStatus::kOk);
  MemorySource sfx(exe.data(), exe.size());
  ASSERT_EQ(locate(sfx, after), ReadStatus::kOk);
  EXPECT_EQ(after.layout, Layout::kSelfExtracting);
  EXPECT_EQ(after.base, program.size());
  EXPECT_EQ(getU64(reinterpret_cast<const unsigned char*>(exe.data()) + exe.size() - 8),
            before.headerOffset + program.size());
  EXPECT_EQ(exe.compare(program.size(), 4, "fjba"), 0);
  EXPECT_EQ(after.header.dataOffset, 4 + program.size());

  ReadStatus s1, s2;
  std::vector<Record> a = readAll(plain, before, s1);
  std::vector<Record> b = readAll(sfx, after, s2);
  ASSERT_EQ(s2, ReadStatus::kOk);
  ASSERT_EQ(a.size(), b.size());
  for (size_t i = 0; i < a.size(); ++i) {
    SCOPED_TRACE(a[i].name);
    EXPECT_EQ(b[i].dataOffset, a[i].dataOffset + program.size());
    StringSink x, y;
    ASSERT_EQ(extractContent(plain, a[i], x), ReadStatus::kOk);
    ASSERT_EQ(extractContent(sfx, b[i], y), ReadStatus::kOk);
    EXPECT_EQ(x.bytes, y.bytes);
  }
}

TEST(ArchiveReader, SplitSetJoinsBackToTheArchive) {
  std::string archive = buildArchive(sampleEntries());
  std::string program = "MZ" + noise(1000);
  std::vector<std::string> parts = buildSplitSet(program, archive, 1500);
  ASSERT_GT(parts.size(), 3u);
  for (size_t i = 0; i + 1 < parts.size(); ++i) EXPECT_EQ(parts[i].size(), 1500u) << "part " << i + 1;

  MemorySource first(parts[0].data(), parts[0].size());
  Location where;
  ASSERT_EQ(locate(first, where), ReadStatus::kOk);
  EXPECT_EQ(where.layout, Layout::kSplitFirstPart);
  EXPECT_EQ(where.part.partCount, parts.size());
  EXPECT_EQ(where.partDataOffset, program.size() + kPartHeaderLength);

  std::vector<std::unique_ptr<MemorySource>> sources;
  StringSink joined;
  uint32_t missing = 99;
  ReadStatus status = joinSplitSet(
      first, where,
      [&](uint32_t n, bool retry) -> ByteSource* {
        EXPECT_FALSE(retry);
        sources.emplace_back(new MemorySource(parts[n - 1].data(), parts[n - 1].size()));
        return sources.back().get();
      },
      joined, missing);
  ASSERT_EQ(status, ReadStatus::kOk);
  EXPECT_EQ(missing, 0u);
  EXPECT_EQ(joined.bytes, archive);
}

TEST(ArchiveReader, SplitSetRefusesForeignAndMissingParts) {
  std::string archive = buildArchive(sampleEntries());
  std::vector<std::string> parts = buildSplitSet("MZ", archive, 1024);
  std::vector<std::string> other = buildSplitSet("MZ", archive, 1024, "FFFF0000-1111-2222-3333-444444444444");
  ASSERT_GE(parts.size(), 3u);
  MemorySource first(parts[0].data(), parts[0].size());
  Location where;
  ASSERT_EQ(locate(first, where), ReadStatus::kOk);

  // Part 2 of another set first, then the right one: one retry.
  std::vector<std::unique_ptr<MemorySource>> sources;
  std::vector<std::string> calls;
  StringSink joined;
  uint32_t missing = 0;
  ReadStatus status = joinSplitSet(
      first, where,
      [&](uint32_t n, bool retry) -> ByteSource* {
        calls.push_back(std::to_string(n) + (retry ? "r" : ""));
        const std::string& bytes = (n == 2 && !retry) ? other[1] : parts[n - 1];
        sources.emplace_back(new MemorySource(bytes.data(), bytes.size()));
        return sources.back().get();
      },
      joined, missing);
  ASSERT_EQ(status, ReadStatus::kOk);
  EXPECT_EQ(calls.front(), "2");
  EXPECT_EQ(calls[1], "2r");
  EXPECT_EQ(joined.bytes, archive);

  StringSink partial;
  status = joinSplitSet(
      first, where, [&](uint32_t n, bool) -> ByteSource* { return n == 3 ? nullptr : nullptr; }, partial,
      missing);
  EXPECT_EQ(status, ReadStatus::kMissingPart);
  EXPECT_EQ(missing, 2u);
}

// One damaging edit of a good archive and what the reader must say about it.
struct Damage {
  const char* what;
  std::function<void(std::string&, const Location&)> edit;
  ReadStatus atLocate;     // kOk when the damage only shows in the directory
  ReadStatus atDirectory;  // kOk when it only shows in the content
};

unsigned char* at(std::string& s, uint64_t offset) { return reinterpret_cast<unsigned char*>(&s[offset]); }
uint64_t firstRecord(const Location& w) { return w.headerOffset + w.header.length; }

TEST(ArchiveReader, CorruptArchivesAreReportedNeverReadOutOfBounds) {
  const std::vector<Damage> cases = {
      {"trailer points past the end",
       [](std::string& s, const Location&) { putU64(at(s, s.size() - 8), s.size()); }, ReadStatus::kCorrupt,
       ReadStatus::kOk},
      {"trailer points at data", [](std::string& s, const Location&) { putU64(at(s, s.size() - 8), 5); },
       ReadStatus::kCorrupt, ReadStatus::kOk},
      {"header length 30", [](std::string& s, const Location& w) { putU32(at(s, w.headerOffset + 4), 30); },
       ReadStatus::kCorrupt, ReadStatus::kOk},
      {"data area offset moved",
       [](std::string& s, const Location& w) { putU64(at(s, w.headerOffset + 8), 9); }, ReadStatus::kCorrupt,
       ReadStatus::kOk},
      {"record count far too large",
       [](std::string& s, const Location& w) { putU32(at(s, w.headerOffset + 16), 0x7FFFFFFF); },
       ReadStatus::kCorrupt, ReadStatus::kOk},
      {"record count one too many",
       [](std::string& s, const Location& w) {
         putU32(at(s, w.headerOffset + 16), w.header.recordCount + 1);
       },
       ReadStatus::kOk, ReadStatus::kCorrupt},
      {"record length below 41", [](std::string& s, const Location& w) { putU16(at(s, firstRecord(w)), 40); },
       ReadStatus::kOk, ReadStatus::kCorrupt},
      {"record length beyond the directory",
       [](std::string& s, const Location& w) { putU16(at(s, firstRecord(w)), 0xFFFF); }, ReadStatus::kOk,
       ReadStatus::kCorrupt},
      {"name without terminator",
       [](std::string& s, const Location& w) {
         uint64_t r = firstRecord(w);
         s[r + getU16(at(s, r)) - 1] = 'x';
       },
       ReadStatus::kOk, ReadStatus::kCorrupt},
      {"NUL inside the name", [](std::string& s, const Location& w) { s[firstRecord(w) + 41] = '\0'; },
       ReadStatus::kOk, ReadStatus::kCorrupt},
      {"unknown method", [](std::string& s, const Location& w) { putU16(at(s, firstRecord(w) + 2), 2); },
       ReadStatus::kOk, ReadStatus::kCorrupt},
      {"data beyond the header",
       [](std::string& s, const Location& w) {
         uint64_t r = firstRecord(w);
         putU32(at(s, r + 24), static_cast<uint32_t>(w.headerOffset));
         putU32(at(s, r + 28), static_cast<uint32_t>(w.headerOffset));
       },
       ReadStatus::kOk, ReadStatus::kCorrupt},
      {"data offset inside the magic",
       [](std::string& s, const Location& w) { putU64(at(s, firstRecord(w) + 32), 2); }, ReadStatus::kOk,
       ReadStatus::kCorrupt},
      {"data offset near 2^64",
       [](std::string& s, const Location& w) { putU64(at(s, firstRecord(w) + 32), ~0ULL - 3); },
       ReadStatus::kOk, ReadStatus::kCorrupt},
      {"truncated by one byte", [](std::string& s, const Location&) { s.pop_back(); }, ReadStatus::kCorrupt,
       ReadStatus::kOk},
  };
  // A single gzip file keeps the first record a file record.
  std::vector<Entry> entries(2);
  // Names long enough that one record more still fits the minimum-size check.
  entries[0].name = "a log file with a rather long name.txt";
  entries[0].content = repeated("entry ", 2000);
  entries[1].name = "another file with a rather long name.txt";
  entries[1].content = "bee";
  const std::string good = buildArchive(entries);
  MemorySource goodSource(good.data(), good.size());
  Location goodWhere;
  ASSERT_EQ(locate(goodSource, goodWhere), ReadStatus::kOk);

  for (size_t i = 0; i < cases.size(); ++i) {
    const Damage& d = cases[i];
    std::string bad = good;
    d.edit(bad, goodWhere);
    // A copy of exactly the damaged size, so ASan sees any read past the end.
    std::unique_ptr<char[]> exact(new char[bad.size()]);
    std::memcpy(exact.get(), bad.data(), bad.size());
    MemorySource source(exact.get(), bad.size());
    Location where;
    ReadStatus status = locate(source, where);
    EXPECT_EQ(status, d.atLocate) << "row " << i << ": " << d.what;
    if (status != ReadStatus::kOk) continue;
    EXPECT_EQ(checkDirectory(source, where), d.atDirectory) << "row " << i << ": " << d.what;

    MemoryTarget target;
    RecordingListener listener;
    ExtractSummary summary = extractAll(source, where, "/t", target, listener, nullptr);
    EXPECT_EQ(summary.status, d.atDirectory) << "row " << i << ": " << d.what;
    EXPECT_TRUE(target.files.empty()) << "row " << i << ": a corrupt directory wrote files";
  }
}

TEST(ArchiveReader, DamagedGzipMembersAreDataErrors) {
  std::vector<Entry> entries(1);
  entries[0].name = "log.txt";
  entries[0].content = repeated("0123456789abcdef", 10000);
  std::vector<Record> records;
  const std::string good = buildArchive(entries, &records);
  ASSERT_EQ(records[0].method, kMethodGzip);
  const uint64_t member = records[0].dataOffset;
  const uint64_t record = good.size() - 8 - encodedRecordLength(records[0]);

  struct Case {
    const char* what;
    std::function<void(std::string&)> edit;
  } cases[] = {
      {"flipped deflate byte", [&](std::string& s) { s[member + 20] ^= 0x55; }},
      {"wrong CRC", [&](std::string& s) { s[member + records[0].packedSize - 6] ^= 1; }},
      {"not a gzip header", [&](std::string& s) { s[member] = 'P'; }},
      {"member cut short", [&](std::string& s) { putU32(at(s, record + 28), records[0].packedSize - 9); }},
      {"recorded size too small", [&](std::string& s) { putU32(at(s, record + 24), records[0].size - 1); }},
      {"recorded size too large", [&](std::string& s) { putU32(at(s, record + 24), records[0].size + 1); }},
  };
  for (const Case& c : cases) {
    std::string bad = good;
    c.edit(bad);
    MemorySource source(bad.data(), bad.size());
    Location where;
    ASSERT_EQ(locate(source, where), ReadStatus::kOk) << c.what;
    DirectoryWalker walker(source, where);
    Record r;
    ASSERT_TRUE(walker.next(r)) << c.what;
    NullSink sink;
    EXPECT_EQ(extractContent(source, r, sink), ReadStatus::kDataCorrupt) << c.what;
  }
}

TEST(ArchiveReader, ForeignFilesAreNotArchives) {
  const std::string cases[] = {"", "MZ", std::string(100, '\0'), "MZ" + noise(500), "fjba"};
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    MemorySource source(cases[i].data(), cases[i].size());
    Location where;
    ReadStatus status = locate(source, where);
    EXPECT_TRUE(status == ReadStatus::kNotAnArchive || status == ReadStatus::kCorrupt) << "row " << i;
  }
}

}  // namespace
}  // namespace nox::archive
