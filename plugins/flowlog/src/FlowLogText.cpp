#include "FlowLogText.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace flowlog {

Column parseColumnDefinition(const std::string& definition) {
  size_t comma = definition.find(',');
  if (comma == std::string::npos) return Column{definition, "STRING"};
  size_t second = definition.find(',', comma + 1);
  return Column{
      definition.substr(0, comma),
      definition.substr(comma + 1, second == std::string::npos ? std::string::npos : second - comma - 1)};
}

std::string selectStatement(const std::vector<Column>& columns, const std::string& table,
                            const std::string& docType) {
  std::string select = "SELECT ";
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i) select += ',';
    select += columns[i].name;
  }
  select += " FROM " + table;
  if (!docType.empty()) select += " WHERE docType='" + docType + "'";
  return select;
}

void appendCsvField(std::string& line, const std::string& value) {
  line += '"';
  for (char c : value) {
    if (c == '"') line += '"';
    line += c;
  }
  line += "\",";
}

ValueKind valueKind(const std::string& value, std::string& rest) {
  static const struct {
    const char* prefix;
    ValueKind kind;
  } prefixes[] = {
      {"data:", ValueKind::Data},
      {"plugin:", ValueKind::Plugin},
      {"code:", ValueKind::Code},
      {"str:", ValueKind::Coded},
  };
  for (const auto& entry : prefixes) {
    size_t length = std::strlen(entry.prefix);
    if (value.compare(0, length, entry.prefix) == 0) {
      rest = value.substr(length);
      return entry.kind;
    }
  }
  rest = value;
  return ValueKind::Plain;
}

MessageCode parseMessageCode(const std::string& text) {
  unsigned long facility = 0;
  size_t i = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    int digit = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                       : -1;
    if (digit < 0) break;
    // More digits than the number holds keep its largest value.
    facility = facility > (static_cast<unsigned long>(-1) >> 4)
                   ? static_cast<unsigned long>(-1)
                   : facility * 16 + static_cast<unsigned long>(digit);
  }
  long number = 1;
  if (i < text.size()) number = std::strtol(text.c_str() + i + 1, nullptr, 10);
  return MessageCode{facility, number};
}

bool parseSeconds(const std::string& text, long long& seconds) {
  if (text.empty()) return false;
  size_t start = text[0] == '-' || text[0] == '+' ? 1 : 0;
  if (start == text.size() || text.find_first_not_of("0123456789", start) != std::string::npos) return false;
  errno = 0;
  long long value = std::strtoll(text.c_str(), nullptr, 10);
  if (errno == ERANGE) return false;
  seconds = value;
  return true;
}

std::string dateText(int year, int month, int day, int hour, int minute, int second) {
  char text[48];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", year, month, day, hour, minute, second);
  return text;
}

namespace {

long long floorDivide(long long a, long long b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }

// Days since 1970-01-01 of a calendar date.
long long daysFromCivil(long long year, int month, int day) {
  year -= month <= 2;
  const long long era = floorDivide(year, 400);
  const long long yearOfEra = year - era * 400;
  const long long dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

bool leapYear(long long year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int daysInMonth(long long year, int month) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && leapYear(year) ? 29 : days[month - 1];
}

int clamp(int value, int low, int high) { return value < low ? low : value > high ? high : value; }

// The moment of `change` in `year` as seconds on the clock running before it;
// false when it does not happen that year.
bool changeInYear(const ZoneChange& change, long long year, long long& seconds) {
  if (change.month < 1 || change.month > 12) return false;
  int day;
  if (change.year != 0) {
    if (change.year != year) return false;
    day = clamp(change.day, 1, daysInMonth(year, change.month));
  } else {
    const long long first = daysFromCivil(year, change.month, 1);
    const int firstWeekday = static_cast<int>((first % 7 + 11) % 7);  // 1970-01-01 was a Thursday
    day = 1 + (clamp(change.dayOfWeek, 0, 6) - firstWeekday + 7) % 7 + (clamp(change.day, 1, 5) - 1) * 7;
    while (day > daysInMonth(year, change.month)) day -= 7;
  }
  seconds = daysFromCivil(year, change.month, day) * 86400 + clamp(change.hour, 0, 23) * 3600LL +
            clamp(change.minute, 0, 59) * 60LL + clamp(change.second, 0, 59);
  return true;
}

}  // namespace

CivilTime civilTime(long long seconds) {
  const long long days = floorDivide(seconds, 86400);
  const long long inDay = seconds - days * 86400;
  const long long shifted = days + 719468;
  const long long era = floorDivide(shifted, 146097);
  const long long dayOfEra = shifted - era * 146097;
  const long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const long long monthIndex = (5 * dayOfYear + 2) / 153;
  CivilTime time;
  time.day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  time.month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  time.year = yearOfEra + era * 400 + (time.month <= 2);
  time.hour = static_cast<int>(inDay / 3600);
  time.minute = static_cast<int>(inDay / 60 % 60);
  time.second = static_cast<int>(inDay % 60);
  return time;
}

CivilTime localTime(long long seconds, const TimeZone& zone) {
  // Without both changes the zone keeps one time all year, the bias alone.
  if (zone.standard.month == 0 || zone.daylight.month == 0) return civilTime(seconds - zone.bias * 60LL);
  const long long standardBias = (zone.bias + zone.standardBias) * 60LL;
  const long long daylightBias = (zone.bias + zone.daylightBias) * 60LL;
  const long long year = civilTime(seconds - standardBias).year;
  long long begins = 0;
  long long ends = 0;
  bool daylight = false;
  if (changeInYear(zone.daylight, year, begins) && changeInYear(zone.standard, year, ends)) {
    begins += standardBias;  // to UTC: daylight time begins on the standard clock
    ends += daylightBias;    // and ends on the daylight clock
    daylight = begins < ends ? seconds >= begins && seconds < ends : !(seconds >= ends && seconds < begins);
  }
  return civilTime(seconds - (daylight ? daylightBias : standardBias));
}

}  // namespace flowlog
