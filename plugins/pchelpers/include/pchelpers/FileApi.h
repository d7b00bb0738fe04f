#pragma once

#include <windows.h>

#include "pchelpers/Seam.h"

// Reading files: attributes, opening, file facts by handle, contents. Failures
// are read with Platform::GetLastError. Handles from CreateFileA are closed
// with this seam's CloseHandle.
class FileApi {
 public:
  virtual ~FileApi() = default;
  static FileApi& real();

  virtual DWORD GetFileAttributesA(LPCSTR path) = 0;
  virtual HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                             DWORD disposition, DWORD flags, HANDLE templateFile) = 0;
  virtual BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information) = 0;
  virtual BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) = 0;
  virtual BOOL CloseHandle(HANDLE handle) = 0;
};
