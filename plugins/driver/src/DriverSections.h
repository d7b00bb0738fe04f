#pragma once

#include <windows.h>

#include "nox/PluginModule.h"

namespace driver {

// Section "printers": every installed driver of the default environment with
// its files, versions and time stamps.
void fillDriversSection(Report& section);

// Section "devMode": the device settings of every local printer that has them.
void fillDevModeSection(Report& section);

// Section "registry": the three exports of the spooler's configuration, each
// followed by a path leaf "registry". `exporter` writes one key into a side
// file and leaves its path in the buffer, or raises (exportRegistryToFile).
// An export that raises gives an unsuccessful leaf naming the key (kExportFailed)
// and marks the section unsuccessful; the other exports are still written.
using RegistryExporter = void (*)(HKEY root, const char* subKey, const char* fileName, char* resultPath,
                                  int resultSize);
void fillRegistrySection(Report& section, RegistryExporter exporter);
void fillRegistrySection(Report& section);

// The root "printerDriver" with its three sections, each filled under its own
// guard: an error marks that section unsuccessful and keeps what it holds.
class DriverRoot : public PluginRootObservation {
 public:
  DriverRoot();
  void observe(Report& report) override { report.setName("printerDriver"); }
};

// Error texts of a printer whose device settings do not fit the spooler's answer.
extern const char kDevModeCutShort[];
extern const char kDevModeUnreadable[];
// Error text of an export that failed: root name, key, system error.
extern const char kExportFailed[];

}  // namespace driver
