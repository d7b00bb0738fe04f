// The key-line scanner on arbitrary bytes: the same line whatever the pieces
// the file is read in, never longer than a line can be, always holding the marker.
#include <cstddef>
#include <cstdint>
#include <string>

#include "KeyLine.h"

namespace {
std::string scan(const uint8_t* data, size_t size, size_t piece) {
  winmisc::KeyLineScanner scanner("MyCreateService:");
  for (size_t at = 0; at < size && !scanner.found(); at += piece)
    scanner.feed(reinterpret_cast<const char*>(data) + at, size - at < piece ? size - at : piece);
  scanner.finish();
  return scanner.line();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte chooses how the rest is cut into pieces.
  size_t piece = 1 + data[0] % 16;
  std::string whole = scan(data + 1, size - 1, size);
  std::string cut = scan(data + 1, size - 1, piece);
  if (whole != cut) __builtin_trap();
  if (whole.size() > winmisc::KeyLineScanner::kLineLength) __builtin_trap();
  if (!whole.empty() && whole.find("MyCreateService:") == std::string::npos) __builtin_trap();
  return 0;
}
