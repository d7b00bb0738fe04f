#pragma once

#include "Processor.h"
#include "nox/PluginModule.h"
#include "nox/Sections.h"

namespace pc {

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
