#pragma once

#include "NoxUtilApi.h"

// Text handed between modules: narrow, NUL-terminated, in the active ANSI code
// page, which may be a double-byte one.
class IString {
 public:
  virtual const char* getData() const = 0;
  virtual long length() const = 0;
};

struct StringImpl;

// Searches, comparisons and positions are byte offsets that step over double-byte
// characters as units. Allocation failures throw the out-of-memory exception and
// leave the string as it was.
class NOXUTIL_API String : public IString {
 public:
  String();
  String(const char* text);
  String(const String& other);
  String(const IString& other);
  virtual ~String();

  String& operator=(const String& other);
  String& operator=(const IString& other);
  // A null text leaves the string unchanged.
  String& operator=(const char* text);
  String& operator=(char c);
  // Makes the text empty (an action, not a test).
  void empty();

  const char* getData() const override;
  long length() const override;

  bool operator==(const IString& other) const;
  bool operator==(const char* other) const;
  bool operator!=(const IString& other) const;
  int compareNoCase(const IString& other) const;

  // Each find sets pos to the offset of the match from the start of the text and
  // returns true; on no match it returns false and leaves pos untouched.
  bool find(const IString& needle, unsigned int& pos) const;
  bool find(const IString& needle, unsigned int start, unsigned int& pos) const;
  bool find(char c, unsigned int& pos) const;
  bool find(char c, unsigned int start, unsigned int& pos) const;
  bool reverseFind(char c, unsigned int& pos) const;

  // Out-of-range requests give the empty text; nothing is clamped.
  String left(unsigned int n) const;
  String right(unsigned int n) const;
  String subString(unsigned int start, unsigned int count) const;

  String operator+(const IString& other) const;
  String operator+(char c) const;
  // Appends, then returns a separate copy of the result.
  String operator+=(const IString& other);
  String operator+=(char c);

  void insert(unsigned int pos, const IString& value);
  void insert(unsigned int pos, char c);

  void format(const char* fmt, ...) __attribute__((format(gnu_printf, 2, 3)));

 private:
  StringImpl* getImpl() const;
  void construct(const char* text, long n);
  void assign(const char* text, long n);
  void append(const char* text, long n);
  void insertBytes(unsigned int pos, const char* text, long n);
  bool aliases(const char* text) const;

  mutable StringImpl* impl_;
};

// Double-byte awareness, by the active ANSI code page.
NOX_EXTERN_C NOXUTIL_API int noxIsLeadByte(unsigned char c);
#ifdef NOX_TEST_HOOKS
// Test hook (test build of the library only): the code page noxIsLeadByte uses
// instead of the active one; 0 restores the active one.
NOX_EXTERN_C NOXUTIL_API void noxSetCodePage(unsigned int codePage);
#endif
