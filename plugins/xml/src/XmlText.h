#pragma once

// The text pieces of the XML report writer: no Windows header, so that they are
// built and tested on Linux too. Everything works on bytes of the writing
// machine's ANSI code page; nothing is converted.

#include <cstdint>
#include <string>
#include <vector>

namespace xmltext {

// Which bytes start and which may continue a double-byte character in the
// writing machine's code page. The lead bytes come from the platform; the trail
// ranges are those of the double-byte code pages Windows knows (any byte from
// 0x40 up for one it does not), so no byte below 0x40, markup included, is ever
// taken for the second half of a character.
class CodePageBytes {
 public:
  // A single-byte code page: no lead bytes.
  CodePageBytes() = default;
  // isLead is asked once for every byte value.
  template <class IsLead>
  CodePageBytes(unsigned int codePage, IsLead isLead) {
    for (unsigned int b = 0; b < 256; ++b) lead_[b] = isLead(static_cast<unsigned char>(b));
    setTrailBytes(codePage);
  }

  bool isLead(unsigned char b) const { return lead_[b]; }
  bool isTrail(unsigned char b) const { return trail_[b]; }
  // Length of the character at text: 2 for a lead byte with a valid trail byte,
  // else 1 (a lead byte without its trail byte stands alone).
  int charLength(const char* text) const {
    return isLead(static_cast<unsigned char>(text[0])) && isTrail(static_cast<unsigned char>(text[1])) ? 2
                                                                                                       : 1;
  }

 private:
  void setTrailBytes(unsigned int codePage);
  bool lead_[256] = {};
  bool trail_[256] = {};
};

// Encoding name of the declaration for a code page.
const char* encodingName(unsigned int codePage);
// The declaration line, CR LF included.
std::string declaration(unsigned int codePage);

// Element name of a report name: ASCII letters, digits and '-' stay; every other
// byte becomes '_' (both bytes of a double-byte character). A name that would
// then be empty or start with a digit or '-' is no XML name: it gets a leading
// '_'. Either change makes the element carry its real name in formalName.
struct ElementName {
  std::string name;
  bool changed;
};
ElementName elementName(const char* reportName, const CodePageBytes& bytes);

// Attribute name of a report attribute's name. Names that are already XML
// names of ASCII letters, digits, '_', '-' and '.' stay as they are; in any other
// name each byte outside that set becomes '_' (':' too: the document uses no
// namespaces), and a name that would be empty, start with a digit, '-' or '.',
// or be "xmlns" gets a leading '_'.
std::string attributeName(const char* name, const CodePageBytes& bytes);

// The names already written in one start tag. A name that is taken gets more
// leading '_' until it is free: the same attribute name twice is not XML.
class StartTagNames {
 public:
  void reserve(const std::string& name) { names_.push_back(name); }
  std::string claim(std::string name);

 private:
  bool taken(const std::string& name) const;
  std::vector<std::string> names_;
};

// Escaped element text. '"', '&', '<' and '>' become entity references, double-
// byte characters are copied whole, TAB, LF and CR stay. The other control
// bytes (0x01-0x1F), which XML 1.0 cannot hold in any form, become the
// character of the Unicode "Control Pictures" block with the same low bits
// (U+2401 for 0x01 ...): readable, and reversible since no code page the writer
// declares holds those characters. A lead byte without its trail byte becomes
// U+FFFD, the replacement character.
void appendText(std::string& out, const char* text, const CodePageBytes& bytes);
// Escaped attribute value: as element text, and TAB, LF and CR become character
// references so that a parser's attribute normalisation keeps them.
void appendAttributeValue(std::string& out, const char* text, const CodePageBytes& bytes);

// Two spaces per level.
void appendIndent(std::string& out, int depth);

// Value texts of the report types.
std::string integerText(int32_t value);
std::string realText(double value);
// From the 16-byte system time record (little-endian 16-bit year, month, day of
// week, day, hour, minute, second, milliseconds); weekday and milliseconds are
// not written.
std::string dateTimeText(const unsigned char* record);

// Where a file value is carried in the result, relative to the document:
// folder (when not empty) + "\", then the report's name, "\" and the file name
// part of the full path (after its last backslash that is not the second byte
// of a double-byte character). The name and the file name part are each kept
// to one harmless path component: bytes a Windows file name cannot hold become
// '_', a name of dots only has its dots replaced (no way out of the result
// folder), and a device name (CON, NUL, COM1 ...) gets a leading '_'.
std::string pathRelativeName(const std::string& folder, const char* reportName, const char* fullPath,
                             const CodePageBytes& bytes);
// folder\fileName, or fileName alone when folder is empty.
std::string binaryRelativeName(const std::string& folder, const char* fileName);

// One path component made harmless, as described above.
std::string safePathComponent(const char* name, const CodePageBytes& bytes);
// Pointer just after the last path separator of path (path itself without one).
const char* baseName(const char* path, const CodePageBytes& bytes);

}  // namespace xmltext
