#include "DvqMachine.h"

#include <cstring>

#include "pchelpers/DocServerApi.h"
#include "pchelpers/FileApi.h"
#include "pchelpers/Platform.h"

namespace dvq {

namespace {

// The data up to the first NUL, within the `size` bytes the platform filled.
std::string textOf(const std::vector<BYTE>& data, DWORD size) {
  size_t length = size < data.size() ? size : data.size();
  const char* bytes = reinterpret_cast<const char*>(data.data());
  const void* nul = std::memchr(bytes, 0, length);
  return std::string(bytes, nul ? static_cast<size_t>(static_cast<const char*>(nul) - bytes) : length);
}

LONG readOnce(HKEY root, const std::string& key, const char* value, REGSAM access, std::string& text) {
  Platform& platform = currentPlatform();
  HKEY opened = nullptr;
  LONG result = platform.RegOpenKeyExA(root, key.c_str(), 0, access, &opened);
  if (result != ERROR_SUCCESS) return result;
  std::vector<BYTE> data(256);
  DWORD size = static_cast<DWORD>(data.size());
  result = platform.RegQueryValueExA(opened, value, nullptr, nullptr, data.data(), &size);
  if (result == ERROR_MORE_DATA) {
    data.assign(static_cast<size_t>(size) + 1, 0);
    size = static_cast<DWORD>(data.size());
    result = platform.RegQueryValueExA(opened, value, nullptr, nullptr, data.data(), &size);
  }
  platform.RegCloseKey(opened);
  if (result == ERROR_SUCCESS) text = textOf(data, size);
  return result;
}

}  // namespace

bool machineLeadByte(unsigned char c) { return currentDocServer().IsDBCSLeadByte(c) != FALSE; }

bool runsUnderWow64() {
  Platform& platform = currentPlatform();
  HMODULE kernel = platform.GetModuleHandleA("kernel32.dll");
  FARPROC entry = kernel ? platform.GetProcAddress(kernel, "IsWow64Process") : nullptr;
  if (!entry) return false;
  BOOL wow64 = FALSE;
  return currentDocServer().IsWow64Process(entry, platform.GetCurrentProcess(), &wow64) && wow64;
}

LONG readValueText(HKEY root, const std::string& key, const char* value, std::string& text, bool wow64,
                   REGSAM extraAccess) {
  LONG result = readOnce(root, key, value, KEY_READ | extraAccess, text);
  if (result != ERROR_SUCCESS && wow64) result = readOnce(root, key, value, KEY_READ | KEY_WOW64_64KEY, text);
  return result;
}

bool readFixedText(HKEY root, const std::string& key, const char* value, size_t room, std::string& text) {
  Platform& platform = currentPlatform();
  HKEY opened = nullptr;
  if (platform.RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  std::vector<BYTE> data(room);
  DWORD size = static_cast<DWORD>(room);
  LONG result = platform.RegQueryValueExA(opened, value, nullptr, nullptr, data.data(), &size);
  platform.RegCloseKey(opened);
  if (result != ERROR_SUCCESS) return false;
  text = textOf(data, size);
  if (text.size() > room - 1) text.resize(room - 1);
  return true;
}

bool readDword(HKEY root, const std::string& key, const char* value, DWORD& number) {
  Platform& platform = currentPlatform();
  HKEY opened = nullptr;
  if (platform.RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
  DWORD data = 0, size = sizeof data, type = 0;
  LONG result =
      platform.RegQueryValueExA(opened, value, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
  platform.RegCloseKey(opened);
  if (result != ERROR_SUCCESS || size != sizeof data) return false;
  number = data;
  return true;
}

DWORD attributesOf(const std::string& path) {
  return Seam<FileApi>::current().GetFileAttributesA(path.c_str());
}

bool isFolder(const std::string& path) {
  DWORD attributes = attributesOf(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool isFile(const std::string& path) {
  DWORD attributes = attributesOf(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool exists(const std::string& path) { return attributesOf(path) != INVALID_FILE_ATTRIBUTES; }

bool readFile(const std::string& path, std::string& bytes) {
  FileApi& files = Seam<FileApi>::current();
  HANDLE file = files.CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bytes.clear();
  char buffer[4096];
  DWORD read = 0;
  bool ok = true;
  for (;;) {
    if (!files.ReadFile(file, buffer, sizeof buffer, &read, nullptr)) {
      ok = false;
      break;
    }
    if (read == 0) break;
    bytes.append(buffer, read);
  }
  files.CloseHandle(file);
  return ok;
}

bool findEntries(const std::string& pattern, std::vector<WIN32_FIND_DATAA>& entries) {
  Platform& platform = currentPlatform();
  entries.clear();
  WIN32_FIND_DATAA data;
  HANDLE find = platform.FindFirstFileA(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  do {
    data.cFileName[sizeof data.cFileName - 1] = '\0';
    if (std::strcmp(data.cFileName, ".") != 0 && std::strcmp(data.cFileName, "..") != 0)
      entries.push_back(data);
  } while (platform.FindNextFileA(find, &data));
  platform.FindClose(find);
  return true;
}

bool findNames(const std::string& pattern, std::vector<std::string>& names) {
  std::vector<WIN32_FIND_DATAA> entries;
  names.clear();
  if (!findEntries(pattern, entries)) return false;
  for (const WIN32_FIND_DATAA& entry : entries) names.push_back(entry.cFileName);
  return true;
}

std::string hostFolder() {
  char path[MAX_PATH + 1] = {};
  DWORD length = currentPlatform().GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  return parentOf(std::string(path, length), machineLeadByte);
}

bool readControlFile(const char* name, std::string& bytes) {
  std::string folder = hostFolder();
  if (folder.empty()) return false;
  return readFile(joinPath(folder, name, machineLeadByte), bytes);
}

}  // namespace dvq
