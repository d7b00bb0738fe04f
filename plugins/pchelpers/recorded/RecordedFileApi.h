#pragma once

#include <map>
#include <memory>
#include <string>

#include "RecordedPlatform.h"
#include "pchelpers/FileApi.h"

// Files as a scenario records them in its "[file PATH]" sections (the same
// files the machine's FindFirstFileA finds); failures through the machine's
// GetLastError. Keys besides the machine's own:
//   text     the contents, with \r \n \t \\ and \xHH escapes (default: empty)
//   created  creation time (YYYY-MM-DD HH:MM:SS local; default: `written`)
//   open     denied: CreateFileA fails with a sharing violation
// Only reading is recorded: CreateFileA opens existing files for reading.
class RecordedFileApi : public FileApi {
 public:
  explicit RecordedFileApi(RecordedPlatform& machine) : machine_(machine) {}
  ~RecordedFileApi() override;

  int openFiles() const { return static_cast<int>(open_.size()); }

  DWORD GetFileAttributesA(LPCSTR path) override;
  HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                     DWORD disposition, DWORD flags, HANDLE templateFile) override;
  BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information) override;
  BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) override;
  BOOL CloseHandle(HANDLE handle) override;

  // The contents a "text" key stands for.
  static std::string unescape(const std::string& text);

 private:
  struct OpenFile {
    std::string section;
    std::string content;
    size_t position = 0;
  };
  // The "[file PATH]" section of the path, or "" when the machine has no such file.
  std::string section(const char* path) const;
  OpenFile* file(HANDLE handle);

  RecordedPlatform& machine_;
  std::map<OpenFile*, std::unique_ptr<OpenFile>> open_;
};

// The recorded files of a machine, in force for the lifetime of a test.
class ScopedFileApi {
 public:
  explicit ScopedFileApi(RecordedPlatform& machine) : files_(machine), scope_(files_) {}
  RecordedFileApi& files() { return files_; }

 private:
  RecordedFileApi files_;
  ScopedSeam<FileApi> scope_;
};
