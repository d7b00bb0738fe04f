#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Files and scratch folders for tests that work on the real file system.
namespace nox_testing {

// The folder of the test program, with its trailing backslash.
inline std::string programFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.rfind('\\') + 1);
}

// The whole file; "<missing>" when it cannot be opened.
inline std::string readFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string content;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) content.append(buffer, got);
  CloseHandle(file);
  return content;
}

// Creates or replaces the file; a failure fails the calling test.
inline void writeFile(const std::string& path, const std::string& content) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path << ": error " << GetLastError();
  DWORD written = 0;
  bool ok = content.empty() ||
            (WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
             written == content.size());
  CloseHandle(file);
  ASSERT_TRUE(ok) << path;
}

inline bool exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Names in a folder, without "." and "..".
inline std::vector<std::string> listFolder(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = found.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return names;
}

// Removes the folder with everything in it, read-only files included.
inline void removeTree(const std::string& folder) {
  for (const std::string& name : listFolder(folder)) {
    std::string child = folder + "\\" + name;
    DWORD attributes = GetFileAttributesA(child.c_str());
    SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      removeTree(child);
    } else {
      DeleteFileA(child.c_str());
    }
  }
  RemoveDirectoryA(folder.c_str());
}

// A fresh folder in the temporary folder, removed with its contents afterwards.
class ScratchFolder {
 public:
  explicit ScratchFolder(const char* prefix = "nox-test") {
    static int serial = 0;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + prefix + "-" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++serial);
    removeTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~ScratchFolder() { removeTree(path_); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

}  // namespace nox_testing
