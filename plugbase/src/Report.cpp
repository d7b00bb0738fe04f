#include "nox/Report.h"

#include <cstring>

#include "nox/Error.h"
#include "nox/Memory.h"
#include "nox/Module.h"

#define RAISE_MEMORY(cls, method) throwMemoryException(noxThisModule(), __FILE__, __LINE__, cls, method)

namespace {
// A member created on first use; allocation failures name the owner's method.
template <class T>
T& lazy(T*& slot, const char* className, const char* methodName) {
  if (!slot) {
    slot = noxNew<T>();
    if (!slot) RAISE_MEMORY(className, methodName);
  }
  return *slot;
}

void destroyReport(void* item) { delete static_cast<Report*>(item); }
void destroyAttribute(void* item) { delete static_cast<ReportAttribute*>(item); }
}  // namespace

struct ReportAttributeImpl {
  String name;
  String value;
};

struct ReportImpl {
  bool success = true;
  String* name = nullptr;
  IReport::ReportType type = IReport::REPORT_NONE;
  String* errorText = nullptr;
  String* textValue = nullptr;
  int integerValue = 0;
  double realValue = 0;
  unsigned char dateTimeValue[16] = {};
  void* binaryValue = nullptr;
  long binaryLength = 0;
  Reports* subReports = nullptr;
  ReportAttributes* attributes = nullptr;

  ~ReportImpl() {
    // Children go first so a half-built tree never points at freed texts.
    noxDelete(subReports);
    noxDelete(attributes);
    noxDelete(name);
    noxDelete(errorText);
    noxDelete(textValue);
    noxFree(binaryValue);
  }
};

// ---- ReportAttribute

ReportAttribute::ReportAttribute() : impl_(nullptr) { getImpl(); }

ReportAttribute::~ReportAttribute() { noxDelete(impl_); }

ReportAttributeImpl* ReportAttribute::getImpl() const { return &lazy(impl_, "ReportAttribute", "getImpl"); }

const IString& ReportAttribute::getName() const { return getImpl()->name; }
const IString& ReportAttribute::getValue() const { return getImpl()->value; }
void ReportAttribute::setName(const char* name) { getImpl()->name = name ? name : ""; }
void ReportAttribute::setValue(const char* value) { getImpl()->value = value ? value : ""; }

// ---- ReportAttributes

ReportAttributes::ReportAttributes() : impl_(nullptr) {}

ReportAttributes::~ReportAttributes() { noxListDestroy(&impl_, destroyAttribute); }

unsigned int ReportAttributes::getCount() const {
  return noxListCollection(&impl_, noxThisModule(), "ReportAttributes")->getCount();
}

IReportAttribute& ReportAttributes::getItem(unsigned int index) const {
  return *static_cast<ReportAttribute*>(
      noxListCollection(&impl_, noxThisModule(), "ReportAttributes")->getItem(index));
}

void ReportAttributes::addItem(ReportAttribute* item) {
  noxListCollection(&impl_, noxThisModule(), "ReportAttributes")->addItem(item);
}

ReportAttribute* ReportAttributes::removeItem(unsigned int index) {
  return static_cast<ReportAttribute*>(
      noxListCollection(&impl_, noxThisModule(), "ReportAttributes")->removeItem(index));
}

void ReportAttributes::removeAll() {
  noxListRemoveAllOwned(noxListCollection(&impl_, noxThisModule(), "ReportAttributes"), destroyAttribute);
}

// ---- Reports

Reports::Reports() : impl_(nullptr) {}

Reports::~Reports() { noxListDestroy(&impl_, destroyReport); }

unsigned int Reports::getCount() const {
  return noxListCollection(&impl_, noxThisModule(), "Reports")->getCount();
}

IReport& Reports::getItem(unsigned int index) const {
  return *static_cast<Report*>(noxListCollection(&impl_, noxThisModule(), "Reports")->getItem(index));
}

void Reports::addItem(Report* item) { noxListCollection(&impl_, noxThisModule(), "Reports")->addItem(item); }

Report* Reports::removeItem(unsigned int index) {
  return static_cast<Report*>(noxListCollection(&impl_, noxThisModule(), "Reports")->removeItem(index));
}

void Reports::removeAll() {
  noxListRemoveAllOwned(noxListCollection(&impl_, noxThisModule(), "Reports"), destroyReport);
}

// ---- Report

Report::Report() : impl_(nullptr) {}

Report::~Report() { noxDelete(impl_); }

ReportImpl* Report::getImpl() const { return &lazy(impl_, "Report", "getImpl"); }

const IReportAttributes& Report::getAttributes() const {
  return lazy(getImpl()->attributes, "ReportImpl", "getAttributes");
}

ReportAttributes& Report::getAttributesImpl() {
  return lazy(getImpl()->attributes, "ReportImpl", "getAttributes");
}

const IString& Report::getErrorText() const {
  return lazy(getImpl()->errorText, "ReportImpl", "getErrorText");
}

void Report::setErrorText(const char* text) {
  lazy(getImpl()->errorText, "ReportImpl", "getErrorText") = text ? text : "";
}

const IString& Report::getName() const { return lazy(getImpl()->name, "ReportImpl", "getName"); }

void Report::setName(const char* name) { lazy(getImpl()->name, "ReportImpl", "getName") = name ? name : ""; }

const IReports& Report::getSubReports() const {
  return lazy(getImpl()->subReports, "ReportImpl", "getSubReportsImpl");
}

Reports& Report::getSubReportsImpl() {
  return lazy(getImpl()->subReports, "ReportImpl", "getSubReportsImpl");
}

IReport::ReportType Report::getType() const { return getImpl()->type; }

void Report::setType(ReportType type) { getImpl()->type = type; }

bool Report::isSuccess() const { return getImpl()->success; }

void Report::setSuccess(bool success) { getImpl()->success = success; }

long Report::getValueLength() const {
  ReportImpl* impl = getImpl();
  return impl->type == REPORT_BINARY ? impl->binaryLength : 0;
}

void* Report::getValue() const {
  ReportImpl* impl = getImpl();
  switch (impl->type) {
    case REPORT_TEXT:
    case REPORT_PATH:
      return const_cast<char*>(lazy(impl->textValue, "ReportImpl", "getValue").getData());
    case REPORT_INTEGER:
      return &impl->integerValue;
    case REPORT_REAL:
      return &impl->realValue;
    case REPORT_DATETIME:
      return impl->dateTimeValue;
    case REPORT_BINARY:
      return impl->binaryValue;
    default:
      return nullptr;
  }
}

void Report::setValue(void* data, long length) {
  ReportImpl* impl = getImpl();
  switch (impl->type) {
    case REPORT_TEXT:
    case REPORT_PATH:
      lazy(impl->textValue, "ReportImpl", "setValue") = static_cast<const char*>(data);
      return;
    case REPORT_INTEGER:
      std::memcpy(&impl->integerValue, data, sizeof impl->integerValue);
      return;
    case REPORT_REAL:
      std::memcpy(&impl->realValue, data, sizeof impl->realValue);
      return;
    case REPORT_DATETIME:
      std::memcpy(impl->dateTimeValue, data, sizeof impl->dateTimeValue);
      return;
    case REPORT_BINARY: {
      void* copy = nullptr;
      if (length > 0) {
        copy = noxAlloc(static_cast<size_t>(length));
        if (!copy) RAISE_MEMORY("ReportImpl", "setValue");
        std::memcpy(copy, data, static_cast<size_t>(length));
      }
      noxFree(impl->binaryValue);
      impl->binaryValue = copy;
      impl->binaryLength = length > 0 ? length : 0;
      return;
    }
    default:
      throwException(3, 0, GetLastError(), noxThisModule(), __FILE__, __LINE__, "ReportImpl", "setValue");
  }
}
