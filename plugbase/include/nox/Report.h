#pragma once

#include "nox/Collection.h"
#include "nox/PlugBaseApi.h"
#include "nox/String.h"

class IReport;

class IReportAttribute {
 public:
  virtual const IString& getName() const = 0;
  virtual const IString& getValue() const = 0;
};

struct ReportAttributeImpl;

// A plain name/value pair of texts hung on a report.
class PLUGBASE_API ReportAttribute : public IReportAttribute {
 public:
  ReportAttribute();
  virtual ~ReportAttribute();
  NOX_NON_COPYABLE(ReportAttribute);

  const IString& getName() const override;
  const IString& getValue() const override;
  virtual void setName(const char* name);
  virtual void setValue(const char* value);

 private:
  ReportAttributeImpl* getImpl() const;
  mutable ReportAttributeImpl* impl_;
};

class IReportAttributes {
 public:
  virtual unsigned int getCount() const = 0;
  virtual IReportAttribute& getItem(unsigned int index) const = 0;
};

// Owns its attributes: destroying the list, or removeAll(), destroys them.
class PLUGBASE_API ReportAttributes : public IReportAttributes {
 public:
  ReportAttributes();
  virtual ~ReportAttributes();
  NOX_NON_COPYABLE(ReportAttributes);

  unsigned int getCount() const override;
  IReportAttribute& getItem(unsigned int index) const override;
  void addItem(ReportAttribute* item);
  // Hands the item back; the caller owns it from then on.
  ReportAttribute* removeItem(unsigned int index);
  void removeAll();

 private:
  mutable Collection* impl_;
};

class IReports {
 public:
  virtual unsigned int getCount() const = 0;
  virtual IReport& getItem(unsigned int index) const = 0;
};

class Report;

// Owns its reports, each with its whole subtree.
class PLUGBASE_API Reports : public IReports {
 public:
  Reports();
  virtual ~Reports();
  NOX_NON_COPYABLE(Reports);

  unsigned int getCount() const override;
  IReport& getItem(unsigned int index) const override;
  void addItem(Report* item);
  // Hands the item back; the caller owns it from then on.
  Report* removeItem(unsigned int index);
  void removeAll();

 private:
  mutable Collection* impl_;
};

// One node of the report tree: a named, typed value with attributes and children.
class IReport {
 public:
  enum ReportType {
    REPORT_NONE = 0,
    REPORT_TEXT = 1,
    REPORT_INTEGER = 2,
    REPORT_REAL = 3,
    REPORT_DATETIME = 4,
    REPORT_PATH = 5,
    REPORT_BINARY = 6,
  };

  virtual const IReportAttributes& getAttributes() const = 0;
  virtual const IString& getErrorText() const = 0;
  virtual const IString& getName() const = 0;
  virtual const IReports& getSubReports() const = 0;
  virtual ReportType getType() const = 0;
  // Points into the report's own storage for the current type; null for
  // REPORT_NONE and for a binary report without data.
  virtual void* getValue() const = 0;
  // The byte count of a binary value; 0 for every other type.
  virtual long getValueLength() const = 0;
  virtual bool isSuccess() const = 0;
};

struct ReportImpl;

class PLUGBASE_API Report : public IReport {
 public:
  Report();
  virtual ~Report();
  NOX_NON_COPYABLE(Report);

  const IReportAttributes& getAttributes() const override;
  const IString& getErrorText() const override;
  const IString& getName() const override;
  const IReports& getSubReports() const override;
  ReportType getType() const override;
  void* getValue() const override;
  long getValueLength() const override;
  bool isSuccess() const override;

  virtual ReportAttributes& getAttributesImpl();
  virtual void setName(const char* name);
  virtual Reports& getSubReportsImpl();
  // Changes nothing but the type: values stored for other types stay.
  virtual void setType(ReportType type);
  // Stores a copy according to the current type (text types ignore length).
  // A type without a value field throws error ID 3 and keeps the earlier value.
  virtual void setValue(void* data, long length);
  virtual void setSuccess(bool success);
  virtual void setErrorText(const char* text);

 private:
  ReportImpl* getImpl() const;
  mutable ReportImpl* impl_;
};
