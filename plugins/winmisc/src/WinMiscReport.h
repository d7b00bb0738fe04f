#pragma once

#include "nox/PluginModule.h"

namespace winmisc {

// The report "winMisc": the desktop heap setting, the Windows Installer
// service's image path, and the two setup logs of the Windows folder (their
// times, the file itself as a side file, and the key line of the IIS log).
void fillWinMiscReport(Report& report);

class WinMiscRoot : public PluginRootObservation {
 public:
  void observe(Report& report) override { fillWinMiscReport(report); }
};

}  // namespace winmisc
