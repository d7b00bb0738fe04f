#pragma once

#include <string>

// The (identifier, value text) pairs the table walks of one device collected,
// in walk order. The storage is made on first use; every allocation failure
// raises the shared out-of-memory exception and leaves the list as it was.
struct SNMPEntriesImpl;

class SNMPEntries {
 public:
  SNMPEntries();
  ~SNMPEntries();
  SNMPEntries(const SNMPEntries&) = delete;
  SNMPEntries& operator=(const SNMPEntries&) = delete;

  void add(const std::string& identifier, const std::string& value);
  unsigned int getCount() const;
  const char* getIdentifier(unsigned int index) const;
  const char* getValue(unsigned int index) const;
  // The value of the entry with exactly this identifier (case-sensitive); null when there is none.
  const char* find(const std::string& identifier) const;

 private:
  SNMPEntriesImpl* getImpl() const;
  mutable SNMPEntriesImpl* impl_ = nullptr;
};
