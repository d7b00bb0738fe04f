#include "Format.h"

#include <cstdio>

namespace verlist {

const char kHeader[] =
    "CreationTime________LastAccessTime______LastUpdateTime____________Size_Version____________FileName______"
    "____";

namespace {

// The listing of a large tree is mostly these digits, so the common cases are
// written by hand; anything unusual goes through the printf form it mirrors.
void appendTwoDigits(std::string& out, int value) {
  out.push_back(static_cast<char>('0' + value / 10));
  out.push_back(static_cast<char>('0' + value % 10));
}

bool inTwoDigits(int value) { return value >= 0 && value <= 99; }

void appendPadded(std::string& out, const char* text, std::size_t length, std::size_t width, bool left) {
  if (!left && length < width) out.append(width - length, ' ');
  out.append(text, length);
  if (left && length < width) out.append(width - length, ' ');
}

// printf's %d of the value as the platform's DWORD-sized code would be passed.
int asPrintedInt(unsigned long error) { return static_cast<int>(static_cast<std::uint32_t>(error)); }

}  // namespace

bool isMissingResourceError(unsigned long error) {
  // ERROR_RESOURCE_DATA_NOT_FOUND, ERROR_RESOURCE_TYPE_NOT_FOUND, ERROR_RESOURCE_NAME_NOT_FOUND
  return error >= 1812 && error <= 1814;
}

void appendTime(std::string& out, const CalendarTime& time) {
  char text[64];
  if (!time.valid) {
    // The left-aligned code keeps the column as wide as a date.
    int length = std::snprintf(text, sizeof text, "Error %-13d ", asPrintedInt(time.error));
    out.append(text, static_cast<std::size_t>(length));
    return;
  }
  if (time.year >= 0 && time.year <= 9999 && inTwoDigits(time.month) && inTwoDigits(time.day) &&
      inTwoDigits(time.hour) && inTwoDigits(time.minute) && inTwoDigits(time.second)) {
    appendTwoDigits(out, time.year / 100);
    appendTwoDigits(out, time.year % 100);
    out.push_back('/');
    appendTwoDigits(out, time.month);
    out.push_back('/');
    appendTwoDigits(out, time.day);
    out.push_back('_');
    appendTwoDigits(out, time.hour);
    out.push_back(':');
    appendTwoDigits(out, time.minute);
    out.push_back(':');
    appendTwoDigits(out, time.second);
    out.push_back(' ');
    return;
  }
  int length = std::snprintf(text, sizeof text, "%04d/%02d/%02d_%02d:%02d:%02d ", time.year, time.month,
                             time.day, time.hour, time.minute, time.second);
  out.append(text, static_cast<std::size_t>(length));
}

void appendSize(std::string& out, const FileFacts& facts) {
  if (!facts.sizeKnown) {
    out.append("Unknown    ");
    return;
  }
  // All 64 bits: a 32-bit column would show files over 2 GB as negative sizes.
  char digits[24];
  std::size_t count = 0;
  std::uint64_t rest = facts.size;
  do {
    digits[sizeof digits - 1 - count++] = static_cast<char>('0' + rest % 10);
    rest /= 10;
  } while (rest != 0);
  appendPadded(out, digits + sizeof digits - count, count, 10, false);
  out.push_back(' ');
}

void appendVersion(std::string& out, const VersionResult& version) {
  char text[64];
  int length = 0;
  switch (version.stage) {
    case VersionStage::kFound:
      length = std::snprintf(text, sizeof text, "%d.%d.%d.%d", static_cast<int>(version.fixedMost >> 16),
                             static_cast<int>(version.fixedMost & 0xFFFF),
                             static_cast<int>(version.fixedLeast >> 16),
                             static_cast<int>(version.fixedLeast & 0xFFFF));
      break;
    case VersionStage::kNoResource:
      break;
    case VersionStage::kSizeFailed:
    case VersionStage::kReadFailed:
    case VersionStage::kFixedInfoMissing:
      if (!isMissingResourceError(version.error)) {
        int stageNumber = version.stage == VersionStage::kSizeFailed   ? 1
                          : version.stage == VersionStage::kReadFailed ? 2
                                                                       : 3;
        length = std::snprintf(text, sizeof text, "Error%d %d", stageNumber, asPrintedInt(version.error));
      }
      break;
  }
  if (length <= 0) {
    text[0] = '-';
    length = 1;
  }
  appendPadded(out, text, static_cast<std::size_t>(length), 18, true);
  out.push_back(' ');
}

void appendFileLine(std::string& out, const FileFacts& facts, const char* path, const char* lineBreak) {
  appendTime(out, facts.created);
  appendTime(out, facts.accessed);
  appendTime(out, facts.written);
  appendSize(out, facts);
  appendVersion(out, facts.version);
  out.append(path);
  out.append(lineBreak);
}

}  // namespace verlist
