// The self-extractor: finds the archive in its own file (or joins the split set
// it starts), asks for a target folder and extracts every entry with its times and
// attributes.

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <cstdarg>
#include <cstdio>
#include <memory>
#include <string>

#include "nox/archive/Extract.h"
#include "nox/archive/Reader.h"
#include "nox/archive/WinTarget.h"
#include "resource.h"

using namespace nox::archive;

namespace {

// The "Target" dialog ends with this when the archive proved corrupt: the
// program then ends with exit code 1, as when it is found corrupt at start.
const INT_PTR kEndedCorrupt = IDS_FILE_CORRUPTED;

HINSTANCE g_instance;
std::string g_programPath;  // this program's own file
std::string g_archivePath;  // the file holding the archive (own file or argument)

std::string loadText(UINT id) {
  char text[512] = {};
  LoadStringA(g_instance, id, text, sizeof text);
  return text;
}

std::string formatText(UINT id, ...) {
  std::string format = loadText(id);
  char text[2048];
  va_list args;
  va_start(args, id);
  std::vsnprintf(text, sizeof text, format.c_str(), args);
  va_end(args);
  return text;
}

bool isLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != 0; }

int message(HWND owner, const std::string& text, UINT flags) {
  return MessageBoxA(owner, text.c_str(), loadText(IDS_CAPTION).c_str(), flags);
}

// Folder part of a path, with its trailing backslash.
std::string folderOf(const std::string& path) {
  size_t cut = 0;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
      ++i;
      continue;
    }
    if (path[i] == '\\' || path[i] == '/') cut = i + 1;
  }
  return path.substr(0, cut);
}

// ---------------------------------------------------------------- folder selection

void listFolder(HWND dialog, const char* spec) {
  char pattern[MAX_PATH + 8];
  lstrcpynA(pattern, spec, MAX_PATH);
  DlgDirListA(dialog, pattern, IDC_FOLDER_LIST, IDC_CURRENT_FOLDER, DDL_DIRECTORY | DDL_EXCLUSIVE);
}

void listDrives(HWND dialog) {
  char pattern[8] = "*";
  DlgDirListComboBoxA(dialog, pattern, IDC_DRIVE_LIST, 0, DDL_DRIVES | DDL_EXCLUSIVE);
}

INT_PTR CALLBACK folderSelectionProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG: {
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      const char* start = reinterpret_cast<const char*>(lParam);
      if (!*start || !SetCurrentDirectoryA(start)) SetCurrentDirectoryA(folderOf(g_programPath).c_str());
      listFolder(dialog, "*.*");
      listDrives(dialog);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_FOLDER_LIST:
          if (HIWORD(wParam) == LBN_DBLCLK) {
            char chosen[MAX_PATH + 8] = {};
            if (DlgDirSelectExA(dialog, chosen, MAX_PATH, IDC_FOLDER_LIST)) {
              lstrcatA(chosen, "*.*");
              listFolder(dialog, chosen);
            }
          }
          return TRUE;
        case IDC_DRIVE_LIST:
          if (HIWORD(wParam) == CBN_SELCHANGE) {
            char drive[MAX_PATH + 8] = {};
            DlgDirSelectComboBoxExA(dialog, drive, MAX_PATH, IDC_DRIVE_LIST);
            char current[MAX_PATH + 1] = {};
            GetCurrentDirectoryA(sizeof current, current);
            lstrcatA(drive, "*.*");
            if (!DlgDirListA(dialog, drive, IDC_FOLDER_LIST, IDC_CURRENT_FOLDER,
                             DDL_DIRECTORY | DDL_EXCLUSIVE)) {
              message(dialog, loadText(IDS_DRIVE_NOT_PREPARED), MB_OK | MB_ICONEXCLAMATION);
              SetCurrentDirectoryA(current);
              listFolder(dialog, "*.*");
              listDrives(dialog);
            }
          }
          return TRUE;
        case IDOK: {
          char* out = reinterpret_cast<char*>(GetWindowLongPtrA(dialog, DWLP_USER));
          GetCurrentDirectoryA(MAX_PATH, out);
          EndDialog(dialog, IDOK);
          return TRUE;
        }
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
      }
      break;
  }
  return FALSE;
}

// ---------------------------------------------------------------- overwrite question

INT_PTR CALLBACK confirmOverwriteProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      SetDlgItemTextA(dialog, IDC_QUESTION, reinterpret_cast<const char*>(lParam));
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDYES:
        case IDNO:
        case IDC_OVERWRITE_ALL:
          EndDialog(dialog, LOWORD(wParam));
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, IDNO);
          return TRUE;
      }
      break;
  }
  return FALSE;
}

// ---------------------------------------------------------------- extraction

class Progress {
 public:
  explicit Progress(HWND owner) : owner_(owner) {
    dialog_ = CreateDialogParamA(g_instance, MAKEINTRESOURCEA(IDD_EXTRACTING), owner, proc,
                                 reinterpret_cast<LPARAM>(this));
    EnableWindow(owner_, FALSE);
    ShowWindow(dialog_, SW_SHOW);
  }
  ~Progress() {
    EnableWindow(owner_, TRUE);
    DestroyWindow(dialog_);
    SetForegroundWindow(owner_);
  }
  void status(UINT textId) { SetDlgItemTextA(dialog_, IDC_STATUS_TEXT, loadText(textId).c_str()); }
  void step(uint32_t index, uint32_t count) {
    SendDlgItemMessageA(dialog_, IDC_PROGRESS, PBM_SETRANGE32, 0, count);
    SendDlgItemMessageA(dialog_, IDC_PROGRESS, PBM_SETPOS, index, 0);
    SetDlgItemTextA(dialog_, IDC_COUNTER, formatText(IDS_FILE_COUNTER, index, count).c_str());
    pump();
  }
  // Lets the window repaint and the Stop button work; true once the user chose to stop.
  bool pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (!IsDialogMessageA(dialog_, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
    return stopped_;
  }
  bool stopped() const { return stopped_; }
  HWND window() const { return dialog_; }

 private:
  static INT_PTR CALLBACK proc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      return TRUE;
    }
    Progress* self = reinterpret_cast<Progress*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (msg == WM_COMMAND && (LOWORD(wParam) == IDC_STOP || LOWORD(wParam) == IDCANCEL) && self) {
      if (message(dialog, loadText(IDS_STOP_QUESTION), MB_YESNO | MB_ICONQUESTION) == IDYES)
        self->stopped_ = true;
      return TRUE;
    }
    return FALSE;
  }

  HWND owner_;
  HWND dialog_;
  bool stopped_ = false;
};

// Writes pass through here so the window stays alive during a long file.
class PumpingSink : public Sink {
 public:
  PumpingSink(Sink* inner, Progress& progress) : inner_(inner), progress_(progress) {}
  bool write(const void* data, size_t n) override { return !progress_.pump() && inner_->write(data, n); }
  Sink* inner() const { return inner_; }

 private:
  Sink* inner_;
  Progress& progress_;
};

class SelfexTarget : public WinTarget {
 public:
  explicit SelfexTarget(Progress& progress) : progress_(progress) {}
  Sink* createFile(const std::string& path) override {
    Sink* file = WinTarget::createFile(path);
    if (!file) return nullptr;
    sink_.reset(new PumpingSink(file, progress_));
    return sink_.get();
  }
  bool finishFile(Sink* file) override {
    bool ok = sink_ && file == sink_.get() && WinTarget::finishFile(sink_->inner());
    sink_.reset();
    return ok;
  }

 private:
  Progress& progress_;
  std::unique_ptr<PumpingSink> sink_;
};

class DialogListener : public ExtractListener {
 public:
  explicit DialogListener(Progress& progress) : progress_(progress) {}

  bool onEntry(uint32_t index, uint32_t count, const Record&) override {
    progress_.step(index, count);
    return !progress_.stopped();
  }

  OverwriteAnswer onExists(const std::string& path, const ExistingFile& existing) override {
    FILETIME utc = {static_cast<DWORD>(existing.lastWrite), static_cast<DWORD>(existing.lastWrite >> 32)};
    FILETIME local;
    SYSTEMTIME t = {};
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &t);
    char date[64], size[32];
    std::snprintf(date, sizeof date, "%d/%d/%d %d:%d:%d", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond);
    std::snprintf(size, sizeof size, "%dKB", static_cast<int>((existing.size + 1023) / 1024));
    std::string question = formatText(IDS_OVERWRITE_QUESTION, path.c_str(), date, size);
    INT_PTR answer = DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_CONFIRM_OVERWRITE), progress_.window(),
                                     confirmOverwriteProc, reinterpret_cast<LPARAM>(question.c_str()));
    if (answer == IDC_OVERWRITE_ALL) return OverwriteAnswer::kAll;
    return answer == IDYES ? OverwriteAnswer::kYes : OverwriteAnswer::kNo;
  }

  void onRefusedName(const Record& record, NameVerdict) override {
    if (refused_++ == 0) firstRefused_ = record.name;
  }

  bool onFailure(const Record& record, const std::string& path, ReadStatus status) override {
    if (progress_.stopped()) return false;
    if (record.isFolder()) {
      message(progress_.window(), loadText(IDS_CREATE_FOLDER_FAILED), MB_OK | MB_ICONSTOP);
    } else if (status == ReadStatus::kWriteFailed) {
      message(progress_.window(), formatText(IDS_CREATE_FILE_FAILED, path.c_str()), MB_OK | MB_ICONSTOP);
    } else {
      message(progress_.window(), loadText(IDS_FILE_CORRUPTED), MB_OK | MB_ICONSTOP);
      corrupt_ = true;
    }
    return false;
  }

  int refused() const { return refused_; }
  const std::string& firstRefused() const { return firstRefused_; }
  // Whether message 17 was shown for damaged content.
  bool corrupt() const { return corrupt_; }

 private:
  Progress& progress_;
  int refused_ = 0;
  std::string firstRefused_;
  bool corrupt_ = false;
};

// Joins the parts beside the program (NoxResult.exe, NoxResult.exe.002, ...) into
// a temporary file; empty when the user stopped, a part could not be had or the
// set proved corrupt (corrupt is then set, after message 17).
std::string joinParts(HWND owner, HandleSource& first, const Location& where, bool& corrupt) {
  char folder[MAX_PATH + 1] = {};
  char temporary[MAX_PATH + 1] = {};
  if (!GetTempPathA(sizeof folder, folder) || !GetTempFileNameA(folder, "CMP", 0, temporary)) {
    message(owner, formatText(IDS_CREATE_FILE_FAILED, "(temporary file)"), MB_OK | MB_ICONSTOP);
    return std::string();
  }
  Progress progress(owner);
  progress.status(IDS_CONCATENATING);
  FileSink sink;
  std::unique_ptr<HandleSource> part;
  uint32_t missing = 0;
  ReadStatus status = ReadStatus::kWriteFailed;
  if (sink.create(temporary)) {
    status = joinSplitSet(
        first, where,
        [&](uint32_t n, bool retry) -> ByteSource* {
          progress.step(n, where.part.partCount);
          std::string name = splitPartName(g_archivePath, n);
          for (;;) {
            if (!retry) {
              part.reset(new HandleSource());
              if (part->open(name.c_str())) return part.get();
            }
            retry = false;
            if (message(progress.window(), formatText(IDS_PART_NOT_FOUND, name.c_str()),
                        MB_RETRYCANCEL | MB_ICONEXCLAMATION) != IDRETRY)
              return nullptr;
          }
        },
        sink, missing);
  }
  part.reset();
  if (!sink.close() && status == ReadStatus::kOk) status = ReadStatus::kWriteFailed;
  if (status != ReadStatus::kOk) {
    if (status == ReadStatus::kWriteFailed) {
      message(progress.window(), formatText(IDS_CREATE_FILE_FAILED, temporary), MB_OK | MB_ICONSTOP);
    } else if (status != ReadStatus::kMissingPart) {
      message(progress.window(), loadText(IDS_FILE_CORRUPTED), MB_OK | MB_ICONSTOP);
      corrupt = true;
    }
    DeleteFileA(temporary);
    return std::string();
  }
  return temporary;
}

// One extraction into folder. True when the archive proved corrupt (message 17
// was shown): the program then ends instead of offering the dialog again.
bool extractInto(HWND owner, const std::string& folder) {
  HandleSource file;
  Location where;
  if (!file.open(g_archivePath.c_str()) || locate(file, where) != ReadStatus::kOk) {
    message(owner, loadText(IDS_FILE_CORRUPTED), MB_OK | MB_ICONSTOP);
    return true;
  }
  std::string joined;
  if (where.layout == Layout::kSplitFirstPart) {
    bool corrupt = false;
    joined = joinParts(owner, file, where, corrupt);
    if (joined.empty()) return corrupt;
    file.close();
    if (!file.open(joined.c_str()) || locate(file, where) != ReadStatus::kOk) {
      message(owner, loadText(IDS_FILE_CORRUPTED), MB_OK | MB_ICONSTOP);
      file.close();
      DeleteFileA(joined.c_str());
      return true;
    }
  }
  bool corrupt = false;
  {
    Progress progress(owner);
    progress.status(IDS_EXTRACTING);
    SelfexTarget target(progress);
    DialogListener listener(progress);
    ExtractSummary summary = extractAll(file, where, folder, target, listener, isLeadByte);
    corrupt = listener.corrupt();
    // A directory that does not fit the file is found before anything is written.
    if ((summary.status == ReadStatus::kCorrupt || summary.status == ReadStatus::kReadFailed) &&
        summary.written == 0 && summary.failed == 0) {
      message(progress.window(), loadText(IDS_FILE_CORRUPTED), MB_OK | MB_ICONSTOP);
      corrupt = true;
    }
    if (listener.refused() > 0)
      message(progress.window(),
              formatText(IDS_UNSAFE_NAMES, listener.refused(), listener.firstRefused().c_str()),
              MB_OK | MB_ICONEXCLAMATION);
  }
  file.close();
  if (!joined.empty()) DeleteFileA(joined.c_str());
  return corrupt;
}

// ---------------------------------------------------------------- target folder

// The folder the user typed, made absolute (rules in nox/archive/Extract.h).
std::string resolveFolder(const std::string& typed) {
  std::string folder = resolveTypedFolder(g_programPath, typed, isLeadByte);
  char full[MAX_PATH + 1] = {};
  char* name = nullptr;
  DWORD n = GetFullPathNameA(folder.c_str(), sizeof full, full, &name);
  return n > 0 && n < sizeof full ? std::string(full) : folder;
}

// Checks the folder, offering to create it; false returns to the dialog.
bool validateFolder(HWND dialog, const std::string& folder) {
  DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (message(dialog, formatText(IDS_CREATE_FOLDER_QUESTION, folder.c_str()), MB_YESNO | MB_ICONQUESTION) !=
        IDYES)
      return false;
    WinTarget target;
    if (!target.makeFolders(folder)) {
      message(dialog, loadText(IDS_CREATE_FOLDER_FAILED), MB_OK | MB_ICONSTOP);
      return false;
    }
    return true;
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    message(dialog, formatText(IDS_NOT_A_FOLDER, folder.c_str()), MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    message(dialog, formatText(IDS_FOLDER_READ_ONLY, folder.c_str()), MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  return true;
}

INT_PTR CALLBACK targetProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG: {
      std::string folder = folderOf(g_programPath);
      SetDlgItemTextA(dialog, IDC_FOLDER_EDIT, folder.c_str());
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_BROWSE: {
          char folder[MAX_PATH + 8] = {};
          GetDlgItemTextA(dialog, IDC_FOLDER_EDIT, folder, MAX_PATH);
          if (DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_FOLDER_SELECTION), dialog, folderSelectionProc,
                              reinterpret_cast<LPARAM>(folder)) == IDOK)
            SetDlgItemTextA(dialog, IDC_FOLDER_EDIT, folder);
          return TRUE;
        }
        case IDC_EXTRACT:
        case IDOK: {
          char typed[MAX_PATH + 1] = {};
          GetDlgItemTextA(dialog, IDC_FOLDER_EDIT, typed, sizeof typed);
          std::string folder = resolveFolder(typed);
          if (validateFolder(dialog, folder) && extractInto(dialog, folder)) EndDialog(dialog, kEndedCorrupt);
          return TRUE;
        }
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  g_instance = instance;
  // The progress bar class. InitCommonControlsEx needs the common controls of
  // Internet Explorer 3 or later; this call is in every version.
  InitCommonControls();

  char own[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, own, MAX_PATH);
  g_programPath = own;
  g_archivePath = __argc > 1 ? __argv[1] : g_programPath;

  HandleSource file;
  Location where;
  if (!file.open(g_archivePath.c_str()) || locate(file, where) != ReadStatus::kOk) {
    message(nullptr, loadText(IDS_FILE_CORRUPTED), MB_OK | MB_ICONSTOP);
    return 1;
  }
  file.close();
  INT_PTR ended = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_TARGET), nullptr, targetProc, 0);
  return ended == kEndedCorrupt ? 1 : 0;
}
