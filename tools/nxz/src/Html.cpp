#include "Html.h"

#include <cstdint>
#include <cstdio>

namespace nox::nxz {

std::string escapeHtml(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size() + 16);
  for (char c : utf8) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

void writeJsonString(std::ostream& out, const std::string& utf8) {
  static const char kHex[] = "0123456789abcdef";
  std::string buffer;
  buffer.reserve(utf8.size() + 2);
  buffer += '"';
  for (size_t i = 0; i < utf8.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c == '"' || c == '\\') {
      buffer += '\\';
      buffer += static_cast<char>(c);
    } else if (c < 0x20 || c == '<' || c == '>' || c == '&') {
      buffer += "\\u00";
      buffer += kHex[c >> 4];
      buffer += kHex[c & 15];
    } else if (c == 0xE2 && i + 2 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) == 0x80 &&
               (static_cast<unsigned char>(utf8[i + 2]) == 0xA8 ||
                static_cast<unsigned char>(utf8[i + 2]) == 0xA9)) {
      buffer += static_cast<unsigned char>(utf8[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
      i += 2;
    } else {
      buffer += static_cast<char>(c);
    }
  }
  buffer += '"';
  out << buffer;
}

std::string formatBytes(uint64_t bytes) {
  char text[48];
  if (bytes < 1024) {
    std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
  } else if (bytes < 1024 * 1024) {
    std::snprintf(text, sizeof text, "%.1f KB", static_cast<double>(bytes) / 1024);
  } else if (bytes < 1024ull * 1024 * 1024) {
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024 * 1024));
  } else {
    std::snprintf(text, sizeof text, "%.2f GB", static_cast<double>(bytes) / (1024.0 * 1024 * 1024));
  }
  return text;
}

}  // namespace nox::nxz
