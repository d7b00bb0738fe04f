// DomainScan: recorded machines (a domain member, a workgroup computer,
// Windows 95) for what Wine's network management only stubs, and the module
// loaded for real under Wine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DomainScanObservations.h"
#include "RecordedDirectory.h"
#include "ReportProbe.h"
#include "Scenario.h"

namespace {

using Names = std::vector<std::string>;

// The domainScan report of a recorded machine, with its leak checks.
struct Scan {
  explicit Scan(std::unique_ptr<RecordedPlatform> machine) : directory(std::move(machine)) {
    report = &static_cast<Report&>(root.createReport());
  }
  ~Scan() {
    delete report;
    EXPECT_EQ(directory.directory().netBuffers(), 0) << "network buffers freed";
    EXPECT_EQ(directory.directory().lsaBuffers(), 0) << "trust lists freed";
    EXPECT_EQ(directory.directory().openPolicies(), 0) << "controller policies closed";
    EXPECT_EQ(directory.machine().openHandles(), 0) << "local policy closed";
    EXPECT_EQ(directory.machine().lsaBuffers(), 0) << "domain record freed";
  }
  const IReport& section(const char* name) const { return *probe::find(*report, name); }
  bool called(const std::string& line) const { return directory.directory().callsLike(line) > 0; }

  ScenarioDirectory directory;
  domainscan::DomainScanRoot root;
  Report* report = nullptr;
};

// One computer's information as the report holds it: "name|osType|version|lanGroup",
// a failed osType as "!error".
std::string computer(const IReport& node) {
  std::string text = probe::text(node, "computerName") + "|";
  const IReport* type = probe::find(node, "osType");
  text += type && type->isSuccess() ? probe::text(node, "osType") : "!" + probe::error(type);
  if (probe::find(node, "version")) text += "|" + probe::text(node, "version");
  if (probe::find(node, "lanGroup")) text += "|" + probe::text(node, "lanGroup");
  return text;
}

TEST(OsTypes, TableOfPlatformIdentifiers) {
  struct Row {
    unsigned long platform;
    const char* text;
  } rows[] = {{300, "DOS"}, {400, "OS/2"},  {500, "NT"},  {600, "OSF"},
              {700, "VMS"}, {800, nullptr}, {0, nullptr}, {501, nullptr}};
  for (const Row& row : rows) {
    const char* text = domainscan::osTypeText(row.platform);
    EXPECT_STREQ(text, row.text) << row.platform;
  }
}

TEST(DomainScan, DomainMember) {
  Scan scan(loadScenario("domain-member"));
  EXPECT_STREQ(scan.report->getName().getData(), "domainScan");
  EXPECT_EQ(probe::childNames(*scan.report),
            (Names{"netWorkEnviroment", "domainController", "browseMaster", "trustedDomain"}));

  const IReport& environment = scan.section("netWorkEnviroment");
  EXPECT_EQ(probe::childNames(environment), (Names{"type", "name"}));
  EXPECT_EQ(probe::text(environment, "type"), "domain");
  EXPECT_EQ(probe::text(environment, "name"), "CONTOSO");

  const IReport& controllers = scan.section("domainController");
  EXPECT_EQ(computer(*probe::find(controllers, "primaryDomainController")),
            "\\\\PDC01|NT|5.2|\n  Lan group: CONTOSO");
  const IReport& backups = *probe::find(controllers, "backupDomainControllers");
  EXPECT_EQ(probe::number(controllers, "backupDomainControllers"), 2);
  ASSERT_NE(probe::find(backups, "controller", 1), nullptr);
  EXPECT_EQ(probe::attribute(*probe::find(backups, "controller", 0), "index"), "0");
  EXPECT_EQ(probe::attribute(*probe::find(backups, "controller", 1), "index"), "1");
  EXPECT_EQ(computer(*probe::find(backups, "controller", 0)), "BDC01|NT|5.0|\n  Lan group: CONTOSO");
  EXPECT_EQ(computer(*probe::find(backups, "controller", 1)), "BDC02|NT|4.0|\n  Lan group: CONTOSO");

  // Every operating system type, one that is not in the table, one that does not answer.
  const IReport& browse = scan.section("browseMaster");
  EXPECT_EQ(probe::number(browse, "browseMasters"), 7);
  const Names expected = {
      "LANMAN01|DOS|2.1|\n  Lan group: CONTOSO",
      "WARP01|OS/2|4.50|\n  Lan group: CONTOSO",
      "NTSRV01|NT|6.1|\n  Lan group: CONTOSO",
      "TRU64|OSF|5.1|\n  Lan group: UNIXGRP",
      "ALPHA01|VMS|7.3|\n  Lan group: VMSGRP",
      "ODD01|!Unknown (800)|1.0|\n  Lan group: CONTOSO",
      "GONE01|!Failed to get workstation info (0x00000035)",
  };
  const IReport& masters = *probe::find(browse, "browseMasters");
  for (unsigned int i = 0; i < expected.size(); ++i) {
    const IReport* master = probe::find(masters, "browseMaster", i);
    ASSERT_NE(master, nullptr) << i;
    EXPECT_EQ(probe::attribute(*master, "index"), std::to_string(i + 1));
    EXPECT_EQ(computer(*master), expected[i]);
  }
  EXPECT_EQ(probe::childNames(*probe::find(masters, "browseMaster", 6)), (Names{"computerName", "osType"}));

  const IReport& trusts = *probe::find(scan.section("trustedDomain"), "trustedDomains");
  EXPECT_EQ(probe::number(scan.section("trustedDomain"), "trustedDomains"), 2);
  EXPECT_EQ(probe::attribute(*probe::find(trusts, "trustedDomain", 0), "index"), "0");
  EXPECT_EQ(probe::text(*probe::find(trusts, "trustedDomain", 0), "domainName"), "FABRIKAM");
  EXPECT_EQ(probe::text(*probe::find(trusts, "trustedDomain", 1), "domainName"), "NORTHWIND");

  // The calls as the network management and the LSA want them.
  EXPECT_TRUE(scan.called("NetServerEnum (null) level 100 max 0xffffffff type 0x00000010 domain (null)"));
  EXPECT_TRUE(scan.called("NetServerEnum (null) level 100 max 0xffffffff type 0x00040000 domain (null)"));
  EXPECT_TRUE(scan.called("NetWkstaGetInfo \\\\BDC01 level 100")) << "two backslashes added";
  EXPECT_TRUE(scan.called("NetWkstaGetInfo \\\\PDC01 level 100")) << "and not doubled";
  EXPECT_TRUE(scan.called("LsaOpenPolicy \\\\PDC01 access 0x00000001"));
  EXPECT_TRUE(scan.called("LsaEnumerateTrustedDomains context 0 max 12000"));
}

TEST(DomainScan, Workgroup) {
  Scan scan(loadScenario("workgroup"));
  const IReport& environment = scan.section("netWorkEnviroment");
  EXPECT_EQ(probe::text(environment, "type"), "workgroup");
  EXPECT_EQ(probe::text(environment, "name"), "WORKGROUP");
  const IReport& controllers = scan.section("domainController");
  EXPECT_EQ(probe::error(probe::find(controllers, "primaryDomainController")),
            " Failed to get PDC's name (0x00000995)");
  EXPECT_EQ(probe::error(probe::find(controllers, "backupDomainControllers")),
            "Failed to get BDCs' name (0x000017e6)");
  EXPECT_TRUE(probe::childNames(*probe::find(controllers, "primaryDomainController")).empty());
  EXPECT_TRUE(probe::childNames(*probe::find(controllers, "backupDomainControllers")).empty());
  EXPECT_EQ(probe::error(&scan.section("browseMaster")), "Failed to get browse master's name (0x000017e6)");
  EXPECT_TRUE(probe::childNames(scan.section("browseMaster")).empty());
  EXPECT_EQ(probe::error(probe::find(scan.section("trustedDomain"), "trustedDomains")),
            " Failed to get PDC's name (0x00000995)");
}

TEST(DomainScan, Windows95) {
  // The calls are missing: each section says so instead of failing to load.
  Scan scan(loadScenario("win95-network"));
  EXPECT_EQ(probe::error(probe::find(scan.section("netWorkEnviroment"), "type")),
            "LsaOpenPolicy failed (31)");
  EXPECT_EQ(probe::childNames(scan.section("netWorkEnviroment")), (Names{"type"}));
  const IReport& controllers = scan.section("domainController");
  EXPECT_EQ(probe::error(probe::find(controllers, "primaryDomainController")),
            " Failed to get PDC's name (0x0000007f)");
  EXPECT_EQ(probe::error(probe::find(controllers, "backupDomainControllers")),
            "Failed to get BDCs' name (0x0000007f)");
  EXPECT_EQ(probe::error(&scan.section("browseMaster")), "Failed to get browse master's name (0x0000007f)");
}

TEST(DomainScan, WindowsNT4Domain) {
  Scan scan(loadScenario("nt4-domain"));
  EXPECT_EQ(probe::text(scan.section("netWorkEnviroment"), "type"), "domain");
  EXPECT_EQ(probe::text(scan.section("netWorkEnviroment"), "name"), "CORP");
  const IReport& controllers = scan.section("domainController");
  EXPECT_EQ(computer(*probe::find(controllers, "primaryDomainController")),
            "\\\\CORPDC|NT|4.0|\n  Lan group: CORP");
  EXPECT_EQ(probe::number(controllers, "backupDomainControllers"), 1);
  EXPECT_EQ(computer(*probe::find(*probe::find(controllers, "backupDomainControllers"), "controller")),
            "CORPBDC|NT|4.0|\n  Lan group: CORP");
  EXPECT_EQ(probe::number(scan.section("browseMaster"), "browseMasters"), 1);
  EXPECT_EQ(
      computer(*probe::find(*probe::find(scan.section("browseMaster"), "browseMasters"), "browseMaster")),
      "CORPDC|NT|4.0|\n  Lan group: CORP");
  EXPECT_EQ(probe::text(scan.section("trustedDomain"), "trustedDomains"), "N/A") << "a domain without trusts";
}

TEST(DomainScan, LocalPolicyFailures) {
  struct Row {
    const char* lsa;
    const char* error;
  } rows[] = {
      {"open = fail", "LsaOpenPolicy failed (5)"},
      {"query = fail", "LsaQueryInformationPolicy failed (5)"},
  };
  for (const Row& row : rows) {
    Scan scan(RecordedPlatform::fromText(std::string("[lsa]\n") + row.lsa + "\n"));
    const IReport& environment = scan.section("netWorkEnviroment");
    EXPECT_EQ(probe::error(probe::find(environment, "type")), row.error);
    EXPECT_EQ(probe::childNames(environment), (Names{"type"})) << row.lsa;
  }
}

TEST(DomainScan, TrustEnumerationOutcomes) {
  struct Row {
    const char* domain;
    const char* value;  // the text of trustedDomains, or "#N" for a count, or "!error"
  } rows[] = {
      {"trusts =", "N/A"},                               // no trusts: STATUS_NO_MORE_ENTRIES, error 259
      {"trusts = A B\ntrustStatus = 0x00000105", "#2"},  // more entries exist: what came is listed
      {"trusts = A\ntrustOpen = 0xC0000022", "!Failed to get trusted domains names (0x00000005)"},
      {"trusts = A\ntrustStatus = 0xC0020017", "!Failed to get trusted domains names (0x000006ba)"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.domain);
    Scan scan(RecordedPlatform::fromText(std::string("[domain]\npdc = \\\\PDC01\n") + row.domain + "\n"));
    const IReport& trusted = scan.section("trustedDomain");
    const IReport& trusts = *probe::find(trusted, "trustedDomains");
    std::string value = row.value;
    if (value[0] == '#') {
      EXPECT_EQ(probe::number(trusted, "trustedDomains"), std::stoi(value.substr(1)));
    } else if (value[0] == '!') {
      EXPECT_EQ(probe::error(&trusts), value.substr(1));
    } else {
      EXPECT_EQ(probe::text(trusted, "trustedDomains"), value);
      EXPECT_TRUE(trusts.isSuccess());
    }
  }
}

TEST(DomainScan, MoreDataIsAFailure) {
  // The list would be incomplete; the buffer that came with it is still freed (see Scan).
  Scan scan(RecordedPlatform::fromText(
      "[domain]\npdc = \\\\PDC01\nserversMore = yes\n[computer BDC01]\ntype = 0x10\n[computer MB]\ntype = "
      "0x40000\n"));
  EXPECT_EQ(probe::error(probe::find(scan.section("domainController"), "backupDomainControllers")),
            "Failed to get BDCs' name (0x000000ea)");
  EXPECT_EQ(probe::error(&scan.section("browseMaster")), "Failed to get browse master's name (0x000000ea)");
}

// ---- the module under Wine

TEST(DomainScanModule, ThisMachine) {
  HMODULE module = LoadLibraryA("DomainScan.nxo");
  ASSERT_NE(module, nullptr) << "DomainScan.nxo beside the test program";
  noxPluginExport<NoxInitializePluginFunction>(module, NOX_EXPORT_INITIALIZE_PLUGIN)();
  IPluginInformation* information =
      noxPluginExport<NoxGetPluginInformationFunction>(module, NOX_EXPORT_GET_PLUGIN_INFORMATION)();
  EXPECT_EQ(information->getID(), 16);
  EXPECT_STREQ(information->getName().getData(), "DomainScan Plugin");
  IObservation* root = noxPluginExport<NoxGetObservationFunction>(module, NOX_EXPORT_GET_OBSERVATION)();
  Report& report = static_cast<Report&>(root->createReport());

  EXPECT_EQ(probe::childNames(report),
            (Names{"netWorkEnviroment", "domainController", "browseMaster", "trustedDomain"}));
  const IReport& environment = *probe::find(report, "netWorkEnviroment");
  std::string type = probe::text(environment, "type");
  EXPECT_TRUE(type == "workgroup" || type == "domain") << type;
  EXPECT_NE(probe::text(environment, "name"), "<missing name>");

  bool wine = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
  if (wine) {
    // Wine: a workgroup computer whose NetGetDCName and NetServerEnum are stubs.
    EXPECT_EQ(type, "workgroup");
    const IReport& controllers = *probe::find(report, "domainController");
    EXPECT_EQ(probe::error(probe::find(controllers, "primaryDomainController")),
              " Failed to get PDC's name (0x00000995)");
    EXPECT_EQ(probe::error(probe::find(controllers, "backupDomainControllers")),
              "Failed to get BDCs' name (0x000017e6)");
    EXPECT_EQ(probe::error(probe::find(report, "browseMaster")),
              "Failed to get browse master's name (0x000017e6)");
    EXPECT_EQ(probe::error(probe::find(*probe::find(report, "trustedDomain"), "trustedDomains")),
              " Failed to get PDC's name (0x00000995)");
  }
  delete &report;
  noxPluginExport<NoxUninitializePluginFunction>(module, NOX_EXPORT_UNINITIALIZE_PLUGIN)();
  FreeLibrary(module);
}

}  // namespace
