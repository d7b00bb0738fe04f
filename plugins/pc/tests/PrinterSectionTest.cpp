// The "printer" section on recorded machines: the spooler's answers come in
// the layouts Windows gives them (records, then the texts they point to).
#include <gtest/gtest.h>

#include "InventorySections.h"
#include "ReportProbe.h"
#include "Scenario.h"

namespace {

using Names = std::vector<std::string>;

const IReport& child(const IReport& parent, const char* name, unsigned int index = 0) {
  const IReport* found = probe::find(parent, name, index);
  if (!found) throw std::runtime_error(std::string("no ") + name);
  return *found;
}

TEST(PrinterSection, FiveNodesInOrder) {
  ScenarioMachine machine("xp");
  Report section;
  pc::fillPrinterSection(section);
  EXPECT_EQ(probe::childNames(section),
            (Names{"availablePorts", "installedMonitors", "defaultPrinter", "installedDrivers", "printers"}));
  for (const std::string& name : probe::childNames(section)) {
    EXPECT_TRUE(child(section, name.c_str()).isSuccess()) << name;
  }
}

TEST(PrinterSection, PortsMonitorsDefaultAndDriversOnNt) {
  ScenarioMachine machine("xp");
  Report section;
  pc::fillPrinterSection(section);

  const IReport& ports = child(section, "availablePorts");
  ASSERT_EQ(probe::childNames(ports), (Names{"availablePortsData", "availablePortsData"}));
  EXPECT_EQ(probe::text(child(ports, "availablePortsData", 0), "portName"), "LPT1:");
  EXPECT_EQ(probe::text(child(ports, "availablePortsData", 0), "description"), "Local Port");
  EXPECT_EQ(probe::text(child(ports, "availablePortsData", 1), "portName"), "IP_10.0.0.20");
  EXPECT_EQ(probe::text(child(ports, "availablePortsData", 1), "description"), "")
      << "no description pointer";

  const IReport& monitors = child(section, "installedMonitors");
  ASSERT_EQ(probe::childNames(monitors), (Names{"monitorInformation", "monitorInformation"}));
  const IReport& local = child(monitors, "monitorInformation", 0);
  EXPECT_EQ(probe::childNames(local), (Names{"monitorName", "environment", "dllName", "version"}));
  EXPECT_EQ(probe::text(local, "monitorName"), "Local Port");
  EXPECT_EQ(probe::text(local, "environment"), "Windows NT x86");
  EXPECT_EQ(probe::text(local, "dllName"), "localspl.dll");
  EXPECT_EQ(probe::text(local, "version"), "5.1.2600.5512") << "the fixed version record";
  EXPECT_EQ(probe::text(child(monitors, "monitorInformation", 1), "version"), "unknown")
      << "a monitor file without a version resource";

  EXPECT_EQ(probe::text(child(section, "defaultPrinter"), "printerName"),
            "\\\\PRINTSRV\\Office Color,winspool,Ne01:");

  const IReport& drivers = child(section, "installedDrivers");
  ASSERT_EQ(probe::childNames(drivers), (Names{"installedDriversData"}));
  const IReport& driver = child(drivers, "installedDriversData");
  EXPECT_EQ(probe::childNames(driver),
            (Names{"driverName", "driverEnvironment", "driverPath", "driverVersion"}));
  EXPECT_EQ(probe::text(driver, "driverName"), "HP LaserJet 4");
  EXPECT_EQ(probe::text(driver, "driverEnvironment"), "Windows NT x86");
  EXPECT_EQ(probe::text(driver, "driverPath"),
            "C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86\\3\\UNIDRV.DLL");
  EXPECT_EQ(probe::text(driver, "driverVersion"), "0.3.5.2600") << "cut at the first blank";
}

TEST(PrinterSection, PrintersPerScopeOnNt) {
  ScenarioMachine machine("xp");
  Report section;
  pc::fillPrinterSection(section);
  const IReport& printers = child(section, "printers");
  struct Row {
    const char* scope;
    const char* name;
    const char* share;
    const char* status;
  } rows[] = {
      {"Local", "Office Laser", "", "The printer is paused."},
      {"Local", "Label Writer", "LABELS", ""},  // paused and in error at once: no single word
      {"connected remote printers", "\\\\PRINTSRV\\Office Color", "COLOR", "The printer is printing."},
      {"print providers in domain", "\\\\PRINTSRV\\Office Color", "COLOR", "The printer is printing."},
  };
  ASSERT_EQ(probe::childNames(printers).size(), 4u);
  for (unsigned int i = 0; i < 4; ++i) {
    const IReport& printer = child(printers, "printerInformation", i);
    EXPECT_EQ(probe::attribute(printer, "printObject"), rows[i].scope) << i;
    EXPECT_EQ(probe::text(printer, "printerName"), rows[i].name) << i;
    EXPECT_EQ(probe::text(printer, "sharepoint"), rows[i].share) << i;
    EXPECT_EQ(probe::text(printer, "status"), rows[i].status) << i;
  }
  const IReport& laser = child(printers, "printerInformation", 0);
  EXPECT_EQ(probe::childNames(laser),
            (Names{"printerName", "sharepoint", "portName", "driver", "comment", "location",
                   "separatorPageFile", "printProcessor", "dataType", "defaultPrint-processorParameters",
                   "priority", "defaultPriority", "status"}));
  EXPECT_EQ(probe::text(laser, "portName"), "LPT1:");
  EXPECT_EQ(probe::text(laser, "driver"), "HP LaserJet 4");
  EXPECT_EQ(probe::text(laser, "comment"), "second floor");
  EXPECT_EQ(probe::text(laser, "location"), "Room 2.14");
  EXPECT_EQ(probe::text(laser, "separatorPageFile"), "C:\\WINDOWS\\system32\\pcl.sep");
  EXPECT_EQ(probe::text(laser, "printProcessor"), "WinPrint");
  EXPECT_EQ(probe::text(laser, "dataType"), "RAW");
  EXPECT_EQ(probe::text(laser, "defaultPrint-processorParameters"), "");
  EXPECT_EQ(probe::number(laser, "priority"), 1);
  EXPECT_EQ(probe::number(laser, "defaultPriority"), 0);
  const IReport& remote = child(printers, "printerInformation", 2);
  EXPECT_EQ(probe::number(remote, "priority"), 50);
  EXPECT_EQ(probe::number(remote, "defaultPriority"), 2);
  EXPECT_EQ(probe::text(child(printers, "printerInformation", 1), "comment"), "") << "absent pointer";
}

TEST(PrinterSection, Windows95MonitorsAndScopes) {
  ScenarioMachine machine("win95");
  Report section;
  pc::fillPrinterSection(section);
  const IReport& monitors = child(section, "installedMonitors");
  ASSERT_EQ(probe::childNames(monitors), (Names{"monitorInformation", "monitorInformation"}));
  for (unsigned int i = 0; i < 2; ++i) {
    EXPECT_EQ(probe::childNames(child(monitors, "monitorInformation", i)), (Names{"monitorName"})) << i;
  }
  EXPECT_EQ(probe::text(child(monitors, "monitorInformation", 1), "monitorName"), "Microsoft Fax Monitor");
  EXPECT_EQ(probe::text(child(child(section, "installedDrivers"), "installedDriversData"), "driverVersion"),
            "4.00.950")
      << "a narrow version key";

  const IReport& printers = child(section, "printers");
  ASSERT_EQ(probe::childNames(printers).size(), 2u);
  const IReport& local = child(printers, "printerInformation", 0);
  EXPECT_EQ(probe::attribute(local, "printObject"), "local and remote");
  EXPECT_EQ(probe::text(local, "sharepoint"), "LASER");
  EXPECT_EQ(probe::text(local, "status"), "The printer is out of paper.");
  const IReport& remote = child(printers, "printerInformation", 1);
  EXPECT_EQ(probe::attribute(remote, "printObject"), "print providers in domain");
  EXPECT_EQ(probe::text(remote, "printerName"), "\\\\OFFICE\\Color");
  EXPECT_EQ(probe::text(remote, "sharepoint"), "");
}

TEST(PrinterSection, StatusWords) {
  const std::pair<DWORD, const char*> rows[] = {
      {0x0, ""},
      {0x1, "The printer is paused."},
      {0x8, "Paper is jammed in the printer"},
      {0x800, "The printer's output bin is full."},
      {0x100000, "The printer has an error that requires the user to do something."},
      {0x1000000, "The printer is in power save mode."},
      {0x3, ""},
      {0x400 | 0x4000, ""},
      {0x2000000, ""},
      {0xFFFFFFFF, ""},
  };
  for (const auto& row : rows)
    EXPECT_STREQ(pc::printerStatusText(row.first), row.second) << std::hex << row.first;
  // Every single bit up to power save has its own words.
  for (DWORD bit = 1; bit <= 0x1000000; bit <<= 1)
    EXPECT_STRNE(pc::printerStatusText(bit), "") << std::hex << bit;
}

TEST(PrinterSection, FailedEnumerationsLeaveEmptySuccessfulNodes) {
  ScenarioMachine machine = ScenarioMachine::fromText(
      "[version]\nplatform=2\nmajor=5\nminor=1\n[spooler]\nfail = ports monitors drivers printers\n"
      "[port LPT1:]\n[monitor Local Port]\n[driver D]\n[printer P]\n");
  Report section;
  pc::fillPrinterSection(section);
  for (const char* name : {"availablePorts", "installedMonitors", "installedDrivers", "printers"}) {
    EXPECT_TRUE(probe::childNames(child(section, name)).empty()) << name;
    EXPECT_TRUE(child(section, name).isSuccess()) << name;
  }
  EXPECT_EQ(probe::text(child(section, "defaultPrinter"), "printerName"), "not found")
      << "no default printer";
}

// A spooler that reports more records than its buffer holds: only the records
// the buffer holds are read. Each row inflates one call's count; the recorded
// texts are short, so the buffer holds exactly the one true record.
TEST(PrinterSection, CountsPastTheBufferAreNotBelieved) {
  struct Row {
    const char* call;
    const char* node;
    const char* record;
    const char* leaf;
    const char* value;
  } rows[] = {
      {"ports", "availablePorts", "availablePortsData", "portName", "P"},
      {"monitors", "installedMonitors", "monitorInformation", "monitorName", "M"},
      {"drivers", "installedDrivers", "installedDriversData", "driverName", "D"},
      {"printers", "printers", "printerInformation", "printerName", "Q"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.call);
    ScenarioMachine machine = ScenarioMachine::fromText(
        std::string("[version]\nplatform=2\nmajor=5\nminor=1\n") + "[spooler]\nreturned." + row.call +
        " = 100000\n[port P]\n[monitor M]\n[driver D]\n"
        "[printer Q]\n");
    Report section;
    pc::fillPrinterSection(section);
    const IReport& node = child(section, row.node);
    ASSERT_EQ(probe::childNames(node).size(), 1u);
    EXPECT_EQ(probe::text(child(node, row.record), row.leaf), row.value);
  }
}

TEST(PrinterSection, UnreadableVersionMarksMonitorsAndPrinters) {
  ScenarioMachine machine =
      ScenarioMachine::fromText("[version]\nfail=yes\n[port LPT1:]\n[monitor Local Port]\n[printer P]\n");
  Report section;
  pc::fillPrinterSection(section);
  struct Row {
    const char* node;
    bool success;
    size_t children;
  } rows[] = {
      {"availablePorts", true, 1},   {"installedMonitors", false, 0}, {"defaultPrinter", true, 1},
      {"installedDrivers", true, 0}, {"printers", false, 0},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(child(section, row.node).isSuccess(), row.success) << row.node;
    EXPECT_EQ(probe::childNames(child(section, row.node)).size(), row.children) << row.node;
  }
}

TEST(PrinterSection, NoWindowsFolderMeansNoVersionLeaf) {
  ScenarioMachine machine = ScenarioMachine::fromText(
      "[version]\nplatform=2\nmajor=5\nminor=1\n[monitor Local Port]\ndll=localspl.dll\n");
  Report section;
  pc::fillPrinterSection(section);
  EXPECT_EQ(probe::childNames(child(child(section, "installedMonitors"), "monitorInformation")),
            (Names{"monitorName", "environment", "dllName"}));
  EXPECT_EQ(probe::text(child(child(section, "installedMonitors"), "monitorInformation"), "environment"), "")
      << "no environment pointer";
}

}  // namespace
