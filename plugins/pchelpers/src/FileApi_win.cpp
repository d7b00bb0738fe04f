#include "pchelpers/FileApi.h"

namespace {

class Win32Files : public FileApi {
 public:
  DWORD GetFileAttributesA(LPCSTR path) override { return ::GetFileAttributesA(path); }
  HANDLE CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                     DWORD disposition, DWORD flags, HANDLE templateFile) override {
    return ::CreateFileA(path, access, share, security, disposition, flags, templateFile);
  }
  BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information) override {
    return ::GetFileInformationByHandle(file, information);
  }
  BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD size, LPDWORD read, LPOVERLAPPED overlapped) override {
    return ::ReadFile(file, buffer, size, read, overlapped);
  }
  BOOL CloseHandle(HANDLE handle) override { return ::CloseHandle(handle); }
};

}  // namespace

FileApi& FileApi::real() {
  static Win32Files api;
  return api;
}
