#pragma once

#include "nox/PluginModule.h"

namespace birch {

// The report "birch": whether the port monitor's client is installed and
// where, the monitor the spooler loaded, the runtime libraries it needs, and
// its registry keys in full. When the client is not installed, the report
// holds only the unsuccessful "installInformation".
void fillBirchReport(Report& report);

class BirchRoot : public PluginRootObservation {
 public:
  void observe(Report& report) override { fillBirchReport(report); }
};

}  // namespace birch
