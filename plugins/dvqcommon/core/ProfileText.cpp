#include "ProfileText.h"

#include "ControlFile.h"

namespace dvq {

namespace {

std::string trimmed(const std::string& text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool sameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

std::string profileValue(const std::string& bytes, const std::string& section, const std::string& key,
                         const std::string& fallback, size_t limit) {
  bool inSection = false;
  for (const std::string& raw : textLines(bytes)) {
    std::string line = trimmed(raw);
    if (!line.empty() && line[0] == '[') {
      size_t close = line.find(']');
      inSection =
          close != std::string::npos && sameName(trimmed(line.substr(1, close - 1)), trimmed(section));
      continue;
    }
    if (!inSection) continue;
    size_t equals = line.find('=');
    if (equals == std::string::npos || !sameName(trimmed(line.substr(0, equals)), trimmed(key))) continue;
    std::string value = trimmed(line.substr(equals + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (value.size() > limit) value.resize(limit);
    return value;
  }
  return fallback.size() > limit ? fallback.substr(0, limit) : fallback;
}

}  // namespace dvq
