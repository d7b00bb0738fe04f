#pragma once

#include <cstdlib>

#include "nox/Collection.h"
#include "nox/NoxUtilApi.h"
#include "nox/String.h"

// One field of a form: a named, typed text value the user fills in.
class IConfigrationEntry {
 public:
  enum ConfigrationEntryType {
    ENTRY_TEXT = 1,
    ENTRY_PASSWORD = 3,
    // Read as a decimal number; nonzero means on, "0" and the empty text mean off.
    ENTRY_FLAG = 4,
    ENTRY_HOST = 6,
    ENTRY_DEFAULT = 9,
  };

  virtual const IString& getName() const = 0;
  virtual ConfigrationEntryType getType() const = 0;
  virtual const IString& getValue() const = 0;
  // The host writes the user's input here.
  virtual void setValue(const char* value) = 0;
};

// An ENTRY_FLAG field's value is a decimal number; nonzero means on.
inline bool noxEntryFlagIsOn(const IConfigrationEntry& entry) {
  return std::strtol(entry.getValue().getData(), nullptr, 10) != 0;
}

struct ConfigrationEntryImpl;

class NOXUTIL_API ConfigrationEntry : public IConfigrationEntry {
 public:
  ConfigrationEntry();
  virtual ~ConfigrationEntry();
  NOX_NON_COPYABLE(ConfigrationEntry);

  const IString& getName() const override;
  ConfigrationEntryType getType() const override;
  const IString& getValue() const override;
  // A null value leaves the value unchanged.
  void setValue(const char* value) override;

  virtual void setName(const char* name);
  virtual void setType(ConfigrationEntryType type);

 private:
  ConfigrationEntryImpl* getImpl() const;
  mutable ConfigrationEntryImpl* impl_;
};

class IConfigrationEntries {
 public:
  virtual unsigned int getCount() const = 0;
  virtual IConfigrationEntry& getItem(unsigned int index) const = 0;
};

// Does not own its entries: whoever created them destroys them.
class NOXUTIL_API ConfigrationEntries : public IConfigrationEntries {
 public:
  ConfigrationEntries();
  virtual ~ConfigrationEntries();
  NOX_NON_COPYABLE(ConfigrationEntries);

  unsigned int getCount() const override;
  IConfigrationEntry& getItem(unsigned int index) const override;
  void addItem(ConfigrationEntry* item);
  ConfigrationEntry* removeItem(unsigned int index);
  void removeAll();

 private:
  mutable Collection* impl_;
};

// One form or question put before the user through the host. The host reads the
// title, type and fields, writes the field values and answers with the status.
class IConfigration {
 public:
  enum ConfigrationType {
    CONFIG_TYPE_NONE = -1,
    CONFIG_TYPE_OPTION = 0,
    CONFIG_TYPE_TARGET = 1,
    CONFIG_TYPE_QUESTION = 2,
    CONFIG_TYPE_NOTICE = 3,
    // The title is the path of the removable medium the host is to format.
    CONFIG_TYPE_FORMAT = 4,
  };

  enum ConfigrationStatus {
    CONFIG_STATUS_NONE = 0,
    CONFIG_STATUS_OK = 1,
    CONFIG_STATUS_CANCEL = 2,
  };

  virtual const IString& getTitle() const = 0;
  virtual ConfigrationType getType() const = 0;
  virtual ConfigrationStatus getStatus() const = 0;
  virtual void setStatus(ConfigrationStatus status) = 0;
  virtual IConfigrationEntries& getConfigrationEntries() = 0;
  // Hooks the host calls after editing a form (check, then commit). Every input
  // is accepted and nothing needs committing: the values are read from the
  // entries themselves.
  virtual bool validate() = 0;
  virtual void flush() = 0;
};

struct ConfigrationImpl;

// The entry list does not own the entries: destroying a form leaves them alive.
class NOXUTIL_API Configration : public IConfigration {
 public:
  Configration();
  virtual ~Configration();
  NOX_NON_COPYABLE(Configration);

  const IString& getTitle() const override;
  ConfigrationType getType() const override;
  ConfigrationStatus getStatus() const override;
  void setStatus(ConfigrationStatus status) override;
  IConfigrationEntries& getConfigrationEntries() override;
  bool validate() override;
  void flush() override;

  // A null title leaves the title unchanged.
  virtual void setTitle(const char* title);
  virtual void setType(ConfigrationType type);
  virtual ConfigrationEntries& getConfigrationEntriesImpl();

 private:
  ConfigrationImpl* getImpl() const;
  mutable ConfigrationImpl* impl_;
};

class IConfigrations {
 public:
  virtual unsigned int getCount() const = 0;
  virtual IConfigration& getItem(unsigned int index) const = 0;
};

// Does not own its forms: whoever created them destroys them.
class NOXUTIL_API Configrations : public IConfigrations {
 public:
  Configrations();
  virtual ~Configrations();
  NOX_NON_COPYABLE(Configrations);

  unsigned int getCount() const override;
  IConfigration& getItem(unsigned int index) const override;
  void addItem(Configration* item);
  Configration* removeItem(unsigned int index);
  void removeAll();

 private:
  mutable Collection* impl_;
};
