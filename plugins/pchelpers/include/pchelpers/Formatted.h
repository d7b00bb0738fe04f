#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>

// printf-style text of any length.
inline std::string formatted(const char* format, ...) __attribute__((format(__MINGW_PRINTF_FORMAT, 1, 2)));
inline std::string formatted(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  va_list again;
  va_copy(again, arguments);
  int length = std::vsnprintf(nullptr, 0, format, arguments);
  va_end(arguments);
  std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(&text[0], text.size() + 1, format, again);
  va_end(again);
  return text;
}
