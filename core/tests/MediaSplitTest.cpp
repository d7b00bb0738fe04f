#include "MediaSplit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "FileDevice.h"
#include "ReporterTestSupport.h"
#include "nox/ArchiveWriter.h"
#include "nox/FileUtil.h"

using namespace reporter_test;

namespace {

// A drive the tests describe: its type, its free space, or an unformatted medium.
class FakeDrive : public MediaDrive {
 public:
  UINT driveType(const char*) override { return type; }
  unsigned long long freeBytes(const char*, DWORD& error) override {
    ++spaceQueries;
    if (unformatted) {
      error = 1785;
      return 0;
    }
    if (lowSpaceFromQuery > 0 && spaceQueries >= lowSpaceFromQuery && spaceQueries < lowSpaceUntilQuery)
      return 1;
    return 1ull << 40;
  }
  UINT type = DRIVE_REMOVABLE;
  bool unformatted = false;
  int spaceQueries = 0;
  int lowSpaceFromQuery = 0, lowSpaceUntilQuery = 0;
};

// The two free-space calls as a machine without, with a failing and with a
// working GetDiskFreeSpaceExA answers them: 3 free clusters of 8 x 512 bytes,
// or 5 GiB through the extended call.
BOOL WINAPI clustersAnswer(LPCSTR, LPDWORD sectors, LPDWORD bytes, LPDWORD freeClusters, LPDWORD clusters) {
  *sectors = 8;
  *bytes = 512;
  *freeClusters = 3;
  *clusters = 10;
  return TRUE;
}
BOOL WINAPI clustersFail(LPCSTR, LPDWORD, LPDWORD, LPDWORD, LPDWORD) {
  SetLastError(1785);
  return FALSE;
}
BOOL WINAPI extendedAnswer(LPCSTR, PULARGE_INTEGER toCaller, PULARGE_INTEGER total, PULARGE_INTEGER free) {
  toCaller->QuadPart = free->QuadPart = 5ull << 30;
  total->QuadPart = 6ull << 30;
  return TRUE;
}
BOOL WINAPI extendedFail(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER) { return FALSE; }

TEST(MediaDrive, FreeSpaceWithOrWithoutTheExtendedCall) {
  struct Row {
    const char* what;
    FreeSpaceExCall ex;
    FreeSpaceCall basic;
    unsigned long long expected;
    DWORD error;
  } rows[] = {
      {"extended call", extendedAnswer, clustersAnswer, 5ull << 30, 0},
      {"no GetDiskFreeSpaceExA (Windows 95)", nullptr, clustersAnswer, 3 * 8 * 512, 0},
      {"extended call fails", extendedFail, clustersAnswer, 3 * 8 * 512, 0},
      {"neither answers", nullptr, clustersFail, 0, 1785},
  };
  for (const Row& row : rows) {
    DWORD error = 0;
    EXPECT_EQ(freeBytesWith(row.ex, row.basic, "A:\\", error), row.expected) << row.what;
    EXPECT_EQ(error, row.error) << row.what;
  }
}

class ScopedDrive {
 public:
  explicit ScopedDrive(MediaDrive& drive) { setMediaDrive(&drive); }
  ~ScopedDrive() { setMediaDrive(nullptr); }
};

// A user who, asked to format, empties the target folder as a format would.
class FormattingUser : public ScriptedUser {
 public:
  void notifyUIEvent(UIEvent& event) override {
    ScriptedUser::notifyUIEvent(event);
    IConfigration& item = event.getConfigrations().getItem(0);
    if (item.getType() == IConfigration::CONFIG_TYPE_FORMAT &&
        item.getStatus() == IConfigration::CONFIG_STATUS_OK) {
      removeTree(item.getTitle().getData());
      CreateDirectoryA(item.getTitle().getData(), nullptr);
    }
  }
};

class Split : public ::testing::Test {
 protected:
  void SetUp() override {
    source_ = scratch_ / "result";
    CreateDirectoryA(source_.c_str(), nullptr);
    target_ = scratch_ / "media";
    CreateDirectoryA(target_.c_str(), nullptr);
    device_.addProgressEventListener(&progress_);
    device_.addUIEventListener(&user_);
    DWORD size = 0;
    selfExtractorBytes(size);
    selfexSize_ = size;
  }

  // An archive of `bytes` incompressible bytes in one file.
  std::string archiveOf(size_t bytes) {
    std::string data(bytes, '\0');
    std::mt19937 random(42);
    for (char& c : data) c = static_cast<char>(random());
    original_ = data;
    writeFile(source_ + "\\data.bin", data);
    String archive;
    device_.createArchive(archive, source_.c_str());
    return archive.getData();
  }

  // The part size in KiB that splits an archive of `size` bytes into exactly `parts`.
  int partKiBFor(unsigned long long size, unsigned int parts) {
    for (int kib = 4096; kib > 0; --kib) {
      unsigned long long p = kib * 1024ull;
      if (p < selfexSize_ + 96) break;
      auto capacity = [&](unsigned int n) { return (p - selfexSize_ - 96) + (n - 1) * (p - 88); };
      if (capacity(parts) >= size && capacity(parts - 1) < size) return kib;
    }
    return 0;
  }

  unsigned long long sizeOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }

  Scratch scratch_;
  std::string source_, target_, original_;
  unsigned long long selfexSize_ = 0;
  FileDevice device_;
  ProgressLog progress_;
  FormattingUser user_;
};

struct PartHeader {
  unsigned int count, number;
  std::string id;
};

PartHeader headerAt(const std::string& bytes, size_t offset) {
  PartHeader h{};
  EXPECT_EQ(bytes.compare(offset, 4, "actz"), 0);
  std::memcpy(&h.count, bytes.data() + offset + 8, 4);
  std::memcpy(&h.number, bytes.data() + offset + 12, 4);
  h.id = std::string(bytes.data() + offset + 24);
  return h;
}

TEST_F(Split, ThreePartsShareOneSetAndReadBack) {
  // Large enough that three parts, each bigger than the self-extractor, are needed.
  std::string archive = archiveOf(800000);
  int kib = partKiBFor(sizeOf(archive), 3);
  ASSERT_GT(kib, 0);
  device_.setTargetFolder(target_.c_str());
  device_.setSplitSize(kib);
  FakeDrive drive;
  drive.type = DRIVE_FIXED;
  ScopedDrive scope(drive);
  device_.splitOverMedia(archive.c_str());

  std::string first = readFile(target_ + "\\NoxResult.exe");
  std::string second = readFile(target_ + "\\NoxResult.exe.002");
  std::string third = readFile(target_ + "\\NoxResult.exe.003");
  EXPECT_FALSE(exists(target_ + "\\NoxResult.exe.004"));
  EXPECT_EQ(first.size(), kib * 1024u);
  EXPECT_EQ(second.size(), kib * 1024u);
  EXPECT_LE(third.size(), kib * 1024u);
  PartHeader h1 = headerAt(first, selfexSize_), h2 = headerAt(second, 0), h3 = headerAt(third, 0);
  EXPECT_EQ(h1.count, 3u);
  EXPECT_EQ(h2.count, 3u);
  EXPECT_EQ(h3.count, 3u);
  EXPECT_EQ(h1.number, 1u);
  EXPECT_EQ(h2.number, 2u);
  EXPECT_EQ(h3.number, 3u);
  EXPECT_EQ(h1.id.size(), 36u) << h1.id;
  EXPECT_EQ(h1.id, h2.id);
  EXPECT_EQ(h1.id, h3.id);
  unsigned long long distance = 0;
  std::memcpy(&distance, first.data() + first.size() - 8, 8);
  EXPECT_EQ(first.size() - distance, selfexSize_) << "the distance leads back to the part header";

  std::vector<std::string> files;
  for (const std::string& t : progress_.texts) {
    if (t.rfind("file ", 0) == 0) files.push_back(t);
  }
  EXPECT_EQ(files, (std::vector<std::string>{"file 0/3", "file 1/3", "file 2/3", "file 3/3"}));
  EXPECT_TRUE(user_.asked.empty());

  std::map<std::string, std::string> back = extractResult(target_ + "\\NoxResult.exe", scratch_ / "x");
  EXPECT_TRUE(back["data.bin"] == original_);
}

TEST_F(Split, PartSmallerThanTheSelfExtractorIsRefused) {
  std::string archive = archiveOf(100);
  device_.setTargetFolder(target_.c_str());
  device_.setSplitSize(1);
  try {
    device_.splitOverMedia(archive.c_str());
    FAIL() << "no exception";
  } catch (IException* e) {
    EXPECT_EQ(e->getError().getID(), 5u);
    EXPECT_EQ(e->getError().getReturnValue(), 2u);
    EXPECT_STREQ(e->getError().getMethodName().getData(), "concatSelfEx");
    e->release();
  }
  EXPECT_FALSE(exists(target_ + "\\NoxResult.exe"));
}

const char kNotEmpty[] = "2:Target media is not empty, format it?";
const char kNotSet[] = "3:Media is not set. Please insert empty disket";

TEST_F(Split, RemovableMediumNotEmpty) {
  struct Row {
    const char* what;
    std::deque<IConfigration::ConfigrationStatus> answers;
    std::vector<std::string> asked;
    bool written;
  };
  using S = IConfigration::ConfigrationStatus;
  const S ok = IConfigration::CONFIG_STATUS_OK, cancel = IConfigration::CONFIG_STATUS_CANCEL;
  std::string format = "4:" + target_;
  const Row rows[] = {
      {"cancel, then cancel the insert request", {cancel, cancel}, {kNotEmpty, kNotSet}, false},
      {"format it", {ok, ok}, {kNotEmpty, format}, true},
      {"format refused, then retry",
       {ok, cancel, ok, ok, ok},
       {kNotEmpty, format, kNotSet, kNotEmpty, format},
       true},
  };
  std::string archive = archiveOf(1000);
  for (const Row& row : rows) {
    removeTree(target_);
    CreateDirectoryA(target_.c_str(), nullptr);
    writeFile(target_ + "\\old.txt", "left over");
    user_.asked.clear();
    user_.answers = row.answers;
    FakeDrive drive;
    ScopedDrive scope(drive);
    device_.setTargetFolder(target_.c_str());
    device_.setSplitSize(static_cast<int>(selfexSize_ / 1024 + 64));
    bool written = true;
    try {
      device_.splitOverMedia(archive.c_str());
    } catch (IException* e) {
      written = false;
      EXPECT_EQ(e->getError().getReturnValue(), 14u) << row.what << ": stopped by the user";
      e->release();
    }
    EXPECT_EQ(user_.asked, row.asked) << row.what;
    EXPECT_EQ(written, row.written) << row.what;
    EXPECT_EQ(exists(target_ + "\\NoxResult.exe"), row.written) << row.what;
  }
}

TEST_F(Split, FullMediumHoldingAnEarlierPartAsksForSpace) {
  std::string archive = archiveOf(200000);
  int kib = partKiBFor(sizeOf(archive), 2);
  ASSERT_GT(kib, 0);
  FakeDrive drive;
  drive.type = DRIVE_FIXED;
  drive.lowSpaceFromQuery = 2;  // the second part finds the medium full once
  drive.lowSpaceUntilQuery = 3;
  ScopedDrive scope(drive);
  user_.answers = {IConfigration::CONFIG_STATUS_OK};
  device_.setTargetFolder(target_.c_str());
  device_.setSplitSize(kib);
  device_.splitOverMedia(archive.c_str());
  EXPECT_EQ(user_.asked, std::vector<std::string>{
                             "3:Disk free space is not enough. Change a media or increase disk free space."});
  EXPECT_TRUE(exists(target_ + "\\NoxResult.exe.002"));
}

TEST_F(Split, UnformattedMediumAsksToFormat) {
  std::string archive = archiveOf(1000);
  FakeDrive drive;
  drive.unformatted = true;
  ScopedDrive scope(drive);
  user_.answers = {IConfigration::CONFIG_STATUS_OK, IConfigration::CONFIG_STATUS_CANCEL,
                   IConfigration::CONFIG_STATUS_CANCEL};
  device_.setTargetFolder(target_.c_str());
  device_.setSplitSize(static_cast<int>(selfexSize_ / 1024 + 64));
  try {
    device_.splitOverMedia(archive.c_str());
    ADD_FAILURE() << "no exception";
  } catch (IException* e) {
    e->release();
  }
  EXPECT_EQ(user_.asked,
            (std::vector<std::string>{"2:Media is not formated. format it?", "4:" + target_, kNotSet}));
}

}  // namespace

// Ctrl+C in the host reaches the device as a cancelled progress event: between
// parts it stops the split, and during packing it stops at the next entry.
TEST_F(Split, ACancelledProgressEventStopsTheSplitBetweenParts) {
  std::string archive = archiveOf(800000);
  int kib = partKiBFor(sizeOf(archive), 3);
  ASSERT_GT(kib, 0);
  FakeDrive drive;
  drive.type = DRIVE_FIXED;
  ScopedDrive scope(drive);
  progress_.cancelAt = "file 1/3";
  device_.setTargetFolder(target_.c_str());
  device_.setSplitSize(kib);
  try {
    device_.splitOverMedia(archive.c_str());
    ADD_FAILURE() << "no exception";
  } catch (IException* e) {
    EXPECT_EQ(e->getError().getID(), 5u);
    EXPECT_EQ(e->getError().getReturnValue(), 14u) << "stopped by the user";
    e->release();
  }
  EXPECT_EQ(readFile(target_ + "\\NoxResult.exe").size(), kib * 1024u)
      << "the part before the cancel is whole";
  EXPECT_FALSE(exists(target_ + "\\NoxResult.exe.002"));
}

TEST_F(Split, ACancelledEntryStopsPackingAtTheNextEntry) {
  // Cancels the event of the first file entry, whichever the listing gives first.
  struct CancelFirstFile : ProgressEventListener {
    std::vector<std::string> files;
    void notifyProgressEvent(ProgressEvent& event) override {
      std::string text = event.getCurrentStatusText().getData();
      if (text.rfind("file", 0) != 0) return;
      files.push_back(text);
      event.doCancel();
    }
  } listener;
  device_.addProgressEventListener(&listener);
  for (int i = 0; i < 5; ++i) writeFile(source_ + "\\file" + std::to_string(i) + ".txt", "content");
  String archive;
  unsigned int code = 0;
  try {
    device_.createArchive(archive, source_.c_str());
  } catch (IException* e) {
    code = e->getError().getReturnValue();
    e->release();
  }
  device_.removeProgressEventListener(&listener);
  EXPECT_EQ(code, static_cast<unsigned int>(ARCHIVE_CANCELLED))
      << "the cancel is raised with the engine's code";
  EXPECT_FALSE(exists(archive.getData())) << "a cancelled archive is deleted";
  EXPECT_EQ(listener.files.size(), 1u) << "no entry after the cancelled one";
}

// Without its archive no NoxResult.exe is begun: a self-extractor alone would
// look like a result.
TEST_F(Split, NoSelfExtractorIsLeftWithoutItsArchive) {
  device_.setTargetFolder(target_.c_str());
  try {
    device_.makeSelfExtractor((source_ + "\\missing.nxz").c_str());
    ADD_FAILURE() << "no exception";
  } catch (IException* e) {
    EXPECT_EQ(e->getError().getID(), 5u);
    e->release();
  }
  EXPECT_FALSE(exists(target_ + "\\NoxResult.exe"));
}
