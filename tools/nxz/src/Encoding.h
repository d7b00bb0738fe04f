#pragma once

// Text of a result in the writing machine's ANSI code page, turned into UTF-8
// for the page and the console. The document names an encoding after the code
// page (Shift_JIS for 932 ...); the bytes are the code page's own.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace nox::nxz {

constexpr char32_t kReplacement = 0xFFFD;

// The code page behind an encoding name of a document: the names the writer
// declares ("iso-8859-1" is what it declares for 1252 and every other code page
// it has no name for, "iso-8859-2" for 1250), "windows-N", "cpN", "x-nox-cpN".
// 0 when the name means none of them.
unsigned int codePageOfEncoding(const std::string& name);

// Decodes one character of the code page: 1 or 2 bytes. False when the bytes are
// not a character of it (or the code page is unknown here). Platform code:
// iconv on Linux, MultiByteToWideChar on Windows.
bool decodeCharacter(unsigned int codePage, const unsigned char* bytes, size_t n, char32_t& out);

void appendUtf8(std::string& out, char32_t c);

// One code page, with its characters looked up once and kept.
class CodePage {
 public:
  explicit CodePage(unsigned int codePage);
  unsigned int number() const { return number_; }
  bool isLead(unsigned char byte) const;
  // The character of a single byte; kReplacement when the byte is none. Bytes
  // below 0x80 are always ASCII.
  char32_t single(unsigned char byte);
  // The character of a lead and a trail byte; kReplacement when they are none.
  char32_t pair(unsigned char lead, unsigned char trail);
  // A whole text; bytes that are no character become U+FFFD.
  std::string toUtf8(const char* bytes, size_t n);
  std::string toUtf8(const std::string& text) { return toUtf8(text.data(), text.size()); }

 private:
  unsigned int number_;
  bool (*isLead_)(unsigned char) = nullptr;
  std::vector<char32_t> singles_;             // 256, 0 = not looked up yet
  std::vector<std::vector<char32_t>> pairs_;  // per lead byte, 256 each
};

// The writer declares iso-8859-1 for code page 1252, whose bytes 0x80 to 0x9F are
// characters rather than control codes: an XML parser reading the declaration
// gives U+0080..U+009F for them, which this maps to what 1252 means.
void mapLatin1ControlsTo1252(std::string& utf8);

// Text of a side file: UTF-16 (with its byte order mark), UTF-8 (with or without
// one) or the code page's bytes, as UTF-8. Ends cut inside a character are fine.
std::string sideFileTextToUtf8(const std::string& bytes, CodePage& codePage);

// UTF-8 for a console or file that expects the code page (Windows); the same text
// elsewhere.
std::string utf8ToConsole(const std::string& utf8);

}  // namespace nox::nxz
