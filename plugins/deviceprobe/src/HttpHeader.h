#pragma once

// Finds where the body of an HTTP answer starts while the answer arrives in
// chunks: after the first blank line ("\r\n\r\n"), which may be split over
// chunks. Portable (no Windows header); looks at no byte outside a chunk.

#include <cstddef>

class HttpHeaderSkipper {
 public:
  // How many bytes at the start of this chunk still belong to the header
  // (the whole chunk while the blank line has not been seen).
  size_t skip(const char* chunk, size_t length);
  bool headerDone() const { return matched_ == 4; }

 private:
  int matched_ = 0;  // characters of "\r\n\r\n" seen so far
};
