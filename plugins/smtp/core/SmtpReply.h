#pragma once

#include <cstddef>
#include <string>

namespace smtp {

// Most text kept of one server answer (one receive buffer of 8192 bytes with
// its terminating zero); the rest of a longer answer is read and dropped.
constexpr size_t kMaxReplyText = 8191;

// Collects one SMTP answer from the pieces a connection delivers, however the
// server splits it. The answer ends with its last line: three digits followed
// by a blank or by the line end ("250 HELP", "250"); the lines before it carry a
// hyphen after the digits ("250-SIZE 1000"). Lines end with LF (CR LF or LF).
class ReplyAssembler {
 public:
  // Adds received bytes. Text beyond kMaxReplyText is not kept but still read
  // for the end of the answer.
  void add(const char* bytes, size_t length);
  // The last line of the answer has arrived.
  bool complete() const { return complete_; }
  // Nothing has arrived yet.
  bool empty() const { return !received_; }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
  char lineStart_[4] = {};  // the first characters of the line being received
  size_t lineLength_ = 0;
  bool complete_ = false;
  bool received_ = false;
};

// The first run of decimal digits in text as a number; 0 when there is none.
// A run too large for a 32-bit signed number gives 2147483647.
long firstNumber(const std::string& text);

}  // namespace smtp
