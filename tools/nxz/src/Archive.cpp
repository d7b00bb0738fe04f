#include "Archive.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "nox/archive/WinTarget.h"
#else
#include <unistd.h>
#endif

namespace nox::nxz {

using namespace nox::archive;

#ifdef _WIN32
using PlatformSource = HandleSource;
#else
using PlatformSource = FileSource;
#endif

#ifdef _WIN32
std::string makeTemporaryFile() {
  char folder[MAX_PATH + 1] = {};
  char path[MAX_PATH + 1] = {};
  if (!GetTempPathA(sizeof folder, folder) || !GetTempFileNameA(folder, "NXZ", 0, path)) return std::string();
  return path;
}
#else
std::string makeTemporaryFile() {
  const char* dir = std::getenv("TMPDIR");
  std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/nxz-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd < 0) return std::string();
  close(fd);
  return name.data();
}
#endif

OpenedArchive::~OpenedArchive() {
  joined_.close();
  if (!temporary_.empty()) std::remove(temporary_.c_str());
}

bool OpenedArchive::open(const std::string& path, std::ostream& err) {
  auto file = std::make_unique<PlatformSource>();
  if (!file->open(path.c_str())) {
    err << "nxz: cannot open " << path << "\n";
    return false;
  }
  file_ = std::move(file);
  ReadStatus status = locate(*file_, where_);
  if (status != ReadStatus::kOk) {
    err << "nxz: " << path << ": " << describe(status) << "\n";
    return false;
  }
  source_ = file_.get();
  if (where_.layout != Layout::kSplitFirstPart) return true;

  partCount_ = where_.part.partCount;
  temporary_ = makeTemporaryFile();
  FileSink sink;
  if (temporary_.empty() || !sink.create(temporary_.c_str())) {
    err << "nxz: cannot create a temporary file to join the split set\n";
    return false;
  }
  std::unique_ptr<PlatformSource> part;
  uint32_t missing = 0;
  status = joinSplitSet(
      *file_, where_,
      [&](uint32_t n, bool retry) -> ByteSource* {
        if (retry) return nullptr;  // no other disk to ask for
        part.reset(new PlatformSource());
        return part->open(splitPartName(path, n).c_str()) ? part.get() : nullptr;
      },
      sink, missing);
  bool closed = sink.close();
  if (status == ReadStatus::kMissingPart) {
    err << "nxz: part " << missing << " of " << partCount_ << " (" << splitPartName(path, missing)
        << ") is missing or belongs to another set\n";
    return false;
  }
  if (status != ReadStatus::kOk || !closed) {
    err << "nxz: joining the split set failed: " << describe(status) << "\n";
    return false;
  }
  if (!joined_.open(temporary_.c_str()) || (status = locate(joined_, where_)) != ReadStatus::kOk ||
      where_.layout != Layout::kPlain) {
    err << "nxz: the joined split set is not an archive: " << describe(status) << "\n";
    return false;
  }
  source_ = &joined_;
  return true;
}

std::string OpenedArchive::describeLayout() const {
  if (partCount_) return "split set of " + std::to_string(partCount_) + " parts";
  if (where_.layout == Layout::kSelfExtracting)
    return "self-extracting, program of " + std::to_string(where_.base) + " bytes";
  return "archive";
}

}  // namespace nox::nxz
