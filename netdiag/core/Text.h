#pragma once

#include <cstddef>
#include <cstring>
#include <string>

namespace netdiag {

// Copies text into a fixed field, cut so that it fits with its terminating zero.
template <size_t N>
void copyField(char (&field)[N], const std::string& text) {
  size_t length = text.size() < N - 1 ? text.size() : N - 1;
  std::memcpy(field, text.data(), length);
  field[length] = '\0';
}

template <size_t N>
std::string fieldText(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

inline bool equalsIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// Four decimal numbers of at most 255 joined by dots, nothing else.
bool parseDottedAddress(const std::string& text, unsigned char octets[4]);

}  // namespace netdiag
