// Sections "component" to "service" on recorded machines, each with its own
// rule for failures.
#include <gtest/gtest.h>

#include <cstring>

#include "InventorySections.h"
#include "ReportProbe.h"
#include "Scenario.h"
#include "nox/Error.h"
#include "nox/Memory.h"

namespace {

using Names = std::vector<std::string>;

const IReport& child(const IReport& parent, const char* name, unsigned int index = 0) {
  const IReport* found = probe::find(parent, name, index);
  if (!found) throw std::runtime_error(std::string("no ") + name);
  return *found;
}

// Every text leaf of `node` named `name`, in order.
std::vector<std::string> texts(const IReport& node, const char* name) {
  std::vector<std::string> list;
  for (unsigned int i = 0; probe::find(node, name, i); ++i) list.push_back(probe::text(node, name, i));
  return list;
}

const char kNt[] = "[version]\nplatform=2\nmajor=5\nminor=1\n";
const char k9x[] = "[version]\nplatform=1\nmajor=4\nminor=10\n";

// ---- execApplication

TEST(ExecApplication, ToolhelpOnWindows95) {
  ScenarioMachine machine("win95");
  Report section;
  pc::fillExecApplicationSection(section);
  EXPECT_TRUE(section.isSuccess());
  ASSERT_EQ(probe::childNames(section).size(), 2u);
  const IReport& first = child(section, "execApplicationInformation", 0);
  EXPECT_EQ(probe::childNames(first), (Names{"processID", "idPath"}));
  EXPECT_EQ(probe::text(first, "processID"), "0xfffe1a3d") << "a hexadecimal text on 9x";
  EXPECT_EQ(probe::text(first, "idPath"), "C:\\WINDOWS\\SYSTEM\\KERNEL32.DLL");
  EXPECT_EQ(probe::text(child(section, "execApplicationInformation", 1), "idPath"),
            "C:\\WINDOWS\\EXPLORER.EXE");
  EXPECT_EQ(machine.platform().openHandles(), 0) << "the snapshot is closed";
}

TEST(ExecApplication, ProcessStatusOnNt) {
  ScenarioMachine machine("xp");
  Report section;
  pc::fillExecApplicationSection(section);
  EXPECT_TRUE(section.isSuccess());
  struct Row {
    long long id;
    const char* path;
  } rows[] = {
      {0, ""},  // cannot be opened: its node stays, with an empty path
      {4, ""},    {1208, "C:\\WINDOWS\\system32\\svchost.exe"}, {1644, "C:\\WINDOWS\\Explorer.EXE"},
      {1800, ""},  // opens, but its modules cannot be read
  };
  ASSERT_EQ(probe::childNames(section).size(), 5u);
  for (unsigned int i = 0; i < 5; ++i) {
    const IReport& process = child(section, "execApplicationInformation", i);
    EXPECT_EQ(probe::number(process, "processID"), rows[i].id) << i << ": a number leaf on NT";
    EXPECT_EQ(probe::text(process, "idPath"), rows[i].path) << i;
  }
  EXPECT_EQ(machine.platform().openHandles(), 0) << "every opened process is closed";
}

TEST(ExecApplication, ManyProcessesGrowTheBuffer) {
  std::string text = kNt;
  for (int id = 8; id < 8 + 4 * 700; id += 4)
    text += "[process " + std::to_string(id) + "]\npath=C:\\p.exe\n";
  ScenarioMachine machine = ScenarioMachine::fromText(text);
  Report section;
  pc::fillExecApplicationSection(section);
  EXPECT_TRUE(section.isSuccess());
  ASSERT_EQ(probe::childNames(section).size(), 700u) << "more than the first 1024 bytes hold";
  EXPECT_EQ(probe::number(child(section, "execApplicationInformation", 699), "processID"), 8 + 4 * 699);
}

// EnumProcesses reporting more bytes than the buffer has: only the buffer is read
// (its first 1024 bytes, 256 identifiers), and the list is not asked for again.
TEST(ExecApplication, AByteCountPastTheBufferIsNotBelieved) {
  ScenarioMachine machine =
      ScenarioMachine::fromText(std::string(kNt) +
                                "[processes]\nreturned=400000\n[process 8]\npath=C:\\a.exe\n"
                                "[process 12]\npath=C:\\b.exe\n");
  Report section;
  pc::fillExecApplicationSection(section);
  ASSERT_EQ(probe::childNames(section).size(), 256u);
  EXPECT_EQ(probe::number(child(section, "execApplicationInformation", 0), "processID"), 8);
  EXPECT_EQ(probe::text(child(section, "execApplicationInformation", 1), "idPath"), "C:\\b.exe");
  EXPECT_EQ(machine.platform().openHandles(), 0);
}

TEST(ExecApplication, FailuresMarkTheSection) {
  struct Row {
    const char* what;
    std::string scenario;
  } rows[] = {
      {"no snapshot", std::string(k9x) + "[processes]\nsnapshot=fail\n[process 1]\n"},
      {"Toolhelp missing",
       std::string(k9x) + "[missing]\nkernel32.dll!CreateToolhelp32Snapshot\n[process 1]\n"},
      {"Kernel32 not loaded", std::string(k9x) + "[missing]\nkernel32.dll\n[process 1]\n"},
      {"EnumProcesses fails", std::string(kNt) + "[processes]\nenum=fail\n[process 1]\n"},
      {"no PSAPI.DLL", std::string(kNt) + "[missing]\npsapi.dll\n[process 1]\n"},
      {"unknown platform", "[version]\nplatform=0\n[process 1]\n"},
      {"version unreadable", "[version]\nfail=yes\n[process 1]\n"},
  };
  for (const Row& row : rows) {
    ScenarioMachine machine = ScenarioMachine::fromText(row.scenario);
    Report section;
    pc::fillExecApplicationSection(section);
    EXPECT_FALSE(section.isSuccess()) << row.what;
    EXPECT_TRUE(probe::childNames(section).empty()) << row.what;
    EXPECT_EQ(machine.platform().openHandles(), 0) << row.what;
  }
}

// ---- installedApplication

TEST(InstalledApplication, DisplayNames) {
  ScenarioMachine machine("xp");
  Report section;
  pc::fillInstalledApplicationSection(section);
  EXPECT_TRUE(section.isSuccess());
  // 7-Zip, an update with an empty name (a node without children), Reader;
  // the entry without "DisplayName" gives nothing.
  ASSERT_EQ(probe::childNames(section).size(), 3u);
  EXPECT_EQ(probe::text(child(section, "installedApplicationInformation", 0), "applicationName"),
            "7-Zip 4.65");
  EXPECT_TRUE(probe::childNames(child(section, "installedApplicationInformation", 1)).empty());
  EXPECT_EQ(probe::text(child(section, "installedApplicationInformation", 2), "applicationName"), "Reader 9");
  EXPECT_EQ(machine.platform().openRegistryKeys(), 0);
}

TEST(InstalledApplication, AnErrorEndsTheWalkQuietly) {
  ScenarioMachine machine = ScenarioMachine::fromText(
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\A]\n\"DisplayName\"="
      "\"First\"\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\B]\n"
      "\"DisplayName\"=dword:00000001\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\C]\n\"DisplayName\"="
      "\"Third\"\n");
  Report section;
  pc::fillInstalledApplicationSection(section);
  EXPECT_TRUE(section.isSuccess());
  EXPECT_EQ(probe::childNames(section).size(), 2u) << "First, then the empty node of B; C is not reached";
  EXPECT_EQ(probe::text(child(section, "installedApplicationInformation"), "applicationName"), "First");
  EXPECT_EQ(machine.platform().openRegistryKeys(), 0);
}

// ---- network

TEST(Network, Windows95AdaptersProtocolsClients) {
  ScenarioMachine machine("win95");
  Report section;
  pc::fillNetworkSection(section);
  ASSERT_EQ(probe::childNames(section), (Names{"adapterInformation"}));
  const IReport& adapters = child(section, "adapterInformation");
  EXPECT_EQ(probe::childNames(adapters), (Names{"adapter", "protocol", "protocol", "client"}));
  EXPECT_EQ(texts(adapters, "adapter"), (Names{"Novell NE2000 Compatible"}));
  EXPECT_EQ(texts(adapters, "protocol"), (Names{"TCP/IP", "IPX/SPX-compatible Protocol"}));
  EXPECT_EQ(texts(adapters, "client"), (Names{"Client for Microsoft Networks"}));
  EXPECT_EQ(machine.platform().openRegistryKeys(), 0);
}

TEST(Network, LaterNtComponentsWithCharacteristics) {
  ScenarioMachine machine("xp");
  Report section;
  pc::fillNetworkSection(section);
  ASSERT_EQ(probe::childNames(section), (Names{"configurationInformation", "adapterInformation"}));
  EXPECT_EQ(probe::text(child(section, "configurationInformation"), "configuration"), "Domain");
  const IReport& adapters = child(section, "adapterInformation");
  EXPECT_EQ(probe::childNames(adapters), (Names{"adapter", "client", "protocol", "service"}));
  EXPECT_EQ(probe::text(adapters, "adapter"), "Intel(R) PRO/100 VE Network Connection");
  EXPECT_EQ(probe::text(adapters, "client"), "Client for Microsoft Networks[132]") << "Characteristics 0x84";
  EXPECT_EQ(probe::text(adapters, "protocol"), "Internet Protocol (TCP/IP)[160]");
  EXPECT_EQ(probe::text(adapters, "service"), "QoS Packet Scheduler[262144]");
  EXPECT_EQ(machine.platform().openHandles(), 0);
  EXPECT_EQ(machine.platform().lsaBuffers(), 0);
}

TEST(Network, Nt4InstalledSoftwarePasses) {
  ScenarioMachine machine("nt4");
  Report section;
  pc::fillNetworkSection(section);
  EXPECT_EQ(probe::text(child(section, "configurationInformation"), "configuration"), "Domain");
  const IReport& adapters = child(section, "adapterInformation");
  EXPECT_EQ(probe::childNames(adapters), (Names{"adapter", "protocol", "protocol", "service", "service"}));
  EXPECT_EQ(texts(adapters, "protocol"), (Names{"TCP/IP Protocol", "NWLink IPX/SPX Compatible Transport"}));
  EXPECT_EQ(texts(adapters, "service"), (Names{"Server", "Novell Client for Windows NT"}));
}

TEST(Network, WorkgroupWheneverThePolicySaysNoDomain) {
  struct Row {
    const char* what;
    std::string scenario;
  } rows[] = {
      {"a domain record without SID", std::string(kNt) + "[lsa]\ndomain=WORKGROUP\n"},
      {"the policy does not open", std::string(kNt) + "[lsa]\nopen=fail\nsid=yes\n"},
      {"the query fails", std::string(kNt) + "[lsa]\nquery=fail\nsid=yes\n"},
      {"no LsaOpenPolicy", std::string(kNt) + "[lsa]\nsid=yes\n[missing]\nadvapi32.dll!LsaOpenPolicy\n"},
      {"no LsaQueryInformationPolicy",
       std::string(kNt) + "[lsa]\nsid=yes\n[missing]\nadvapi32.dll!LsaQueryInformationPolicy\n"},
      {"no Advapi32.DLL", std::string(kNt) + "[lsa]\nsid=yes\n[missing]\nadvapi32.dll\n"},
  };
  for (const Row& row : rows) {
    ScenarioMachine machine = ScenarioMachine::fromText(row.scenario);
    Report section;
    pc::fillNetworkSection(section);
    EXPECT_EQ(probe::text(child(section, "configurationInformation"), "configuration"), "WorkGroup")
        << row.what;
    EXPECT_EQ(machine.platform().lsaBuffers(), 0) << row.what;
  }
  ScenarioMachine server("w2008r2");
  Report section;
  pc::fillNetworkSection(section);
  EXPECT_EQ(probe::text(child(section, "configurationInformation"), "configuration"), "WorkGroup");
}

TEST(Network, AnErrorEndsTheSectionQuietly) {
  ScenarioMachine machine = ScenarioMachine::fromText(
      std::string(kNt) +
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards\\1]\n"
      "\"Description\"=dword:00000001\n");
  Report section;
  pc::fillNetworkSection(section);
  EXPECT_TRUE(section.isSuccess());
  EXPECT_EQ(probe::childNames(section), (Names{"configurationInformation"}));
  EXPECT_EQ(machine.platform().openRegistryKeys(), 0);
}

// ---- runApplication

TEST(RunApplication, ThreeKeysWalkedUntilTheFirstValueNotKept) {
  ScenarioMachine machine("xp");
  Report section;
  pc::fillRunApplicationSection(section);
  ASSERT_EQ(probe::childNames(section),
            (Names{"runInfomationType", "runInfomationType", "runInfomationType"}));
  const IReport& run = child(section, "runInfomationType", 0);
  const IReport& runOnce = child(section, "runInfomationType", 1);
  const IReport& runOnceEx = child(section, "runInfomationType", 2);
  EXPECT_EQ(probe::attribute(run, "name"), "run");
  EXPECT_EQ(probe::attribute(runOnce, "name"), "runOnce");
  EXPECT_EQ(probe::attribute(runOnceEx, "name"), "runOnceEx");
  EXPECT_TRUE(probe::childNames(run).empty()) << "its first value is REG_EXPAND_SZ";
  // A DWORD between two strings is skipped, not an end.
  ASSERT_EQ(probe::childNames(runOnce), (Names{"runInfomation", "runInfomation"}));
  EXPECT_EQ(probe::text(child(runOnce, "runInfomation", 0), "displayName"), "Setup");
  EXPECT_EQ(probe::text(child(runOnce, "runInfomation", 0), "commandLine"),
            "C:\\WINDOWS\\setup.exe /continue");
  EXPECT_EQ(probe::text(child(runOnce, "runInfomation", 1), "displayName"), "Cleanup");
  EXPECT_TRUE(probe::childNames(runOnceEx).empty()) << "the key does not exist";
  for (unsigned int i = 0; i < 3; ++i) EXPECT_TRUE(child(section, "runInfomationType", i).isSuccess()) << i;
  EXPECT_EQ(machine.platform().openRegistryKeys(), 0);
}

TEST(RunApplication, Windows95) {
  ScenarioMachine machine("win95");
  Report section;
  pc::fillRunApplicationSection(section);
  const IReport& run = child(section, "runInfomationType", 0);
  ASSERT_EQ(probe::childNames(run).size(), 2u);
  EXPECT_EQ(probe::text(child(run, "runInfomation", 1), "displayName"), "ScanRegistry");
  EXPECT_EQ(probe::text(child(run, "runInfomation", 1), "commandLine"), "C:\\WINDOWS\\scanregw.exe /autorun");
}

// ---- scsi

TEST(Scsi, LocationTextsOnNt) {
  ScenarioMachine machine("w2008r2");
  Report section;
  pc::fillScsiSection(section);
  EXPECT_TRUE(section.isSuccess());
  struct Row {
    Names children;
    const char* id;
    const char* type;
    const char* name;
  } rows[] = {
      {{"scsiID", "deviceType", "deviceName"}, "3", "DiskDrive", "VMware Virtual disk SCSI Disk Device"},
      {{"scsiID", "deviceType"}, "12", "DiskDrive", ""},  // no comma after the target: to the end
      {{"scsiID", "deviceType", "deviceName"}, "SATA CD", "CDROM", "NECVMWar VMware SATA CD01 ATA Device"},
  };
  // The IDE master and the instance without a location are skipped.
  ASSERT_EQ(probe::childNames(section).size(), 3u);
  for (unsigned int i = 0; i < 3; ++i) {
    const IReport& device = child(section, "scsiInformation", i);
    EXPECT_EQ(probe::childNames(device), rows[i].children) << i;
    EXPECT_EQ(probe::text(device, "scsiID"), rows[i].id) << i;
    EXPECT_EQ(probe::text(device, "deviceType"), rows[i].type) << i;
    if (*rows[i].name) {
      EXPECT_EQ(probe::text(device, "deviceName"), rows[i].name) << i;
    }
  }
  EXPECT_EQ(machine.platform().openRegistryKeys(), 0);
}

TEST(Scsi, EveryDeviceOncePerAdapterOnWindows95) {
  ScenarioMachine machine("win95");
  Report section;
  pc::fillScsiSection(section);
  EXPECT_TRUE(section.isSuccess());
  ASSERT_EQ(probe::childNames(section).size(), 4u) << "two adapters, two devices";
  const char* const ids[] = {"0", "3", "0", "3"};
  const char* const names[] = {"SEAGATE ST32550N", "TOSHIBA CD-ROM XM-3701TA", "SEAGATE ST32550N",
                               "TOSHIBA CD-ROM XM-3701TA"};
  for (unsigned int i = 0; i < 4; ++i) {
    EXPECT_EQ(probe::text(child(section, "scsiInformation", i), "scsiID"), ids[i]) << i;
    EXPECT_EQ(probe::text(child(section, "scsiInformation", i), "deviceName"), names[i]) << i;
  }
}

TEST(Scsi, AnIdentifierOfAnotherKindMarksTheSection) {
  ScenarioMachine machine =
      ScenarioMachine::fromText(std::string(kNt) +
                                "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\SCSI\\Disk\\1]\n"
                                "\"LocationInformation\"=dword:00000003\n");
  Report section;
  pc::fillScsiSection(section);
  EXPECT_FALSE(section.isSuccess());
  EXPECT_EQ(machine.platform().openRegistryKeys(), 0);
}

// ---- service

TEST(Service, Win32ServicesWithTheirState) {
  ScenarioMachine machine("xp");
  Report section;
  pc::fillServiceSection(section);
  EXPECT_TRUE(section.isSuccess());
  struct Row {
    const char* name;
    const char* display;
    const char* status;
  } rows[] = {
      {"Alerter", "Alerter", "[stopped]"},
      {"Spooler", "Print Spooler", "[running]"},
      {"W32Time", "Windows Time", "[paused]"},  // the driver Tcpip is not a Win32 service
  };
  ASSERT_EQ(probe::childNames(section).size(), 3u);
  for (unsigned int i = 0; i < 3; ++i) {
    const IReport& service = child(section, "serviceInformation", i);
    EXPECT_EQ(probe::childNames(service), (Names{"serviceName", "displayName", "serviceStatus"}));
    EXPECT_EQ(probe::text(service, "serviceName"), rows[i].name) << i;
    EXPECT_EQ(probe::text(service, "displayName"), rows[i].display) << i;
    EXPECT_EQ(probe::text(service, "serviceStatus"), rows[i].status) << i;
  }
  EXPECT_EQ(machine.platform().openHandles(), 0) << "the manager is closed";
}

// A service manager that reports more records than its buffer holds: only the
// records the buffer holds are read (here the one true record).
TEST(Service, ACountPastTheBufferIsNotBelieved) {
  ScenarioMachine machine =
      ScenarioMachine::fromText(std::string(kNt) + "[services]\nreturned=100000\n[service S]\nstate=4\n");
  Report section;
  pc::fillServiceSection(section);
  EXPECT_TRUE(section.isSuccess());
  ASSERT_EQ(probe::childNames(section).size(), 1u);
  EXPECT_EQ(probe::text(child(section, "serviceInformation"), "serviceName"), "S");
  EXPECT_EQ(machine.platform().openHandles(), 0);
}

TEST(Service, StateWords) {
  const char* const words[] = {"[unknown]", "[stopped]", "[starting]", "[stopping]", "[running]",
                               "[pending]", "[pausing]", "[paused]",   "[unknown]"};
  for (DWORD state = 0; state < 9; ++state) EXPECT_STREQ(pc::serviceStateText(state), words[state]) << state;
  EXPECT_STREQ(pc::serviceStateText(0xFFFFFFFF), "[unknown]");
}

TEST(Service, EmptyOnWindows95AndMarkedWhenTheManagerFails) {
  {
    ScenarioMachine machine("win95");
    Report section;
    pc::fillServiceSection(section);
    EXPECT_TRUE(section.isSuccess());
    EXPECT_TRUE(probe::childNames(section).empty());
  }
  for (const char* failing : {"manager", "enum"}) {
    ScenarioMachine machine = ScenarioMachine::fromText(std::string(kNt) + "[services]\n" + failing +
                                                        "=fail\n[service Spooler]\nstate=4\n");
    Report section;
    pc::fillServiceSection(section);
    EXPECT_FALSE(section.isSuccess()) << failing;
    EXPECT_TRUE(probe::childNames(section).empty()) << failing;
    EXPECT_EQ(machine.platform().openHandles(), 0) << failing;
  }
}

// ---- component

const IReport* componentFile(const IReport& section, const std::string& group, const std::string& file) {
  for (unsigned int g = 0; const IReport* type = probe::find(section, "componentType", g); ++g) {
    if (probe::attribute(*type, "name") != group) continue;
    for (unsigned int i = 0; const IReport* information = probe::find(*type, "information", i); ++i) {
      if (probe::text(*information, "fileName") == file) return information;
    }
  }
  return nullptr;
}

TEST(Component, ElevenGroupsInOrder) {
  ScenarioMachine machine("xp");
  Report section;
  pc::fillComponentSection(section);
  const Names groups = {"ATL",     "MFC",           "VC",  "VB",     "DAO", "MDAC", "COM",
                        "WINSOCK", "COMMONCONTROL", "JET", "WININET"};
  const size_t counts[] = {1, 4, 6, 7, 5, 3, 5, 3, 2, 60, 1};
  ASSERT_EQ(probe::childNames(section).size(), groups.size());
  for (unsigned int g = 0; g < groups.size(); ++g) {
    const IReport& type = child(section, "componentType", g);
    EXPECT_EQ(probe::attribute(type, "name"), groups[g]);
    EXPECT_TRUE(type.isSuccess()) << groups[g];
    EXPECT_EQ(probe::childNames(type).size(), counts[g]) << groups[g];
  }
  EXPECT_EQ(probe::text(child(child(section, "componentType", 9), "information", 55), "path"),
            "C:\\Program Files\\Common Files\\System\\ADO\\msjro.dll");
}

TEST(Component, PresentAndMissingFiles) {
  ScenarioMachine machine("xp");
  Report section;
  pc::fillComponentSection(section);
  struct Row {
    const char* group;
    const char* file;
    const char* path;
    Names children;
    const char* version;
  } rows[] = {
      {"VC",
       "MSVCRT.dll",
       "C:\\WINDOWS\\system32\\MSVCRT.dll",
       {"fileName", "path", "version", "timeStamp"},
       "7.0.2600.5512"},
      {"MFC",
       "MFC42.dll",
       "C:\\WINDOWS\\system32\\MFC42.dll",
       {"fileName", "path", "version", "timeStamp"},
       "6.2.4131.0"},
      {"COM", "Stdole2.tlb", "C:\\WINDOWS\\system32\\Stdole2.tlb", {"fileName", "path", "timeStamp"}, ""},
      {"MDAC",
       "OLEDB32.DLL",
       "C:\\Program Files\\Common Files\\System\\OLE DB\\OLEDB32.DLL",
       {"fileName", "path", "version", "timeStamp"},
       "2.81.1132.0"},
      // No DAO on this machine: the files of the DAO folder are reported missing there.
      {"DAO",
       "dao350.dll",
       "C:\\Program Files\\Common Files\\Microsoft Shared\\DAO\\dao350.dll",
       {"fileName", "path", "componentExistence"},
       ""},
      {"DAO",
       "dao2535.tlb",
       "C:\\Program Files\\Common Files\\Microsoft Shared\\DAO\\dao2535.tlb",
       {"fileName", "path", "componentExistence"},
       ""},
      {"DAO",
       "msrdo20.dll",
       "C:\\WINDOWS\\system32\\msrdo20.dll",
       {"fileName", "path", "componentExistence"},
       ""},
      {"DAO",
       "dao360.dll",
       "C:\\Program Files\\Common Files\\Microsoft Shared\\DAO\\dao360.dll",
       {"fileName", "path", "componentExistence"},
       ""},
  };
  for (const Row& row : rows) {
    const IReport* information = componentFile(section, row.group, row.file);
    ASSERT_NE(information, nullptr) << row.file;
    EXPECT_EQ(probe::childNames(*information), row.children) << row.file;
    EXPECT_EQ(probe::text(*information, "path"), row.path) << row.file;
    if (*row.version) {
      EXPECT_EQ(probe::text(*information, "version"), row.version) << row.file;
    }
    if (row.children.back() == "componentExistence") {
      EXPECT_EQ(probe::text(*information, "componentExistence"), "None") << row.file;
    }
  }
  const IReport& stamp = child(*componentFile(section, "VC", "MSVCRT.dll"), "timeStamp");
  ASSERT_EQ(stamp.getType(), IReport::REPORT_DATETIME);
  SYSTEMTIME time;
  std::memcpy(&time, stamp.getValue(), sizeof time);
  EXPECT_EQ(time.wYear, 2008);
  EXPECT_EQ(time.wMonth, 4);
  EXPECT_EQ(time.wDay, 14);
  EXPECT_EQ(time.wHour, 0);
  EXPECT_EQ(time.wMinute, 12);
  EXPECT_EQ(machine.platform().loadedModules(), 0);
}

TEST(Component, SuffixFollowsAFailedFolderQuery) {
  ScenarioMachine machine("win95");  // no common program files folder recorded
  Report section;
  pc::fillComponentSection(section);
  const IReport* dao = componentFile(section, "DAO", "dao350.dll");
  ASSERT_NE(dao, nullptr);
  EXPECT_EQ(probe::text(*dao, "path"), "\\Microsoft Shared\\DAO\\dao350.dll");
  EXPECT_EQ(probe::text(*componentFile(section, "VC", "MSVCRT.dll"), "path"),
            "C:\\WINDOWS\\SYSTEM\\MSVCRT.dll");
}

// ---- guards against raised errors

// Allocations fail from the n-th one on. Only the last guarded part of a
// section can then fail without the failure reaching the caller: it must come
// out marked unsuccessful, with the parts before it intact.
TEST(SectionGuards, AnOutOfMemoryErrorMarksOnlyTheLastPart) {
  struct Row {
    const char* scenario;
    void (*fill)(Report&);
    const char* part;
    size_t parts;
  } rows[] = {
      {"xp", pc::fillComponentSection, "componentType", 11},
      {"xp", pc::fillRunApplicationSection, "runInfomationType", 3},
      {"xp", pc::fillPrinterSection, "", 5},
  };
  for (const Row& row : rows) {
    ScenarioMachine machine(row.scenario);
    bool marked = false;
    for (long n = 0; n < 100000; ++n) {
      Report section;
      bool raised = false;
      noxFailAllocationsAfter(n);
      try {
        row.fill(section);
      } catch (IException* e) {
        e->release();
        raised = true;
      }
      noxFailAllocationsAfter(-1);
      if (raised) continue;
      const IReports& parts = section.getSubReports();
      ASSERT_EQ(parts.getCount(), row.parts) << row.part << " n=" << n;
      for (unsigned int i = 0; i + 1 < parts.getCount(); ++i) {
        ASSERT_TRUE(parts.getItem(i).isSuccess()) << row.part << " n=" << n << " part " << i;
      }
      if (parts.getItem(parts.getCount() - 1).isSuccess()) break;  // enough memory for everything
      marked = true;
    }
    EXPECT_TRUE(marked) << row.scenario << " " << row.part << ": the last part marked at least once";
  }
}

}  // namespace
