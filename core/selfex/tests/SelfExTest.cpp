// Drives the real self-extractor program through its windows: the test starts
// it, types into its dialogs, presses its buttons and answers its questions the
// way a user would, then checks what landed on disk.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "ArchiveBuilder.h"
#include "nox/archive/Reader.h"
#include "nox/archive/WinTarget.h"
#include "nox/testing/Files.h"

namespace {

using namespace nox::archive;
using namespace nox_testing;
using nox::archive::testing::buildArchive;
using nox::archive::testing::buildSplitSet;
using nox::archive::testing::Entry;

// Control IDs of the program's dialogs.
constexpr int kFolderEdit = 1001;
constexpr int kBrowse = 1002;
constexpr int kExtract = 1003;
constexpr int kCurrentFolder = 1010;
constexpr int kFolderList = 1011;
constexpr int kStop = 1023;
constexpr int kQuestion = 1030;
constexpr int kOverwriteAll = 1031;
constexpr int kMessageText = 0xFFFF;

std::string windowText(HWND window) {
  char text[2048] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

struct Dialog {
  HWND window = nullptr;
  std::string title;
  std::string text;  // the message or question
};

// A running self-extractor.
class Program {
 public:
  ~Program() {
    if (process_.hProcess) {
      TerminateProcess(process_.hProcess, 99);
      CloseHandle(process_.hProcess);
      CloseHandle(process_.hThread);
    }
  }

  bool start(const std::string& exe, const std::string& argument = std::string()) {
    std::string command = "\"" + exe + "\"";
    if (!argument.empty()) command += " \"" + argument + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    return CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process_) != 0;
  }

  // The first visible top-level window of the program other than those named.
  Dialog waitForDialog(const std::vector<std::string>& ignore, DWORD timeoutMs = 30000) {
    DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
      Dialog found = findDialog(ignore);
      if (found.window) return found;
      if (WaitForSingleObject(process_.hProcess, 20) == WAIT_OBJECT_0) break;
    }
    return Dialog();
  }

  HWND waitForTarget() { return target_ = waitForDialog({}).window; }

  // WM_GETTEXT itself: GetWindowText of another process's edit control gives its
  // caption, not its content.
  std::string folder() {
    char text[MAX_PATH + 1] = {};
    SendMessageA(GetDlgItem(target_, kFolderEdit), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
  }

  // The program's window of that title, or null.
  HWND window(const char* title) {
    std::vector<std::string> others;
    Search search = {process_.dwProcessId, &others, Dialog()};
    search.want = title;
    EnumWindows(visit, reinterpret_cast<LPARAM>(&search));
    return search.found.window;
  }

  void setFolder(const std::string& folder) {
    SendMessageA(GetDlgItem(target_, kFolderEdit), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
  }

  // Presses "Extract" and answers every dialog that comes up until the
  // extraction returns; answer gives the button to press.
  std::vector<Dialog> extract(const std::function<int(const Dialog&)>& answer) {
    return press(kExtract, answer);
  }

  // Presses a button of the "Target" dialog and answers every dialog that comes
  // up until its handler returns.
  std::vector<Dialog> press(int button, const std::function<int(const Dialog&)>& answer) {
    std::vector<Dialog> seen;
    HWND target = target_;
    std::atomic<bool> done(false);
    // SendMessage returns once the program's handler has finished.
    std::thread press([target, button, &done] {
      SendMessageA(target, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
      done = true;
    });
    std::vector<HWND> answered;
    DWORD start = GetTickCount();
    while (!done && GetTickCount() - start < 60000) {
      Dialog d = findDialog({"Target", "Extracting"});
      if (d.window && std::find(answered.begin(), answered.end(), d.window) == answered.end()) {
        answered.push_back(d.window);
        seen.push_back(d);
        PostMessageA(d.window, WM_COMMAND, MAKEWPARAM(answer(d), BN_CLICKED), 0);
      }
      Sleep(20);
    }
    press.join();
    return seen;
  }

  DWORD close() {
    PostMessageA(target_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return exitCode();
  }

  DWORD exitCode() {
    DWORD code = 99;
    if (WaitForSingleObject(process_.hProcess, 30000) == WAIT_OBJECT_0)
      GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }

 private:
  struct Search {
    DWORD pid;
    const std::vector<std::string>* ignore;
    Dialog found;
    const char* want = nullptr;  // only this title
  };

  static BOOL CALLBACK visit(HWND window, LPARAM param) {
    Search& s = *reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != s.pid || !IsWindowVisible(window)) return TRUE;
    std::string title = windowText(window);
    if (s.want && title != s.want) return TRUE;
    for (const std::string& name : *s.ignore) {
      if (title == name) return TRUE;
    }
    s.found.window = window;
    s.found.title = title;
    HWND text = GetDlgItem(window, kMessageText);
    if (!text) text = GetDlgItem(window, kQuestion);
    if (text) s.found.text = windowText(text);
    return FALSE;
  }

  Dialog findDialog(const std::vector<std::string>& ignore) {
    Search search = {process_.dwProcessId, &ignore, Dialog()};
    EnumWindows(visit, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  PROCESS_INFORMATION process_ = {};
  HWND target_ = nullptr;
};

std::string repeated(const std::string& text, size_t times) {
  std::string out;
  for (size_t i = 0; i < times; ++i) out += text;
  return out;
}

std::vector<Entry> resultEntries() {
  std::vector<Entry> e(6);
  e[0].name = "PC";
  e[0].folder = true;
  e[0].lastWrite = 0x01D9000000000000ULL;
  e[1].name = "PC\\deep";
  e[1].folder = true;
  e[2].name = "PC\\deep\\system.reg";
  e[2].content = repeated("\"Value\"=dword:00000001\r\n", 400);
  e[3].name = "PC\\readonly.txt";
  e[3].content = "read only";
  e[3].attributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
  e[4].name = "NoxInfo.xml";
  e[4].content = repeated("<a>b</a>\r\n", 1000);
  e[4].lastWrite = 0x01DB4A0011223300ULL;
  e[5].name = "empty.txt";
  return e;
}

class SelfExTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    root_ =
        std::string(temp) + "nox-selfex-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    removeTree(root_);
    CreateDirectoryA(root_.c_str(), nullptr);
    selfex_ = readFile(programFolder() + "selfex.exe");
    ASSERT_GT(selfex_.size(), 1000u);
  }
  void TearDown() override { removeTree(root_); }

  // NoxResult.exe as the media output makes it: the program, then the archive
  // with every offset moved by the program's size.
  std::string makeSelfExtracting(const std::vector<Entry>& entries) {
    std::string archive = buildArchive(entries);
    MemorySource plain(archive.data(), archive.size());
    StringSink shifted;
    EXPECT_EQ(writeShifted(plain, selfex_.size(), shifted), ReadStatus::kOk);
    std::string exe = root_ + "\\NoxResult.exe";
    writeFile(exe, selfex_ + shifted.bytes);
    return exe;
  }

  void expectExtracted(const std::string& out, const std::vector<Entry>& entries) {
    for (const Entry& e : entries) {
      std::string path = out + "\\" + e.name;
      WIN32_FILE_ATTRIBUTE_DATA data;
      ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) << e.name;
      uint64_t lastWrite = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                           data.ftLastWriteTime.dwLowDateTime;
      EXPECT_EQ(lastWrite, e.lastWrite) << e.name;
      if (e.folder) {
        EXPECT_TRUE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) << e.name;
      } else {
        EXPECT_EQ(readFile(path), e.content) << e.name;
        EXPECT_EQ(data.dwFileAttributes & FILE_ATTRIBUTE_READONLY, e.attributes & FILE_ATTRIBUTE_READONLY)
            << e.name;
      }
    }
  }

  std::string root_;
  std::string selfex_;
};

TEST_F(SelfExTest, ExtractsIntoAFolderItOffersToCreate) {
  std::vector<Entry> entries = resultEntries();
  std::string exe = makeSelfExtracting(entries);
  Program program;
  ASSERT_TRUE(program.start(exe));
  HWND target = program.waitForTarget();
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(windowText(target), "Target");
  std::string out = root_ + "\\out";
  program.setFolder(out);
  std::vector<Dialog> dialogs = program.extract([](const Dialog&) { return IDYES; });
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].title, "Self Extract Exe");
  EXPECT_EQ(dialogs[0].text, "Folder \"" + out + "\" does not exist.\nCreate it?");
  expectExtracted(out, entries);
  EXPECT_EQ(program.close(), 0u);
}

TEST_F(SelfExTest, OverwriteQuestionSkipsReplacesAndStopsAsking) {
  std::vector<Entry> entries(3);
  for (int i = 0; i < 3; ++i) {
    entries[i].name = "f" + std::to_string(i) + ".txt";
    entries[i].content = "new " + std::to_string(i);
  }
  std::string exe = makeSelfExtracting(entries);
  std::string out = root_ + "\\out";
  CreateDirectoryA(out.c_str(), nullptr);
  for (int i = 0; i < 3; ++i) writeFile(out + "\\f" + std::to_string(i) + ".txt", std::string(1500, 'o'));
  Program program;
  ASSERT_TRUE(program.start(exe));
  ASSERT_NE(program.waitForTarget(), nullptr);
  program.setFolder(out);
  int asked = 0;
  std::vector<Dialog> dialogs =
      program.extract([&](const Dialog&) { return ++asked == 1 ? IDNO : kOverwriteAll; });
  ASSERT_EQ(dialogs.size(), 2u);
  EXPECT_EQ(dialogs[0].title, "Confirm to overwrite");
  const std::string prefix = "The file \"" + out + "\\f0.txt\" already exists.\nOverwrite it?\n\tDate: ";
  EXPECT_EQ(dialogs[0].text.substr(0, prefix.size()), prefix);
  EXPECT_NE(dialogs[0].text.find("\n\tSize: 2KB\n"), std::string::npos) << dialogs[0].text;
  EXPECT_EQ(readFile(out + "\\f0.txt"), std::string(1500, 'o'));
  EXPECT_EQ(readFile(out + "\\f1.txt"), "new 1");
  EXPECT_EQ(readFile(out + "\\f2.txt"), "new 2");
  EXPECT_EQ(program.close(), 0u);
}

TEST_F(SelfExTest, PlainArchiveGivenOnTheCommandLine) {
  std::vector<Entry> entries = resultEntries();
  std::string archive = root_ + "\\NoxInfo.nxz";
  writeFile(archive, buildArchive(entries));
  std::string out = root_ + "\\out";
  CreateDirectoryA(out.c_str(), nullptr);
  Program program;
  ASSERT_TRUE(program.start(programFolder() + "selfex.exe", archive));
  ASSERT_NE(program.waitForTarget(), nullptr);
  program.setFolder(out);
  EXPECT_TRUE(program.extract([](const Dialog&) { return IDOK; }).empty());
  expectExtracted(out, entries);
  EXPECT_EQ(program.close(), 0u);
}

TEST_F(SelfExTest, CorruptFileEndsWithItsMessageAndExitCodeOne) {
  std::string bad = root_ + "\\bad.exe";
  writeFile(bad, selfex_ + "no archive follows this program");
  Program program;
  ASSERT_TRUE(program.start(programFolder() + "selfex.exe", bad));
  Dialog d = program.waitForDialog({});
  EXPECT_EQ(d.title, "Self Extract Exe");
  EXPECT_EQ(d.text, "File is corrupted.");
  PostMessageA(d.window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  EXPECT_EQ(program.exitCode(), 1u);
}

// A directory that does not fit the file passes the check at start (trailer and
// header are sound) and is found at extraction: message 17, then the program
// ends with exit code 1 instead of offering the dialog again.
TEST_F(SelfExTest, CorruptDirectoryFoundAtExtractionEndsTheProgram) {
  std::string bytes = buildArchive(resultEntries());
  MemorySource plain(bytes.data(), bytes.size());
  Location where;
  ASSERT_EQ(locate(plain, where), ReadStatus::kOk);
  // One record more than the directory holds: the counts still fit the
  // directory's length, so only the walk through it finds the fault.
  bytes[static_cast<size_t>(where.headerOffset) + 16] += 1;
  std::string archive = root_ + "\\corrupt.nxz";
  writeFile(archive, bytes);
  std::string out = root_ + "\\out";
  CreateDirectoryA(out.c_str(), nullptr);
  Program program;
  ASSERT_TRUE(program.start(programFolder() + "selfex.exe", archive));
  ASSERT_NE(program.waitForTarget(), nullptr);
  program.setFolder(out);
  std::vector<Dialog> dialogs = program.extract([](const Dialog&) { return IDOK; });
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].text, "File is corrupted.");
  EXPECT_EQ(program.exitCode(), 1u);
  EXPECT_EQ(listFolder(out), std::vector<std::string>()) << "nothing is written";
}

TEST_F(SelfExTest, SplitSetIsJoinedAndAMissingPartIsAskedFor) {
  // Every part after the first holds a little more than the program's size.
  std::vector<Entry> entries = resultEntries();
  std::string noise;
  uint32_t x = 5;
  for (size_t i = 0; i < selfex_.size() + selfex_.size() / 2; ++i) {
    x = x * 1103515245u + 12345u;
    noise += static_cast<char>(x >> 24);
  }
  entries.push_back(Entry());
  entries.back().name = "PC\\noise.bin";
  entries.back().content = noise;
  std::string archive = buildArchive(entries);
  std::vector<std::string> parts = buildSplitSet(selfex_, archive, selfex_.size() + 96 + 1000);
  ASSERT_EQ(parts.size(), 3u);
  std::string first = root_ + "\\NoxResult.exe";
  writeFile(first, parts[0]);
  writeFile(first + ".002", parts[1]);
  writeFile(first + ".003", parts[2]);

  Program program;
  ASSERT_TRUE(program.start(first));
  ASSERT_NE(program.waitForTarget(), nullptr);
  std::string out = root_ + "\\out";
  CreateDirectoryA(out.c_str(), nullptr);
  program.setFolder(out);
  std::vector<Dialog> dialogs = program.extract([](const Dialog&) { return IDOK; });
  EXPECT_TRUE(dialogs.empty()) << dialogs[0].title << ": " << dialogs[0].text;
  expectExtracted(out, entries);

  // Without part 3 the program asks for another disk; cancelling writes nothing.
  DeleteFileA((first + ".003").c_str());
  std::string second = root_ + "\\second";
  CreateDirectoryA(second.c_str(), nullptr);
  program.setFolder(second);
  dialogs = program.extract([](const Dialog&) { return IDCANCEL; });
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].text, "File " + first + ".003 is not found, please insert other disk.");
  EXPECT_FALSE(exists(second + "\\NoxInfo.xml"));
  EXPECT_EQ(program.close(), 0u);
}

TEST_F(SelfExTest, NamesLeadingOutsideTheTargetAreRefused) {
  std::vector<Entry> entries(3);
  entries[0].name = "..\\escaped.txt";
  entries[1].name = "good.txt";
  entries[2].name = "C:\\escaped2.txt";
  for (Entry& e : entries) e.content = "payload";
  std::string exe = makeSelfExtracting(entries);
  std::string out = root_ + "\\out";
  CreateDirectoryA(out.c_str(), nullptr);
  Program program;
  ASSERT_TRUE(program.start(exe));
  ASSERT_NE(program.waitForTarget(), nullptr);
  program.setFolder(out);
  std::vector<Dialog> dialogs = program.extract([](const Dialog&) { return IDOK; });
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].text,
            "2 entries were not extracted because their names lead outside the target folder, for example "
            "\"..\\escaped.txt\".");
  EXPECT_EQ(readFile(out + "\\good.txt"), "payload");
  EXPECT_FALSE(exists(root_ + "\\escaped.txt"));
  EXPECT_FALSE(exists("C:\\escaped2.txt"));
  EXPECT_EQ(program.close(), 0u);
}

TEST_F(SelfExTest, FolderSelectionListsFoldersAndReturnsTheCurrentOne) {
  std::string exe = makeSelfExtracting(resultEntries());
  std::string pick = root_ + "\\pick";
  CreateDirectoryA(pick.c_str(), nullptr);
  CreateDirectoryA((pick + "\\inner").c_str(), nullptr);
  Program program;
  ASSERT_TRUE(program.start(exe));
  ASSERT_NE(program.waitForTarget(), nullptr);
  program.setFolder(pick);
  std::string listed, current;
  std::vector<Dialog> dialogs = program.press(kBrowse, [&](const Dialog& d) {
    HWND list = GetDlgItem(d.window, kFolderList);
    int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
      // The wide message: the list belongs to another process.
      wchar_t item[MAX_PATH] = {};
      SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(item));
      char narrow[MAX_PATH] = {};
      WideCharToMultiByte(CP_ACP, 0, item, -1, narrow, sizeof narrow, nullptr, nullptr);
      listed += std::string(narrow) + ";";
    }
    current = windowText(GetDlgItem(d.window, kCurrentFolder));
    return IDOK;
  });
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].title, "Folder Selection");
  EXPECT_NE(listed.find("[inner];"), std::string::npos) << listed;
  EXPECT_EQ(lstrcmpiA(current.c_str(), pick.c_str()), 0) << current;
  EXPECT_EQ(lstrcmpiA(program.folder().c_str(), pick.c_str()), 0) << program.folder();
  EXPECT_EQ(program.close(), 0u);
}

TEST_F(SelfExTest, StopAsksAndEndsTheExtraction) {
  std::vector<Entry> entries(4);
  for (int i = 0; i < 4; ++i) {
    entries[i].name = "f" + std::to_string(i) + ".txt";
    entries[i].content = "new " + std::to_string(i);
  }
  std::string exe = makeSelfExtracting(entries);
  std::string out = root_ + "\\out";
  CreateDirectoryA(out.c_str(), nullptr);
  writeFile(out + "\\f0.txt", "old");
  Program program;
  ASSERT_TRUE(program.start(exe));
  ASSERT_NE(program.waitForTarget(), nullptr);
  program.setFolder(out);
  // While the first file's question is up, the user presses Stop and confirms.
  std::vector<Dialog> dialogs = program.extract([&](const Dialog& d) {
    if (d.title == "Confirm to overwrite")
      PostMessageA(program.window("Extracting"), WM_COMMAND, MAKEWPARAM(kStop, BN_CLICKED), 0);
    return IDYES;
  });
  ASSERT_EQ(dialogs.size(), 2u);
  EXPECT_EQ(dialogs[0].title, "Confirm to overwrite");
  EXPECT_EQ(dialogs[1].text, "Do you really want to stop?");
  for (int i = 1; i < 4; ++i) EXPECT_FALSE(exists(out + "\\f" + std::to_string(i) + ".txt")) << i;
  EXPECT_EQ(program.close(), 0u);
}

}  // namespace
