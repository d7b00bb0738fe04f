// The sections of the printer driver report on recorded machines: the spooler's
// answers come in Windows' layouts (records, then the texts and device
// settings they point to).
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "DriverSections.h"
#include "ReportProbe.h"
#include "Scenario.h"

namespace {

using Names = std::vector<std::string>;

using probe::child;

// The driver node whose attribute names `driver`.
const IReport& driverNamed(const IReport& section, const std::string& driver) {
  for (unsigned int i = 0; const IReport* node = probe::find(section, "printerDriverInformation", i); ++i) {
    if (probe::attribute(*node, "printerDriverName") == driver) return *node;
  }
  throw std::runtime_error("no driver " + driver);
}

std::string timeText(const IReport& parent, const char* name) {
  const IReport* leaf = probe::find(parent, name);
  if (!leaf || leaf->getType() != IReport::REPORT_DATETIME) return "<no time " + std::string(name) + ">";
  const SYSTEMTIME& t = *static_cast<const SYSTEMTIME*>(leaf->getValue());
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.wYear, t.wMonth, t.wDay, t.wHour,
                t.wMinute, t.wSecond);
  return text;
}

// An XP print server: a PostScript and a PCL driver of version 3, and an old
// kernel-mode driver of version 2, with their dependent files.
const char kXpDrivers[] = R"(
[version]
platform = 2
major = 5
minor = 1

[driver Office PS]
version = 3
path = C:\WINDOWS\system32\spool\DRIVERS\W32X86\3\pscript5.Dll
data = C:\WINDOWS\system32\spool\DRIVERS\W32X86\3\OFFICE.PPD
config = C:\WINDOWS\system32\spool\DRIVERS\W32X86\3\ps5ui.dll
help = C:\WINDOWS\system32\spool\DRIVERS\W32X86\3\pscript.hlp
dependent = pscript.ntf, PS5UI.DLL, C:\Program Files\Office\fonts.dat, \\PRINTSRV\drivers\missing.dll
monitor = PJL Language Monitor
datatype = RAW

[file C:\WINDOWS\system32\spool\DRIVERS\W32X86\3\pscript5.Dll]
version = 0.3.5475.0 (xpsp.080413-2105)
product = 5.1.2600.5512
written = 2008-04-14 00:12:00

[file C:\WINDOWS\system32\spool\DRIVERS\W32X86\3\PS5UI.DLL]
version = 0.3.5475.0 (xpsp.080413-2105)
written = 2008-04-14 00:12:02

# present, no version resource
[file C:\WINDOWS\system32\spool\DRIVERS\W32X86\3\pscript.ntf]
written = 2004-08-04 12:00:00

[file C:\Program Files\Office\fonts.dat]
written = 2010-01-02 03:04:05

[driver HP LaserJet 4]
path = C:\WINDOWS\system32\spool\DRIVERS\W32X86\3\UNIDRV.DLL
data = C:\WINDOWS\system32\spool\DRIVERS\W32X86\3\HPLJ4.GPD

[file C:\WINDOWS\system32\spool\DRIVERS\W32X86\3\UNIDRV.DLL]
version = 0.3.5.2600 (xpsp.080413-2108)
product = 9.9.9.9
written = 2008-04-14 00:12:00

[driver Old Kernel Driver]
version = 2
path = C:\WINDOWS\system32\spool\DRIVERS\W32X86\2\RASDD.DLL
dependent =

[driver Windows 95 Driver]
environment = Windows 4.0
path = C:\WINDOWS\SYSTEM\HPPCL5MS.DRV
)";

TEST(DriversSection, EveryDriverOfTheDefaultEnvironmentWithItsFilesInOrder) {
  ScenarioMachine machine = ScenarioMachine::fromText(kXpDrivers);
  Report section;
  driver::fillDriversSection(section);
  ASSERT_EQ(probe::childNames(section), Names(3, "printerDriverInformation"))
      << "the Windows 4.0 driver is not in the default environment";
  EXPECT_EQ(probe::attribute(child(section, "printerDriverInformation", 2), "printerDriverName"),
            "Old Kernel Driver");

  const IReport& ps = driverNamed(section, "Office PS");
  EXPECT_EQ(probe::childNames(ps),
            (Names{"driverVersion", "environment", "driverPath", "dataFile", "configFile", "helpFile",
                   "dependentFiles", "languageMonitorName", "defaultDataType"}));
  EXPECT_EQ(probe::text(ps, "environment"), "Windows NT x86");
  EXPECT_EQ(probe::text(ps, "driverPath"), "C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86\\3\\pscript5.Dll");
  EXPECT_EQ(probe::text(ps, "dataFile"), "C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86\\3\\OFFICE.PPD");
  EXPECT_EQ(probe::text(ps, "configFile"), "C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86\\3\\ps5ui.dll");
  EXPECT_EQ(probe::text(ps, "helpFile"), "C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86\\3\\pscript.hlp");
  EXPECT_EQ(probe::text(ps, "languageMonitorName"), "PJL Language Monitor");
  EXPECT_EQ(probe::text(ps, "defaultDataType"), "RAW");

  const IReport& pcl = driverNamed(section, "HP LaserJet 4");
  for (const char* name : {"configFile", "helpFile", "languageMonitorName", "defaultDataType"}) {
    EXPECT_EQ(probe::text(pcl, name), "") << name << ": no pointer gives empty text";
  }
}

TEST(DriversSection, PostScriptDriverReportsTheProductVersionOthersTheFileVersionText) {
  ScenarioMachine machine = ScenarioMachine::fromText(kXpDrivers);
  Report section;
  driver::fillDriversSection(section);
  EXPECT_EQ(probe::text(driverNamed(section, "Office PS"), "driverVersion"), "5.1.2600.5512")
      << "pscript5.Dll in mixed case: the fixed record's product version";
  EXPECT_EQ(probe::text(driverNamed(section, "HP LaserJet 4"), "driverVersion"), "0.3.5.2600")
      << "any other driver: the FileVersion text cut at the first blank";
  EXPECT_EQ(probe::text(driverNamed(section, "Old Kernel Driver"), "driverVersion"), "")
      << "a driver file that is not there";
}

TEST(DriversSection, DependentFilesCompletedWithTheDriverFolderAndDescribedWhenFound) {
  ScenarioMachine machine = ScenarioMachine::fromText(kXpDrivers);
  Report section;
  driver::fillDriversSection(section);
  const IReport& files = child(driverNamed(section, "Office PS"), "dependentFiles");
  ASSERT_EQ(probe::childNames(files), Names(4, "dependentFilesInformation"));
  const std::string folder = "C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86\\3\\";

  const IReport& ntf = child(files, "dependentFilesInformation", 0);
  EXPECT_EQ(probe::text(ntf, "dependentFile"), folder + "pscript.ntf");
  EXPECT_EQ(probe::childNames(ntf), (Names{"dependentFile", "fileTimeStamp"})) << "no version resource";
  EXPECT_EQ(timeText(ntf, "fileTimeStamp"), "2004-08-04 12:00:00");

  const IReport& ui = child(files, "dependentFilesInformation", 1);
  EXPECT_EQ(probe::text(ui, "dependentFile"), folder + "PS5UI.DLL");
  EXPECT_EQ(probe::childNames(ui), (Names{"dependentFile", "fileVersion", "fileTimeStamp"}));
  EXPECT_EQ(probe::text(ui, "fileVersion"), "0.3.5475.0 (xpsp.080413-2105)") << "not cut";
  EXPECT_EQ(timeText(ui, "fileTimeStamp"), "2008-04-14 00:12:02");

  const IReport& drive = child(files, "dependentFilesInformation", 2);
  EXPECT_EQ(probe::text(drive, "dependentFile"), "C:\\Program Files\\Office\\fonts.dat")
      << "taken as it stands";
  EXPECT_EQ(timeText(drive, "fileTimeStamp"), "2010-01-02 03:04:05");

  const IReport& network = child(files, "dependentFilesInformation", 3);
  EXPECT_EQ(probe::text(network, "dependentFile"), "\\\\PRINTSRV\\drivers\\missing.dll");
  EXPECT_EQ(probe::childNames(network), (Names{"dependentFile"})) << "a file that does not exist";

  EXPECT_EQ(probe::childNames(child(driverNamed(section, "HP LaserJet 4"), "dependentFiles")), Names{})
      << "no list at all";
  EXPECT_EQ(probe::childNames(child(driverNamed(section, "Old Kernel Driver"), "dependentFiles")), Names{})
      << "an empty list";
  EXPECT_EQ(machine.platform().openHandles(), 0);
}

TEST(DriversSection, AListWithoutItsTerminatorsEndsWithTheAnswer) {
  // The list is the last thing in the answer and lacks both terminators.
  ScenarioMachine machine = ScenarioMachine::fromText(R"(
[version]
platform = 2
[driver Broken]
path = D:\drivers\BROKEN.DLL
dependent = ONE.DLL, TWO.DLL
dependentEnd = open
)");
  Report section;
  driver::fillDriversSection(section);
  const IReport& files = child(driverNamed(section, "Broken"), "dependentFiles");
  ASSERT_EQ(probe::childNames(files), Names(2, "dependentFilesInformation"));
  EXPECT_EQ(probe::text(child(files, "dependentFilesInformation", 0), "dependentFile"),
            "D:\\drivers\\ONE.DLL");
  EXPECT_EQ(probe::text(child(files, "dependentFilesInformation", 1), "dependentFile"),
            "D:\\drivers\\TWO.DLL");
}

TEST(DriversSection, DefaultEnvironmentOfEachMachine) {
  struct Row {
    const char* machine;
    const char* driver;
    const char* environment;
  } rows[] = {
      {"win95", "HP LaserJet 4", "Windows 4.0"},
      {"xp", "HP LaserJet 4", "Windows NT x86"},
  };
  for (const Row& row : rows) {
    ScenarioMachine machine(row.machine);
    Report section;
    driver::fillDriversSection(section);
    EXPECT_EQ(probe::text(driverNamed(section, row.driver), "environment"), row.environment) << row.machine;
  }
}

TEST(DriversSection, AFailedEnumerationLeavesTheSectionEmpty) {
  ScenarioMachine machine = ScenarioMachine::fromText("[spooler]\nfail = drivers printers\n[driver X]\n");
  Report drivers, devModes;
  driver::fillDriversSection(drivers);
  driver::fillDevModeSection(devModes);
  EXPECT_EQ(probe::childNames(drivers), Names{});
  EXPECT_EQ(probe::childNames(devModes), Names{});
}

// Local printers with and without device settings; the last one's settings
// are cut short by the end of the answer.
const char kPrinters[] = R"(
[printer Office Laser]
devMode = yes
dm.specVersion = 0x401
dm.driverVersion = 0x600
dm.fields = 0x1ff1f
dm.orientation = 2
dm.paperSize = 9
dm.paperLength = 2970
dm.paperWidth = 2100
dm.scale = 100
dm.copies = 2
dm.printQuality = 0xFFFC
dm.color = 1
dm.duplex = 2
dm.yResolution = 600
dm.ttOption = 2
dm.collate = 1
dm.formName = A4
dm.bitsPerPel = 8
dm.pelsWidth = 640
dm.pelsHeight = 480
dm.displayFlags = 0
dm.displayFrequency = 75
dm.extra = 01, 02, 03

[printer No Settings]

[printer Network]
scopes = connections
devMode = yes

[printer Custom Paper]
devMode = yes
dm.paperSize = 256
dm.collate = 0

[printer Windows 3.1 Driver]
devMode = yes
dm.size = 68
dm.paperSize = 1
dm.extra = AA, BB

[printer Cut Short]
devMode = yes
dm.size = 156
dm.extra = 01, 02, 03, 04
dm.stored = 100
)";

TEST(DevModeSection, OneNodePerLocalPrinterWithSettings) {
  ScenarioMachine machine = ScenarioMachine::fromText(kPrinters);
  Report section;
  driver::fillDevModeSection(section);
  ASSERT_EQ(probe::childNames(section), Names(4, "printerInformation"))
      << "no node without settings, none for a connection";
  const char* names[] = {"Office Laser", "Custom Paper", "Windows 3.1 Driver", "Cut Short"};
  for (unsigned int i = 0; i < 4; ++i) {
    EXPECT_EQ(probe::text(child(section, "printerInformation", i), "deviceName"), names[i]);
  }
}

TEST(DevModeSection, SettingsInWordsAndNumbers) {
  ScenarioMachine machine = ScenarioMachine::fromText(kPrinters);
  Report section;
  driver::fillDevModeSection(section);
  const IReport& laser = child(section, "printerInformation", 0);
  EXPECT_TRUE(laser.isSuccess());
  EXPECT_EQ(
      probe::childNames(laser),
      (Names{
          "deviceName",  "specVersion",    "driverVersion",    "orientation",    "paperSize",  "paperLength",
          "paperWidth",  "scale",          "copies",           "printQuality",   "color",      "duplex",
          "yResolution", "trueTypeOption", "collate",          "formName",       "bitsPerpel", "pelsWidth",
          "pelsHeight",  "displayFlags",   "displayFrequency", "driverExtraData"}));
  EXPECT_EQ(probe::text(laser, "specVersion"), "1025");
  EXPECT_EQ(probe::text(laser, "driverVersion"), "1536");
  EXPECT_EQ(probe::text(laser, "orientation"), "Landscape");
  EXPECT_EQ(probe::text(laser, "paperSize"), "A4");
  EXPECT_EQ(probe::number(laser, "paperLength"), 2970);
  EXPECT_EQ(probe::number(laser, "paperWidth"), 2100);
  EXPECT_EQ(probe::number(laser, "scale"), 100);
  EXPECT_EQ(probe::number(laser, "copies"), 2);
  EXPECT_EQ(probe::number(laser, "printQuality"), -4) << "DMRES_HIGH, signed";
  EXPECT_EQ(probe::text(laser, "color"), "Monochrome");
  EXPECT_EQ(probe::text(laser, "duplex"), "Vertical");
  EXPECT_EQ(probe::number(laser, "yResolution"), 600);
  EXPECT_EQ(probe::text(laser, "trueTypeOption"), "DownLoad");
  EXPECT_EQ(probe::text(laser, "collate"), "true");
  EXPECT_EQ(probe::text(laser, "formName"), "A4");
  EXPECT_EQ(probe::number(laser, "bitsPerpel"), 8);
  EXPECT_EQ(probe::number(laser, "pelsWidth"), 640);
  EXPECT_EQ(probe::number(laser, "pelsHeight"), 480);
  EXPECT_EQ(probe::number(laser, "displayFlags"), 0);
  EXPECT_EQ(probe::number(laser, "displayFrequency"), 75);
  const IReport& extra = child(laser, "driverExtraData");
  EXPECT_EQ(extra.getType(), IReport::REPORT_BINARY);
  ASSERT_EQ(extra.getValueLength(), 3);
  EXPECT_EQ(std::string(static_cast<const char*>(extra.getValue()), 3), "\x01\x02\x03");

  const IReport& custom = child(section, "printerInformation", 1);
  EXPECT_EQ(probe::text(custom, "paperSize"), "") << "a custom size";
  EXPECT_EQ(probe::text(custom, "collate"), "false");
  const IReport& none = child(custom, "driverExtraData");
  EXPECT_EQ(none.getType(), IReport::REPORT_BINARY);
  EXPECT_EQ(none.getValueLength(), 0) << "dmDriverExtra 0";
}

TEST(DevModeSection, AnOlderRecordOnlyItsSettingsAndACutOneMarkedUnsuccessful) {
  ScenarioMachine machine = ScenarioMachine::fromText(kPrinters);
  Report section;
  driver::fillDevModeSection(section);
  const IReport& old = child(section, "printerInformation", 2);
  EXPECT_TRUE(old.isSuccess());
  EXPECT_EQ(probe::childNames(old),
            (Names{"deviceName", "specVersion", "driverVersion", "orientation", "paperSize", "paperLength",
                   "paperWidth", "scale", "copies", "printQuality", "color", "duplex", "yResolution",
                   "trueTypeOption", "driverExtraData"}))
      << "the 68-byte record ends after dmTTOption";
  EXPECT_EQ(probe::text(old, "paperSize"), "Letter");
  const IReport& oldExtra = child(old, "driverExtraData");
  ASSERT_EQ(oldExtra.getValueLength(), 2);
  EXPECT_EQ(std::string(static_cast<const char*>(oldExtra.getValue()), 2), "\xAA\xBB");

  const IReport& cut = child(section, "printerInformation", 3);
  EXPECT_FALSE(cut.isSuccess());
  EXPECT_STREQ(cut.getErrorText().getData(), driver::kDevModeCutShort);
  EXPECT_EQ(probe::find(cut, "formName"), nullptr) << "dmFormName lies past the end of the answer";
  EXPECT_EQ(probe::text(cut, "collate"), "false");
  EXPECT_EQ(child(cut, "driverExtraData").getValueLength(), 0);
}

TEST(RegistrySection, ThreeExportsInOrderEachFollowedByItsPath) {
  static std::vector<std::string> exported;
  exported.clear();
  Report section;
  driver::fillRegistrySection(section, [](HKEY root, const char* key, const char* file, char* path,
                                          int size) {
    exported.push_back(std::string(root == HKEY_LOCAL_MACHINE ? "HKLM\\" : "HKCU\\") + key + " > " + file);
    std::snprintf(path, static_cast<size_t>(size), "C:\\Temp\\NoxTemp\\registries\\%s", file);
  });
  EXPECT_EQ(exported, (Names{"HKLM\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers > driverReg.txt",
                             "HKCU\\Printers > Printers.txt",
                             "HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Print\\Providers > "
                             "Providers.txt"}));
  ASSERT_EQ(probe::childNames(section), Names(3, "registry"));
  for (unsigned int i = 0; i < 3; ++i)
    EXPECT_EQ(child(section, "registry", i).getType(), IReport::REPORT_PATH);
  EXPECT_EQ(probe::text(section, "registry", 1), "C:\\Temp\\NoxTemp\\registries\\Printers.txt");
}

TEST(RegistrySection, AKeyThatCannotBeExportedIsNamedAndTheOthersAreStillWritten) {
  // A user without a "Printers" key (every Wine prefix): the Providers export
  // after it is written all the same.
  static int calls;
  calls = 0;
  Report section;
  driver::fillRegistrySection(section, [](HKEY root, const char*, const char* file, char* path, int size) {
    ++calls;
    if (root == HKEY_CURRENT_USER)
      throwException(4, ERROR_FILE_NOT_FOUND, ERROR_FILE_NOT_FOUND, nullptr, __FILE__, __LINE__, "",
                     "exportRegistryToFile");
    std::snprintf(path, static_cast<size_t>(size), "C:\\out\\%s", file);
  });
  EXPECT_EQ(calls, 3);
  EXPECT_FALSE(section.isSuccess());
  ASSERT_EQ(probe::childNames(section), Names(3, "registry"));
  EXPECT_EQ(probe::text(section, "registry", 0), "C:\\out\\driverReg.txt");
  const IReport& failed = child(section, "registry", 1);
  EXPECT_FALSE(failed.isSuccess());
  EXPECT_STREQ(failed.getErrorText().getData(),
               "HKEY_CURRENT_USER\\Printers could not be exported (error 2).");
  EXPECT_TRUE(child(section, "registry", 2).isSuccess());
  EXPECT_EQ(probe::text(section, "registry", 2), "C:\\out\\Providers.txt");
}

}  // namespace
