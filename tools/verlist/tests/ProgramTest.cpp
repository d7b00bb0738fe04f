// Runs the real verlist program on scratch folder trees.

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "Fixture.h"
#include "ProgramRunner.h"

namespace verlist_test {
namespace {

const char kHeader[] =
    "CreationTime________LastAccessTime______LastUpdateTime____________"
    "Size_Version____________FileName__________";

struct FileLine {
  std::string created, accessed, written, size, version, path;
};

// A listing cut into header markers ("H") and file lines, columns by position.
struct Listing {
  std::vector<std::string> rows;  // "H" or the path of a file line
  std::vector<FileLine> files;

  const FileLine* file(const std::string& path) const {
    for (const FileLine& line : files) {
      if (line.path == path) return &line;
    }
    return nullptr;
  }
  int headers() const { return static_cast<int>(std::count(rows.begin(), rows.end(), "H")); }
};

bool looksLikeTime(const std::string& text) {
  const std::string shape = "dddd/dd/dd_dd:dd:dd";
  if (text.size() != shape.size()) return false;
  for (std::size_t i = 0; i < shape.size(); ++i) {
    if (shape[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(text[i])) : text[i] != shape[i])
      return false;
  }
  return true;
}

Listing parse(const std::string& out) {
  Listing listing;
  std::size_t start = 0;
  const std::string lineBreak = kLineBreak;
  while (start < out.size()) {
    std::size_t end = out.find(lineBreak, start);
    if (end == std::string::npos) {
      ADD_FAILURE() << "unterminated last line: " << out.substr(start);
      break;
    }
    std::string line = out.substr(start, end - start);
    start = end + lineBreak.size();
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "stray line break in: " << line;
    if (line == kHeader) {
      listing.rows.push_back("H");
      continue;
    }
    if (line.size() <= 90 || line[19] != ' ' || line[39] != ' ' || line[59] != ' ' || line[70] != ' ' ||
        line[89] != ' ') {
      ADD_FAILURE() << "not a file line: '" << line << "'";
      continue;
    }
    FileLine file{line.substr(0, 19),  line.substr(20, 19), line.substr(40, 19),
                  line.substr(60, 10), line.substr(71, 18), line.substr(90)};
    EXPECT_TRUE(looksLikeTime(file.created) && looksLikeTime(file.accessed) && looksLikeTime(file.written))
        << line;
    listing.rows.push_back(file.path);
    listing.files.push_back(file);
  }
  return listing;
}

std::string trimmed(const std::string& text) {
  std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::set<std::string> paths(const Listing& listing) {
  std::set<std::string> result;
  for (const FileLine& line : listing.files) result.insert(line.path);
  return result;
}

TEST(Program, TwoFilesAndAnEmptySubFolder) {
  ScratchFolder dir;
  dir.addFile("a.txt", 10);
  dir.addFile("b.txt", 20);
  dir.addFolder("empty");
  RunResult run = runVerlist({dir.path()});
  EXPECT_EQ(run.exitCode, 0);
  Listing listing = parse(run.out);
  ASSERT_EQ(listing.rows.size(), 3u) << run.out;
  EXPECT_EQ(listing.rows[0], "H");
  EXPECT_EQ(paths(listing), (std::set<std::string>{dir.at("a.txt"), dir.at("b.txt")}));
  EXPECT_EQ(trimmed(listing.file(dir.at("b.txt"))->size), "20");
}

TEST(Program, HeaderOnceAboveFilesOfTheOnlySubFolder) {
  ScratchFolder dir;
  dir.addFolder("sub");
  dir.addFile("sub/x.dll", 1);
  dir.addFile("sub/y.dll", 2);
  RunResult run = runVerlist({dir.path()});
  EXPECT_EQ(run.exitCode, 0);
  Listing listing = parse(run.out);
  ASSERT_EQ(listing.rows.size(), 3u) << run.out;
  EXPECT_EQ(listing.rows[0], "H");
  EXPECT_EQ(paths(listing), (std::set<std::string>{dir.at("sub/x.dll"), dir.at("sub/y.dll")}));
}

TEST(Program, BlocksInDepthFirstPreOrder) {
  ScratchFolder dir;
  dir.addFolder("A/C");
  dir.addFolder("B");
  dir.addFile("A/C/c", 1);
  dir.addFile("A/a", 1);
  dir.addFile("B/b", 1);
  dir.addFile("top", 1);
  RunResult run = runVerlist({dir.path()});
  EXPECT_EQ(run.exitCode, 0);
  std::vector<std::string> rows = parse(run.out).rows;
  // Sibling folders come in listing order, which the platform decides; either
  // way the root comes first and A/C right after A.
  const std::string top = dir.at("top"), a = dir.at("A/a"), c = dir.at("A/C/c"), b = dir.at("B/b");
  std::vector<std::string> aFirst = {"H", top, "H", a, "H", c, "H", b};
  std::vector<std::string> bFirst = {"H", top, "H", b, "H", a, "H", c};
  EXPECT_TRUE(rows == aFirst || rows == bFirst) << run.out;
}

#ifndef _WIN32
// A zone away from UTC by a part of an hour, so that a listing in UTC could not
// pass for local time. Both this process and verlist read it from TZ.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    const char* old = getenv("TZ");
    hadOld_ = old != nullptr;
    if (hadOld_) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (hadOld_) {
      setenv("TZ", old_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  bool hadOld_ = false;
  std::string old_;
};
#endif

TEST(Program, TimesAreShownInLocalTime) {
#ifndef _WIN32
  ScopedTimeZone zone("XST-5:30");
#endif
  ScratchFolder dir;
  dir.addFile("dated.txt", 5);
  setFileTimes(dir.at("dated.txt"), {2010, 1, 2, 3, 4, 5}, {2009, 7, 14, 21, 22, 23});
  Listing listing = parse(runVerlist({dir.path()}).out);
  const FileLine* line = listing.file(dir.at("dated.txt"));
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->accessed, "2010/01/02_03:04:05");
  EXPECT_EQ(line->written, "2009/07/14_21:22:23");
}

TEST(Program, SizeColumnOfA1234ByteFile) {
  ScratchFolder dir;
  dir.addFile("f.bin", 1234);
  RunResult run = runVerlist({dir.path()});
  std::string expectedTail = std::string("      1234 -                  ") + dir.at("f.bin") + kLineBreak;
  ASSERT_GE(run.out.size(), expectedTail.size());
  EXPECT_EQ(run.out.substr(run.out.size() - expectedTail.size()), expectedTail);
}

TEST(Program, VersionColumn) {
  ScratchFolder dir;
  dir.addFile("plain.txt", 100);
  dir.addFile("empty.dat", 0);
#ifdef _WIN32
  dir.copyFile(programFolder() + "\\verlist_versioned.dll", "versioned.dll");
  const char* expectedVersion = "6.1.7601.17514";
#else
  // No version resources here: an executable shows "-" like any other file.
  dir.copyFile(programFolder() + "/verlist", "versioned.dll");
  const char* expectedVersion = "-";
#endif
  Listing listing = parse(runVerlist({dir.path()}).out);
  ASSERT_EQ(listing.files.size(), 3u);
  EXPECT_EQ(trimmed(listing.file(dir.at("versioned.dll"))->version), expectedVersion);
  EXPECT_EQ(trimmed(listing.file(dir.at("plain.txt"))->version), "-");
  EXPECT_EQ(trimmed(listing.file(dir.at("empty.dat"))->version), "-");
}

TEST(Program, WrongArgumentCountPrintsNothing) {
  ScratchFolder dir;
  dir.addFile("f", 1);
  const std::vector<std::vector<std::string>> cases = {
      {}, {dir.path(), dir.path()}, {"", ""}, {"a", "b", "c"}};
  for (std::size_t i = 0; i < cases.size(); ++i) {
    RunResult run = runVerlist(cases[i]);
    EXPECT_EQ(run.exitCode, 1) << "row " << i;
    EXPECT_EQ(run.out, "") << "row " << i;
  }
}

TEST(Program, EmptyArgumentListsTheCurrentFolder) {
  ScratchFolder dir;
  dir.addFile("here.txt", 3);
  dir.addFolder("sub");
  dir.addFile("sub/there.txt", 4);
  RunResult run = runVerlist({""}, dir.path());
  EXPECT_EQ(run.exitCode, 0);
  Listing listing = parse(run.out);
  const std::string dot = std::string(".") + kSeparator;
  EXPECT_EQ(listing.rows,
            (std::vector<std::string>{"H", dot + "here.txt", "H", dot + "sub" + kSeparator + "there.txt"}));
}

TEST(Program, HiddenAndSystemFilesAreListed) {
  ScratchFolder dir;
  dir.addFile(".dotted", 1);
  dir.addFile("hidden.sys", 2);
  makeHiddenSystem(dir.at("hidden.sys"));
  Listing listing = parse(runVerlist({dir.path()}).out);
  EXPECT_EQ(paths(listing), (std::set<std::string>{dir.at(".dotted"), dir.at("hidden.sys")}));
}

TEST(Program, MissingFolderGivesEmptyListingAndSuccess) {
  ScratchFolder dir;
  RunResult run = runVerlist({dir.at("no-such-folder")});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "");
}

TEST(Program, FolderEndingInSeparatorGivesSinglySeparatedPaths) {
  ScratchFolder dir;
  dir.addFolder("s");
  dir.addFile("s/f", 1);
  Listing listing = parse(runVerlist({dir.path() + kSeparator}).out);
  EXPECT_EQ(listing.rows, (std::vector<std::string>{"H", dir.at("s/f")}));
}

TEST(Program, UnwritableOutputIsAFailure) {
  ScratchFolder dir;
  dir.addFile("f", 1);
  dir.addFile("out.txt", 0);
  EXPECT_EQ(runVerlistWithUnwritableOutput({dir.path()}, dir.at("out.txt")), 1);
  EXPECT_EQ(runVerlistWithUnwritableOutput({dir.at("no-such-folder")}, dir.at("out.txt")), 0)
      << "nothing to write is no failure";
}

#ifdef _WIN32

// A caller quoting a folder that ends in a backslash, as in "C:\Folder\", ends
// up escaping its closing quote.
TEST(Program, QuotedFolderEndingInBackslash) {
  ScratchFolder dir;
  dir.addFile("f.txt", 1);
  RunResult run = runVerlistCommandLine(" \"" + dir.path() + "\\\" ");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(parse(run.out).rows, (std::vector<std::string>{"H", dir.at("f.txt")}));
}

// The root block of the version resource holds no fixed file information; the
// version column says so instead of reading past the block.
TEST(Program, VersionResourceWithoutFixedInformation) {
  ScratchFolder dir;
  dir.copyFile(programFolder() + "\\verlist_no_fixed_info.dll", "nofixed.dll");
  Listing listing = parse(runVerlist({dir.path()}).out);
  ASSERT_EQ(listing.files.size(), 1u);
  EXPECT_EQ(trimmed(listing.files[0].version), "Error3 13");
}

// A file another program holds open without sharing: its version cannot be
// read, but the listing still knows its times and size.
TEST(Program, FileLockedByAnotherProgram) {
  ScratchFolder dir;
  dir.copyFile(programFolder() + "\\verlist_versioned.dll", "locked.dll");
  dir.addFile("free.txt", 1);
  HANDLE lock =
      CreateFileA(dir.at("locked.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE) << GetLastError();
  RunResult run = runVerlist({dir.path()});
  CloseHandle(lock);
  EXPECT_EQ(run.exitCode, 0);
  Listing listing = parse(run.out);
  const FileLine* locked = listing.file(dir.at("locked.dll"));
  ASSERT_NE(locked, nullptr) << run.out;
  EXPECT_EQ(trimmed(locked->version), "Error1 32") << "ERROR_SHARING_VIOLATION";
  EXPECT_EQ(trimmed(locked->size),
            std::to_string(std::filesystem::file_size(programFolder() + "\\verlist_versioned.dll")));
  EXPECT_NE(listing.file(dir.at("free.txt")), nullptr);
}

// The way the collector starts verlist: through the command interpreter, from
// the folder verlist lies in, the folder quoted and followed by a blank.
TEST(Program, StartedThroughCommandInterpreterLikeTheCollector) {
  ScratchFolder dir;
  dir.addFolder("Product");
  dir.addFile("Product/a.txt", 7);
  const std::string folders[] = {dir.at("Product"), dir.at("Product") + "\\"};
  for (const std::string& folder : folders) {
    RunResult run = runCommandLine("cmd /c .\\verlist \"" + folder + "\" ", programFolder());
    EXPECT_EQ(parse(run.out).rows, (std::vector<std::string>{"H", dir.at("Product/a.txt")})) << folder;
  }
}

#else

TEST(Program, LinksAreListedNotFollowed) {
  ScratchFolder dir;
  dir.addFolder("sub");
  dir.addFile("sub/g", 1);
  ASSERT_EQ(symlink("..", dir.at("sub/up").c_str()), 0);
  ASSERT_EQ(symlink("sub/g", dir.at("link-to-file").c_str()), 0);
  RunResult run = runVerlist({dir.path()});
  EXPECT_EQ(run.exitCode, 0);
  Listing listing = parse(run.out);
  EXPECT_EQ(paths(listing),
            (std::set<std::string>{dir.at("link-to-file"), dir.at("sub/g"), dir.at("sub/up")}));
  EXPECT_EQ(listing.headers(), 2);
}

#endif

}  // namespace
}  // namespace verlist_test
