#pragma once

// A result as a receiver has it: packed (NoxInfo.nxz, NoxResult.exe, the first
// part of a split set), a result folder, or a NoxInfo.xml in its folder. Gives
// the document as a stream and the side files one at a time, so that memory does
// not grow with them.

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "Archive.h"
#include "Encoding.h"
#include "Folder.h"
#include "nox/archive/Io.h"

namespace nox::nxz {

extern const char kDocumentName[];  // "NoxInfo.xml"

struct SideFile {
  std::string name;  // relative name, '\' separated, UTF-8
  uint64_t size = 0;
  bool folder = false;
};

class Result {
 public:
  Result();
  ~Result();
  Result(const Result&) = delete;
  Result& operator=(const Result&) = delete;

  // Says why on err when the path is no result.
  bool open(const std::string& path, std::ostream& err);
  // "archive", "self-extracting ...", "folder".
  std::string describe() const;
  const std::string& path() const { return path_; }
  // The path as given, in UTF-8.
  std::string displayPath() const { return fileNameToUtf8(path_); }

  // Streams the document; false with the reason when it cannot be read whole
  // (or the sink stopped taking it).
  bool readDocument(archive::Sink& sink, std::string& problem);

  // The entries besides the document, names in UTF-8: an archive's are decoded
  // with the code page (the writing machine's), a folder's are this system's.
  // Call again with another code page to redo.
  const std::vector<SideFile>& sideFiles(unsigned int codePage);
  // True when a file or folder of that relative name ('\' or '/' separated, any
  // case) is in the result. Uses the names of the last sideFiles call.
  bool has(const std::string& relativeName) const;
  // Up to limit bytes of the side file of index i in sideFiles(); truncated says
  // whether there was more.
  bool readStart(size_t i, size_t limit, std::string& bytes, bool& truncated);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  std::string path_;
};

// The key under which names are compared: '/' as '\', ASCII letters in lower case.
std::string sideFileKey(const std::string& name);

}  // namespace nox::nxz
