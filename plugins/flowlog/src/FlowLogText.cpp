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

}  // namespace flowlog
