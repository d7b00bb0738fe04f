// PC.nxo under Wine with a printer the CUPS fixture added (util/testing/cups-printer.sh):
// Wine's spooler lists CUPS printers at once.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "ReportProbe.h"
#include "nox/PluginModule.h"

namespace {

TEST(PcPrinterModule, ListsTheCupsPrinter) {
  std::ifstream result("cups-printer.txt");
  std::string printerName;
  std::getline(result, printerName);
  if (printerName.empty() || printerName.rfind("unavailable", 0) == 0) {
    GTEST_SKIP() << "no CUPS printer: " << (printerName.empty() ? "the fixture did not run" : printerName);
  }

  HMODULE module = LoadLibraryA("PC.nxo");
  ASSERT_NE(module, nullptr);
  noxPluginExport<NoxInitializePluginFunction>(module, NOX_EXPORT_INITIALIZE_PLUGIN)();
  IObservation* root = noxPluginExport<NoxGetObservationFunction>(module, NOX_EXPORT_GET_OBSERVATION)();
  Report& pc = static_cast<Report&>(root->createReport());

  const IReport& printer = *probe::find(pc, "printer");
  const IReport& printers = *probe::find(printer, "printers");
  EXPECT_TRUE(printers.isSuccess());
  // Wine lists it in more than one scope; each occurrence is a node of its own.
  const IReport* found = nullptr;
  std::vector<std::string> scopes;
  for (unsigned int i = 0; const IReport* information = probe::find(printers, "printerInformation", i); ++i) {
    if (probe::text(*information, "printerName") != printerName) continue;
    scopes.push_back(probe::attribute(*information, "printObject"));
    if (scopes.back() == "Local") found = information;
  }
  ASSERT_NE(found, nullptr) << printerName << " in the scope \"Local\"";
  EXPECT_EQ(probe::text(*found, "portName"), "CUPS:" + printerName);
  EXPECT_EQ(probe::text(*found, "driver"), printerName);
  EXPECT_NE(probe::find(*found, "priority"), nullptr);
  EXPECT_NE(probe::text(*found, "status"), "<missing status>");

  bool driver = false;
  const IReport& drivers = *probe::find(printer, "installedDrivers");
  for (unsigned int i = 0; const IReport* data = probe::find(drivers, "installedDriversData", i); ++i) {
    driver |= probe::text(*data, "driverName") == printerName;
  }
  EXPECT_TRUE(driver) << "its driver is installed";
  EXPECT_NE(probe::text(*probe::find(printer, "defaultPrinter"), "printerName").find(printerName),
            std::string::npos)
      << "the only printer is the default one";

  delete &pc;
  noxPluginExport<NoxUninitializePluginFunction>(module, NOX_EXPORT_UNINITIALIZE_PLUGIN)();
  FreeLibrary(module);
}

}  // namespace
