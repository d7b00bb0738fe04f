#include "nox/String.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "Internal.h"
#include "nox/Memory.h"

struct StringImpl {
  int capacity = 0;
  char* data = nullptr;
};

namespace {
#ifdef NOX_TEST_HOOKS
unsigned int g_codePage = 0;  // 0: the active ANSI code page
#endif

inline bool isLead(const char* p) { return noxIsLeadByte(static_cast<unsigned char>(*p)) != 0; }

// Length of the character at p: 2 for a complete double-byte character, else 1.
inline long charLength(const char* p) { return (isLead(p) && p[1] != '\0') ? 2 : 1; }

// The first character boundary at or after byte offset start (at most the end
// of the text): an offset inside a double-byte character moves past it, so its
// trail byte is never taken for a character of its own.
const char* boundaryAtOrAfter(const char* text, unsigned int start) {
  const char* p = text;
  while (p < text + start && *p) p += charLength(p);
  return p;
}

char lowerByte(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  if (u < 0x80) return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  char buffer[2] = {c, '\0'};
  CharLowerBuffA(buffer, 1);
  return buffer[0];
}
}  // namespace

#ifdef NOX_TEST_HOOKS
int noxIsLeadByte(unsigned char c) {
  return IsDBCSLeadByteEx(g_codePage == 0 ? CP_ACP : g_codePage, c) ? 1 : 0;
}

void noxSetCodePage(unsigned int codePage) { g_codePage = codePage; }
#else
int noxIsLeadByte(unsigned char c) { return IsDBCSLeadByteEx(CP_ACP, c) ? 1 : 0; }
#endif

String::String() : impl_(nullptr) { construct("", 0); }

String::String(const char* text) : impl_(nullptr) {
  if (!text) text = "";
  construct(text, static_cast<long>(std::strlen(text)));
}

String::String(const String& other) : String(static_cast<const IString&>(other)) {}

String::String(const IString& other) : impl_(nullptr) { construct(other.getData(), other.length()); }

// A constructor that throws never runs the destructor: the record made before
// the text's buffer was refused is freed here.
void String::construct(const char* text, long n) {
  try {
    assign(text, n);
  } catch (...) {
    if (impl_) noxFree(impl_->data);
    noxDelete(impl_);
    impl_ = nullptr;
    throw;
  }
}

String::~String() {
  if (impl_) {
    noxFree(impl_->data);
    noxDelete(impl_);
  }
}

StringImpl* String::getImpl() const {
  if (!impl_) {
    impl_ = noxNew<StringImpl>();
    if (!impl_) NOX_RAISE_MEMORY("String", "getImpl");
  }
  return impl_;
}

void String::assign(const char* text, long n) {
  StringImpl* impl = getImpl();
  if (impl->data && impl->capacity == n + 1) {
    std::memmove(impl->data, text, static_cast<size_t>(n));
    impl->data[n] = '\0';
    return;
  }
  char* fresh = static_cast<char*>(noxAlloc(static_cast<size_t>(n) + 1));
  if (!fresh) NOX_RAISE_MEMORY("StringImpl", "allocate");
  std::memset(fresh, 0, static_cast<size_t>(n) + 1);
  std::memcpy(fresh, text, static_cast<size_t>(n));
  noxFree(impl->data);
  impl->data = fresh;
  impl->capacity = static_cast<int>(n + 1);
}

bool String::aliases(const char* text) const {
  const StringImpl* impl = getImpl();
  return impl->data && text >= impl->data && text < impl->data + impl->capacity;
}

void String::append(const char* text, long n) {
  if (aliases(text)) {
    String copy;
    copy.assign(text, n);
    append(copy.getData(), n);
    return;
  }
  StringImpl* impl = getImpl();
  long current = length();
  char* grown = static_cast<char*>(noxRealloc(impl->data, static_cast<size_t>(current + n + 1)));
  if (!grown) NOX_RAISE_MEMORY("StringImpl", "reAllocate");
  std::memcpy(grown + current, text, static_cast<size_t>(n));
  grown[current + n] = '\0';
  impl->data = grown;
  impl->capacity = static_cast<int>(current + n + 1);
}

void String::insertBytes(unsigned int pos, const char* text, long n) {
  long current = length();
  if (static_cast<long>(pos) > current) NOX_RAISE(NOX_ERR_RANGE, pos, 0, "String", "insert");
  if (aliases(text)) {
    String copy;
    copy.assign(text, n);
    insertBytes(pos, copy.getData(), n);
    return;
  }
  StringImpl* impl = getImpl();
  char* grown = static_cast<char*>(noxRealloc(impl->data, static_cast<size_t>(impl->capacity + n)));
  if (!grown) NOX_RAISE_MEMORY("StringImpl", "reAllocate");
  impl->data = grown;
  impl->capacity += static_cast<int>(n);
  std::memmove(grown + pos + n, grown + pos, static_cast<size_t>(current - pos));
  std::memcpy(grown + pos, text, static_cast<size_t>(n));
  grown[current + n] = '\0';
}

String& String::operator=(const String& other) { return *this = static_cast<const IString&>(other); }

String& String::operator=(const IString& other) {
  if (&other != this) assign(other.getData(), other.length());
  return *this;
}

String& String::operator=(const char* text) {
  if (text) assign(text, static_cast<long>(std::strlen(text)));
  return *this;
}

String& String::operator=(char c) {
  char text[2] = {c, '\0'};
  assign(text, c == '\0' ? 0 : 1);
  return *this;
}

void String::empty() { assign("", 0); }

const char* String::getData() const { return getImpl()->data; }

long String::length() const {
  const char* data = getImpl()->data;
  return data ? static_cast<long>(std::strlen(data)) : 0;
}

bool String::operator==(const IString& other) const { return *this == other.getData(); }

bool String::operator==(const char* other) const { return std::strcmp(getData(), other ? other : "") == 0; }

bool String::operator!=(const IString& other) const { return !(*this == other); }

int String::compareNoCase(const IString& other) const {
  const char* a = getData();
  const char* b = other.getData();
  while (*a && *b) {
    long la = charLength(a);
    long lb = charLength(b);
    // Case applies to single-byte characters only; double-byte ones compare as bytes.
    unsigned char ca = static_cast<unsigned char>(la == 1 ? lowerByte(*a) : *a);
    unsigned char cb = static_cast<unsigned char>(lb == 1 ? lowerByte(*b) : *b);
    if (ca != cb) return ca < cb ? -1 : 1;
    if ((la == 2 || lb == 2) && a[1] != b[1]) {
      return static_cast<unsigned char>(a[1]) < static_cast<unsigned char>(b[1]) ? -1 : 1;
    }
    a += la;
    b += lb;
  }
  if (*a == *b) return 0;
  return *a == '\0' ? -1 : 1;
}

bool String::find(const IString& needle, unsigned int& pos) const { return find(needle, 0, pos); }

bool String::find(const IString& needle, unsigned int start, unsigned int& pos) const {
  const char* text = getData();
  long size = length();
  if (static_cast<long>(start) > size) return false;
  const char* wanted = needle.getData();
  size_t wantedLength = static_cast<size_t>(needle.length());
  for (const char* p = boundaryAtOrAfter(text, start);; p += charLength(p)) {
    if (std::strncmp(p, wanted, wantedLength) == 0) {
      pos = static_cast<unsigned int>(p - text);
      return true;
    }
    if (*p == '\0') return false;
  }
}

bool String::find(char c, unsigned int& pos) const { return find(c, 0, pos); }

bool String::find(char c, unsigned int start, unsigned int& pos) const {
  const char* text = getData();
  if (static_cast<long>(start) > length()) return false;
  for (const char* p = boundaryAtOrAfter(text, start); *p; p += charLength(p)) {
    if (*p == c && charLength(p) == 1) {
      pos = static_cast<unsigned int>(p - text);
      return true;
    }
  }
  return false;
}

bool String::reverseFind(char c, unsigned int& pos) const {
  const char* text = getData();
  const char* found = nullptr;
  for (const char* p = text; *p; p += charLength(p)) {
    if (*p == c && charLength(p) == 1) found = p;
  }
  if (!found) return false;
  pos = static_cast<unsigned int>(found - text);
  return true;
}

String String::left(unsigned int n) const { return subString(0, n); }

String String::right(unsigned int n) const {
  long size = length();
  if (static_cast<long>(n) > size) return String();
  return subString(static_cast<unsigned int>(size - n), n);
}

String String::subString(unsigned int start, unsigned int count) const {
  String result;
  if (static_cast<unsigned long long>(start) + count <= static_cast<unsigned long long>(length())) {
    result.assign(getData() + start, static_cast<long>(count));
  }
  return result;
}

String String::operator+(const IString& other) const {
  String result(*this);
  result.append(other.getData(), other.length());
  return result;
}

String String::operator+(char c) const {
  String result(*this);
  result.append(&c, 1);
  return result;
}

String String::operator+=(const IString& other) {
  append(other.getData(), other.length());
  return *this;
}

String String::operator+=(char c) {
  append(&c, 1);
  return *this;
}

void String::insert(unsigned int pos, const IString& value) {
  insertBytes(pos, value.getData(), value.length());
}

void String::insert(unsigned int pos, char c) { insertBytes(pos, &c, 1); }

void String::format(const char* fmt, ...) {
  size_t size = 256;
  for (;;) {
    char* buffer = static_cast<char*>(noxAlloc(size));
    if (!buffer) NOX_RAISE_MEMORY("String", "format");
    va_list args;
    va_start(args, fmt);
    int written = std::vsnprintf(buffer, size, fmt, args);
    va_end(args);
    if (written >= 0 && static_cast<size_t>(written) < size) {
      try {
        assign(buffer, written);
      } catch (...) {
        noxFree(buffer);
        throw;
      }
      noxFree(buffer);
      return;
    }
    noxFree(buffer);
    size += 256;
  }
}
