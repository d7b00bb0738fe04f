#include "nox/archive/WinTarget.h"

namespace nox::archive {

namespace {
// Attributes a file may be given back; the folder bit is the file system's own.
constexpr DWORD kRestorableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                        FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                        FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

FILETIME toFileTime(uint64_t value) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(value);
  ft.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return ft;
}

bool isFolder(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}
}  // namespace

bool endsWithSeparator(const std::string& text) {
  bool last = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size()) {
      ++i;
      last = false;
      continue;
    }
    last = text[i] == '\\' || text[i] == '/';
  }
  return last;
}

class WinTarget::HandleSink : public Sink {
 public:
  explicit HandleSink(HANDLE h) : handle(h) {}
  ~HandleSink() override {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
  bool write(const void* data, size_t n) override {
    DWORD done = 0;
    if (!WriteFile(handle, data, static_cast<DWORD>(n), &done, nullptr) || done != n) failed = true;
    return !failed;
  }
  HANDLE handle;
  bool failed = false;
};

WinTarget::WinTarget() = default;
WinTarget::~WinTarget() = default;

std::string WinTarget::join(const std::string& root, const std::vector<std::string>& parts) {
  std::string path = root;
  for (const std::string& part : parts) {
    if (!path.empty() && !endsWithSeparator(path)) path += '\\';
    path += part;
  }
  return path;
}

ExistingFile WinTarget::inspect(const std::string& path) {
  ExistingFile result;
  // FindFirstFile rather than GetFileAttributesEx, which the oldest systems lack;
  // a wildcard would make it answer for some other file.
  if (path.find_first_of("*?") != std::string::npos) return result;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(path.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) {
    // A drive root lists nothing of itself.
    DWORD attributes = GetFileAttributesA(path.c_str());
    result.exists = attributes != INVALID_FILE_ATTRIBUTES;
    result.isFolder = result.exists && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    return result;
  }
  FindClose(find);
  result.exists = true;
  result.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  result.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  result.lastWrite =
      (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
  return result;
}

bool WinTarget::makeFolders(const std::string& path) {
  if (isFolder(path)) return true;
  // Create every level from the top, stepping over double-byte characters.
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
      ++i;
      continue;
    }
    if ((path[i] == '\\' || path[i] == '/') && i > 0 && path[i - 1] != ':') {
      std::string prefix = path.substr(0, i);
      if (!isFolder(prefix)) CreateDirectoryA(prefix.c_str(), nullptr);
    }
  }
  CreateDirectoryA(path.c_str(), nullptr);
  return isFolder(path);
}

Sink* WinTarget::createFile(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return nullptr;
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)))
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  HANDLE h =
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  open_.reset(new HandleSink(h));
  return open_.get();
}

bool WinTarget::finishFile(Sink* file) {
  if (!open_ || file != open_.get()) return false;
  bool ok = !open_->failed && CloseHandle(open_->handle);
  open_->handle = INVALID_HANDLE_VALUE;
  open_.reset();
  return ok;
}

void WinTarget::removeFile(const std::string& path) { DeleteFileA(path.c_str()); }

bool WinTarget::setTimesAndAttributes(const std::string& path, const Record& record) {
  // Folders open only with backup semantics.
  HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, record.isFolder() ? FILE_FLAG_BACKUP_SEMANTICS : 0, nullptr);
  bool ok = h != INVALID_HANDLE_VALUE;
  if (ok) {
    FILETIME created = toFileTime(record.created);
    FILETIME lastWrite = toFileTime(record.lastWrite);
    ok = SetFileTime(h, &created, nullptr, &lastWrite) != 0;
    CloseHandle(h);
  }
  DWORD attributes = record.attributes & kRestorableAttributes;
  if (!SetFileAttributesA(path.c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL)) ok = false;
  return ok;
}

DWORD readSharing(DWORD version) {
  DWORD sharing = FILE_SHARE_READ | FILE_SHARE_WRITE;
  if ((version & 0x80000000u) == 0) sharing |= FILE_SHARE_DELETE;
  return sharing;
}

HandleSource::~HandleSource() { close(); }

bool HandleSource::open(const char* path) {
  close();
  handle_ = CreateFileA(path, GENERIC_READ, readSharing(GetVersion()), nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle_ == INVALID_HANDLE_VALUE) return false;
  DWORD high = 0;
  DWORD low = GetFileSize(handle_, &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
    close();
    return false;
  }
  size_ = (static_cast<uint64_t>(high) << 32) | low;
  return true;
}

void HandleSource::close() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
  size_ = 0;
}

bool HandleSource::readAt(uint64_t offset, void* buffer, size_t n) {
  if (handle_ == INVALID_HANDLE_VALUE || offset > size_ || n > size_ - offset) return false;
  // A seek and a plain read: overlapped offsets on files are not there on every system.
  LONG high = static_cast<LONG>(offset >> 32);
  if (SetFilePointer(handle_, static_cast<LONG>(offset), &high, FILE_BEGIN) == INVALID_SET_FILE_POINTER &&
      GetLastError() != NO_ERROR)
    return false;
  DWORD done = 0;
  return ReadFile(handle_, buffer, static_cast<DWORD>(n), &done, nullptr) && done == n;
}

}  // namespace nox::archive
