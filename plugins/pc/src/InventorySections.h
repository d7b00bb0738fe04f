#pragma once

#include <windows.h>

#include "nox/Report.h"

// Sections 6 to 13 of the PC report: what is installed, what runs, the
// network set-up and printing. Each keeps its own rule for failures.
namespace pc {

void fillComponentSection(Report& section);
void fillExecApplicationSection(Report& section);
void fillInstalledApplicationSection(Report& section);
void fillNetworkSection(Report& section);
void fillRunApplicationSection(Report& section);
void fillScsiSection(Report& section);
void fillServiceSection(Report& section);
void fillPrinterSection(Report& section);

// The words for one spooler status value; "" for 0 or several bits at once.
const char* printerStatusText(DWORD status);
// "[running]" ... for a service's current state.
const char* serviceStateText(DWORD state);

}  // namespace pc
