// Driver.nxo loaded for real under Wine, with the printer the CUPS fixture
// added (util/testing/cups-printer.sh): Wine's spooler lists its driver
// and gives the printer device settings.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "DriverRecords.h"
#include "ReportProbe.h"
#include "nox/FileUtil.h"
#include "nox/PluginModule.h"
#include "nox/testing/Files.h"

namespace {

using Names = std::vector<std::string>;

const char kProvidersKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Providers";

class DriverModule : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ifstream result("cups-printer.txt");
    std::getline(result, printer_);
    if (printer_.empty() || printer_.rfind("unavailable", 0) == 0) {
      GTEST_SKIP() << "no CUPS printer: " << (printer_.empty() ? "the fixture did not run" : printer_);
    }
    ASSERT_EQ(initializeUtility(), 1);
    module_ = LoadLibraryA("Driver.nxo");
    ASSERT_NE(module_, nullptr) << "Driver.nxo beside the test program";
    noxPluginExport<NoxInitializePluginFunction>(module_, NOX_EXPORT_INITIALIZE_PLUGIN)();
  }
  void TearDown() override {
    if (module_) {
      noxPluginExport<NoxUninitializePluginFunction>(module_, NOX_EXPORT_UNINITIALIZE_PLUGIN)();
      FreeLibrary(module_);
      uninitializeUtility();
    }
  }
  Report& report() {
    IObservation* root = noxPluginExport<NoxGetObservationFunction>(module_, NOX_EXPORT_GET_OBSERVATION)();
    return static_cast<Report&>(root->createReport());
  }
  // The child of `parent` named `name` whose leaf or attribute `key` reads `value`.
  const IReport* findBy(const IReport& parent, const char* name, const char* key, const std::string& value,
                        bool attribute) {
    for (unsigned int i = 0; const IReport* node = probe::find(parent, name, i); ++i) {
      if ((attribute ? probe::attribute(*node, key) : probe::text(*node, key)) == value) return node;
    }
    return nullptr;
  }

  std::string printer_;
  HMODULE module_ = nullptr;
};

TEST_F(DriverModule, TheCupsPrintersDriverSettingsAndTheSpoolerExports) {
  Report& root = report();
  EXPECT_STREQ(root.getName().getData(), "printerDriver");
  ASSERT_EQ(probe::childNames(root), (Names{"printers", "devMode", "registry"}));
  EXPECT_TRUE(probe::find(root, "printers")->isSuccess());
  EXPECT_TRUE(probe::find(root, "devMode")->isSuccess());

  // The driver, as the spooler itself describes it.
  DWORD needed = 0, returned = 0;
  EnumPrinterDriversA(nullptr, nullptr, 3, nullptr, 0, &needed, &returned);
  std::vector<BYTE> drivers(needed);
  ASSERT_TRUE(EnumPrinterDriversA(nullptr, nullptr, 3, drivers.data(), needed, &needed, &returned));
  const DRIVER_INFO_3A* expected = nullptr;
  for (DWORD i = 0; i < returned; ++i) {
    const DRIVER_INFO_3A* d = reinterpret_cast<const DRIVER_INFO_3A*>(drivers.data()) + i;
    if (printer_ == d->pName) expected = d;
  }
  ASSERT_NE(expected, nullptr) << "Wine lists the driver of " << printer_;
  const IReport* driver =
      findBy(*probe::find(root, "printers"), "printerDriverInformation", "printerDriverName", printer_, true);
  ASSERT_NE(driver, nullptr);
  EXPECT_EQ(probe::text(*driver, "environment"), expected->pEnvironment);
  EXPECT_EQ(probe::text(*driver, "driverPath"), expected->pDriverPath);
  EXPECT_EQ(probe::text(*driver, "dataFile"), expected->pDataFile);
  EXPECT_EQ(probe::text(*driver, "defaultDataType"),
            expected->pDefaultDataType ? expected->pDefaultDataType : "");
  EXPECT_NE(probe::text(*driver, "driverVersion"), "") << "wineps.drv has a version resource";
  EXPECT_NE(probe::find(*driver, "dependentFiles"), nullptr);

  // The settings, as the spooler itself gives them.
  EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &returned);
  std::vector<BYTE> printers(needed);
  ASSERT_TRUE(EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, printers.data(), needed, &needed, &returned));
  const DEVMODEA* mode = nullptr;
  for (DWORD i = 0; i < returned; ++i) {
    const PRINTER_INFO_2A* p = reinterpret_cast<const PRINTER_INFO_2A*>(printers.data()) + i;
    if (printer_ == p->pPrinterName) mode = p->pDevMode;
  }
  ASSERT_NE(mode, nullptr) << "Wine gives the printer device settings";
  const IReport* settings =
      findBy(*probe::find(root, "devMode"), "printerInformation", "deviceName", printer_, false);
  ASSERT_NE(settings, nullptr);
  EXPECT_TRUE(settings->isSuccess());
  EXPECT_EQ(probe::text(*settings, "specVersion"), std::to_string(mode->dmSpecVersion));
  EXPECT_EQ(probe::text(*settings, "paperSize"), driver::paperSizeText(mode->dmPaperSize));
  EXPECT_EQ(probe::text(*settings, "orientation"), driver::orientationText(mode->dmOrientation));
  EXPECT_EQ(probe::number(*settings, "paperLength"), mode->dmPaperLength);
  EXPECT_EQ(probe::number(*settings, "paperWidth"), mode->dmPaperWidth);
  EXPECT_EQ(probe::number(*settings, "yResolution"), mode->dmYResolution);
  EXPECT_EQ(probe::text(*settings, "formName"), std::string(reinterpret_cast<const char*>(mode->dmFormName)));
  EXPECT_EQ(probe::find(*settings, "driverExtraData")->getValueLength(), mode->dmDriverExtra);

  // The exports are side files of the work folder, in the registry-editor
  // format. A Wine prefix has neither HKEY_CURRENT_USER\Printers nor the
  // spooler's Providers key: those exports are named as failed, and the
  // section goes on past them.
  for (const auto& key :
       {std::make_pair(HKEY_CURRENT_USER, "Printers"), std::make_pair(HKEY_LOCAL_MACHINE, kProvidersKey)}) {
    HKEY opened = nullptr;
    ASSERT_NE(RegOpenKeyExA(key.first, key.second, 0, KEY_READ, &opened), ERROR_SUCCESS)
        << key.second << " exists in this prefix after all";
  }
  const IReport& registry = *probe::find(root, "registry");
  EXPECT_FALSE(registry.isSuccess());
  ASSERT_EQ(probe::childNames(registry), (Names{"registry", "registry", "registry"}));
  EXPECT_STREQ(probe::find(registry, "registry", 1)->getErrorText().getData(),
               "HKEY_CURRENT_USER\\Printers could not be exported (error 2).");
  EXPECT_STREQ(
      probe::find(registry, "registry", 2)->getErrorText().getData(),
      ("HKEY_LOCAL_MACHINE\\" + std::string(kProvidersKey) + " could not be exported (error 2).").c_str());
  const IReport& exported = *probe::find(registry, "registry", 0);
  EXPECT_TRUE(exported.isSuccess());
  EXPECT_EQ(exported.getType(), IReport::REPORT_PATH);
  std::string path = probe::text(registry, "registry", 0);
  EXPECT_EQ(path, std::string(getWorkFolder()) + "\\registries\\driverReg.txt");
  std::string content = nox_testing::readFile(path);
  EXPECT_EQ(content.rfind("REGEDIT4\r\n", 0), 0u) << path;
  EXPECT_NE(content.find("[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\" +
                         printer_ + "]"),
            std::string::npos);
  delete &root;

  // A second report writes new files beside the first ones.
  Report& again = report();
  const IReport& registryAgain = *probe::find(again, "registry");
  EXPECT_EQ(probe::text(registryAgain, "registry", 0),
            std::string(getWorkFolder()) + "\\registries\\driverReg(1).txt");
  EXPECT_TRUE(nox_testing::exists(path));
  delete &again;
}

}  // namespace
