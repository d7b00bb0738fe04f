// PC.nxo loaded for real under Wine, reporting on the machine it runs on.
#include <cpuid.h>
#include <gtest/gtest.h>

#include <cstring>

#include "ReportProbe.h"
#include "nox/PluginModule.h"

namespace {

class PcModule : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryA("PC.nxo");
    ASSERT_NE(module_, nullptr) << "PC.nxo beside the test program";
    noxPluginExport<NoxInitializePluginFunction>(module_, NOX_EXPORT_INITIALIZE_PLUGIN)();
  }
  void TearDown() override {
    if (!module_) return;
    noxPluginExport<NoxUninitializePluginFunction>(module_, NOX_EXPORT_UNINITIALIZE_PLUGIN)();
    FreeLibrary(module_);
  }
  HMODULE module_ = nullptr;
};

TEST_F(PcModule, IdentityAndSections) {
  IPluginInformation* info =
      noxPluginExport<NoxGetPluginInformationFunction>(module_, NOX_EXPORT_GET_PLUGIN_INFORMATION)();
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->getID(), 0u);
  EXPECT_STREQ(info->getName().getData(), "PC Plugin");
  EXPECT_EQ(info->getVersion(), 2u);

  IObservation* root = noxPluginExport<NoxGetObservationFunction>(module_, NOX_EXPORT_GET_OBSERVATION)();
  ASSERT_NE(root, nullptr);
  IReport& report = root->createReport();
  EXPECT_STREQ(report.getName().getData(), "PC");
  EXPECT_EQ(probe::childNames(report),
            (std::vector<std::string>{"cpuInfomation", "osVersion", "memory", "environmentVariables", "drive",
                                      "component", "execApplication", "installedApplication", "network",
                                      "runApplication", "scsi", "service", "printer"}));

  const IReport& cpu = *probe::find(report, "cpuInfomation");
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  EXPECT_EQ(probe::number(cpu, "numberOfProcessors"), static_cast<long long>(system.dwNumberOfProcessors));
  EXPECT_EQ(probe::text(cpu, "cpuArchitecture"), "x86") << "what the shipped 32-bit program sees";
  unsigned int a, b, c, d;
  __cpuid(0, a, b, c, d);
  char vendor[13] = {};
  std::memcpy(vendor, &b, 4);
  std::memcpy(vendor + 4, &d, 4);
  std::memcpy(vendor + 8, &c, 4);
  std::string expectedVendor = std::string(vendor) == "GenuineIntel"   ? "Intel"
                               : std::string(vendor) == "AuthenticAMD" ? "AMD"
                                                                       : "Unknown";
  EXPECT_EQ(probe::text(cpu, "cpuVendor"), expectedVendor);
  EXPECT_GT(probe::number(cpu, "clockSpeed"), 100) << "a measured clock";

  const IReport& os = *probe::find(report, "osVersion");
  EXPECT_EQ(probe::text(os, "osVersionInfomation").rfind("Windows 7", 0), 0u)
      << "Wine's default prefix is Windows 7";
  EXPECT_EQ(probe::text(os, "ieVersion").rfind("IE 9.", 0), 0u);

  const IReport& memory = *probe::find(report, "memory");
  EXPECT_NE(probe::text(memory, "totalPhysicalMemoryInformation"), "0 B");
  EXPECT_NE(probe::text(memory, "totalPhysicalMemoryInformation").find(" KB"), std::string::npos);

  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  const IReport& env = *probe::find(report, "environmentVariables");
  EXPECT_STRCASEEQ(probe::text(env, "winDir").c_str(), windows);

  const IReport& drive = *probe::find(report, "drive");
  std::vector<std::string> roots;
  for (unsigned int i = 0; const IReport* d = probe::find(drive, "driveInfomation", i); ++i) {
    roots.push_back(probe::text(*d, "driveName"));
    if (roots.back() == "C:\\") {
      EXPECT_EQ(probe::text(*d, "driveType"), "fixed drive");
      EXPECT_NE(probe::text(*d, "totakDiskSpace").find(" KB"), std::string::npos);
    }
  }
  EXPECT_NE(std::find(roots.begin(), roots.end(), "C:\\"), roots.end());
  EXPECT_NE(std::find(roots.begin(), roots.end(), "Z:\\"), roots.end());
  EXPECT_STREQ(probe::text(drive, "windowsDirectory").c_str(), windows);
  delete static_cast<Report*>(&report);
}

}  // namespace
