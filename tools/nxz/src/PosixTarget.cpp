#include "PosixTarget.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace nox::archive {

PosixTarget::PosixTarget(unsigned int codePage) : codePage_(codePage) {}
PosixTarget::~PosixTarget() = default;

std::string PosixTarget::convert(const std::string& component) const {
  if (codePage_ == 0) return component;
  std::string from = "CP" + std::to_string(codePage_);
  iconv_t cd = iconv_open("UTF-8", from.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return component;
  std::string out;
  char buffer[256];
  char* in = const_cast<char*>(component.data());
  size_t inLeft = component.size();
  while (inLeft > 0) {
    char* o = buffer;
    size_t oLeft = sizeof buffer;
    size_t rc = iconv(cd, &in, &inLeft, &o, &oLeft);
    out.append(buffer, o - buffer);
    if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
      out += '?';
      ++in;
      --inLeft;
    }
  }
  iconv_close(cd);
  return out;
}

std::string PosixTarget::join(const std::string& root, const std::vector<std::string>& parts) {
  std::string path = root;
  for (const std::string& part : parts) {
    if (!path.empty() && path.back() != '/') path += '/';
    path += convert(part);
  }
  return path;
}

ExistingFile PosixTarget::inspect(const std::string& path) {
  ExistingFile result;
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return result;
  result.exists = true;
  result.isFolder = S_ISDIR(st.st_mode);
  result.size = static_cast<uint64_t>(st.st_size);
  result.lastWrite = unixToFileTime(st.st_mtime);
  return result;
}

bool PosixTarget::makeFolders(const std::string& path) {
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') mkdir(path.substr(0, i).c_str(), 0777);
  }
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

Sink* PosixTarget::createFile(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return nullptr;
    // Replace rather than write through: an existing link must not redirect the content.
    unlink(path.c_str());
  }
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
  if (fd < 0) return nullptr;
  close(fd);
  open_.reset(new FileSink());
  if (!open_->create(path.c_str())) {
    open_.reset();
    return nullptr;
  }
  return open_.get();
}

bool PosixTarget::finishFile(Sink* file) {
  if (!open_ || file != open_.get()) return false;
  bool ok = open_->close();
  open_.reset();
  return ok;
}

void PosixTarget::removeFile(const std::string& path) { unlink(path.c_str()); }

bool PosixTarget::setTimesAndAttributes(const std::string& path, const Record& record) {
  struct timespec times[2];
  times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(fileTimeToUnix(record.lastWrite));
  times[0].tv_nsec = times[1].tv_nsec = static_cast<long>((record.lastWrite % 10000000ULL) * 100);
  bool ok = utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
  // Read-only files lose their write bits; a read-only folder flag means little on
  // Windows and would only lock the user out here.
  if (!record.isFolder() && (record.attributes & kAttributeReadOnly)) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0) ok = chmod(path.c_str(), st.st_mode & ~0222) == 0 && ok;
  }
  return ok;
}

}  // namespace nox::archive
