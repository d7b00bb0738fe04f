#include "PcObservations.h"

#include "InventorySections.h"
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
  addSubObservation<SectionObservation>("component", fillComponentSection);
  addSubObservation<SectionObservation>("execApplication", fillExecApplicationSection);
  addSubObservation<SectionObservation>("installedApplication", fillInstalledApplicationSection);
  addSubObservation<SectionObservation>("network", fillNetworkSection);
  addSubObservation<SectionObservation>("runApplication", fillRunApplicationSection);
  addSubObservation<SectionObservation>("scsi", fillScsiSection);
  addSubObservation<SectionObservation>("service", fillServiceSection);
  addSubObservation<SectionObservation>("printer", fillPrinterSection);
}

}  // namespace pc
