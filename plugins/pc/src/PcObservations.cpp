#include "PcObservations.h"

#include "SystemSections.h"

namespace pc {

void ProcessorObservation::observe(Report& report) {
  report.setName("cpuInfomation");
  if (!gathered_) {
    facts_ = detectProcessor(currentPlatform());
    gathered_ = true;
  }
  if (facts_.clockMHz == 0) facts_.clockMHz = measureClockMHz(currentPlatform(), facts_);
  fillProcessorSection(facts_, report);
}

PcRootObservation::PcRootObservation() {
  addSubObservation<ProcessorObservation>();
  addSubObservation<SectionObservation>("osVersion", fillOsVersionSection);
  addSubObservation<SectionObservation>("memory", fillMemorySection);
  addSubObservation<SectionObservation>("environmentVariables", fillEnvironmentSection);
  addSubObservation<SectionObservation>("drive", fillDriveSection);
  // Sections still to be filled report their name only.
  for (const char* name : {"component", "execApplication", "installedApplication", "network",
                           "runApplication", "scsi", "service", "printer"}) {
    addSubObservation<SectionObservation>(name, nullptr);
  }
}

}  // namespace pc
