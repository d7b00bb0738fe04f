// Fuzzes the texts FlowLog makes from the router's settings and rows. A CSV
// field must read back as the value it was made from.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FlowLogText.h"

namespace {

// Reads one quoted field as a CSV reader does; the position after its comma.
std::string readField(const std::string& line, size_t& at) {
  if (line[at] != '"') std::abort();
  std::string value;
  for (size_t i = at + 1; i < line.size(); ++i) {
    if (line[i] != '"') {
      value += line[i];
    } else if (i + 1 < line.size() && line[i + 1] == '"') {
      value += '"';
      ++i;
    } else {
      if (i + 1 >= line.size() || line[i + 1] != ',') std::abort();
      at = i + 2;
      return value;
    }
  }
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  flowlog::Column column = flowlog::parseColumnDefinition(text);
  // The name is the text up to the first comma; the type comes from the text, or is "STRING".
  if (text.compare(0, column.name.size(), column.name) != 0) std::abort();
  const bool hasComma = column.name.size() < text.size();
  if (hasComma ? text.find(column.type, column.name.size() + 1) != column.name.size() + 1
               : column.type != "STRING")
    std::abort();
  flowlog::selectStatement({column, column}, column.name, column.type);

  std::string line;
  flowlog::appendCsvField(line, text);
  flowlog::appendCsvField(line, column.name);
  size_t at = 0;
  if (readField(line, at) != text || readField(line, at) != column.name || at != line.size()) std::abort();

  std::string rest;
  flowlog::valueKind(text, rest);
  if (rest.size() > text.size()) std::abort();
  flowlog::parseMessageCode(text);
  long long seconds = 0;
  if (flowlog::parseSeconds(text, seconds) && seconds > -1000000000000LL && seconds < 1000000000000LL) {
    // Any rules Windows might hand over: the date stays a date.
    flowlog::TimeZone zone;
    const auto byte = [&](size_t i) { return i < size ? static_cast<int>(data[i]) : 0; };
    zone.bias = byte(0) * 16 - 2048;
    zone.daylightBias = byte(1) - 128;
    zone.standardBias = byte(2) - 128;
    zone.daylight.month = byte(3) % 14;
    zone.daylight.dayOfWeek = byte(4) % 9;
    zone.daylight.day = byte(5) % 33;
    zone.daylight.hour = byte(6) % 26;
    zone.standard.month = byte(7) % 14;
    zone.standard.day = byte(8) % 33;
    zone.standard.year = byte(9) % 2 ? 1970 + byte(10) : 0;
    const flowlog::CivilTime time = flowlog::localTime(seconds, zone);
    if (time.month < 1 || time.month > 12 || time.day < 1 || time.day > 31 || time.hour < 0 ||
        time.hour > 23 || time.minute < 0 || time.minute > 59 || time.second < 0 || time.second > 59)
      std::abort();
  }
  return 0;
}
