#include "FlowLogText.h"

#include <gtest/gtest.h>

namespace {

using namespace flowlog;

TEST(FlowLogText, ColumnDefinitions) {
  const struct {
    const char* definition;
    const char* name;
    const char* type;
  } rows[] = {
      {"RecvDate,DATE", "RecvDate", "DATE"},
      {"Sender,STRING,64", "Sender", "STRING"},
      {"Note", "Note", "STRING"},
      {"Pages,INTEGER,4,x", "Pages", "INTEGER"},
      {"Odd,", "Odd", ""},
      {",DATE", "", "DATE"},
      {"Spaced, DATE", "Spaced", " DATE"},
      {"", "", "STRING"},
  };
  for (const auto& row : rows) {
    Column column = parseColumnDefinition(row.definition);
    EXPECT_EQ(column.name, row.name) << row.definition;
    EXPECT_EQ(column.type, row.type) << row.definition;
  }
}

TEST(FlowLogText, Statements) {
  std::vector<Column> columns = {{"RecvDate", "DATE"}, {"docType", "STRING"}, {"Sender", "STRING"}};
  EXPECT_EQ(selectStatement(columns, "DeliverLog", "SCN"),
            "SELECT RecvDate,docType,Sender FROM DeliverLog WHERE docType='SCN'");
  EXPECT_EQ(selectStatement(columns, "ErrorLog", ""), "SELECT RecvDate,docType,Sender FROM ErrorLog");
  EXPECT_EQ(selectStatement({{"One", "STRING"}}, "T", ""), "SELECT One FROM T");
}

TEST(FlowLogText, CsvFields) {
  const struct {
    const char* value;
    const char* field;
  } rows[] = {
      {"", "\"\","},       {"plain", "\"plain\","}, {"say \"hi\"", "\"say \"\"hi\"\"\","},
      {"\"", "\"\"\"\","}, {"a,b", "\"a,b\","},     {"line\r\nbreak\n", "\"line\r\nbreak\n\","},
  };
  for (const auto& row : rows) {
    std::string line = "x";
    appendCsvField(line, row.value);
    EXPECT_EQ(line, std::string("x") + row.field) << row.value;
  }
  std::string withNul;
  appendCsvField(withNul, std::string("a\0b", 3));
  EXPECT_EQ(withNul, std::string("\"a\0b\",", 6)) << "nothing after a NUL is lost";
}

TEST(FlowLogText, ValuePrefixes) {
  const struct {
    const char* value;
    ValueKind kind;
    const char* rest;
  } rows[] = {
      {"data:x", ValueKind::Data, "x"},
      {"data:", ValueKind::Data, ""},
      {"plugin:scan", ValueKind::Plugin, "scan"},
      {"code:1A:2", ValueKind::Code, "1A:2"},
      {"str:%41", ValueKind::Coded, "%41"},
      {"Data:x", ValueKind::Plain, "Data:x"},
      {"data", ValueKind::Plain, "data"},
      {" data:x", ValueKind::Plain, " data:x"},
      {"", ValueKind::Plain, ""},
  };
  for (const auto& row : rows) {
    std::string rest;
    EXPECT_EQ(valueKind(row.value, rest), row.kind) << row.value;
    EXPECT_EQ(rest, row.rest) << row.value;
  }
}

TEST(FlowLogText, MessageCodes) {
  const struct {
    const char* text;
    unsigned long facility;
    long number;
  } rows[] = {
      {"1A2B:5", 0x1A2B, 5}, {"1A2B", 0x1A2B, 1}, {"10", 0x10, 1},
      {"ff-12", 0xFF, 12},   {"zz", 0, 0},        {"", 0, 1},
      {"7:", 7, 0},          {"0x10", 0, 10},     {"FFFFFFFFFFFFFFFFFFFF", static_cast<unsigned long>(-1), 1},
  };
  for (const auto& row : rows) {
    MessageCode code = parseMessageCode(row.text);
    EXPECT_EQ(code.facility, row.facility) << row.text;
    EXPECT_EQ(code.number, row.number) << row.text;
  }
}

TEST(FlowLogText, Seconds) {
  long long seconds = -1;
  EXPECT_TRUE(parseSeconds("0", seconds));
  EXPECT_EQ(seconds, 0);
  EXPECT_TRUE(parseSeconds("1700000000", seconds));
  EXPECT_EQ(seconds, 1700000000);
  EXPECT_TRUE(parseSeconds("-86400", seconds));
  EXPECT_EQ(seconds, -86400);
  EXPECT_TRUE(parseSeconds("4102444800", seconds)) << "past 2038";
  EXPECT_EQ(seconds, 4102444800LL);
  for (const char* text : {"", "-", "12a", " 12", "1.5", "not a date", "99999999999999999999"}) {
    EXPECT_FALSE(parseSeconds(text, seconds)) << text;
  }
}

TEST(FlowLogText, Dates) {
  EXPECT_EQ(dateText(1970, 1, 1, 0, 0, 0), "1970/01/01 00:00:00");
  EXPECT_EQ(dateText(2023, 11, 14, 22, 13, 20), "2023/11/14 22:13:20");
}

std::string text(const CivilTime& time) {
  return dateText(static_cast<int>(time.year), time.month, time.day, time.hour, time.minute, time.second);
}

TEST(FlowLogText, CalendarDates) {
  const struct {
    long long seconds;
    const char* text;
  } rows[] = {
      {0, "1970/01/01 00:00:00"},
      {-1, "1969/12/31 23:59:59"},
      {951782400, "2000/02/29 00:00:00"},
      {951868800, "2000/03/01 00:00:00"},
      {1709164800, "2024/02/29 00:00:00"},
      {4102444800LL, "2100/01/01 00:00:00"},
      {-11644473600LL, "1601/01/01 00:00:00"},
      {253402300799LL, "9999/12/31 23:59:59"},
  };
  for (const auto& row : rows) EXPECT_EQ(text(civilTime(row.seconds)), row.text) << row.seconds;
}

ZoneChange change(int month, int dayOfWeek, int week, int hour) {
  ZoneChange result;
  result.month = month;
  result.dayOfWeek = dayOfWeek;
  result.day = week;
  result.hour = hour;
  return result;
}

TimeZone zone(long bias, ZoneChange daylight, ZoneChange standard) {
  TimeZone result;
  result.bias = bias;
  result.daylightBias = -60;
  result.daylight = daylight;
  result.standard = standard;
  return result;
}

// Daylight time goes by the date's own rules, around both changes, in both
// hemispheres, with "the last Sunday" rules too.
TEST(FlowLogText, LocalTimesWithDaylightTime) {
  const TimeZone newYork = zone(300, change(3, 0, 2, 2), change(11, 0, 1, 2));
  const TimeZone berlin = zone(-60, change(3, 0, 5, 2), change(10, 0, 5, 3));
  const TimeZone sydney = zone(-600, change(10, 0, 1, 2), change(4, 0, 1, 3));
  const struct {
    const TimeZone& zone;
    long long seconds;
    const char* local;
  } rows[] = {
      {newYork, 1688212800, "2023/07/01 08:00:00"}, {newYork, 1673784000, "2023/01/15 07:00:00"},
      {newYork, 1678604399, "2023/03/12 01:59:59"}, {newYork, 1678604400, "2023/03/12 03:00:00"},
      {newYork, 1699163999, "2023/11/05 01:59:59"}, {newYork, 1699164000, "2023/11/05 01:00:00"},
      {newYork, 1699167600, "2023/11/05 02:00:00"}, {berlin, 1679792399, "2023/03/26 01:59:59"},
      {berlin, 1679792400, "2023/03/26 03:00:00"},  {berlin, 1698541199, "2023/10/29 02:59:59"},
      {berlin, 1698541200, "2023/10/29 02:00:00"},  {sydney, 1673740800, "2023/01/15 11:00:00"},
      {sydney, 1689379200, "2023/07/15 10:00:00"},  {sydney, 1680364799, "2023/04/02 02:59:59"},
      {sydney, 1680364800, "2023/04/02 02:00:00"},  {sydney, 1696089599, "2023/10/01 01:59:59"},
      {sydney, 1696089600, "2023/10/01 03:00:00"},
  };
  for (const auto& row : rows) EXPECT_EQ(text(localTime(row.seconds, row.zone)), row.local) << row.seconds;

  TimeZone tokyo;
  tokyo.bias = -540;
  EXPECT_EQ(text(localTime(0, tokyo)), "1970/01/01 09:00:00") << "no daylight time: the bias alone";
  TimeZone once = newYork;
  once.daylight.year = once.standard.year = 2022;
  once.daylight.day = 13;
  once.standard.day = 6;
  EXPECT_EQ(text(localTime(1657022400, once)), "2022/07/05 08:00:00") << "a rule of one year, in that year";
  EXPECT_EQ(text(localTime(1688212800, once)), "2023/07/01 07:00:00") << "and not in another";
}

}  // namespace
