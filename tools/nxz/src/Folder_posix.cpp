#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "Folder.h"

namespace nox::nxz {

namespace {

void walk(const std::string& folder, const std::string& relative, std::vector<FolderEntry>& out) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  std::vector<std::string> names;
  while (dirent* e = readdir(dir)) {
    std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    FolderEntry entry;
    entry.path = folder + "/" + name;
    entry.relative = relative.empty() ? name : relative + "\\" + name;
    struct stat st;
    if (lstat(entry.path.c_str(), &st) != 0) continue;
    entry.folder = S_ISDIR(st.st_mode);
    entry.size = entry.folder ? 0 : static_cast<uint64_t>(st.st_size);
    out.push_back(entry);
    if (entry.folder) walk(entry.path, entry.relative, out);
  }
}

}  // namespace

bool listFolderTree(const std::string& root, std::vector<FolderEntry>& out) {
  if (!isFolder(root)) return false;
  walk(root, std::string(), out);
  return true;
}

bool isFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string joinPath(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder == ".") return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string parentOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string lastComponent(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  size_t slash = p.find_last_of('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

std::string fileNameToUtf8(const std::string& name) { return name; }

}  // namespace nox::nxz
