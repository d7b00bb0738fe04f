#pragma once

// The files of a result folder, for reading a result that was not packed.

#include <cstdint>
#include <string>
#include <vector>

namespace nox::nxz {

struct FolderEntry {
  std::string relative;  // components joined by '\', in the file system's names
  std::string path;      // for opening
  uint64_t size = 0;
  bool folder = false;
};

// Every file and folder below root, depth first; links are not followed. False
// when root cannot be listed.
bool listFolderTree(const std::string& root, std::vector<FolderEntry>& out);
bool isFolder(const std::string& path);
// The path of name inside folder.
std::string joinPath(const std::string& folder, const std::string& name);
// The folder part of a path ("." when there is none) and the last component.
std::string parentOf(const std::string& path);
std::string lastComponent(const std::string& path);
// A file name or path of this platform as UTF-8: Linux names already are, Windows
// ones are in the ANSI code page.
std::string fileNameToUtf8(const std::string& name);

}  // namespace nox::nxz
