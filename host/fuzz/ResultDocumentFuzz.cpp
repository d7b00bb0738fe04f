// libFuzzer target: the result document reader takes any bytes without
// reading out of bounds, and what it returns stays within the input's bounds.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ResultDocument.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  host::DocumentSummary summary = host::summarizeDocument(text);
  size_t reports = 0;
  for (const host::CategorySummary& category : summary.categories) {
    reports += category.reports.size();
    for (const host::ReportSummary& report : category.reports) {
      if (report.failedPaths.size() > host::kFailedPathsKept || report.failedPaths.size() > report.failed)
        __builtin_trap();
    }
  }
  if (summary.categories.size() + reports > size) __builtin_trap();
  return 0;
}
