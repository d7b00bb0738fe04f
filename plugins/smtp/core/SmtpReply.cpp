#include "SmtpReply.h"

namespace smtp {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

constexpr long kLargestNumber = 2147483647;

}  // namespace

void ReplyAssembler::add(const char* bytes, size_t length) {
  if (length == 0) return;
  received_ = true;
  size_t room = kMaxReplyText - text_.size();
  text_.append(bytes, length < room ? length : room);
  for (size_t i = 0; i < length && !complete_; ++i) {
    char c = bytes[i];
    if (c == '\n') {
      // "250 text" or a bare "250" ends the answer; "250-text" does not.
      bool code =
          lineLength_ >= 3 && isDigit(lineStart_[0]) && isDigit(lineStart_[1]) && isDigit(lineStart_[2]);
      char after = lineLength_ > 3 ? lineStart_[3] : '\r';
      complete_ = code && (after == ' ' || after == '\r');
      lineLength_ = 0;
      continue;
    }
    if (lineLength_ < sizeof lineStart_) lineStart_[lineLength_] = c;
    ++lineLength_;
  }
}

long firstNumber(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && !isDigit(text[i])) ++i;
  long value = 0;
  for (; i < text.size() && isDigit(text[i]); ++i) {
    int digit = text[i] - '0';
    value = value > (kLargestNumber - digit) / 10 ? kLargestNumber : value * 10 + digit;
  }
  return value;
}

}  // namespace smtp
