#include <windows.h>

#include <algorithm>
#include <string>

#include "Folder.h"

namespace nox::nxz {

namespace {

bool isSeparator(char c) { return c == '\\' || c == '/'; }

void walk(const std::string& folder, const std::string& relative, std::vector<FolderEntry>& out) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(joinPath(folder, "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  std::vector<WIN32_FIND_DATAA> found;
  do {
    std::string name = data.cFileName;
    if (name != "." && name != "..") found.push_back(data);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  std::sort(found.begin(), found.end(), [](const WIN32_FIND_DATAA& a, const WIN32_FIND_DATAA& b) {
    return lstrcmpiA(a.cFileName, b.cFileName) < 0;
  });
  for (const WIN32_FIND_DATAA& f : found) {
    FolderEntry entry;
    entry.path = joinPath(folder, f.cFileName);
    entry.relative = relative.empty() ? f.cFileName : relative + "\\" + f.cFileName;
    entry.folder = (f.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entry.size = entry.folder ? 0 : (static_cast<uint64_t>(f.nFileSizeHigh) << 32) | f.nFileSizeLow;
    out.push_back(entry);
    // Junctions and links are listed, not entered.
    if (entry.folder && !(f.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
      walk(entry.path, entry.relative, out);
  }
}

}  // namespace

bool listFolderTree(const std::string& root, std::vector<FolderEntry>& out) {
  if (!isFolder(root)) return false;
  walk(root, std::string(), out);
  return true;
}

bool isFolder(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string joinPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder == ".") return name;
  return isSeparator(folder.back()) ? folder + name : folder + "\\" + name;
}

// Double-byte names are walked by character so that a trail byte 0x5C is not
// taken for a separator.
static size_t lastSeparator(const std::string& path) {
  size_t last = std::string::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
      ++i;
      continue;
    }
    if (isSeparator(path[i]) || path[i] == ':') last = i;
  }
  return last;
}

std::string parentOf(const std::string& path) {
  size_t at = lastSeparator(path);
  if (at == std::string::npos) return ".";
  if (path[at] == ':') return path.substr(0, at + 1);
  return at == 0 || path[at - 1] == ':' ? path.substr(0, at + 1) : path.substr(0, at);
}

std::string lastComponent(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && isSeparator(p.back())) p.pop_back();
  size_t at = lastSeparator(p);
  return at == std::string::npos ? p : p.substr(at + 1);
}

std::string fileNameToUtf8(const std::string& name) {
  if (name.empty()) return name;
  int wideLength = MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
  if (wideLength <= 0) return name;
  std::wstring wide(static_cast<size_t>(wideLength), L'\0');
  MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), &wide[0], wideLength);
  int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return name;
  std::string out(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, &out[0], length, nullptr, nullptr);
  return out;
}

}  // namespace nox::nxz
