// Section "printer": what the print spooler of this machine knows.
#include <cstdio>
#include <string>

#include "InventorySections.h"
#include "nox/ReportLeaves.h"
#include "nox/Sections.h"
#include "pchelpers/SpoolerAnswer.h"
#include "pchelpers/SystemInformation.h"

namespace pc {

namespace {

// Each single spooler status bit and its words; anything else has none.
struct StatusWords {
  DWORD status;
  const char* text;
};
const StatusWords kStatusWords[] = {
    {0x1, "The printer is paused."},
    {0x2, "The printer is in an error state."},
    {0x4, "The printer is deleting a print job."},
    {0x8, "Paper is jammed in the printer"},
    {0x10, "The printer is out of paper."},
    {0x20, "The printer is in a manual feed state."},
    {0x40, "The printer has a paper problem."},
    {0x80, "The printer is offline."},
    {0x100, "The printer is in an active input/output state."},
    {0x200, "The printer is busy."},
    {0x400, "The printer is printing."},
    {0x800, "The printer's output bin is full."},
    {0x1000, "The printer is not available for printing."},
    {0x2000, "The printer is waiting."},
    {0x4000, "The printer is processing a print job."},
    {0x8000, "The printer is initializing."},
    {0x10000, "The printer is warming up."},
    {0x20000, "The printer is low on toner."},
    {0x40000, "The printer is out of toner."},
    {0x80000, "The printer cannot print the current page."},
    {0x100000, "The printer has an error that requires the user to do something."},
    {0x200000, "The printer has run out of memory."},
    {0x400000, "The printer door is open."},
    {0x800000, "The printer status is unknown."},
    {0x1000000, "The printer is in power save mode."},
};

// Enumeration scopes per platform: the EnumPrintersA flags and the scope text.
struct Scope {
  DWORD flags;
  const char* text;
};
const Scope kScopes9x[] = {{PRINTER_ENUM_LOCAL, "local and remote"},
                           {PRINTER_ENUM_NAME, "print providers in domain"}};
const Scope kScopesNt[] = {{PRINTER_ENUM_LOCAL, "Local"},
                           {PRINTER_ENUM_CONNECTIONS, "connected remote printers"},
                           {PRINTER_ENUM_NAME, "print providers in domain"}};

// "a.b.c.d" from the fixed version record of the file; "" on any failure.
std::string fixedFileVersion(const char* path) {
  VS_FIXEDFILEINFO info;
  if (!FileInformation::getFixedFileInfo(path, info)) return "";
  char text[64];
  std::snprintf(text, sizeof text, "%d.%d.%d.%d", static_cast<int>(HIWORD(info.dwFileVersionMS)),
                static_cast<int>(LOWORD(info.dwFileVersionMS)),
                static_cast<int>(HIWORD(info.dwFileVersionLS)),
                static_cast<int>(LOWORD(info.dwFileVersionLS)));
  return text;
}

// The platform id, or false (node marked unsuccessful) when the version cannot be read.
bool platformId(Report& node, DWORD& platform) {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  if (!Win32ApiWrapper().GetVersionExA(&version)) {
    node.setSuccess(false);
    return false;
  }
  platform = version.dwPlatformId;
  return true;
}

void fillPorts(Report& node) {
  SpoolerAnswer answer;
  if (!answer.fetch([&](LPBYTE b, DWORD s, LPDWORD n,
                        LPDWORD r) { return currentPlatform().EnumPortsA(nullptr, 2, b, s, n, r); },
                    sizeof(PORT_INFO_2A))) {
    return;
  }
  for (DWORD i = 0; i < answer.count(); ++i) {
    const PORT_INFO_2A& info = answer.record<PORT_INFO_2A>(i);
    Report& port = addNode(node, "availablePortsData");
    addText(port, "portName", answer.text(info.pPortName).c_str());
    addText(port, "description", answer.text(info.pDescription).c_str());
  }
}

void fillMonitors(Report& node) {
  DWORD platform = 0;
  if (!platformId(node, platform)) return;
  String windows = FileInformation::getWindowsFolder();
  DWORD level = platform == VER_PLATFORM_WIN32_NT ? 2 : 1;
  SpoolerAnswer answer;
  if (!answer.fetch([&](LPBYTE b, DWORD s, LPDWORD n,
                        LPDWORD r) { return currentPlatform().EnumMonitorsA(nullptr, level, b, s, n, r); },
                    level == 1 ? sizeof(MONITOR_INFO_1A) : sizeof(MONITOR_INFO_2A))) {
    return;
  }
  for (DWORD i = 0; i < answer.count(); ++i) {
    Report& monitor = addNode(node, "monitorInformation");
    if (level == 1) {
      addText(monitor, "monitorName", answer.text(answer.record<MONITOR_INFO_1A>(i).pName).c_str());
      continue;
    }
    const MONITOR_INFO_2A& info = answer.record<MONITOR_INFO_2A>(i);
    std::string dll = answer.text(info.pDLLName);
    addText(monitor, "monitorName", answer.text(info.pName).c_str());
    addText(monitor, "environment", answer.text(info.pEnvironment).c_str());
    addText(monitor, "dllName", dll.c_str());
    if (windows.length() > 0) {
      std::string path = std::string(windows.getData()) + "\\system32\\" + dll;
      std::string version = fixedFileVersion(path.c_str());
      addText(monitor, "version", version.empty() ? "unknown" : version.c_str());
    }
  }
}

void fillDefaultPrinter(Report& node) {
  char device[256] = {};
  currentPlatform().GetProfileStringA("windows", "device", "not found", device, sizeof device);
  addText(node, "printerName", device);
}

void fillDrivers(Report& node) {
  SpoolerAnswer answer;
  if (!answer.fetch(
          [&](LPBYTE b, DWORD s, LPDWORD n, LPDWORD r) {
            return currentPlatform().EnumPrinterDriversA(nullptr, nullptr, 3, b, s, n, r);
          },
          sizeof(DRIVER_INFO_3A))) {
    return;
  }
  for (DWORD i = 0; i < answer.count(); ++i) {
    const DRIVER_INFO_3A& info = answer.record<DRIVER_INFO_3A>(i);
    std::string path = answer.text(info.pDriverPath);
    Report& driver = addNode(node, "installedDriversData");
    addText(driver, "driverName", answer.text(info.pName).c_str());
    addText(driver, "driverEnvironment", answer.text(info.pEnvironment).c_str());
    addText(driver, "driverPath", path.c_str());
    addText(driver, "driverVersion", FileInformation::getFileVersionText(path.c_str(), true).getData());
  }
}

void addPrinter(Report& node, const SpoolerAnswer& answer, const PRINTER_INFO_2A& printer,
                const char* scope) {
  Report& info = addNode(node, "printerInformation");
  addAttribute(info, "printObject", scope);
  addText(info, "printerName", answer.text(printer.pPrinterName).c_str());
  addText(info, "sharepoint", answer.text(printer.pShareName).c_str());
  addText(info, "portName", answer.text(printer.pPortName).c_str());
  addText(info, "driver", answer.text(printer.pDriverName).c_str());
  addText(info, "comment", answer.text(printer.pComment).c_str());
  addText(info, "location", answer.text(printer.pLocation).c_str());
  addText(info, "separatorPageFile", answer.text(printer.pSepFile).c_str());
  addText(info, "printProcessor", answer.text(printer.pPrintProcessor).c_str());
  addText(info, "dataType", answer.text(printer.pDatatype).c_str());
  addText(info, "defaultPrint-processorParameters", answer.text(printer.pParameters).c_str());
  addNumber(info, "priority", printer.Priority);
  addNumber(info, "defaultPriority", printer.DefaultPriority);
  addText(info, "status", printerStatusText(printer.Status));
}

void fillPrinters(Report& node) {
  DWORD platform = 0;
  if (!platformId(node, platform)) return;
  const Scope* scopes = nullptr;
  size_t scopeCount = 0;
  if (platform == VER_PLATFORM_WIN32_WINDOWS) {
    scopes = kScopes9x;
    scopeCount = sizeof kScopes9x / sizeof kScopes9x[0];
  } else if (platform == VER_PLATFORM_WIN32_NT) {
    scopes = kScopesNt;
    scopeCount = sizeof kScopesNt / sizeof kScopesNt[0];
  }
  for (size_t s = 0; s < scopeCount; ++s) {
    SpoolerAnswer answer;
    DWORD flags = scopes[s].flags;
    if (!answer.fetch(
            [&](LPBYTE b, DWORD size, LPDWORD n, LPDWORD r) {
              return currentPlatform().EnumPrintersA(flags, nullptr, 2, b, size, n, r);
            },
            sizeof(PRINTER_INFO_2A))) {
      continue;
    }
    for (DWORD i = 0; i < answer.count(); ++i) {
      addPrinter(node, answer, answer.record<PRINTER_INFO_2A>(i), scopes[s].text);
    }
  }
}

}  // namespace

const char* printerStatusText(DWORD status) {
  for (const StatusWords& words : kStatusWords) {
    if (words.status == status) return words.text;
  }
  return "";
}

void fillPrinterSection(Report& section) {
  static const struct {
    const char* name;
    void (*fill)(Report&);
  } kParts[] = {
      {"availablePorts", fillPorts},
      {"installedMonitors", fillMonitors},
      {"defaultPrinter", fillDefaultPrinter},
      {"installedDrivers", fillDrivers},
      {"printers", fillPrinters},
  };
  for (const auto& part : kParts) {
    Report& node = addNode(section, part.name);
    if (!guarded([&] { part.fill(node); })) node.setSuccess(false);
  }
}

}  // namespace pc
