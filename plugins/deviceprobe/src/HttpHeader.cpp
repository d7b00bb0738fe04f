#include "HttpHeader.h"

size_t HttpHeaderSkipper::skip(const char* chunk, size_t length) {
  static const char kBlankLine[] = "\r\n\r\n";
  size_t i = 0;
  while (matched_ < 4 && i < length) {
    const char c = chunk[i++];
    if (c == kBlankLine[matched_]) {
      ++matched_;
    } else {
      matched_ = c == '\r' ? 1 : 0;
    }
  }
  return matched_ == 4 ? i : length;
}
