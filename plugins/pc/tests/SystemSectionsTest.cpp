#include "SystemSections.h"

#include <gtest/gtest.h>

#include "PcObservations.h"
#include "PcVocabulary.h"
#include "ReportProbe.h"
#include "Scenario.h"
#include "nox/Error.h"

namespace {

TEST(PcVocabulary, SizeText) {
  const std::pair<unsigned long long, const char*> rows[] = {
      {0, "0 B"},
      {1023, "1023 B"},
      {1024, "1 KB"},
      {1048576, "1,024 KB"},
      {536870912, "524,288 KB"},
      {1264196608, "1,234,567 KB"},
      {1024ull * 999, "999 KB"},
      {1024ull * 1000, "1,000 KB"},
      {5497558138880ull, "5,368,709,120 KB"},  // 5 TiB: more kilobytes than 32 bits hold
  };
  for (const auto& row : rows) EXPECT_EQ(pc::sizeText(row.first), row.second) << row.first;
}

TEST(SystemSections, WindowsNames) {
  struct Row {
    const char* version;  // lines of the [version] section
    const char* system;   // lines of the [system] section
    const char* expected;
  } rows[] = {
      {"platform=1\nmajor=4\nminor=0\nbuild=950", "", "Windows 95"},
      {"platform=1\nmajor=4\nminor=10\nbuild=1998", "", "Windows 98"},
      {"platform=1\nmajor=4\nminor=90\nbuild=3000", "", "Windows Me"},
      {"platform=2\nmajor=4\nminor=0\nservicePack=Service Pack 5\nproductType=1", "", "Windows NT"},
      // Before Service Pack 6 the extended version record is refused.
      {"platform=2\nmajor=4\nminor=0\nservicePack=Service Pack 5\nextended=no", "", "Windows NT"},
      {"platform=2\nmajor=4\nminor=0\nservicePack=Service Pack 6\nproductType=1", "",
       "Windows NT WorkStation"},
      {"platform=2\nmajor=4\nminor=0\nservicePack=Service Pack 6\nproductType=3", "", "Windows NT Server"},
      {"platform=2\nmajor=4\nminor=0\nservicePack=Service Pack 6\nproductType=2", "",
       "Windows NT Server(Domain Contoroller)"},
      {"platform=2\nmajor=5\nminor=0\nproductType=1", "", "Windows 2000 Professional"},
      {"platform=2\nmajor=5\nminor=0\nproductType=2", "", "Windows 2000 Server(Domain Contoroller)"},
      {"platform=2\nmajor=5\nminor=0\nproductType=3", "", "Windows 2000 Server"},
      {"platform=2\nmajor=5\nminor=0\nproductType=3\nsuiteMask=0x2", "", "Windows 2000 Advanced Server"},
      {"platform=2\nmajor=5\nminor=0\nproductType=3\nsuiteMask=0x80", "", "Windows 2000 DataCenter Server"},
      {"platform=2\nmajor=5\nminor=0\nproductType=3\nsuiteMask=0x1", "", "Microsoft Small Business Server"},
      {"platform=2\nmajor=5\nminor=1\nproductType=1\nsuiteMask=0x200", "", "Windows XP Home Edition"},
      {"platform=2\nmajor=5\nminor=1\nproductType=1", "", "Windows XP Professional"},
      {"platform=2\nmajor=5\nminor=2\nproductType=1", "", "Windows Server 2003 "},
      {"platform=2\nmajor=5\nminor=2\nproductType=3\nsuiteMask=0x2", "metric.89=1\nnativeArchitecture=9",
       "Windows Server 2003 R2 Enterprise Edition (x64-based Systems)"},
      {"platform=2\nmajor=5\nminor=2\nproductType=3\nsuiteMask=0x400", "nativeArchitecture=6",
       "Windows Server 2003 Web Edition (Itanium-based Systems)"},
      {"platform=2\nmajor=6\nminor=0\nproductType=1\nproductInfo=6", "", "Windows Vista Business Edition"},
      {"platform=2\nmajor=6\nminor=1\nproductType=1\nproductInfo=1", "", "Windows 7 Ultimate Edition"},
      {"platform=2\nmajor=6\nminor=1\nproductType=3\nproductInfo=7", "",
       "Windows Server 2008R2  Server Standard Edition (full installation)"},
      {"platform=2\nmajor=6\nminor=0\nproductType=3\nproductInfo=0xABCDABCD", "",
       "Windows Server 2008 Unlicensed"},
      {"platform=2\nmajor=6\nminor=0\nproductType=3\nproductInfo=99", "", "Windows Server 2008"},
      {"platform=2\nmajor=10\nminor=0\nproductType=1", "", "unknown"},
  };
  for (const Row& row : rows) {
    ScenarioMachine machine = ScenarioMachine::fromText(std::string("[version]\n") + row.version +
                                                        "\n[system]\n" + row.system + "\n");
    EXPECT_EQ(pc::windowsName(), row.expected) << row.version;
  }
}

TEST(SystemSections, OsVersionAndInternetExplorer) {
  struct Row {
    const char* scenario;
    const char* info;
    const char* ie;
    const char* build;
  } rows[] = {
      {"xp", "Windows XP Professional 5.1.2600 Service Pack 3", "IE 8.0.6001.18702", "86001"},
      {"win95", "Windows 95 4.0.950 ", "IE 4.40.308", "unknown"},
      {"nt4sp5", "Windows NT 4.0.1381 Service Pack 5", "IE 4.72.3110.0", "unknown"},
      {"w2008r2",
       "Windows Server 2008R2  Server Standard Edition (full installation) 6.1.7601 Service Pack 1",
       "IE 9.10.9200.16384", "99200"},
  };
  for (const Row& row : rows) {
    ScenarioMachine machine(row.scenario);
    Report section;
    pc::fillOsVersionSection(section);
    EXPECT_EQ(probe::childNames(section),
              (std::vector<std::string>{"osVersionInfomation", "ieVersion", "ieBuidNumber"}));
    EXPECT_EQ(probe::text(section, "osVersionInfomation"), row.info) << row.scenario;
    EXPECT_EQ(probe::text(section, "ieVersion"), row.ie) << row.scenario;
    EXPECT_EQ(probe::text(section, "ieBuidNumber"), row.build) << row.scenario;
    EXPECT_EQ(machine.platform().openRegistryKeys(), 0);
  }
  ScenarioMachine bare =
      ScenarioMachine::fromText("[version]\nplatform=2\nmajor=5\nminor=1\nproductType=1\n");
  Report section;
  pc::fillOsVersionSection(section);
  EXPECT_EQ(probe::text(section, "ieVersion"), "unknown");
}

// The oldest machines answer fewer calls; none of that may cost a section.
TEST(SystemSections, OldestMachinesGiveTheWholeReport) {
  for (const char* scenario : {"win95", "nt4sp5"}) {
    ScenarioMachine machine(scenario);
    pc::PcRootObservation root;
    IReport& report = root.createReport();
    EXPECT_EQ(report.getSubReports().getCount(), 13u) << scenario;
    EXPECT_EQ(machine.platform().loadedModules(), 0) << scenario;
    delete static_cast<Report*>(&report);
  }
}

TEST(SystemSections, MemoryFromEitherCall) {
  struct Row {
    const char* scenario;
    const char* totalPhysical;
    const char* availablePageFile;
  } rows[] = {
      {"xp", "2,097,152 KB", "3,145,728 KB"},
      {"win95", "32,768 KB", "87,890 KB"},  // GlobalMemoryStatus: no Ex on Windows 95
      {"w2008r2", "16,776,692 KB", "29,296,875 KB"},
  };
  for (const Row& row : rows) {
    ScenarioMachine machine(row.scenario);
    Report section;
    pc::fillMemorySection(section);
    EXPECT_EQ(
        probe::childNames(section),
        (std::vector<std::string>{"totalPhysicalMemoryInformation", "availablePhysicalMemoryInformation",
                                  "totalVirtualMemory", "availableVirtualMemory", "totalPageFileInformation",
                                  "availablePageFileInformation"}));
    EXPECT_EQ(probe::text(section, "totalPhysicalMemoryInformation"), row.totalPhysical) << row.scenario;
    EXPECT_EQ(probe::text(section, "availablePageFileInformation"), row.availablePageFile) << row.scenario;
    EXPECT_EQ(machine.platform().loadedModules(), 0);
  }
  // GlobalMemoryStatusEx present but failing falls back to the old call.
  ScenarioMachine failing = ScenarioMachine::fromText("[memory]\nex=fail\ntotalPhys=6442450944\n");
  Report section;
  pc::fillMemorySection(section);
  EXPECT_EQ(probe::text(section, "totalPhysicalMemoryInformation"), "4,194,303 KB");
}

TEST(SystemSections, EnvironmentVariables) {
  ScenarioMachine machine("xp");
  Report section;
  pc::fillEnvironmentSection(section);
  EXPECT_EQ(probe::childNames(section),
            (std::vector<std::string>{"comSpec", "os2LibPath", "path", "winDir", "os", "include", "lib",
                                      "sysbase", "temp", "tmp", "lang"}));
  EXPECT_EQ(probe::text(section, "comSpec"), "C:\\WINDOWS\\system32\\cmd.exe");
  EXPECT_EQ(probe::text(section, "os"), "Windows_NT");
  EXPECT_EQ(probe::text(section, "os2LibPath"), "%Os2LibPath%") << "an unset variable stays the pattern";
  EXPECT_EQ(probe::text(section, "lang"), "%LANG%");
}

struct DriveRow {
  std::string root, type, fileSystem, total, free;
};

std::vector<DriveRow> drives(const Report& section) {
  std::vector<DriveRow> rows;
  for (unsigned int i = 0; const IReport* d = probe::find(section, "driveInfomation", i); ++i) {
    EXPECT_EQ(probe::attribute(*d, "index"), std::to_string(i));
    rows.push_back({probe::text(*d, "driveName"), probe::text(*d, "driveType"), probe::text(*d, "fileSystem"),
                    probe::text(*d, "totakDiskSpace"), probe::text(*d, "freeDiskSpace")});
  }
  return rows;
}

TEST(SystemSections, Drives) {
  const char* none = "<missing fileSystem>";
  const char* noTotal = "<missing totakDiskSpace>";
  const char* noFree = "<missing freeDiskSpace>";
  struct Row {
    const char* scenario;
    std::vector<DriveRow> expected;
    const char* windows;
  } rows[] = {
      {"xp",
       {{"C:\\", "fixed drive", "NTFS", "78,148,160 KB", "1,234,567 KB"},
        {"D:\\", "CD-ROM drive", none, noTotal, noFree},
        {"Z:\\", "network drive", "NTFS", noTotal, noFree}},
       "C:\\WINDOWS"},
      {"win95",
       {{"A:\\", "removable", none, noTotal, noFree},
        {"C:\\", "fixed drive", "FAT", "2,080,000 KB", "960,000 KB"},
        {"D:\\", "CD-ROM drive", none, noTotal, noFree}},
       "C:\\WINDOWS"},
      {"w2008r2", {{"C:\\", "fixed drive", "NTFS", "5,368,709,120 KB", "1023 B"}}, "C:\\Windows"},
  };
  for (const Row& row : rows) {
    ScenarioMachine machine(row.scenario);
    Report section;
    pc::fillDriveSection(section);
    std::vector<DriveRow> got = drives(section);
    ASSERT_EQ(got.size(), row.expected.size()) << row.scenario;
    for (size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i].root, row.expected[i].root) << row.scenario << " " << i;
      EXPECT_EQ(got[i].type, row.expected[i].type) << row.scenario << " " << i;
      EXPECT_EQ(got[i].fileSystem, row.expected[i].fileSystem) << row.scenario << " " << i;
      EXPECT_EQ(got[i].total, row.expected[i].total) << row.scenario << " " << i;
      EXPECT_EQ(got[i].free, row.expected[i].free) << row.scenario << " " << i;
    }
    EXPECT_EQ(probe::childNames(section).back(), "windowsDirectory");
    EXPECT_EQ(probe::text(section, "windowsDirectory"), row.windows);
  }
}

TEST(SystemSections, DriveFailures) {
  {
    ScenarioMachine noDrives = ScenarioMachine::fromText("[folders]\nwindows=C:\\W\n");
    Report section;
    pc::fillDriveSection(section);
    EXPECT_EQ(probe::childNames(section), (std::vector<std::string>{"driveInfomation", "windowsDirectory"}));
    EXPECT_FALSE(probe::find(section, "driveInfomation")->isSuccess());
    EXPECT_EQ(probe::find(section, "driveInfomation")->getSubReports().getCount(), 0u);
  }
  {
    ScenarioMachine unreadable =
        ScenarioMachine::fromText("[version]\nplatform=2\nmajor=5\n[drive C:\\]\ntype=3\nex=fail\n");
    Report section;
    pc::fillDriveSection(section);
    const IReport* total = probe::find(*probe::find(section, "driveInfomation"), "totakDiskSpace");
    ASSERT_NE(total, nullptr);
    EXPECT_FALSE(total->isSuccess());
    EXPECT_EQ(probe::text(*probe::find(section, "driveInfomation"), "totakDiskSpace"), "size unknown");
    EXPECT_EQ(probe::find(*probe::find(section, "driveInfomation"), "freeDiskSpace"), nullptr);
  }
  {
    // Past the first Windows 95 release a missing GetDiskFreeSpaceExA ends the report.
    ScenarioMachine osr2 = ScenarioMachine::fromText(
        "[version]\nplatform=1\nmajor=4\nminor=0\nbuild=0x04000457\n[missing]\nkernel32.dll!"
        "GetDiskFreeSpaceExA\n"
        "[drive C:\\]\ntype=3\n");
    Report section;
    try {
      pc::fillDriveSection(section);
      ADD_FAILURE() << "no exception";
    } catch (IException* e) {
      EXPECT_STREQ(e->getError().getMethodName().getData(), "throwNoFunction");
      e->release();
    }
  }
}

}  // namespace
