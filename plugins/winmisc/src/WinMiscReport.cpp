// The miscellaneous Windows facts.
#include "WinMiscReport.h"

#include <string>
#include <vector>

#include "KeyLine.h"
#include "nox/ReportLeaves.h"
#include "pchelpers/FileApi.h"
#include "pchelpers/Win32ApiWrapper.h"

namespace winmisc {

namespace {

// The texts of this report.
const struct {
  const char* leaf;
  const char* key;
  const char* value;
} kRegistryTexts[] = {
    {"DeskTopHeap", "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\SubSystems", "Windows"},
    {"MSI ImagePath", "SYSTEM\\CurrentControlSet\\Services\\MSIServer", "ImagePath"},
};
const char kNotFound[] = "NotFound";
const char kCannotOpen[] = "Can't open";
const char kKeyLineMarker[] = "MyCreateService:";

// A registry value below HKEY_LOCAL_MACHINE read as text, whatever its type:
// the data up to its first zero byte. False when it cannot be read.
bool readRegistryText(const char* path, const char* name, std::string& text) {
  Platform& platform = currentPlatform();
  HKEY key = nullptr;
  if (platform.RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  std::vector<BYTE> data(256);
  DWORD size = static_cast<DWORD>(data.size());
  LONG result = platform.RegQueryValueExA(key, name, nullptr, nullptr, data.data(), &size);
  if (result == ERROR_MORE_DATA) {
    // Once more with room for the whole value and a terminator.
    data.assign(size + 1, 0);
    size = static_cast<DWORD>(data.size());
    result = platform.RegQueryValueExA(key, name, nullptr, nullptr, data.data(), &size);
  }
  platform.RegCloseKey(key);
  if (result != ERROR_SUCCESS) return false;
  // Data that fills its buffer has no terminator of its own: it ends with the data.
  size_t length = size < data.size() ? size : data.size();
  text.assign(reinterpret_cast<const char*>(data.data()),
              strnlen(reinterpret_cast<const char*>(data.data()), length));
  return true;
}

std::string windowsFolder() {
  char folder[260] = {};
  UINT length = currentPlatform().GetWindowsDirectoryA(folder, sizeof folder);
  if (length == 0 || length >= sizeof folder) return std::string();
  return folder;
}

SYSTEMTIME localTime(const FILETIME& time) {
  Win32ApiWrapper api;
  FILETIME local = {};
  SYSTEMTIME converted = {};
  api.FileTimeToLocalFileTime(&time, &local);
  api.FileTimeToSystemTime(&local, &converted);
  return converted;
}

HANDLE openForReading(const std::string& path) {
  return Seam<FileApi>::current().CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                              OPEN_EXISTING, 0, nullptr);
}

// The first line of the file that holds the marker, as read; empty when none does.
std::string keyLine(const std::string& path) {
  FileApi& files = Seam<FileApi>::current();
  HANDLE file = openForReading(path);
  if (file == INVALID_HANDLE_VALUE) return std::string();
  KeyLineScanner scanner(kKeyLineMarker);
  char buffer[4096];
  DWORD read = 0;
  while (!scanner.found() && files.ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
    scanner.feed(buffer, read);
  files.CloseHandle(file);
  scanner.finish();
  return scanner.line();
}

void setText(Report& node, const char* text) {
  node.setType(IReport::REPORT_TEXT);
  node.setValue(const_cast<char*>(text), 0);
}

// The node `name` for the log file of the Windows folder: its times and the
// file itself, or the text "NotFound" or "Can't open". With `withKeyLine`, the
// node's own text is the key line.
void addLogFile(Report& report, const char* name, const char* file, bool withKeyLine) {
  Report* node = new Report();
  try {
    node->setName(name);
    // Without the Windows folder the name alone would stand for a file in the
    // root of the current drive: no such log is there to find.
    std::string folder = windowsFolder();
    std::string path = folder + file;
    FileApi& files = Seam<FileApi>::current();
    BY_HANDLE_FILE_INFORMATION information = {};
    HANDLE opened = INVALID_HANDLE_VALUE;
    if (folder.empty() || files.GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
      setText(*node, kNotFound);
    } else if ((opened = openForReading(path)) == INVALID_HANDLE_VALUE ||
               !files.GetFileInformationByHandle(opened, &information)) {
      if (opened != INVALID_HANDLE_VALUE) files.CloseHandle(opened);
      setText(*node, kCannotOpen);
    } else {
      files.CloseHandle(opened);
      addTime(*node, "CreationTime", localTime(information.ftCreationTime));
      addTime(*node, "LastWriteTime", localTime(information.ftLastWriteTime));
      Report& leaf = addNode(*node, "file");
      leaf.setType(IReport::REPORT_PATH);
      leaf.setValue(const_cast<char*>(path.c_str()), 0);
      if (withKeyLine) setText(*node, keyLine(path).c_str());
    }
  } catch (...) {
    delete node;
    throw;
  }
  report.getSubReportsImpl().addItem(node);
}

}  // namespace

void fillWinMiscReport(Report& report) {
  report.setName("winMisc");
  for (const auto& entry : kRegistryTexts) {
    std::string text;
    if (readRegistryText(entry.key, entry.value, text)) addText(report, entry.leaf, text.c_str());
  }
  addLogFile(report, "Last Install ServicePack", "\\svcpack.log", false);
  addLogFile(report, "IIS5 Setup", "\\iis5.log", true);
}

}  // namespace winmisc
