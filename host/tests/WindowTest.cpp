// Drives the real NxInfoW.exe through its window, as the person at the desk
// would: it reads the category tree, checks and unchecks boxes, fills in a
// plug-in's field, chooses the packing, presses Start and Cancel, answers a
// media question, and reads the summary at the end; the result on disk is
// checked too. The program runs with the real core and XML writer and the test
// observation modules.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "../window/resource.h"
#include "nox/testing/Files.h"

namespace {

using nox_testing::exists;
using nox_testing::readFile;
using nox_testing::removeTree;
using nox_testing::writeFile;

bool waitFor(const std::function<bool()>& done, DWORD timeoutMs = 30000) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(20);
  }
  return true;
}

const char kSettings[] =
    "[Categories]\r\nCount=3\r\nKey1=First\r\nKey2=Second\r\nKey3=Slow\r\n"
    "[First]\r\nName=First\r\nCount=2\r\nKey1=Alpha.nxo\r\nKey2=Beta.nxo\r\n"
    "[Second]\r\nName=Second\r\nCount=2\r\nKey1=Gamma.nxo-\r\nKey2=Echo.nxo\r\n"
    "[Slow]\r\nName=Slow\r\nSelect=false\r\nCount=2\r\nKey1=Wait.nxo\r\nKey2=Gamma.nxo\r\n"
    "[Serializer]\r\nFileName=XML.nxw\r\n";

// The program's folder: the host, the core, the writer and the test modules.
class WindowedHost : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string bin = nox_testing::programFolder();
    bin.pop_back();
    char full[MAX_PATH] = {};
    GetFullPathNameA((bin + "\\..\\Testing\\windowed-host").c_str(), MAX_PATH, full, nullptr);
    root_ = full;
    removeTree(root_);
    CreateDirectoryA((bin + "\\..\\Testing").c_str(), nullptr);
    CreateDirectoryA(root_.c_str(), nullptr);
    app_ = root_ + "\\app";
    CreateDirectoryA(app_.c_str(), nullptr);
    std::vector<std::string> files = {"NxInfoW.exe",
                                      "NoxCore.dll",
                                      "NoxUtil.dll",
                                      "PlugBase.dll",
                                      "XML.nxw",
                                      "zlib1.dll",
                                      "reporter-fixtures\\Alpha.nxo",
                                      "reporter-fixtures\\Beta.nxo",
                                      "reporter-fixtures\\Gamma.nxo",
                                      "host-fixtures\\Echo.nxo",
                                      "host-fixtures\\Wait.nxo"};
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((bin + "\\lib*.dll").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do files.push_back(data.cFileName);
      while (FindNextFileA(find, &data));
      FindClose(find);
    }
    for (const std::string& file : files) {
      std::string name = file.substr(file.find_last_of('\\') + 1);
      ASSERT_TRUE(CopyFileA((bin + "\\" + file).c_str(), (app_ + "\\" + name).c_str(), FALSE)) << file;
    }
    WIN32_FILE_ATTRIBUTE_DATA selfex;
    ASSERT_TRUE(GetFileAttributesExA((bin + "\\selfex.exe").c_str(), GetFileExInfoStandard, &selfex));
    partKiB_ = (selfex.nFileSizeLow + 96 + 1023) / 1024 + 8;
  }

  void SetUp() override { writeFile(app_ + "\\NxInfo.ini", kSettings); }

  // A fresh, empty folder for one result.
  static std::string folder(const char* name) {
    std::string path = root_ + "\\" + name;
    removeTree(path);
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
  }

  static std::string root_, app_;
  static unsigned long partKiB_;
};

std::string WindowedHost::root_, WindowedHost::app_;
unsigned long WindowedHost::partKiB_ = 0;

struct Box {
  HWND window = nullptr;
  std::string title, text;
};

// A running NxInfoW.exe and its dialog.
class Window {
 public:
  ~Window() {
    if (process_.hProcess) {
      if (WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(process_.hProcess, 99);
      CloseHandle(process_.hProcess);
      CloseHandle(process_.hThread);
    }
  }

  bool start(const std::string& exe) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string command = "\"" + exe + "\"";
    std::vector<char> line(command.begin(), command.end());
    line.push_back('\0');
    if (!CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process_))
      return false;
    return waitFor([&] { return (dialog_ = find("NoxInfo")) != nullptr && GetDlgItem(dialog_, IDC_TREE); });
  }

  HWND control(int id) const { return GetDlgItem(dialog_, id); }

  std::string text(int id) const {
    char text[8192] = {};
    SendMessageA(control(id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
  }
  void setText(int id, const std::string& text) {
    SendMessageA(control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  bool enabled(int id) const { return IsWindowEnabled(control(id)) != 0; }
  void press(int id) {
    PostMessageA(dialog_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control(id)));
  }
  void choose(int radio) {
    for (int id : {IDC_PACK_EXE, IDC_PACK_FOLDER, IDC_PACK_SPLIT})
      SendMessageA(control(id), BM_SETCHECK, id == radio ? BST_CHECKED : BST_UNCHECKED, 0);
    press(radio);
  }
  void chooseSplit(int index) {
    SendMessageA(control(IDC_SPLIT_SIZE), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    PostMessageA(dialog_, WM_COMMAND, MAKEWPARAM(IDC_SPLIT_SIZE, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(control(IDC_SPLIT_SIZE)));
  }

  // The tree's items: the categories, and below each its plug-ins, in order.
  std::vector<HTREEITEM> categories() const { return siblings(next(nullptr, TVGN_ROOT)); }
  std::vector<HTREEITEM> plugins(HTREEITEM category) const { return siblings(next(category, TVGN_CHILD)); }
  bool checked(HTREEITEM item) const {
    LRESULT state = SendMessageA(control(IDC_TREE), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item),
                                 TVIS_STATEIMAGEMASK);
    return ((state & TVIS_STATEIMAGEMASK) >> 12) == 2;
  }
  void select(HTREEITEM item) {
    SendMessageA(control(IDC_TREE), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
  }
  // The space bar on an item toggles its check box.
  void toggle(HTREEITEM item) {
    select(item);
    SendMessageA(control(IDC_TREE), WM_KEYDOWN, VK_SPACE, 0);
    SendMessageA(control(IDC_TREE), WM_KEYUP, VK_SPACE, 0);
  }

  // The marks of the tree, "x(x.)" per category, once they have settled.
  std::string marks() const {
    std::string text;
    for (HTREEITEM c : categories()) {
      text += checked(c) ? 'x' : '.';
      text += '(';
      for (HTREEITEM p : plugins(c)) text += checked(p) ? 'x' : '.';
      text += ')';
    }
    return text;
  }
  bool marksBecome(const std::string& want) {
    return waitFor([&] { return marks() == want; }, 5000);
  }

  // Waits for the run to end: the summary is filled in and Start is back.
  std::string summary() {
    waitFor([&] { return !text(IDC_SUMMARY).empty() && enabled(IDC_START); }, 60000);
    return text(IDC_SUMMARY);
  }

  // A message box of the program (any window of it but the dialog).
  Box box(DWORD timeoutMs = 30000) {
    Box found;
    waitFor(
        [&] {
          Search search = {process_.dwProcessId, dialog_, nullptr};
          EnumWindows(visit, reinterpret_cast<LPARAM>(&search));
          found.window = search.found;
          return found.window != nullptr;
        },
        timeoutMs);
    if (!found.window) return found;
    found.title = windowText(found.window);
    found.text = windowText(GetDlgItem(found.window, 0xFFFF));
    return found;
  }
  void answer(const Box& box, int button) {
    PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  }

  DWORD close() {
    press(IDCANCEL);
    DWORD code = 99;
    if (WaitForSingleObject(process_.hProcess, 30000) == WAIT_OBJECT_0)
      GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }

 private:
  struct Search {
    DWORD pid;
    HWND skip;
    HWND found;
  };

  static std::string windowText(HWND window) {
    char text[2048] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
  }

  static BOOL CALLBACK visit(HWND window, LPARAM parameter) {
    Search& s = *reinterpret_cast<Search*>(parameter);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != s.pid || window == s.skip || !IsWindowVisible(window)) return TRUE;
    s.found = window;
    return FALSE;
  }

  HWND find(const char* title) const {
    struct Titled {
      DWORD pid;
      const char* title;
      HWND found;
    } search = {process_.dwProcessId, title, nullptr};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
          Titled& s = *reinterpret_cast<Titled*>(parameter);
          DWORD pid = 0;
          GetWindowThreadProcessId(window, &pid);
          if (pid != s.pid || !IsWindowVisible(window) || windowText(window) != s.title) return TRUE;
          s.found = window;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  HTREEITEM next(HTREEITEM item, UINT how) const {
    return reinterpret_cast<HTREEITEM>(
        SendMessageA(control(IDC_TREE), TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(item)));
  }
  std::vector<HTREEITEM> siblings(HTREEITEM first) const {
    std::vector<HTREEITEM> items;
    for (HTREEITEM item = first; item; item = next(item, TVGN_NEXT)) items.push_back(item);
    return items;
  }

  PROCESS_INFORMATION process_ = {};
  HWND dialog_ = nullptr;
};

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST_F(WindowedHost, TreeFieldsAndAPlainRun) {
  Window w;
  ASSERT_TRUE(w.start(app_ + "\\NxInfoW.exe"));
  // The tree as NxInfo.ini has it: Gamma starts unchecked, Slow and all of it too.
  EXPECT_TRUE(w.marksBecome("x(xx)x(.x).(..)")) << w.marks();
  EXPECT_FALSE(w.enabled(IDC_STOP));
  EXPECT_FALSE(w.enabled(IDC_OPEN));

  // Unchecking a category unchecks its plug-ins; checking a plug-in checks its category.
  std::vector<HTREEITEM> categories = w.categories();
  ASSERT_EQ(categories.size(), 3u);
  w.toggle(categories[0]);
  EXPECT_TRUE(w.marksBecome(".(..)x(.x).(..)")) << w.marks();
  w.toggle(w.plugins(categories[0])[0]);
  EXPECT_TRUE(w.marksBecome("x(x.)x(.x).(..)")) << w.marks();
  w.toggle(w.plugins(categories[0])[0]);
  EXPECT_TRUE(w.marksBecome(".(..)x(.x).(..)")) << w.marks();

  // Echo's fields: a target list, the LDAP prompt of three lines, a user name
  // with its preset, a password and a flag.
  w.select(w.plugins(categories[1])[1]);
  EXPECT_TRUE(waitFor([&] { return w.control(IDC_FIELD_BASE + 1) != nullptr; }, 5000));
  EXPECT_EQ(w.text(IDC_FIELD_BASE), "Target HostName or IPAddress (separate several by commas)");
  EXPECT_TRUE(contains(w.text(IDC_FIELD_BASE + 2), "For example: LDAP:389"));
  EXPECT_EQ(w.text(IDC_FIELD_BASE + 5), "guest");
  LONG_PTR style = GetWindowLongPtrA(w.control(IDC_FIELD_BASE + 7), GWL_STYLE);
  EXPECT_TRUE(style & ES_PASSWORD);
  w.setText(IDC_FIELD_BASE + 1, "mail01, 10.0.0.5");
  w.setText(IDC_FIELD_BASE + 7, "s3cret");
  // Away and back: the typed values stay.
  w.select(categories[0]);
  EXPECT_TRUE(waitFor([&] { return w.control(IDC_FIELD_BASE + 1) == nullptr; }, 5000));
  w.select(w.plugins(categories[1])[1]);
  EXPECT_TRUE(waitFor([&] { return w.text(IDC_FIELD_BASE + 1) == "mail01, 10.0.0.5"; }, 5000));

  // The selection is saved back into NxInfo.ini on request.
  w.press(IDC_SAVE);
  EXPECT_TRUE(waitFor([&] { return contains(w.text(IDC_STATUS), "saved"); }, 5000)) << w.text(IDC_STATUS);
  std::string settings = readFile(app_ + "\\NxInfo.ini");
  EXPECT_TRUE(contains(settings, "Key1=Alpha.nxo-")) << settings;
  EXPECT_TRUE(contains(settings, "Key2=Beta.nxo-")) << settings;
  EXPECT_TRUE(contains(settings, "Key1=Gamma.nxo-")) << settings;

  std::string out = folder("plain");
  w.setText(IDC_FOLDER, out);
  w.choose(IDC_PACK_FOLDER);
  w.press(IDC_START);
  std::string summary = w.summary();
  EXPECT_TRUE(contains(summary, "The snapshot is ready.")) << summary;
  EXPECT_TRUE(contains(summary, "Result: " + out + "\\NoxInfo.xml (")) << summary;
  EXPECT_TRUE(contains(summary, "Plug-ins: 1 of 1 reported")) << summary;
  EXPECT_TRUE(contains(summary, "Echo Plugin: 1 (echo/probe)")) << summary;
  EXPECT_TRUE(w.enabled(IDC_OPEN));
  EXPECT_EQ(SendMessageA(w.control(IDC_PROGRESS), PBM_GETPOS, 0, 0), 1000);

  std::string document = readFile(out + "\\NoxInfo.xml");
  EXPECT_TRUE(contains(document, "mail01\t10.0.0.5")) << "the targets reach the plug-in as --set gives them";
  EXPECT_TRUE(contains(document, "s3cret"));
  EXPECT_FALSE(contains(document, "<alpha")) << "First was unchecked";

  // A second run in the same window, packed this time.
  std::string packed = folder("packed");
  w.setText(IDC_FOLDER, packed);
  w.choose(IDC_PACK_EXE);
  w.press(IDC_START);
  EXPECT_TRUE(waitFor([&] { return w.text(IDC_SUMMARY).empty(); }, 5000));
  summary = w.summary();
  EXPECT_TRUE(contains(summary, "Result: " + packed + "\\NoxResult.exe (")) << summary;
  EXPECT_TRUE(exists(packed + "\\NoxResult.exe"));
  EXPECT_EQ(w.close(), 0u);
}

TEST_F(WindowedHost, CancelStopsAfterTheRunningPlugin) {
  HANDLE gate = CreateEventA(nullptr, TRUE, FALSE, "NoxInfoTestGate");
  ASSERT_NE(gate, nullptr);
  Window w;
  ASSERT_TRUE(w.start(app_ + "\\NxInfoW.exe"));
  w.toggle(w.categories()[2]);
  EXPECT_TRUE(w.marksBecome("x(xx)x(.x)x(xx)")) << w.marks();
  std::string out = folder("cancelled");
  w.setText(IDC_FOLDER, out);
  w.press(IDC_START);
  EXPECT_TRUE(waitFor([&] { return w.text(IDC_STATUS) == "Collecting: Wait Plugin"; })) << w.text(IDC_STATUS);
  EXPECT_EQ(w.text(IDC_COUNT), "3 of 5 plug-ins done");
  EXPECT_FALSE(w.enabled(IDC_START));
  EXPECT_FALSE(w.enabled(IDC_TREE));
  EXPECT_TRUE(w.enabled(IDC_STOP));
  w.press(IDC_STOP);
  EXPECT_TRUE(waitFor([&] { return w.text(IDC_STOP) == "Stopping..."; }, 5000));
  EXPECT_FALSE(w.enabled(IDC_STOP));
  SetEvent(gate);
  std::string summary = w.summary();
  CloseHandle(gate);
  EXPECT_TRUE(contains(summary, "The snapshot was cancelled.")) << summary;
  EXPECT_TRUE(contains(summary, "Cancelled after 4 of 5 plug-ins had run")) << summary;
  EXPECT_TRUE(w.enabled(IDC_TREE));
  EXPECT_EQ(w.close(), 0u);
}

TEST_F(WindowedHost, MediaQuestionAnsweredInAMessageBox) {
  Window w;
  ASSERT_TRUE(w.start(app_ + "\\NxInfoW.exe"));
  std::string out = folder("parts");
  writeFile(out + "\\old.txt", "left from before");
  w.setText(IDC_FOLDER, out);
  w.choose(IDC_PACK_SPLIT);
  w.chooseSplit(2);
  EXPECT_TRUE(waitFor([&] { return w.enabled(IDC_SPLIT_KIB); }, 5000));
  w.setText(IDC_SPLIT_KIB, std::to_string(partKiB_));
  w.press(IDC_START);

  Box box = w.box();
  ASSERT_NE(box.window, nullptr);
  EXPECT_EQ(box.title, "NoxInfo: disk");
  EXPECT_EQ(box.text, "Target folder is not empty.");
  EXPECT_NE(GetDlgItem(box.window, IDRETRY), nullptr);
  EXPECT_NE(GetDlgItem(box.window, IDCANCEL), nullptr);
  // The person empties the folder and tries again.
  DeleteFileA((out + "\\old.txt").c_str());
  w.answer(box, IDRETRY);
  std::string summary = w.summary();
  EXPECT_TRUE(contains(summary, "The snapshot is ready.")) << summary;
  EXPECT_TRUE(contains(summary, " in " + out + " (NoxResult.exe")) << summary;
  EXPECT_TRUE(exists(out + "\\NoxResult.exe"));
  EXPECT_EQ(w.close(), 0u);
}

}  // namespace

// Not a check: poses the window for the README's pictures. Run by
// host/tests/window-screenshots.sh under a virtual display; at each pose it
// writes NAME.ready into the folder NOX_SHOTS names and waits for NAME.done.
TEST_F(WindowedHost, DISABLED_PoseForScreenshots) {
  char shots[MAX_PATH] = {};
  ASSERT_GT(GetEnvironmentVariableA("NOX_SHOTS", shots, MAX_PATH), 0u);
  auto pose = [&](const std::string& name) {
    writeFile(std::string(shots) + "\\" + name + ".ready", "");
    EXPECT_TRUE(waitFor([&] { return exists(std::string(shots) + "\\" + name + ".done"); }, 60000)) << name;
  };
  HANDLE gate = CreateEventA(nullptr, TRUE, FALSE, "NoxInfoTestGate");
  Window w;
  ASSERT_TRUE(w.start(app_ + "\\NxInfoW.exe"));
  EXPECT_TRUE(w.marksBecome("x(xx)x(.x).(..)")) << w.marks();
  w.toggle(w.categories()[2]);
  w.select(w.plugins(w.categories()[1])[1]);
  EXPECT_TRUE(waitFor([&] { return w.control(IDC_FIELD_BASE + 1) != nullptr; }, 5000));
  w.setText(IDC_FIELD_BASE + 1, "mail01, 10.0.0.5");
  w.setText(IDC_FOLDER, "C:\\NoxResult");
  pose("main");
  w.press(IDC_START);
  EXPECT_TRUE(waitFor([&] { return w.text(IDC_STATUS) == "Collecting: Wait Plugin"; }));
  pose("progress");
  SetEvent(gate);
  w.summary();
  pose("done");
  CloseHandle(gate);
  w.close();
}
