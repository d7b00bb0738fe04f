#include "SNMPEntries.h"

#include "nox/Collection.h"
#include "nox/Error.h"
#include "nox/Memory.h"
#include "nox/Module.h"
#include "nox/String.h"

namespace {

const char kSourceFile[] = "Plugins\\SNMPPlugin\\SNMPEntries";

struct Entry {
  String identifier;
  String value;
};

}  // namespace

struct SNMPEntriesImpl {
  Collection entries;  // of Entry*
};

SNMPEntries::SNMPEntries() = default;

SNMPEntries::~SNMPEntries() {
  if (!impl_) return;
  for (unsigned int i = 0; i < impl_->entries.getCount(); ++i) {
    noxDelete(static_cast<Entry*>(impl_->entries.getItem(i)));
  }
  noxDelete(impl_);
}

SNMPEntriesImpl* SNMPEntries::getImpl() const {
  if (!impl_) {
    impl_ = noxNew<SNMPEntriesImpl>();
    if (!impl_) throwMemoryException(noxThisModule(), kSourceFile, 118, "SNMPEntries", "getImpl");
  }
  return impl_;
}

void SNMPEntries::add(const std::string& identifier, const std::string& value) {
  SNMPEntriesImpl* impl = getImpl();
  Entry* entry = noxNew<Entry>();
  if (!entry) throwMemoryException(noxThisModule(), kSourceFile, 130, "SNMPEntries", "add");
  try {
    entry->identifier = identifier.c_str();
    entry->value = value.c_str();
    impl->entries.addItem(entry);
  } catch (...) {
    noxDelete(entry);
    throw;
  }
}

unsigned int SNMPEntries::getCount() const { return impl_ ? impl_->entries.getCount() : 0; }

const char* SNMPEntries::getIdentifier(unsigned int index) const {
  return static_cast<const Entry*>(getImpl()->entries.getItem(index))->identifier.getData();
}

const char* SNMPEntries::getValue(unsigned int index) const {
  return static_cast<const Entry*>(getImpl()->entries.getItem(index))->value.getData();
}

const char* SNMPEntries::find(const std::string& identifier) const {
  for (unsigned int i = 0; i < getCount(); ++i) {
    if (identifier == getIdentifier(i)) return getValue(i);
  }
  return nullptr;
}
