#pragma once

// Text of the listing: the header and the four pieces of a file line. Pure
// formatting of facts the platform layer has already gathered, so it carries no
// platform header and is tested the same way on every build.

#include <cstdint>
#include <string>

namespace verlist {

extern const char kHeader[];

// A file time as calendar fields in local time, or the platform's error code
// when converting it failed.
struct CalendarTime {
  bool valid = false;
  unsigned long error = 0;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// Where reading the version resource stopped.
enum class VersionStage {
  kFound,             // fixedMost/fixedLeast hold the file version
  kNoResource,        // the platform has no version resources, or the file has none
  kSizeFailed,        // the size of the version information could not be determined
  kReadFailed,        // the version information could not be read
  kFixedInfoMissing,  // the fixed file information is not in it
};

struct VersionResult {
  VersionStage stage = VersionStage::kNoResource;
  unsigned long error = 0;
  std::uint32_t fixedMost = 0, fixedLeast = 0;
};

struct FileFacts {
  CalendarTime created, accessed, written;
  bool sizeKnown = false;
  std::uint64_t size = 0;
  VersionResult version;
};

// Error codes with which the platform says "this file has no version resource"
// (resource data, type or name not found) rather than "something went wrong".
bool isMissingResourceError(unsigned long error);

// Each appender adds one piece including its trailing separator.
void appendTime(std::string& out, const CalendarTime& time);         // 19 characters and a space
void appendSize(std::string& out, const FileFacts& facts);           // at least 10 characters and a space
void appendVersion(std::string& out, const VersionResult& version);  // at least 18 characters and a space

// The whole line: the three times, size, version, path and the line break.
void appendFileLine(std::string& out, const FileFacts& facts, const char* path, const char* lineBreak);

}  // namespace verlist
