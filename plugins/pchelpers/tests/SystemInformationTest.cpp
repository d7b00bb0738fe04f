#include "pchelpers/SystemInformation.h"

#include <gtest/gtest.h>

#include <string>

#include "Scenario.h"
#include "nox/Error.h"

namespace {

std::string versionScenario(int platform, int major, int minor, int build, const char* sp, int productType,
                            int suite) {
  char text[512];
  std::snprintf(text, sizeof text,
                "[version]\nplatform=%d\nmajor=%d\nminor=%d\nbuild=%d\nservicePack=%s\nproductType=%d\n"
                "suiteMask=0x%x\nextended=yes\n",
                platform, major, minor, build, sp, productType, suite);
  return text;
}

TEST(SystemInformation, WindowsKindAndEditionCode) {
  struct Row {
    const char* what;
    int platform, major, minor, build;
    const char* sp;
    int productType, suite;
    int kind, edition;
  } rows[] = {
      {"95 first release", 1, 4, 0, 950, "", 0, 0, 1, 0},
      {"98", 1, 4, 10, 1998, "", 0, 0, 2, 0},
      {"Me", 1, 4, 90, 3000, "", 0, 0, 3, 0},
      {"NT 4 workstation no SP6", 2, 4, 0, 1381, "Service Pack 5", 1, 0, 4, 0},
      {"NT 4 workstation SP6", 2, 4, 0, 1381, "Service Pack 6", 1, 0, 4, 1},
      {"NT 4 server SP6", 2, 4, 0, 1381, "Service Pack 6", 3, 0, 4, 2},
      {"NT 4 domain controller SP6", 2, 4, 0, 1381, "Service Pack 6", 2, 0, 4, 3},
      {"2000 Professional", 2, 5, 0, 2195, "", 1, 0, 5, 4},
      {"2000 domain controller", 2, 5, 0, 2195, "", 2, 0, 5, 5},
      {"2000 Server", 2, 5, 0, 2195, "", 3, 0, 5, 6},
      {"2000 Advanced Server", 2, 5, 0, 2195, "", 3, 0x0002, 5, 7},
      {"2000 DataCenter", 2, 5, 0, 2195, "", 3, 0x0080, 5, 8},
      {"Small Business Server beats enterprise", 2, 5, 0, 2195, "", 3, 0x0003, 5, 9},
      {"XP Home", 2, 5, 1, 2600, "", 1, 0x0200, 6, 10},
      {"XP Professional", 2, 5, 1, 2600, "Service Pack 3", 1, 0x0100, 6, 11},
      {"XP x64", 2, 5, 2, 3790, "", 1, 0, 7, 12},
      {"2003 Standard", 2, 5, 2, 3790, "", 3, 0, 7, 13},
      {"2003 Enterprise", 2, 5, 2, 3790, "", 3, 0x0002, 7, 14},
      {"2003 Datacenter", 2, 5, 2, 3790, "", 3, 0x0080, 7, 15},
      {"2003 Web beats enterprise", 2, 5, 2, 3790, "", 3, 0x0402, 7, 16},
      {"5.3 is unknown", 2, 5, 3, 1, "", 1, 0, 0, 12},
      {"Vista", 2, 6, 0, 6000, "", 1, 0, 8, 0},
      {"2008 R2", 2, 6, 1, 7601, "Service Pack 1", 3, 0x0110, 8, 0},
      {"Windows 10", 2, 10, 0, 19041, "", 1, 0, 0, 0},
      {"CE", 3, 4, 0, 1, "", 0, 0, 0, 0},
  };
  for (const Row& r : rows) {
    ScenarioMachine machine = ScenarioMachine::fromText(
        versionScenario(r.platform, r.major, r.minor, r.build, r.sp, r.productType, r.suite));
    SystemInformation info;
    EXPECT_EQ(info.getWindowsKind(), r.kind) << r.what;
    EXPECT_EQ(info.getEditionCode(), r.edition) << r.what;
  }
}

TEST(SystemInformation, TextsAndFirstWindows95Release) {
  struct Row {
    const char* scenario;
    const char* build;
    bool first95;
  } rows[] = {
      {"[version]\nplatform=1\nmajor=4\nminor=0\nbuild=0x040003B6\n", "950", true},
      {"[version]\nplatform=1\nmajor=4\nminor=0\nbuild=0x04000438\n", "1080", false},
      {"[version]\nplatform=1\nmajor=4\nminor=10\nbuild=0x040A07CE\n", "1998", false},
      {"[version]\nplatform=2\nmajor=5\nminor=1\nbuild=2600\n", "2600", false},
      {"[version]\nplatform=3\nmajor=4\nminor=0\nbuild=77\n", "", false},
  };
  for (const Row& r : rows) {
    ScenarioMachine machine = ScenarioMachine::fromText(r.scenario);
    SystemInformation info;
    EXPECT_STREQ(info.getBuildNumberText().getData(), r.build) << r.scenario;
    EXPECT_EQ(info.isFirstWindows95Release(), r.first95) << r.scenario;
  }
}

TEST(SystemInformation, FailedVersionQueryRaisesAndRetries) {
  ScenarioMachine machine = ScenarioMachine::fromText("[version]\nfail=yes\nlastError=50\n");
  SystemInformation info;
  for (int attempt = 0; attempt < 2; ++attempt) {
    try {
      info.getWindowsKind();
      ADD_FAILURE() << "no exception";
    } catch (IException* e) {
      EXPECT_EQ(e->getError().getID(), 1u);
      EXPECT_EQ(e->getError().getReturnValue(), 50u);
      EXPECT_EQ(e->getError().getLastError(), 50u);
      EXPECT_EQ(e->getError().getLineNumber(), 680u);
      EXPECT_STREQ(e->getError().getMethodName().getData(), "getOSVERSIONINFO");
      EXPECT_STREQ(e->getError().getFileName().getData(), "SystemInformation");
      e->release();
    }
  }
}

TEST(FileInformation, VersionTextFromEitherKeyForm) {
  ScenarioMachine machine = ScenarioMachine::fromText(R"(
[file C:\wide.dll]
version = 6.1.7601.17514 (win7sp1_rtm.101119-1850)
[file C:\narrow.dll]
version = 4.0.950
narrow = yes
[file C:\plain.dll]
written = 2009-07-14 01:02:03
)");
  EXPECT_STREQ(FileInformation::getFileVersionText("C:\\wide.dll", true).getData(), "6.1.7601.17514");
  EXPECT_STREQ(FileInformation::getFileVersionText("C:\\wide.dll", false).getData(),
               "6.1.7601.17514 (win7sp1_rtm.101119-1850)");
  EXPECT_STREQ(FileInformation::getFileVersionText("C:\\narrow.dll", true).getData(), "4.0.950");
  EXPECT_STREQ(FileInformation::getFileVersionText("C:\\plain.dll", true).getData(), "");
  EXPECT_STREQ(FileInformation::getFileVersionText("C:\\absent.dll", true).getData(), "");

  SYSTEMTIME untouched = {};
  untouched.wYear = 1999;
  FileInformation::getFileLastWriteTime("C:\\absent.dll", untouched);
  EXPECT_EQ(untouched.wYear, 1999);
  EXPECT_STREQ(FileInformation::getFileTimeStampText("C:\\plain.dll").getData(), "07/14/2009 1:02");
}

TEST(FileInformation, RealFilesUnderWine) {
  char system[MAX_PATH];
  GetSystemDirectoryA(system, MAX_PATH);
  std::string kernel = std::string(system) + "\\kernel32.dll";
  String version = FileInformation::getFileVersionText(kernel.c_str(), true);
  EXPECT_GT(version.length(), 0) << kernel;
  EXPECT_EQ(version.getData()[0] >= '1' && version.getData()[0] <= '9', true) << version.getData();

  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  EXPECT_STREQ(FileInformation::getWindowsFolder().getData(), windows);

  String folder = FileInformation::getModuleFolder("kernel32.dll");
  EXPECT_STREQ(folder.getData(), (std::string(system) + "\\").c_str());
  EXPECT_STREQ(FileInformation::getModuleFolder("notloaded.dll").getData(), "");
}

}  // namespace
