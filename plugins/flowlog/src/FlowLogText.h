#pragma once

// The texts FlowLog.nxo makes from the router's settings and rows: column
// definitions, the statement, CSV fields, the "code:" reference and the date
// text. Portable: no Windows header.

#include <string>
#include <vector>

namespace flowlog {

struct Column {
  std::string name;
  std::string type;  // "DATE", "STRING" or any other text, written unchanged
};

// "name,type[,more]": the type is the text between the first and the second
// comma; without a comma the whole text names a column of type "STRING".
Column parseColumnDefinition(const std::string& definition);

// "SELECT a,b FROM T WHERE docType='D'", or without the WHERE clause when
// docType is empty.
std::string selectStatement(const std::vector<Column>& columns, const std::string& table,
                            const std::string& docType);

// Appends `value` in double quotes, each double quote inside doubled, and a
// comma. Line breaks stay inside the quotes, so CSV readers get them back.
void appendCsvField(std::string& line, const std::string& value);

// The prefix of a STRING value that says how to read the rest.
enum class ValueKind { Plain, Data, Plugin, Code, Coded };
// The kind of `value`; `rest` receives the text after the prefix (all of it for Plain).
ValueKind valueKind(const std::string& value, std::string& rest);

// "code:" values: a hexadecimal facility, then, after any other character, the
// decimal message number (1 when nothing follows the facility).
struct MessageCode {
  unsigned long facility;
  long number;
};
MessageCode parseMessageCode(const std::string& text);

// A DATE value: a decimal count of seconds since 1970-01-01 UTC, optionally
// signed. False for any other text.
bool parseSeconds(const std::string& text, long long& seconds);

// "YYYY/MM/DD hh:mm:ss".
std::string dateText(int year, int month, int day, int hour, int minute, int second);

// A change between standard and daylight time, as Windows keeps it in its time
// zone record: month 0 means there is none. With year 0 the change recurs every
// year on the day-th (1 to 4; 5 is the last) dayOfWeek (0 is Sunday) of the
// month; otherwise it holds in that year only, on that day of the month. The
// time of day is on the clock that is running before the change.
struct ZoneChange {
  int year = 0;
  int month = 0;
  int dayOfWeek = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// Minutes to add to local time to get UTC: bias, plus standardBias or
// daylightBias while that time runs.
struct TimeZone {
  long bias = 0;
  long standardBias = 0;
  long daylightBias = 0;
  ZoneChange standard;  // daylight time ends
  ZoneChange daylight;  // daylight time begins
};

struct CivilTime {
  long long year;
  int month, day, hour, minute, second;
};

// Seconds since 1970-01-01 as a calendar date and time (proleptic Gregorian).
CivilTime civilTime(long long seconds);

// Seconds since 1970-01-01 UTC as the local time of `zone`, with daylight time
// applied by the zone's rules for the date itself (not by today's).
CivilTime localTime(long long seconds, const TimeZone& zone);

}  // namespace flowlog
