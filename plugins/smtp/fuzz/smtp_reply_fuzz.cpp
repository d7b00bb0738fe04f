// libFuzzer target: any bytes as a server's answer, delivered whole and in
// pieces; the outcome must not depend on how the answer was split, and the kept
// text never exceeds its limit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "SmtpReply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte chooses the piece length, the rest is the answer.
  size_t piece = data[0] % 16 + 1;
  const char* bytes = reinterpret_cast<const char*>(data + 1);
  size_t length = size - 1;
  smtp::ReplyAssembler whole;
  whole.add(bytes, length);
  smtp::ReplyAssembler split;
  for (size_t at = 0; at < length; at += piece)
    split.add(bytes + at, length - at < piece ? length - at : piece);
  if (whole.complete() != split.complete() || whole.text() != split.text()) std::abort();
  if (whole.text().size() > smtp::kMaxReplyText) std::abort();
  smtp::firstNumber(whole.text());
  return 0;
}
