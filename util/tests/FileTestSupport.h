#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "nox/testing/Files.h"

// Scratch files for the folder, path and export tests. Everything here uses the
// ANSI calls so that double-byte names travel exactly as the library sees them.
namespace filetest {

// 0x95 0x5C is one character in code page 932 whose trail byte equals a backslash.
constexpr const char* kTrailBackslash = "\x95\x5C";

inline bool runningUnderWine() {
  return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

inline bool isFolder(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

inline bool isFile(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

inline bool exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline void writeFile(const std::string& path, const std::string& content) {
  HANDLE file =
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  CloseHandle(file);
}

// The whole file as bytes; "<missing>" when it cannot be opened.
inline std::string readFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<missing>";
  std::string content;
  char chunk[65536];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof(chunk), &got, nullptr) && got > 0) content.append(chunk, got);
  CloseHandle(file);
  return content;
}

// Names in a folder, sorted, without "." and "..".
inline std::vector<std::string> listFolder(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = entry.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileA(find, &entry));
  FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

inline void removeTree(const std::string& path) {
  for (const std::string& name : listFolder(path)) {
    std::string child = path + "\\" + name;
    SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (isFolder(child)) {
      removeTree(child);
    } else {
      DeleteFileA(child.c_str());
    }
  }
  RemoveDirectoryA(path.c_str());
}

using ScratchFolder = nox_testing::ScratchFolder;

}  // namespace filetest
