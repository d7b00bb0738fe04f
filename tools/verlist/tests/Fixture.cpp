#include "Fixture.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#endif

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace verlist_test {

#ifdef _WIN32
const char kSeparator = '\\';
const char* const kLineBreak = "\r\n";
#else
const char kSeparator = '/';
const char* const kLineBreak = "\n";
#endif

ScratchFolder::ScratchFolder() {
#ifdef _WIN32
  static int serial = 0;
  char temp[MAX_PATH];
  DWORD length = GetTempPathA(MAX_PATH, temp);
  EXPECT_GT(length, 0u);
  path_ = std::string(temp, length);
  if (path_.back() != '\\') path_.push_back('\\');
  path_ += "verlist-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
  EXPECT_TRUE(CreateDirectoryA(path_.c_str(), nullptr)) << path_ << ": " << GetLastError();
#else
  char pattern[] = "/tmp/verlist-test-XXXXXX";
  const char* made = mkdtemp(pattern);
  EXPECT_NE(made, nullptr);
  path_ = made != nullptr ? made : "/nonexistent";
#endif
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ScratchFolder::at(const std::string& relative) const {
  std::string path = path_ + kSeparator + relative;
  for (char& c : path) {
    if (c == '/') c = kSeparator;
  }
  return path;
}

void ScratchFolder::addFolder(const std::string& relative) const {
  std::error_code error;
  EXPECT_TRUE(std::filesystem::create_directories(at(relative), error))
      << relative << ": " << error.message();
}

void ScratchFolder::addFile(const std::string& relative, std::size_t size) const {
  std::ofstream file(at(relative), std::ios::binary);
  file << std::string(size, 'x');
  EXPECT_TRUE(file.good()) << relative;
}

void ScratchFolder::copyFile(const std::string& from, const std::string& relative) const {
  std::error_code error;
  EXPECT_TRUE(std::filesystem::copy_file(from, at(relative), error)) << from << ": " << error.message();
}

#ifdef _WIN32

namespace {
FILETIME toFileTime(const LocalTime& time) {
  SYSTEMTIME fields = {};
  fields.wYear = static_cast<WORD>(time.year);
  fields.wMonth = static_cast<WORD>(time.month);
  fields.wDay = static_cast<WORD>(time.day);
  fields.wHour = static_cast<WORD>(time.hour);
  fields.wMinute = static_cast<WORD>(time.minute);
  fields.wSecond = static_cast<WORD>(time.second);
  FILETIME local = {}, universal = {};
  EXPECT_TRUE(SystemTimeToFileTime(&fields, &local));
  EXPECT_TRUE(LocalFileTimeToFileTime(&local, &universal));
  return universal;
}
}  // namespace

void setFileTimes(const std::string& path, const LocalTime& accessed, const LocalTime& written) {
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path << ": " << GetLastError();
  FILETIME access = toFileTime(accessed), write = toFileTime(written);
  EXPECT_TRUE(SetFileTime(file, nullptr, &access, &write)) << path << ": " << GetLastError();
  CloseHandle(file);
}

void makeHiddenSystem(const std::string& path) {
  EXPECT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
      << GetLastError();
  DWORD attributes = GetFileAttributesA(path.c_str());
  EXPECT_EQ(attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
            static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
      << path;
}

#else

namespace {
struct timespec toTimespec(const LocalTime& time) {
  struct tm fields = {};
  fields.tm_year = time.year - 1900;
  fields.tm_mon = time.month - 1;
  fields.tm_mday = time.day;
  fields.tm_hour = time.hour;
  fields.tm_min = time.minute;
  fields.tm_sec = time.second;
  fields.tm_isdst = -1;
  struct timespec result = {};
  result.tv_sec = mktime(&fields);
  EXPECT_NE(result.tv_sec, static_cast<time_t>(-1));
  return result;
}
}  // namespace

void setFileTimes(const std::string& path, const LocalTime& accessed, const LocalTime& written) {
  struct timespec times[2] = {toTimespec(accessed), toTimespec(written)};
  EXPECT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

// Hidden means a leading dot here, which the caller's name already carries;
// there is no system attribute.
void makeHiddenSystem(const std::string&) {}

#endif

}  // namespace verlist_test
