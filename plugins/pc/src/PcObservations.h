#pragma once

#include "Processor.h"
#include "nox/PluginModule.h"

namespace pc {

// One section of the PC report: names its report and lets `fill` populate it.
class SectionObservation : public Observation {
 public:
  SectionObservation(const char* name, void (*fill)(Report&)) : name_(name), fill_(fill) {}
  void observe(Report& report) override {
    report.setName(name_);
    if (fill_) fill_(report);
  }

 private:
  const char* name_;
  void (*fill_)(Report&);
};

// Keeps the processor facts for its lifetime; a clock speed still 0 is measured again.
class ProcessorObservation : public Observation {
 public:
  void observe(Report& report) override;

 private:
  bool gathered_ = false;
  ProcessorFacts facts_;
};

// The root "PC" with its thirteen sections in report order.
class PcRootObservation : public PluginRootObservation {
 public:
  PcRootObservation();
  void observe(Report& report) override { report.setName("PC"); }
};

}  // namespace pc
