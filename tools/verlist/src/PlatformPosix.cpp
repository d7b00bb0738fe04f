// The POSIX side of verlist: readdir listing, statx facts. There are no version
// resources here, so every file's version column is "-".

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "Platform.h"

namespace verlist {

namespace {

// The file's own status; a symbolic link is reported as itself, never followed.
struct Status {
  int error = 0;
  mode_t mode = 0;
  std::uint64_t size = 0;
  struct timespec created {
  }, accessed{}, written{};
};

bool gStatxMissing = false;

Status readStatus(int folderFd, const char* name) {
  Status status;
#ifdef STATX_BTIME
  if (!gStatxMissing) {
    struct statx sx;
    if (statx(folderFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_BASIC_STATS | STATX_BTIME, &sx) ==
        0) {
      status.mode = sx.stx_mode;
      status.size = sx.stx_size;
      status.accessed = {static_cast<time_t>(sx.stx_atime.tv_sec), sx.stx_atime.tv_nsec};
      status.written = {static_cast<time_t>(sx.stx_mtime.tv_sec), sx.stx_mtime.tv_nsec};
      // Not every file system records a birth time; the inode change time is
      // the nearest stand-in for when the file came to be.
      const struct statx_timestamp& born = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_ctime;
      status.created = {static_cast<time_t>(born.tv_sec), born.tv_nsec};
      return status;
    }
    if (errno != ENOSYS) {
      status.error = errno;
      return status;
    }
    gStatxMissing = true;
  }
#endif
  struct stat st;
  if (fstatat(folderFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
    status.error = errno;
    return status;
  }
  status.mode = st.st_mode;
  status.size = static_cast<std::uint64_t>(st.st_size);
  status.created = st.st_ctim;
  status.accessed = st.st_atim;
  status.written = st.st_mtim;
  return status;
}

// Files of one tree share few distinct times (copies, installs, untouched access
// times), so the last conversion is worth keeping.
CalendarTime toCalendar(time_t seconds) {
  static time_t lastSeconds = 0;
  static CalendarTime last;
  if (last.valid && seconds == lastSeconds) return last;
  CalendarTime calendar;
  struct tm fields;
  errno = 0;
  if (localtime_r(&seconds, &fields) == nullptr) {
    calendar.error = errno != 0 ? static_cast<unsigned long>(errno) : EOVERFLOW;
    return calendar;
  }
  calendar.valid = true;
  calendar.year = fields.tm_year + 1900;
  calendar.month = fields.tm_mon + 1;
  calendar.day = fields.tm_mday;
  calendar.hour = fields.tm_hour;
  calendar.minute = fields.tm_min;
  calendar.second = fields.tm_sec;
  lastSeconds = seconds;
  last = calendar;
  return calendar;
}

class PosixEntry : public FolderEntry {
 public:
  PosixEntry(int folderFd, const struct dirent& entry) : folderFd_(folderFd), entry_(entry) {}

  const char* name() const override { return entry_.d_name; }

  bool isFolder() const override {
    if (entry_.d_type != DT_UNKNOWN) return entry_.d_type == DT_DIR;
    return S_ISDIR(status().mode);
  }

  // A link to a folder is not a folder here (its status is the link's own), so
  // every folder the walk meets is a real one.
  bool isWalkable() const override { return true; }

  FileFacts facts(const std::string&) const override {
    const Status& st = status();
    FileFacts facts;
    if (st.error != 0) {
      facts.created.error = facts.accessed.error = facts.written.error = static_cast<unsigned long>(st.error);
      return facts;
    }
    facts.created = toCalendar(st.created.tv_sec);
    facts.accessed = toCalendar(st.accessed.tv_sec);
    facts.written = toCalendar(st.written.tv_sec);
    facts.sizeKnown = true;
    facts.size = st.size;
    return facts;
  }

 private:
  const Status& status() const {
    if (!statusRead_) {
      status_ = readStatus(folderFd_, entry_.d_name);
      statusRead_ = true;
    }
    return status_;
  }

  int folderFd_;
  const struct dirent& entry_;
  mutable Status status_;
  mutable bool statusRead_ = false;
};

class PosixFolderSource : public FolderSource {
 public:
  void list(const std::string& folder, FolderVisitor& visitor) override {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return;
    int fd = dirfd(dir);
    while (const struct dirent* entry = readdir(dir)) {
      const char* name = entry->d_name;
      if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
      visitor.visit(PosixEntry(fd, *entry));
    }
    closedir(dir);
  }

  std::string join(const std::string& folder, const char* name) const override {
    return joinPath(folder, name, '/', endsWithSeparator(folder, "/", nullptr));
  }

  const char* lineBreak() const override { return "\n"; }
};

class PosixOutput : public TextSink {
 public:
  bool write(const std::string& text) override {
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
      ssize_t written = ::write(STDOUT_FILENO, data, left);
      if (written < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      data += written;
      left -= static_cast<std::size_t>(written);
    }
    return true;
  }
};

}  // namespace

FolderSource& platformFolderSource() {
  static PosixFolderSource source;
  return source;
}

std::string folderArgument(const char* argument) { return argument; }

TextSink& standardOutput() {
  static PosixOutput output;
  return output;
}

}  // namespace verlist
