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

}  // namespace
