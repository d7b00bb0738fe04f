// The Windows side of verlist: FindFirstFileA listing, times and size from the
// listing itself, the version number from the file's version resource.

#include <windows.h>

#include <cstdlib>

#include "Platform.h"

namespace verlist {

namespace {

CalendarTime toCalendar(const FILETIME& time) {
  CalendarTime calendar;
  FILETIME local;
  SYSTEMTIME fields;
  if (!FileTimeToLocalFileTime(&time, &local) || !FileTimeToSystemTime(&local, &fields)) {
    calendar.error = GetLastError();
    return calendar;
  }
  calendar.valid = true;
  calendar.year = fields.wYear;
  calendar.month = fields.wMonth;
  calendar.day = fields.wDay;
  calendar.hour = fields.wHour;
  calendar.minute = fields.wMinute;
  calendar.second = fields.wSecond;
  return calendar;
}

VersionResult readVersion(const char* path) {
  VersionResult result;
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(path, &ignored);
  if (size == 0) {
    result.error = GetLastError();
    result.stage = VersionStage::kSizeFailed;
    return result;
  }
  void* block = std::malloc(size);
  if (block == nullptr) {
    result.error = ERROR_NOT_ENOUGH_MEMORY;
    result.stage = VersionStage::kReadFailed;
    return result;
  }
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixedSize = 0;
  if (!GetFileVersionInfoA(path, 0, size, block)) {
    result.error = GetLastError();
    result.stage = VersionStage::kReadFailed;
  } else if (!VerQueryValueA(block, "\\", reinterpret_cast<void**>(&fixed), &fixedSize) || fixed == nullptr) {
    result.error = GetLastError();
    result.stage = VersionStage::kFixedInfoMissing;
  } else if (fixedSize < sizeof(VS_FIXEDFILEINFO)) {
    // A truncated block would be read past its end.
    result.error = ERROR_INVALID_DATA;
    result.stage = VersionStage::kFixedInfoMissing;
  } else {
    result.stage = VersionStage::kFound;
    result.fixedMost = fixed->dwFileVersionMS;
    result.fixedLeast = fixed->dwFileVersionLS;
  }
  std::free(block);
  return result;
}

class Win32Entry : public FolderEntry {
 public:
  explicit Win32Entry(const WIN32_FIND_DATAA& found) : found_(found) {}

  const char* name() const override { return found_.cFileName; }
  bool isFolder() const override { return (found_.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
  // Junctions and folder links can point back up the tree.
  bool isWalkable() const override { return (found_.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0; }

  // The listing already carries the times and the full 64-bit size: no need to
  // open the file, which a file held open by another program may not allow.
  FileFacts facts(const std::string& path) const override {
    FileFacts facts;
    facts.created = toCalendar(found_.ftCreationTime);
    facts.accessed = toCalendar(found_.ftLastAccessTime);
    facts.written = toCalendar(found_.ftLastWriteTime);
    facts.sizeKnown = true;
    facts.size = (static_cast<std::uint64_t>(found_.nFileSizeHigh) << 32) | found_.nFileSizeLow;
    facts.version = readVersion(path.c_str());
    return facts;
  }

 private:
  const WIN32_FIND_DATAA& found_;
};

bool isLeadByte(unsigned char c) { return IsDBCSLeadByte(c) != 0; }

// A bare drive such as "C:" must not gain a separator either: "C:\" would be
// the root, not the drive's current folder.
bool endsInSeparatorOrDrive(const std::string& folder) {
  return verlist::endsWithSeparator(folder, "\\/", isLeadByte) || (folder.size() == 2 && folder[1] == ':');
}

class Win32FolderSource : public FolderSource {
 public:
  void list(const std::string& folder, FolderVisitor& visitor) override {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(join(folder, "*.*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
      const char* name = found.cFileName;
      if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
      visitor.visit(Win32Entry(found));
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }

  std::string join(const std::string& folder, const char* name) const override {
    return joinPath(folder, name, '\\', endsInSeparatorOrDrive(folder));
  }

  const char* lineBreak() const override { return "\r\n"; }
};

class Win32Output : public TextSink {
 public:
  // WriteFile rather than the C runtime: the bytes go out as they are, CR LF
  // included, whatever mode the runtime would give the stream.
  bool write(const std::string& text) override {
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
      DWORD chunk = left > 0x10000000 ? 0x10000000 : static_cast<DWORD>(left);
      DWORD written = 0;
      if (out == nullptr || out == INVALID_HANDLE_VALUE || !WriteFile(out, data, chunk, &written, nullptr) ||
          written == 0) {
        return false;
      }
      data += written;
      left -= written;
    }
    return true;
  }
};

}  // namespace

FolderSource& platformFolderSource() {
  static Win32FolderSource source;
  return source;
}

std::string folderArgument(const char* argument) {
  // A caller that quotes a folder ending in a backslash, "C:\Folder\", has
  // written an escaped quote as far as the command-line rules go: we receive
  // C:\Folder" and any blanks that followed. A double quote cannot be part of
  // a file name, so that shape can only mean the backslash it replaced.
  std::string folder(argument);
  std::size_t end = folder.find_last_not_of(" \t");
  if (end != std::string::npos && folder[end] == '"') {
    folder.resize(end);
    folder.push_back('\\');
  }
  return folder;
}

TextSink& standardOutput() {
  static Win32Output output;
  return output;
}

}  // namespace verlist
