// Code pages on Linux: glibc's iconv knows them as "CP<number>".
#include <iconv.h>

#include <cstring>
#include <map>
#include <string>

#include "Encoding.h"

namespace nox::nxz {

namespace {

// One converter per code page for the life of the program (tables are built a
// character at a time).
struct Converters {
  ~Converters() {
    for (auto& c : byCodePage)
      if (c.second != reinterpret_cast<iconv_t>(-1)) iconv_close(c.second);
  }
  std::map<unsigned int, iconv_t> byCodePage;
};

iconv_t converterFor(unsigned int codePage) {
  static Converters converters;
  auto found = converters.byCodePage.find(codePage);
  if (found != converters.byCodePage.end()) return found->second;
  std::string from = codePage == 28591 ? "ISO-8859-1" : "CP" + std::to_string(codePage);
  iconv_t cd = iconv_open("UTF-32LE", from.c_str());
  converters.byCodePage[codePage] = cd;
  return cd;
}

}  // namespace

bool decodeCharacter(unsigned int codePage, const unsigned char* bytes, size_t n, char32_t& out) {
  iconv_t cd = converterFor(codePage);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char in[4] = {};
  std::memcpy(in, bytes, n);
  unsigned char result[8] = {};
  char* inPtr = in;
  size_t inLeft = n;
  char* outPtr = reinterpret_cast<char*>(result);
  size_t outLeft = sizeof result;
  size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  // Exactly one character from all the bytes.
  if (rc == static_cast<size_t>(-1) || inLeft != 0 || sizeof result - outLeft != 4) return false;
  out = static_cast<char32_t>(result[0] | (result[1] << 8) | (result[2] << 16) |
                              (static_cast<uint32_t>(result[3]) << 24));
  return true;
}

std::string utf8ToConsole(const std::string& utf8) { return utf8; }

}  // namespace nox::nxz
