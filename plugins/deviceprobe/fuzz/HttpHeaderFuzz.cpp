// libFuzzer target: the answer cut into chunks at the points the first bytes
// choose; the body found chunk by chunk is the one a search of the whole finds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "HttpHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t firstCut = data[0], step = data[1] % 16 + 1;
  const std::string answer(reinterpret_cast<const char*>(data + 2), size - 2);
  HttpHeaderSkipper skipper;
  std::string body;
  for (size_t start = 0, cut = firstCut; start < answer.size(); cut = step) {
    const size_t length = std::min(cut, answer.size() - start);
    // Each chunk on a heap block of its own size, so a read past it is seen.
    char* chunk = static_cast<char*>(std::malloc(length ? length : 1));
    answer.copy(chunk, length, start);
    body.append(chunk + skipper.skip(chunk, length), chunk + length);
    std::free(chunk);
    start += length;
  }
  const size_t blank = answer.find("\r\n\r\n");
  const std::string expected = blank == std::string::npos ? "" : answer.substr(blank + 4);
  if (body != expected) std::abort();
  return 0;
}
