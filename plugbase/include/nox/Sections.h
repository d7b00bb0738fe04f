#pragma once

#include <new>

#include "nox/Error.h"
#include "nox/Observation.h"

// Runs `fill`; false when it raised (the exception is released here). Sections
// use it to mark the part that failed and go on with the next one.
template <class Fill>
bool guarded(Fill&& fill) {
  try {
    fill();
    return true;
  } catch (IException* error) {
    error->release();
  } catch (const std::bad_alloc&) {
  }
  return false;
}

// One section of a plug-in's report: names its report and lets `fill` populate
// it. With `guard`, an error raised while filling marks the report unsuccessful
// and keeps what was added before it; without, the error propagates.
class SectionObservation : public Observation {
 public:
  SectionObservation(const char* name, void (*fill)(Report&), bool guard = false)
      : name_(name), fill_(fill), guard_(guard) {}
  void observe(Report& report) override {
    report.setName(name_);
    if (!fill_) return;
    if (!guard_) {
      fill_(report);
    } else if (!guarded([&] { fill_(report); })) {
      report.setSuccess(false);
    }
  }

 private:
  const char* name_;
  void (*fill_)(Report&);
  bool guard_;
};
