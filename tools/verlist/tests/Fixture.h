#pragma once

// Scratch folder trees for the program tests, removed again on destruction.

#include <string>

namespace verlist_test {

extern const char kSeparator;
extern const char* const kLineBreak;

struct LocalTime {
  int year, month, day, hour, minute, second;
};

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }
  // `relative` uses '/' between names; the result uses the platform separator.
  std::string at(const std::string& relative) const;

  void addFolder(const std::string& relative) const;
  void addFile(const std::string& relative, std::size_t size) const;
  void copyFile(const std::string& from, const std::string& relative) const;

 private:
  std::string path_;
};

// Sets the last access and last write times of a file, given in local time.
void setFileTimes(const std::string& path, const LocalTime& accessed, const LocalTime& written);

// Makes the file hidden and system where the platform has such attributes.
void makeHiddenSystem(const std::string& path);

}  // namespace verlist_test
