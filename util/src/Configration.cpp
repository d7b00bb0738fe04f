#include "nox/Configration.h"

#include "Internal.h"
#include "nox/Memory.h"

struct ConfigrationEntryImpl {
  String name;
  String value;
  IConfigrationEntry::ConfigrationEntryType type = IConfigrationEntry::ENTRY_DEFAULT;
};

struct ConfigrationImpl {
  IConfigration::ConfigrationType type = IConfigration::CONFIG_TYPE_NONE;
  IConfigration::ConfigrationStatus status = IConfigration::CONFIG_STATUS_NONE;
  String title;
  ConfigrationEntries* entries = nullptr;

  ~ConfigrationImpl() { noxDelete(entries); }
};

// ---- ConfigrationEntry

ConfigrationEntry::ConfigrationEntry() : impl_(nullptr) {}

ConfigrationEntry::~ConfigrationEntry() { noxDelete(impl_); }

ConfigrationEntryImpl* ConfigrationEntry::getImpl() const {
  if (!impl_) {
    impl_ = noxNew<ConfigrationEntryImpl>();
    if (!impl_) NOX_RAISE_MEMORY("ConfigrationEntry", "getImpl");
  }
  return impl_;
}

const IString& ConfigrationEntry::getName() const { return getImpl()->name; }

IConfigrationEntry::ConfigrationEntryType ConfigrationEntry::getType() const { return getImpl()->type; }

const IString& ConfigrationEntry::getValue() const { return getImpl()->value; }

void ConfigrationEntry::setValue(const char* value) { getImpl()->value = value; }

void ConfigrationEntry::setName(const char* name) { getImpl()->name = name; }

void ConfigrationEntry::setType(ConfigrationEntryType type) { getImpl()->type = type; }

// ---- ConfigrationEntries

ConfigrationEntries::ConfigrationEntries() : impl_(nullptr) {}

ConfigrationEntries::~ConfigrationEntries() { noxListDestroy(&impl_, nullptr); }

unsigned int ConfigrationEntries::getCount() const {
  return noxListCollection(&impl_, noxThisModule(), "ConfigrationEntries")->getCount();
}

IConfigrationEntry& ConfigrationEntries::getItem(unsigned int index) const {
  return *static_cast<ConfigrationEntry*>(
      noxListCollection(&impl_, noxThisModule(), "ConfigrationEntries")->getItem(index));
}

void ConfigrationEntries::addItem(ConfigrationEntry* item) {
  noxListCollection(&impl_, noxThisModule(), "ConfigrationEntries")->addItem(item);
}

ConfigrationEntry* ConfigrationEntries::removeItem(unsigned int index) {
  return static_cast<ConfigrationEntry*>(
      noxListCollection(&impl_, noxThisModule(), "ConfigrationEntries")->removeItem(index));
}

void ConfigrationEntries::removeAll() {
  noxListCollection(&impl_, noxThisModule(), "ConfigrationEntries")->removeAll();
}

// ---- Configration

Configration::Configration() : impl_(nullptr) {}

Configration::~Configration() { noxDelete(impl_); }

ConfigrationImpl* Configration::getImpl() const {
  if (!impl_) {
    impl_ = noxNew<ConfigrationImpl>();
    if (!impl_) NOX_RAISE_MEMORY("Configration", "getImpl");
  }
  return impl_;
}

const IString& Configration::getTitle() const { return getImpl()->title; }

IConfigration::ConfigrationType Configration::getType() const { return getImpl()->type; }

IConfigration::ConfigrationStatus Configration::getStatus() const { return getImpl()->status; }

void Configration::setStatus(ConfigrationStatus status) { getImpl()->status = status; }

IConfigrationEntries& Configration::getConfigrationEntries() { return getConfigrationEntriesImpl(); }

bool Configration::validate() { return true; }

void Configration::flush() {}

void Configration::setTitle(const char* title) { getImpl()->title = title; }

void Configration::setType(ConfigrationType type) { getImpl()->type = type; }

ConfigrationEntries& Configration::getConfigrationEntriesImpl() {
  ConfigrationImpl* impl = getImpl();
  if (!impl->entries) {
    impl->entries = noxNew<ConfigrationEntries>();
    // The recorded class name keeps its historical spelling.
    if (!impl->entries) NOX_RAISE_MEMORY("ConfigrationEntires", "getConfigrationEntries");
  }
  return *impl->entries;
}

// ---- Configrations

Configrations::Configrations() : impl_(nullptr) {}

Configrations::~Configrations() { noxListDestroy(&impl_, nullptr); }

unsigned int Configrations::getCount() const {
  return noxListCollection(&impl_, noxThisModule(), "Configrations")->getCount();
}

IConfigration& Configrations::getItem(unsigned int index) const {
  return *static_cast<Configration*>(
      noxListCollection(&impl_, noxThisModule(), "Configrations")->getItem(index));
}

void Configrations::addItem(Configration* item) {
  noxListCollection(&impl_, noxThisModule(), "Configrations")->addItem(item);
}

Configration* Configrations::removeItem(unsigned int index) {
  return static_cast<Configration*>(
      noxListCollection(&impl_, noxThisModule(), "Configrations")->removeItem(index));
}

void Configrations::removeAll() { noxListCollection(&impl_, noxThisModule(), "Configrations")->removeAll(); }
