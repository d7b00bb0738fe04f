// The sections of the printer driver report.
#include "DriverSections.h"

#include <cstddef>
#include <string>
#include <vector>

#include "DriverRecords.h"
#include "nox/FileUtil.h"
#include "nox/ReportLeaves.h"
#include "nox/Sections.h"
#include "pchelpers/Registry.h"
#include "pchelpers/SpoolerAnswer.h"
#include "pchelpers/SystemInformation.h"

namespace driver {

const char kDevModeCutShort[] = "The device settings run past the end of the spooler's answer.";
const char kDevModeUnreadable[] = "The device settings are too short to be read.";
const char kExportFailed[] = "%s\\%s could not be exported (error %lu).";

namespace {

static_assert(offsetof(DEVMODEA, dmSpecVersion) == devmode::kSpecVersion &&
                  offsetof(DEVMODEA, dmSize) == devmode::kSize &&
                  offsetof(DEVMODEA, dmDriverExtra) == devmode::kDriverExtra &&
                  offsetof(DEVMODEA, dmFields) == devmode::kHeaderBytes &&
                  offsetof(DEVMODEA, dmOrientation) == devmode::kOrientation &&
                  offsetof(DEVMODEA, dmPrintQuality) == devmode::kPrintQuality &&
                  offsetof(DEVMODEA, dmCollate) == devmode::kCollate &&
                  offsetof(DEVMODEA, dmFormName) == devmode::kFormName &&
                  offsetof(DEVMODEA, dmBitsPerPel) == devmode::kBitsPerPel &&
                  offsetof(DEVMODEA, dmDisplayFlags) == devmode::kDisplayFlags &&
                  offsetof(DEVMODEA, dmDisplayFrequency) == devmode::kDisplayFrequency,
              "DEVMODEA offsets");

// The product version of the file's fixed version record; "" on any failure.
std::string productVersion(const char* path) {
  VS_FIXEDFILEINFO info;
  if (!FileInformation::getFixedFileInfo(path, info)) return "";
  return versionText(info.dwProductVersionMS, info.dwProductVersionLS);
}

std::string driverVersion(const std::string& driverPath) {
  // The file name is what follows the last backslash; a path without one has none.
  const char* base = noxGetBaseName(driverPath.c_str());
  if (base != driverPath.c_str() && isPostScriptDriverFile(base)) return productVersion(driverPath.c_str());
  return FileInformation::getFileVersionText(driverPath.c_str(), true).getData();
}

// Dependent files as the driver names them; a bare file name lies in the
// driver's folder (the driver path up to and including its last backslash).
Array dependentFiles(const SpoolerAnswer& answer, const DRIVER_INFO_3A& driver,
                     const std::string& driverPath) {
  const char* base = noxGetBaseName(driverPath.c_str());
  String folder(driverPath.substr(0, static_cast<size_t>(base - driverPath.c_str())).c_str());
  Array files;
  for (const std::string& name :
       readNameList(driver.pDependentFiles, answer.bytesFrom(driver.pDependentFiles))) {
    String file(name.c_str());
    unsigned int at = 0;
    if (!file.find('\\', at) && !file.find(':', at) && folder.length() > 0) file = folder + file;
    files.append(file.getData());
  }
  return files;
}

void addDependentFile(Report& list, const char* file) {
  Report& information = addNode(list, "dependentFilesInformation");
  addText(information, "dependentFile", file);
  Win32ApiWrapper api;
  WIN32_FIND_DATAA found;
  HANDLE find = api.FindFirstFileA(file, &found);
  if (find == INVALID_HANDLE_VALUE) return;
  api.FindClose(find);
  String version = FileInformation::getFileVersionText(file, false);
  if (version.length() > 0) addText(information, "fileVersion", version.getData());
  SYSTEMTIME written = {};
  FileInformation::getFileLastWriteTime(file, written);
  addTime(information, "fileTimeStamp", written);
}

void addDriver(Report& section, const SpoolerAnswer& answer, const DRIVER_INFO_3A& driver) {
  Report& information = addNode(section, "printerDriverInformation");
  addAttribute(information, "printerDriverName", answer.text(driver.pName).c_str());
  std::string driverPath = answer.text(driver.pDriverPath);
  addText(information, "driverVersion", driverVersion(driverPath).c_str());
  addText(information, "environment", answer.text(driver.pEnvironment).c_str());
  addText(information, "driverPath", driverPath.c_str());
  addText(information, "dataFile", answer.text(driver.pDataFile).c_str());
  addText(information, "configFile", answer.text(driver.pConfigFile).c_str());
  addText(information, "helpFile", answer.text(driver.pHelpFile).c_str());
  Report& dependents = addNode(information, "dependentFiles");
  Array files = dependentFiles(answer, driver, driverPath);
  for (int i = 0; i < files.getCount(); ++i) addDependentFile(dependents, files.getSlots()[i]->getData());
  addText(information, "languageMonitorName", answer.text(driver.pMonitorName).c_str());
  addText(information, "defaultDataType", answer.text(driver.pDefaultDataType).c_str());
}

void addPrinterSettings(Report& section, const SpoolerAnswer& answer, const PRINTER_INFO_2A& printer) {
  Report& information = addNode(section, "printerInformation");
  addText(information, "deviceName", answer.text(printer.pPrinterName).c_str());
  size_t available = answer.bytesFrom(printer.pDevMode);
  DevModeSettings settings = readDevMode(reinterpret_cast<const unsigned char*>(printer.pDevMode), available);
  for (const DevModeLeaf& leaf : settings.leaves) {
    if (leaf.isNumber) {
      addNumber(information, leaf.name, static_cast<unsigned long>(leaf.number));
    } else {
      addText(information, leaf.name, leaf.text.c_str());
    }
  }
  if (settings.readable) {
    Report& extra = addNode(information, "driverExtraData");
    extra.setType(IReport::REPORT_BINARY);
    extra.setValue(settings.driverExtra.data(), static_cast<long>(settings.driverExtra.size()));
  }
  if (settings.cutShort) {
    information.setSuccess(false);
    information.setErrorText(settings.readable ? kDevModeCutShort : kDevModeUnreadable);
  }
}

}  // namespace

void fillDriversSection(Report& section) {
  SpoolerAnswer answer;
  answer.fetch(
      [](LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
        return currentPlatform().EnumPrinterDriversA(nullptr, nullptr, 3, buffer, size, needed, returned);
      },
      sizeof(DRIVER_INFO_3A));
  for (DWORD i = 0; i < answer.count(); ++i) addDriver(section, answer, answer.record<DRIVER_INFO_3A>(i));
}

void fillDevModeSection(Report& section) {
  SpoolerAnswer answer;
  answer.fetch(
      [](LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned) {
        return currentPlatform().EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buffer, size, needed,
                                               returned);
      },
      sizeof(PRINTER_INFO_2A));
  for (DWORD i = 0; i < answer.count(); ++i) {
    const PRINTER_INFO_2A& printer = answer.record<PRINTER_INFO_2A>(i);
    if (printer.pDevMode) addPrinterSettings(section, answer, printer);
  }
}

void fillRegistrySection(Report& section, RegistryExporter exporter) {
  static const struct {
    HKEY root;
    const char* rootName;
    const char* key;
    const char* file;
  } kExports[] = {
      {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers",
       "driverReg.txt"},
      {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "Printers", "Printers.txt"},
      {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE",
       "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Providers", "Providers.txt"},
  };
  for (const auto& e : kExports) {
    char path[260] = {};
    DWORD failure = ERROR_SUCCESS;
    try {
      exporter(e.root, e.key, e.file, path, sizeof path);
    } catch (IException* error) {
      failure = error->getError().getLastError();
      error->release();
      if (failure == ERROR_SUCCESS) failure = ERROR_GEN_FAILURE;
    }
    path[sizeof path - 1] = '\0';
    Report& leaf = addNode(section, "registry");
    leaf.setType(IReport::REPORT_PATH);
    if (failure == ERROR_SUCCESS) {
      leaf.setValue(path, 0);
      continue;
    }
    // A key one user lacks (HKEY_CURRENT_USER\Printers) does not cost the
    // other exports: the leaf says which failed, the section that one did.
    String text;
    text.format(kExportFailed, e.rootName, e.key, static_cast<unsigned long>(failure));
    leaf.setSuccess(false);
    leaf.setErrorText(text.getData());
    section.setSuccess(false);
  }
}

void fillRegistrySection(Report& section) { fillRegistrySection(section, exportRegistryToFile); }

DriverRoot::DriverRoot() {
  addSubObservation<SectionObservation>("printers", static_cast<void (*)(Report&)>(fillDriversSection), true);
  addSubObservation<SectionObservation>("devMode", static_cast<void (*)(Report&)>(fillDevModeSection), true);
  addSubObservation<SectionObservation>("registry", static_cast<void (*)(Report&)>(fillRegistrySection),
                                        true);
}

}  // namespace driver
