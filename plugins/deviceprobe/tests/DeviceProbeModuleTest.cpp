// DeviceProbe.nxo loaded for real under Wine, with its VarnelApi.dll finding
// the two quick devices of the loopback-network fixture.
#include <gtest/gtest.h>

#include <memory>

#include "DeviceWeb.h"
#include "LoopbackNetwork.h"
#include "ReportProbe.h"
#include "nox/FileUtil.h"
#include "nox/testing/LoadedPlugin.h"

namespace {

class DeviceProbeModule : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { initializeUtility(); }
  static void TearDownTestSuite() { uninitializeUtility(); }
  void SetUp() override {
    if (!network_.snmpMissing().empty()) GTEST_SKIP() << network_.snmpMissing();
    if (!network_.httpMissing().empty()) GTEST_SKIP() << network_.httpMissing();
    network_.configureLibrary(network_.fullAgent(), "moduleDevices");
    ASSERT_NE(plugin_.module(), nullptr) << "DeviceProbe.nxo and VarnelApi.dll beside the test program";
  }
  LoopbackNetwork network_;
  nox_testing::LoadedPlugin plugin_{"DeviceProbe.nxo"};
};

TEST_F(DeviceProbeModule, ReportsTheDiscoveredDevicesWithTheirFile) {
  IPluginInformation* information = plugin_.information();
  ASSERT_NE(information, nullptr);
  EXPECT_EQ(information->getID(), 64u);
  EXPECT_STREQ(information->getName().getData(), "DeviceProbe Plugin");
  IObservation* root = plugin_.observation();
  EXPECT_EQ(root->getConfigrations().getCount(), 0u) << "it asks the user nothing";

  std::unique_ptr<Report> report(static_cast<Report*>(&root->createReport()));
  EXPECT_STREQ(report->getName().getData(), "deviceProbe");
  EXPECT_TRUE(report->isSuccess()) << report->getErrorText().getData();
  const IReport& io = *probe::find(*report, "deviceIOInformation");
  EXPECT_EQ(probe::number(io, "hostNumber"), 2);
  const IReport& mfp = *probe::find(io, "host", 0);
  EXPECT_EQ(probe::text(mfp, "machineName"), "NOX-MFP-10");
  const IReport& functions = *probe::find(mfp, "functions");
  EXPECT_EQ(functions.getSubReports().getCount(), 4u);
  EXPECT_EQ(probe::text(*probe::find(functions, "function", 3), "firmwareROMVersion"), "CPY 1.31");
  const std::string file = probe::text(*probe::find(mfp, "LocalStorageInformation"), "sysinfo.xml");
  EXPECT_EQ(file, std::string(getWorkFolder()) + "\\" + network_.address(10) + ".sysinfo.xml");
  EXPECT_TRUE(fileHolds(file, servedSysinfo(network_.address(10))));
  const IReport& copier = *probe::find(io, "host", 1);
  EXPECT_EQ(probe::attribute(copier, "index"), "2");
  EXPECT_EQ(probe::find(copier, "LocalStorageInformation"), nullptr);
}

}  // namespace
