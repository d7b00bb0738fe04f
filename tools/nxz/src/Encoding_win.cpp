// Code pages on Windows: the system's own conversion tables.
#include <windows.h>

#include <string>

#include "Encoding.h"

namespace nox::nxz {

bool decodeCharacter(unsigned int codePage, const unsigned char* bytes, size_t n, char32_t& out) {
  WCHAR wide[2] = {};
  // MB_ERR_INVALID_CHARS: bytes that are no character fail rather than becoming
  // the code page's default character.
  int got = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(bytes),
                                static_cast<int>(n), wide, 2);
  if (got == 1) {
    out = wide[0];
    return true;
  }
  if (got == 2 && wide[0] >= 0xD800 && wide[0] < 0xDC00) {
    out = 0x10000 + ((static_cast<char32_t>(wide[0]) - 0xD800) << 10) + (wide[1] - 0xDC00);
    return true;
  }
  return false;
}

std::string utf8ToConsole(const std::string& utf8) {
  if (utf8.empty()) return utf8;
  int wideLength = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  if (wideLength <= 0) return utf8;
  std::wstring wide(static_cast<size_t>(wideLength), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], wideLength);
  int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return utf8;
  std::string out(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, &out[0], length, nullptr, nullptr);
  return out;
}

}  // namespace nox::nxz
