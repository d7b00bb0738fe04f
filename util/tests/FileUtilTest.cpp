#include "nox/FileUtil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "FileTestSupport.h"
#include "LongPath.h"
#include "nox/String.h"

namespace {

using filetest::exists;
using filetest::isFile;
using filetest::isFolder;
using filetest::kTrailBackslash;
using filetest::listFolder;
using filetest::readFile;
using filetest::runningUnderWine;
using filetest::ScratchFolder;
using filetest::writeFile;

// The double-byte cases need the file system to read the names in code page 932.
#define REQUIRE_CODE_PAGE_932() \
  ASSERT_EQ(GetACP(), 932u) << "run with LC_ALL=ja_JP.UTF-8 (as CTest does) so that Wine uses code page 932"

// ---------------------------------------------------------------- noxMkDir

TEST(MkDir, CreatesEveryMissingFolder) {
  ScratchFolder scratch;
  EXPECT_EQ(noxMkDir((scratch / "a\\b\\c").c_str()), 1);
  EXPECT_TRUE(isFolder(scratch / "a\\b\\c"));
  EXPECT_EQ(listFolder(scratch.path()), std::vector<std::string>{"a"});
}

TEST(MkDir, ExistingFoldersAreLeftAsTheyAre) {
  ScratchFolder scratch;
  CreateDirectoryA((scratch / "a").c_str(), nullptr);
  writeFile(scratch / "a\\keep.txt", "kept");
  EXPECT_EQ(noxMkDir((scratch / "a").c_str()), 1);
  EXPECT_EQ(listFolder(scratch / "a"), std::vector<std::string>{"keep.txt"});
  EXPECT_EQ(readFile(scratch / "a\\keep.txt"), "kept");
}

TEST(MkDir, TrailingBackslashCreatesTheLastFolderToo) {
  ScratchFolder scratch;
  EXPECT_EQ(noxMkDir((scratch / "x\\y\\").c_str()), 1);
  EXPECT_TRUE(isFolder(scratch / "x\\y"));
}

TEST(MkDir, FileInThePathFailsAndCreatesNothingBeyondIt) {
  ScratchFolder scratch;
  writeFile(scratch / "plain", "");
  EXPECT_EQ(noxMkDir((scratch / "plain\\below").c_str()), 0);
  EXPECT_EQ(noxMkDir((scratch / "plain").c_str()), 0);
  EXPECT_TRUE(isFile(scratch / "plain"));
}

TEST(MkDir, RefusedPaths) {
  ScratchFolder scratch;
  const std::string tooLong = scratch / std::string(MAX_PATH, 'x');
  struct Row {
    const char* what;
    std::string path;
  } rows[] = {
      {"260 bytes or more", tooLong.substr(0, MAX_PATH)},
      {"drive shorter than 4 bytes", "C:\\"},
      {"server without share", "\\\\server"},
  };
  for (const Row& row : rows) EXPECT_EQ(noxMkDir(row.path.c_str()), 0) << row.what;
  EXPECT_EQ(listFolder(scratch.path()), std::vector<std::string>{});
}

TEST(MkDir, DoubleByteTrailBackslashIsNoSeparator) {
  REQUIRE_CODE_PAGE_932();
  ScratchFolder scratch;
  // One folder named <0x95 0x5C>dir holding "sub"; no folder named <0x95> alone.
  const std::string folder = scratch / (std::string(kTrailBackslash) + "dir");
  EXPECT_EQ(noxMkDir((folder + "\\sub").c_str()), 1);
  EXPECT_EQ(listFolder(scratch.path()), std::vector<std::string>{std::string(kTrailBackslash) + "dir"});
  EXPECT_TRUE(isFolder(folder + "\\sub"));
  // A path ending in the double-byte character has no trailing backslash to drop.
  const std::string ending = scratch / (std::string("e") + kTrailBackslash);
  EXPECT_EQ(noxMkDir(ending.c_str()), 1);
  EXPECT_TRUE(isFolder(ending));
}

// ---------------------------------------------------------------- noxRmDir

TEST(RmDir, RemovesTheWholeTreeWithFiles) {
  ScratchFolder scratch;
  const std::string root = scratch / "tree";
  noxMkDir((root + "\\a\\b").c_str());
  noxMkDir((root + "\\empty").c_str());
  writeFile(root + "\\top.txt", "1");
  writeFile(root + "\\a\\b\\deep.txt", "2");
  writeFile(root + "\\a\\locked.txt", "3");
  SetFileAttributesA((root + "\\a\\locked.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_NE(noxRmDir(root.c_str(), 1), 0);
  EXPECT_FALSE(exists(root));
}

TEST(RmDir, WithoutDeleteFilesAFileStopsIt) {
  ScratchFolder scratch;
  const std::string root = scratch / "tree";
  noxMkDir((root + "\\sub").c_str());
  writeFile(root + "\\sub\\file.txt", "x");
  EXPECT_EQ(noxRmDir(root.c_str(), 0), 0);
  EXPECT_EQ(readFile(root + "\\sub\\file.txt"), "x");
  // Without files the same call removes empty folders.
  const std::string empty = scratch / "bare";
  noxMkDir((empty + "\\one\\two").c_str());
  EXPECT_NE(noxRmDir(empty.c_str(), 0), 0);
  EXPECT_FALSE(exists(empty));
}

TEST(RmDir, RefusesAnythingButLongDrivePathsAndTouchesNothing) {
  ScratchFolder scratch;
  const std::string victim = scratch / "victim";
  noxMkDir(victim.c_str());
  writeFile(victim + "\\file.txt", "x");
  // "C:\q" is a real folder of the prefix, but a 4-byte path is never removed.
  CreateDirectoryA("C:\\q", nullptr);
  char current[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, current);
  SetCurrentDirectoryA(scratch.path().c_str());
  const std::string driveRelative = victim.substr(2);  // \users\...\victim
  struct Row {
    const char* what;
    std::string path;
  } rows[] = {
      {"relative", "victim"},
      {"relative with dot", ".\\victim"},
      {"rooted without drive", driveRelative},
      {"UNC", "\\\\server\\share\\x"},
      {"UNC long form", "\\\\?\\" + victim},
      {"device form", "\\\\.\\" + victim},
      {"drive without backslash", victim.substr(0, 2) + victim.substr(3)},
      {"4 bytes", "C:\\q"},
      {"empty", ""},
  };
  for (const Row& row : rows) {
    for (int deleteFiles = 0; deleteFiles <= 1; ++deleteFiles) {
      EXPECT_EQ(noxRmDir(row.path.c_str(), deleteFiles), 0) << row.what;
    }
  }
  SetCurrentDirectoryA(current);
  EXPECT_EQ(readFile(victim + "\\file.txt"), "x");
  EXPECT_TRUE(isFolder("C:\\q"));
  RemoveDirectoryA("C:\\q");
  EXPECT_EQ(noxRmDir(nullptr, 1), 0);
}

// Under Wine: starts a Unix program in folder and waits until done() holds
// (the handle of a Unix program does not tell when it ends).
bool runUnixProgram(std::string command, const std::string& folder, bool (*done)(const std::string&),
                    const std::string& watched) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                      &process)) {
    return false;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  for (int i = 0; i < 100 && !done(watched); ++i) Sleep(50);
  return done(watched);
}

// A link to a folder, named link, pointing to relativeTarget. Wine's
// CreateSymbolicLinkA reports success and makes nothing; there a Unix symbolic
// link made by /bin/ln serves, which Wine shows as a reparse point.
bool makeFolderLink(const std::string& folder, const char* link, const char* relativeTarget,
                    const char* unixTarget) {
  const std::string path = folder + "\\" + link;
  CreateSymbolicLinkA(path.c_str(), (folder + "\\" + relativeTarget).c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY);
  if (!exists(path)) {
    runUnixProgram(std::string("Z:\\bin\\ln -s ") + unixTarget + " " + link, folder, exists, path);
  }
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

TEST(RmDir, LinkedFolderIsUnlinkedNotEmptied) {
  ScratchFolder scratch;
  noxMkDir((scratch / "outside").c_str());
  writeFile(scratch / "outside\\keep.txt", "k");
  const std::string tree = scratch / "tree";
  noxMkDir(tree.c_str());
  writeFile(tree + "\\own.txt", "o");
  ASSERT_TRUE(makeFolderLink(tree, "link", "..\\outside", "../outside"));
  const int removed = noxRmDir(tree.c_str(), 1);
  EXPECT_EQ(readFile(scratch / "outside\\keep.txt"), "k");
  if (runningUnderWine()) {
    // Known Wine gap: its RemoveDirectory acts on the target of a Unix link, so
    // the link (and with it the tree) stays; the files behind it stay too.
    EXPECT_EQ(removed, 0);
    EXPECT_TRUE(exists(tree + "\\link"));
    runUnixProgram(
        "Z:\\bin\\rm -f link", tree, [](const std::string& path) { return !exists(path); }, tree + "\\link");
  } else {
    EXPECT_NE(removed, 0);
    EXPECT_FALSE(exists(tree));
  }
}

TEST(RmDir, FolderEndingInDoubleByteCharacter) {
  REQUIRE_CODE_PAGE_932();
  ScratchFolder scratch;
  const std::string root = scratch / (std::string("r") + kTrailBackslash);
  noxMkDir((root + "\\" + kTrailBackslash).c_str());
  writeFile(root + "\\" + kTrailBackslash + "\\f.txt", "x");
  writeFile(root + "\\g.txt", "y");
  EXPECT_NE(noxRmDir(root.c_str(), 1), 0);
  EXPECT_EQ(listFolder(scratch.path()), std::vector<std::string>{});
}

// ---------------------------------------------------------------- noxCpDir

TEST(CpDir, CopiesTheTree) {
  ScratchFolder scratch;
  const std::string source = scratch / "src";
  noxMkDir((source + "\\sub\\deeper").c_str());
  noxMkDir((source + "\\empty").c_str());
  writeFile(source + "\\a.txt", "alpha");
  writeFile(source + "\\sub\\b.bin", std::string("\0\1\2", 3));
  writeFile(source + "\\sub\\deeper\\c.txt", "gamma");
  const std::string target = scratch / "dst";
  EXPECT_EQ(noxCpDir(source.c_str(), target.c_str()), 1);
  EXPECT_EQ(listFolder(target), (std::vector<std::string>{"a.txt", "empty", "sub"}));
  EXPECT_EQ(readFile(target + "\\a.txt"), "alpha");
  EXPECT_EQ(readFile(target + "\\sub\\b.bin"), std::string("\0\1\2", 3));
  EXPECT_EQ(readFile(target + "\\sub\\deeper\\c.txt"), "gamma");
  EXPECT_TRUE(isFolder(target + "\\empty"));
  // Existing target files are overwritten.
  writeFile(source + "\\a.txt", "changed");
  EXPECT_EQ(noxCpDir(source.c_str(), target.c_str()), 1);
  EXPECT_EQ(readFile(target + "\\a.txt"), "changed");
}

// Unix links made for a test, removed with rm before the scratch folder goes (its
// removal would follow them).
class LinksMade {
 public:
  ~LinksMade() {
    for (const auto& link : links_) {
      runUnixProgram(
          "Z:\\bin\\rm -f " + link.second, link.first, [](const std::string& path) { return !exists(path); },
          link.first + "\\" + link.second);
    }
  }
  bool make(const std::string& folder, const char* link, const char* relativeTarget, const char* unixTarget) {
    links_.emplace_back(folder, link);
    return makeFolderLink(folder, link, relativeTarget, unixTarget);
  }

 private:
  std::vector<std::pair<std::string, std::string>> links_;
};

TEST(CpDir, LinkedFoldersAreNotFollowed) {
  ScratchFolder scratch;
  noxMkDir((scratch / "outside").c_str());
  writeFile(scratch / "outside\\keep.txt", "k");
  const std::string source = scratch / "src";
  noxMkDir((source + "\\sub").c_str());
  writeFile(source + "\\sub\\a.txt", "a");
  LinksMade links;
  // One link points up the tree (a copy that follows it never ends), one out of it.
  ASSERT_TRUE(links.make(source + "\\sub", "up", "..", ".."));
  ASSERT_TRUE(links.make(source, "out", "..\\outside", "../outside"));
  const std::string target = scratch / "dst";
  EXPECT_EQ(noxCpDir(source.c_str(), target.c_str()), 1);
  EXPECT_EQ(listFolder(target), std::vector<std::string>{"sub"});
  EXPECT_EQ(listFolder(target + "\\sub"), std::vector<std::string>{"a.txt"});
  EXPECT_EQ(readFile(target + "\\sub\\a.txt"), "a");
}

TEST(CpDir, UnreadableFileLeavesTheErrorTextAndTheRestIsCopied) {
  ScratchFolder scratch;
  const std::string source = scratch / "src";
  noxMkDir((source + "\\sub").c_str());
  writeFile(source + "\\before.txt", "b");
  writeFile(source + "\\held.log", "secret");
  writeFile(source + "\\sub\\after.txt", "a");
  // Held open with no sharing: nobody else can read it.
  HANDLE held = CreateFileA((source + "\\held.log").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const std::string target = scratch / "dst";
  EXPECT_EQ(noxCpDir(source.c_str(), target.c_str()), 1);
  CloseHandle(held);
  EXPECT_EQ(readFile(target + "\\held.log"), "Can't copy file " + source + "\\held.log. (err=" +
                                                 std::to_string(ERROR_SHARING_VIOLATION) + ")");
  EXPECT_EQ(readFile(target + "\\before.txt"), "b");
  EXPECT_EQ(readFile(target + "\\sub\\after.txt"), "a");
}

TEST(CpDir, UnlistableFolderLeavesTheErrorFileInsideItsCopy) {
  ScratchFolder scratch;
  const std::string source = scratch / "src";
  noxMkDir((source + "\\closed").c_str());
  writeFile(source + "\\closed\\inner.txt", "i");
  writeFile(source + "\\open.txt", "o");
  HANDLE held = CreateFileA((source + "\\closed").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const std::string target = scratch / "dst";
  EXPECT_EQ(noxCpDir(source.c_str(), target.c_str()), 1);
  CloseHandle(held);
  EXPECT_EQ(readFile(target + "\\open.txt"), "o");
  EXPECT_EQ(readFile(target + "\\closed\\directoryCopyFailed.txt"),
            "Can't copy file " + source + "\\closed. (err=" + std::to_string(ERROR_SHARING_VIOLATION) + ")");
  EXPECT_EQ(listFolder(target + "\\closed"), std::vector<std::string>{"directoryCopyFailed.txt"});
}

TEST(CpDir, RefusedSourcesAndFileTargets) {
  ScratchFolder scratch;
  const std::string source = scratch / "src";
  noxMkDir(source.c_str());
  writeFile(source + "\\a.txt", "a");
  writeFile(scratch / "file", "f");
  EXPECT_EQ(noxCpDir(source.c_str(), (scratch / "file").c_str()), 0);
  EXPECT_EQ(readFile(scratch / "file"), "f");
  char current[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, current);
  SetCurrentDirectoryA(scratch.path().c_str());
  EXPECT_EQ(noxCpDir("src", (scratch / "rel").c_str()), 0);
  SetCurrentDirectoryA(current);
  EXPECT_EQ(noxCpDir("C:\\q", (scratch / "short").c_str()), 0);
  EXPECT_EQ(noxCpDir(("\\\\?\\" + source).c_str(), (scratch / "unc").c_str()), 0);
  EXPECT_EQ(noxCpDir((scratch / "missing").c_str(), (scratch / "none").c_str()), 0);
  EXPECT_EQ(listFolder(scratch.path()), (std::vector<std::string>{"file", "none", "src"}));
}

// ------------------------------------------------------- base name and path

TEST(PathParts, BaseNameAndFolder) {
  REQUIRE_CODE_PAGE_932();
  const std::string trail = kTrailBackslash;
  struct Row {
    std::string path;
    std::string base;
    std::string folder;
  } rows[] = {
      {"C:\\a\\b.txt", "b.txt", "C:\\a"},
      {"b.txt", "b.txt", "b.txt"},
      {"C:\\", "", "C:"},
      {"C:\\a\\", "", "C:\\a"},
      {"C:\\x\\" + trail, trail, "C:\\x"},
      {"C:\\" + trail + "\\f", "f", "C:\\" + trail},
      {"C:\\" + trail + "x", trail + "x", "C:"},
  };
  for (const Row& row : rows) {
    EXPECT_STREQ(noxGetBaseName(row.path.c_str()), row.base.c_str()) << row.path;
    char buffer[MAX_PATH];
    std::memset(buffer, '#', sizeof(buffer));
    EXPECT_EQ(noxGetPath(row.path.c_str(), buffer, sizeof(buffer)), static_cast<int>(row.folder.size()))
        << row.path;
    EXPECT_STREQ(buffer, row.folder.c_str()) << row.path;
  }
}

TEST(PathParts, GetPathStaysInsideTheBuffer) {
  char buffer[8];
  std::memset(buffer, '#', sizeof(buffer));
  // Only "C:\abc\" fits (7 bytes and the NUL); its folder part is C:\abc.
  EXPECT_EQ(noxGetPath("C:\\abc\\def\\g.txt", buffer, 8), 6);
  EXPECT_STREQ(buffer, "C:\\abc");
  std::memset(buffer, '#', sizeof(buffer));
  EXPECT_EQ(noxGetPath("C:\\abc", buffer, 4), 2);  // "C:\" then the folder "C:"
  EXPECT_STREQ(buffer, "C:");
  EXPECT_EQ(buffer[4], '#');
  EXPECT_EQ(noxGetPath("C:\\abc", buffer, 0), 0);
  EXPECT_EQ(buffer[0], 'C');
}

// Systems without GetLongPathNameA (Windows 95, NT 4) get the long form part by
// part; it must agree with what the call gives where it exists.
TEST(PathParts, LongFormWithoutGetLongPathName) {
  REQUIRE_CODE_PAGE_932();
  ScratchFolder scratch;
  const std::string folder = scratch / (std::string("Long folder ") + kTrailBackslash + " name");
  ASSERT_EQ(noxMkDir((folder + "\\another long name.txt").c_str()), 1);
  char shortPath[MAX_PATH] = {};
  ASSERT_GT(GetShortPathNameA((folder + "\\another long name.txt").c_str(), shortPath, MAX_PATH), 0u);
  char expected[MAX_PATH] = {};
  ASSERT_GT(GetLongPathNameA(shortPath, expected, MAX_PATH), 0u);
  char expanded[MAX_PATH] = {};
  ASSERT_TRUE(expandLongPath(expanded, shortPath)) << shortPath;
  EXPECT_STREQ(expanded, expected);

  char withSlash[MAX_PATH] = {};
  ASSERT_TRUE(expandLongPath(withSlash, (std::string(shortPath) + "\\").c_str()));
  EXPECT_STREQ(withSlash, (std::string(expected) + "\\").c_str());
  for (const std::string& refused : {folder + "\\absent", std::string("relative\\path"), folder + "\\*"}) {
    EXPECT_FALSE(expandLongPath(expanded, refused.c_str())) << refused;
  }
}

// ---------------------------------------------------------------- noxUniqFileName

TEST(UniqFileName, FreeNameIsJoinedWithExactlyOneBackslash) {
  ScratchFolder scratch;
  char result[MAX_PATH];
  EXPECT_EQ(noxUniqFileName(result, scratch.path().c_str(), "report.xml"), 1);
  EXPECT_EQ(std::string(result), scratch / "report.xml");
  EXPECT_EQ(noxUniqFileName(result, (scratch.path() + "\\").c_str(), "report.xml"), 1);
  EXPECT_EQ(std::string(result), scratch / "report.xml");
}

TEST(UniqFileName, CounterRules) {
  struct Row {
    std::vector<std::string> existing;
    const char* name;
    const char* expected;
  } rows[] = {
      {{"report.xml"}, "report.xml", "report(1).xml"},
      {{"report.xml", "report(1).xml"}, "report.xml", "report(2).xml"},
      {{"data"}, "data", "data(1)"},
      {{"a.b.c"}, "a.b.c", "a.b(1).c"},
      {{"notes."}, "notes.", "notes.(1)"},
      {{"sub.d\\file"}, "sub.d\\file", "sub.d\\file(1)"},  // the folder's dot is no extension
      {{"folder"}, "folder", "folder(1)"},                 // an existing folder counts as well
  };
  for (const Row& row : rows) {
    ScratchFolder folder;
    noxMkDir((folder / "sub.d").c_str());
    for (const std::string& name : row.existing) {
      if (name == "folder") {
        CreateDirectoryA((folder / name).c_str(), nullptr);
      } else {
        writeFile(folder / name, "");
      }
    }
    char result[MAX_PATH] = "";
    EXPECT_EQ(noxUniqFileName(result, folder.path().c_str(), row.name), 1) << row.name;
    EXPECT_EQ(std::string(result), folder / row.expected) << row.name;
  }
}

TEST(UniqFileName, DoubleByteNamesAndFolders) {
  REQUIRE_CODE_PAGE_932();
  ScratchFolder scratch;
  const std::string trail = kTrailBackslash;
  // The trail byte is neither a separator in the name nor a trailing backslash of the folder.
  const std::string name = "a.b" + trail + "c";
  writeFile(scratch / name, "");
  char result[MAX_PATH];
  EXPECT_EQ(noxUniqFileName(result, scratch.path().c_str(), name.c_str()), 1);
  EXPECT_EQ(std::string(result), scratch / ("a(1).b" + trail + "c"));

  const std::string folder = scratch / ("f" + trail);
  noxMkDir(folder.c_str());
  EXPECT_EQ(noxUniqFileName(result, folder.c_str(), "x.txt"), 1);
  EXPECT_EQ(std::string(result), folder + "\\x.txt");
}

TEST(UniqFileName, LengthLimitOf254Bytes) {
  ScratchFolder scratch;
  const std::string folder = scratch.path();
  char result[MAX_PATH];
  // 253 bytes together: accepted, and even the 999th candidate would fit.
  const std::string fits(253 - folder.size(), 'n');
  EXPECT_EQ(noxUniqFileName(result, folder.c_str(), fits.c_str()), 1);
  EXPECT_EQ(std::string(result), folder + "\\" + fits);
  // 254 bytes: refused, result untouched.
  const std::string tooLong(254 - folder.size(), 'n');
  std::memset(result, '#', sizeof(result));
  EXPECT_EQ(noxUniqFileName(result, folder.c_str(), tooLong.c_str()), 0);
  EXPECT_EQ(result[0], '#');
  EXPECT_EQ(result[MAX_PATH - 1], '#');
}

TEST(UniqFileName, AllCandidatesTaken) {
  ScratchFolder scratch;
  writeFile(scratch / "x", "");
  for (int i = 1; i <= 999; ++i) writeFile(scratch / ("x(" + std::to_string(i) + ")"), "");
  char result[MAX_PATH];
  std::memset(result, '#', sizeof(result));
  EXPECT_EQ(noxUniqFileName(result, scratch.path().c_str(), "x"), 0);
  EXPECT_EQ(result[0], '#');
  DeleteFileA((scratch / "x(999)").c_str());
  EXPECT_EQ(noxUniqFileName(result, scratch.path().c_str(), "x"), 1);
  EXPECT_EQ(std::string(result), scratch / "x(999)");
}

// ---------------------------------------------------------------- work folder

class WorkFolder : public ::testing::Test {
 protected:
  void TearDown() override { uninitializeUtility(); }
};

TEST_F(WorkFolder, InitializeCreatesItInTheTemporaryFolderAndUninitializeRemovesIt) {
  EXPECT_STREQ(getWorkFolder(), "");
  ASSERT_EQ(initializeUtility(), 1);
  const std::string folder = getWorkFolder();
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  EXPECT_EQ(folder.rfind(temp, 0), 0u) << folder;
  EXPECT_EQ(std::string(noxGetBaseName(folder.c_str())).rfind("NoxTemp", 0), 0u) << folder;
  EXPECT_TRUE(isFolder(folder));
  // Loading twice keeps the one folder.
  EXPECT_EQ(initializeUtility(), 1);
  EXPECT_EQ(getWorkFolder(), folder);

  noxMkDir((folder + "\\registries").c_str());
  writeFile(folder + "\\registries\\x.reg", "x");
  writeFile(folder + "\\NoxInfo.xml", "x");
  EXPECT_NE(uninitializeUtility(), 0);
  EXPECT_FALSE(exists(folder));
  EXPECT_STREQ(getWorkFolder(), "");
  EXPECT_EQ(uninitializeUtility(), 0);
}

TEST_F(WorkFolder, SecondInstanceGetsNumberedName) {
  ScratchFolder scratch;
  CreateDirectoryA((scratch / "NoxTemp").c_str(), nullptr);  // another process's folder
  ASSERT_EQ(setWorkFolder(scratch.path().c_str()), 1);
  EXPECT_EQ(std::string(getWorkFolder()), scratch / "NoxTemp(1)");
  EXPECT_TRUE(isFolder(getWorkFolder()));
}

TEST_F(WorkFolder, SetWorkFolderMovesAndRemovesTheOldOne) {
  ScratchFolder first;
  ScratchFolder second;
  ASSERT_EQ(setWorkFolder(first.path().c_str()), 1);
  const std::string old = getWorkFolder();
  writeFile(old + "\\side.bin", "x");
  ASSERT_EQ(setWorkFolder((second.path() + "\\").c_str()), 1);
  EXPECT_EQ(std::string(getWorkFolder()), second / "NoxTemp");
  EXPECT_TRUE(isFolder(getWorkFolder()));
  EXPECT_FALSE(exists(old));
}

TEST_F(WorkFolder, FailedMoveKeepsTheOldOne) {
  ScratchFolder scratch;
  ASSERT_EQ(setWorkFolder(scratch.path().c_str()), 1);
  const std::string old = getWorkFolder();
  writeFile(old + "\\side.bin", "x");
  writeFile(scratch / "plain", "");
  struct Row {
    const char* what;
    std::string parent;
  } rows[] = {
      {"parent is a file", scratch / "plain"},
      // Removing the old folder would take the new one with it.
      {"parent is the work folder", old},
      {"parent inside the work folder", old + "\\inner"},
      {"empty", ""},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(setWorkFolder(row.parent.c_str()), 0) << row.what;
    EXPECT_EQ(getWorkFolder(), old) << row.what;
    EXPECT_EQ(readFile(old + "\\side.bin"), "x") << row.what;
  }
  EXPECT_EQ(setWorkFolder(nullptr), 0);
}

TEST_F(WorkFolder, RelativeParentIsMadeAbsolute) {
  ScratchFolder scratch;
  noxMkDir((scratch / "rel").c_str());
  char current[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, current);
  SetCurrentDirectoryA(scratch.path().c_str());
  EXPECT_EQ(setWorkFolder("rel"), 1);
  SetCurrentDirectoryA(current);
  EXPECT_EQ(std::string(getWorkFolder()), scratch / "rel\\NoxTemp");
  EXPECT_NE(uninitializeUtility(), 0);  // removable: an absolute drive path
  EXPECT_FALSE(exists(scratch / "rel\\NoxTemp"));
}

}  // namespace
