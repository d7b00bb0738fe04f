#pragma once

#include <string>

#include "pchelpers/DirectoryApi.h"

// Helpers the directory plug-ins share, on top of the DirectoryApi in force
// and, for the machine's own domain, the Platform's LSA calls. None of them
// throws for a directory problem; each says how it reports one.
namespace directory {

// UTF-16 text of `length` characters (-1: up to its terminator) in the ANSI
// code page, cut to at most `maxBytes` bytes without splitting a double-byte
// character. Characters the code page lacks become '?'.
std::string ansiText(const WCHAR* text, int length, size_t maxBytes);

// ANSI text cut to at most `maxBytes` bytes without splitting a double-byte character.
std::string cutText(const std::string& text, size_t maxBytes);

// ANSI text as UTF-16.
std::wstring wideText(const std::string& text);

// A computer name as the network management calls want it: with two leading
// backslashes (added unless present), at most `maxChars` characters with the
// terminator.
std::wstring serverArgument(const std::string& name, size_t maxChars);

// The primary domain controller of this computer's domain as NetGetDCName
// gives it ("\\NAME"), converted to ANSI into a 260-byte buffer. Returns 0, or
// the NetGetDCName error code with `name` left empty.
DWORD primaryDomainController(std::string& name);

// This computer's primary domain as its LSA policy records it.
struct PrimaryDomain {
  NTSTATUS openStatus = 0;   // LsaOpenPolicy; nonzero: nothing else is known
  NTSTATUS queryStatus = 0;  // LsaQueryInformationPolicy
  bool member = false;       // the record has a domain SID: a domain, not a workgroup
  std::string name;          // the domain or workgroup name in ANSI
  bool known() const { return openStatus == 0 && queryStatus == 0; }
};
// Reads the primary domain with the name cut to `maxNameBytes`.
PrimaryDomain primaryDomain(size_t maxNameBytes);

// An attribute's values joined into one text: the first alone, each further
// one after a comma. No values give an empty text.
std::string joinedValues(DirectoryApi& api, LDAP* ld, LDAPMessage* entry, PCHAR attribute);

// Calls visit(name, joinedValues) for each attribute of `entry` in order, and
// releases every name and the position of the walk.
template <class Visit>
void forEachAttribute(DirectoryApi& api, LDAP* ld, LDAPMessage* entry, Visit visit) {
  struct Position {
    DirectoryApi& api;
    BerElement* ber = nullptr;
    ~Position() {
      if (ber) api.ber_free(ber, 0);
    }
  } position{api};
  for (PCHAR name = api.ldap_first_attribute(ld, entry, &position.ber); name;
       name = api.ldap_next_attribute(ld, entry, position.ber)) {
    std::string attribute, values;
    try {
      attribute = name;
      values = joinedValues(api, ld, entry, name);
    } catch (...) {
      api.ldap_memfree(name);
      throw;
    }
    api.ldap_memfree(name);
    visit(attribute, values);
  }
}

// Calls visit(entry) for each entry of a search result in order.
template <class Visit>
void forEachEntry(DirectoryApi& api, LDAP* ld, LDAPMessage* result, Visit visit) {
  for (LDAPMessage* entry = api.ldap_first_entry(ld, result); entry; entry = api.ldap_next_entry(ld, entry)) {
    visit(entry);
  }
}

// A buffer of the network management calls, freed with its owner.
class NetBuffer {
 public:
  NetBuffer() : api_(Seam<DirectoryApi>::current()) {}
  ~NetBuffer() { reset(); }
  NetBuffer(const NetBuffer&) = delete;
  NetBuffer& operator=(const NetBuffer&) = delete;

  // For the call's output argument; frees what the buffer held before.
  LPBYTE* out() {
    reset();
    return &buffer_;
  }
  PVOID* outVoid() { return reinterpret_cast<PVOID*>(out()); }
  LPBYTE get() const { return buffer_; }
  template <class Record>
  const Record* as() const {
    return reinterpret_cast<const Record*>(buffer_);
  }
  void reset() {
    if (buffer_) api_.NetApiBufferFree(buffer_);
    buffer_ = nullptr;
  }

 private:
  DirectoryApi& api_;
  LPBYTE buffer_ = nullptr;
};

// A search result, freed with its owner (also when a search failed but still
// handed one back).
class SearchResult {
 public:
  explicit SearchResult(DirectoryApi& api) : api_(api) {}
  ~SearchResult() {
    if (result_) api_.ldap_msgfree(result_);
  }
  SearchResult(const SearchResult&) = delete;
  SearchResult& operator=(const SearchResult&) = delete;

  LDAPMessage** out() { return &result_; }
  LDAPMessage* get() const { return result_; }

 private:
  DirectoryApi& api_;
  LDAPMessage* result_ = nullptr;
};

// The joined values of the first attribute named exactly `name` in the
// entries of `result`; false when none has it.
bool findAttribute(DirectoryApi& api, LDAP* ld, LDAPMessage* result, const char* name, std::string& values);

// Searches `base` with all attributes and their values; returns the LDAP result code.
ULONG search(DirectoryApi& api, LDAP* ld, const std::string& base, ULONG scope, const char* filter,
             SearchResult& result);

}  // namespace directory
