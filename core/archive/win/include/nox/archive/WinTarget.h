#pragma once

// The Windows file system as an extraction target: ANSI paths in the active code
// page, times and attributes restored as recorded.

#include <windows.h>

#include <memory>

#include "nox/archive/Extract.h"

namespace nox::archive {

class WinTarget : public TargetFileSystem {
 public:
  WinTarget();
  ~WinTarget() override;

  std::string join(const std::string& root, const std::vector<std::string>& parts) override;
  ExistingFile inspect(const std::string& path) override;
  bool makeFolders(const std::string& path) override;
  Sink* createFile(const std::string& path) override;
  bool finishFile(Sink* file) override;
  void removeFile(const std::string& path) override;
  bool setTimesAndAttributes(const std::string& path, const Record& record) override;

 private:
  class HandleSink;
  std::unique_ptr<HandleSink> open_;
};

// True when text ends with a backslash that is not the trail byte of a
// double-byte character.
bool endsWithSeparator(const std::string& text);

// The sharing a reader grants others, for the Windows whose GetVersion() is
// `version`: FILE_SHARE_DELETE exists on NT only; Windows 9x refuses it.
DWORD readSharing(DWORD version);

// A file read through a Win32 handle (for files the C runtime should not open,
// such as the running program itself, which is opened with full sharing).
class HandleSource : public ByteSource {
 public:
  HandleSource() = default;
  ~HandleSource() override;
  HandleSource(const HandleSource&) = delete;
  HandleSource& operator=(const HandleSource&) = delete;

  bool open(const char* path);
  void close();
  uint64_t size() const override { return size_; }
  bool readAt(uint64_t offset, void* buffer, size_t n) override;

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  uint64_t size_ = 0;
};

}  // namespace nox::archive
