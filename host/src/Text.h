#pragma once

#include <string>
#include <vector>

// Small text helpers of the hosts. Portable: no Windows header. Texts are in the
// machine's ANSI code page; where a byte may be the lead byte of a double-byte
// character, the caller passes the code page's test (IsDBCSLeadByte on Windows).
namespace host {

using LeadByteTest = bool (*)(unsigned char byte);

std::string trim(const std::string& text);

// Equal ignoring the case of ASCII letters; the trail byte of a double-byte
// character is compared exactly.
bool sameText(const std::string& a, const std::string& b, LeadByteTest isLeadByte = nullptr);

// The pieces of text between separators (any of `separators`), trimmed; empty
// pieces are left out.
std::vector<std::string> splitTrimmed(const std::string& text, const char* separators);

// The text up to its first line break, trimmed.
std::string firstLine(const std::string& text);

// A byte count for people: "812 bytes", "14.2 KB", "1.4 MB", "3.1 GB" (powers of 1024).
std::string sizeText(unsigned long long bytes);

}  // namespace host
