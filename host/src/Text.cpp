#include "Text.h"

#include <cstdio>

namespace host {

std::string trim(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return "";
  return text.substr(begin, text.find_last_not_of(" \t\r\n") - begin + 1);
}

bool sameText(const std::string& a, const std::string& b, LeadByteTest isLeadByte) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (isLeadByte && isLeadByte(x)) {
      // The character's two bytes must match as they stand.
      if (x != y || i + 1 >= a.size() || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::vector<std::string> splitTrimmed(const std::string& text, const char* separators) {
  std::vector<std::string> pieces;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of(separators, start);
    if (end == std::string::npos) end = text.size();
    std::string piece = trim(text.substr(start, end - start));
    if (!piece.empty()) pieces.push_back(piece);
    start = end + 1;
  }
  return pieces;
}

std::string firstLine(const std::string& text) { return trim(text.substr(0, text.find_first_of("\r\n"))); }

std::string sizeText(unsigned long long bytes) {
  char text[48];
  if (bytes < 1024) {
    std::snprintf(text, sizeof text, "%llu bytes", bytes);
    return text;
  }
  const char* units[] = {"KB", "MB", "GB", "TB"};
  double value = static_cast<double>(bytes) / 1024.0;
  int unit = 0;
  while (value >= 1024.0 && unit < 3) {
    value /= 1024.0;
    ++unit;
  }
  std::snprintf(text, sizeof text, value < 10.0 ? "%.1f %s" : "%.0f %s", value, units[unit]);
  return text;
}

}  // namespace host
