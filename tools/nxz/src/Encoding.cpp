#include "Encoding.h"

#include <cctype>
#include <cstdlib>

#include "nox/archive/Extract.h"

namespace nox::nxz {

namespace {

std::string lower(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool numberAfter(const std::string& name, const char* prefix, unsigned int& number) {
  std::string p = prefix;
  if (name.compare(0, p.size(), p) != 0 || name.size() == p.size()) return false;
  for (size_t i = p.size(); i < name.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(name[i]))) return false;
  number = static_cast<unsigned int>(std::strtoul(name.c_str() + p.size(), nullptr, 10));
  return number != 0;
}

// Code page 1252 at 0x80..0x9F; 0 where 1252 has no character.
const char32_t k1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool validUtf8WithMultibyte(const std::string& s) {
  bool multibyte = false;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || (n == 2 && c < 0xC2)) return false;
    if (i + n > s.size()) return multibyte;  // cut at the end of a shown piece
    for (size_t k = 1; k < n; ++k)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    multibyte |= n > 1;
    i += n;
  }
  return multibyte;
}

// Valid UTF-8 as it is; each byte of a broken sequence becomes U+FFFD.
std::string cleanUtf8(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    bool ok = n != 0 && !(n == 2 && c < 0xC2) && i + n <= s.size();
    for (size_t k = 1; ok && k < n; ++k) ok = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
    if (ok) {
      out.append(s, i, n);
      i += n;
    } else {
      appendUtf8(out, kReplacement);
      ++i;
    }
  }
  return out;
}

}  // namespace

unsigned int codePageOfEncoding(const std::string& encoding) {
  const std::string name = lower(encoding);
  struct Known {
    const char* name;
    unsigned int codePage;
  };
  static const Known kKnown[] = {{"iso-8859-1", 1252}, {"us-ascii", 1252},      {"shift_jis", 932},
                                 {"gb2312", 936},      {"ks_c_5601-1987", 949}, {"big5", 950},
                                 {"iso-8859-2", 1250}, {"utf-8", 65001},        {"utf-16", 1200}};
  for (const Known& k : kKnown)
    if (name == k.name) return k.codePage;
  unsigned int number = 0;
  if (numberAfter(name, "windows-", number) || numberAfter(name, "cp", number) ||
      numberAfter(name, "x-nox-cp", number))
    return number;
  return 0;
}

void appendUtf8(std::string& out, char32_t c) {
  if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

CodePage::CodePage(unsigned int codePage)
    : number_(codePage), isLead_(archive::leadBytesOfCodePage(codePage)), singles_(256, 0) {}

bool CodePage::isLead(unsigned char byte) const { return isLead_ && isLead_(byte); }

char32_t CodePage::single(unsigned char byte) {
  if (byte < 0x80) return byte;
  char32_t& known = singles_[byte];
  if (known == 0) {
    char32_t c = 0;
    if (number_ == 1252 && byte < 0xA0) {
      c = k1252High[byte - 0x80];
    } else if (number_ == 1252 || number_ == 28591) {
      c = byte;  // the rest of 1252 is Latin-1
    } else if (!isLead(byte) && !decodeCharacter(number_, &byte, 1, c)) {
      c = 0;
    }
    known = c == 0 ? kReplacement : c;
  }
  return known;
}

char32_t CodePage::pair(unsigned char lead, unsigned char trail) {
  if (pairs_.empty()) pairs_.resize(256);
  std::vector<char32_t>& row = pairs_[lead];
  if (row.empty()) {
    row.assign(256, kReplacement);
    for (unsigned int t = 0x40; t < 256; ++t) {
      unsigned char bytes[2] = {lead, static_cast<unsigned char>(t)};
      char32_t c = 0;
      if (decodeCharacter(number_, bytes, 2, c) && c != 0) row[t] = c;
    }
  }
  return row[trail];
}

std::string CodePage::toUtf8(const char* bytes, size_t n) {
  if (number_ == 65001) return cleanUtf8(std::string(bytes, n));
  std::string out;
  out.reserve(n);
  const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes);
  for (size_t i = 0; i < n; ++i) {
    if (b[i] < 0x80) {
      out += static_cast<char>(b[i]);
    } else if (isLead(b[i])) {
      appendUtf8(out, i + 1 < n ? pair(b[i], b[i + 1]) : kReplacement);
      ++i;
    } else {
      appendUtf8(out, single(b[i]));
    }
  }
  return out;
}

void mapLatin1ControlsTo1252(std::string& utf8) {
  for (size_t i = 0; i + 1 < utf8.size(); ++i) {
    if (static_cast<unsigned char>(utf8[i]) != 0xC2) continue;
    unsigned char second = static_cast<unsigned char>(utf8[i + 1]);
    if (second < 0x80 || second > 0x9F || k1252High[second - 0x80] == 0) continue;
    std::string mapped;
    appendUtf8(mapped, k1252High[second - 0x80]);
    utf8.replace(i, 2, mapped);
    i += mapped.size() - 1;
  }
}

std::string sideFileTextToUtf8(const std::string& bytes, CodePage& codePage) {
  auto starts = [&](const char* bom, size_t n) {
    return bytes.size() >= n && bytes.compare(0, n, bom, n) == 0;
  };
  if (starts("\xEF\xBB\xBF", 3)) return cleanUtf8(bytes.substr(3));
  bool littleEndian = starts("\xFF\xFE", 2);
  if (littleEndian || starts("\xFE\xFF", 2)) {
    std::string out;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      auto unit = [&](size_t at) -> char32_t {
        unsigned char a = static_cast<unsigned char>(bytes[at]),
                      b = static_cast<unsigned char>(bytes[at + 1]);
        return littleEndian ? static_cast<char32_t>(a | (b << 8)) : static_cast<char32_t>((a << 8) | b);
      };
      char32_t c = unit(i);
      if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
        char32_t low = unit(i + 2);
        if (low >= 0xDC00 && low < 0xE000) {
          c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
          i += 2;
        }
      }
      appendUtf8(out, c);
    }
    return out;
  }
  if (validUtf8WithMultibyte(bytes)) return cleanUtf8(bytes);
  return codePage.toUtf8(bytes);
}

}  // namespace nox::nxz
