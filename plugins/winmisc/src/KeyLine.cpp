#include "KeyLine.h"

namespace winmisc {

void KeyLineScanner::feed(const char* bytes, size_t count) {
  for (size_t i = 0; i < count && !found_; ++i) {
    char c = bytes[i];
    if (carriageReturn_) {
      carriageReturn_ = false;
      if (c == '\n') {
        put('\n');
        continue;
      }
      put('\r');
      if (found_) return;
    }
    if (c == '\r') {
      carriageReturn_ = true;
    } else {
      put(c);
    }
  }
}

void KeyLineScanner::finish() {
  if (found_) return;
  if (carriageReturn_) {
    carriageReturn_ = false;
    put('\r');
  }
  if (!found_ && !line_.empty()) endLine();
}

void KeyLineScanner::put(char c) {
  line_ += c;
  if (c == '\n' || line_.size() == kLineLength) endLine();
}

void KeyLineScanner::endLine() {
  if (line_.find(marker_) != std::string::npos) {
    found_ = true;
    return;
  }
  line_.clear();
}

}  // namespace winmisc
