// The LDAP plug-in: the target field's rules, and the servers of the
// slapd-directory.sh fixture checked by the real module and by the observation
// with faults a real server cannot show.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "LdapObservations.h"
#include "RecordedDirectory.h"
#include "ReportProbe.h"
#include "SlapdServers.h"

namespace {

using ldapserver::parseServerSpec;

TEST(ServerList, Specifications) {
  struct Row {
    const char* text;
    bool valid;
    const char* host;
    unsigned long port;
  } rows[] = {
      {"srv1", true, "srv1", 389},
      {"srv2:1389", true, "srv2", 1389},
      {"10.0.0.5:636", true, "10.0.0.5", 636},
      {"srv:00389", true, "srv", 389},
      {"srv:65535", true, "srv", 65535},
      {"", false, "", 0},
      {"a:b:c", false, "", 0},
      {"host:", false, "", 0},
      {":389", false, "", 0},
      {"a:12x", false, "", 0},
      {"a: 389", false, "", 0},
      {"a:-389", false, "", 0},
      {"a:0", false, "", 0},
      {"a:65536", false, "", 0},
      {"a:4294967685", false, "", 0},  // would wrap to 389 in 32 bits
      {"fe80::1", false, "", 0},
  };
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    const Row& row = rows[i];
    ldapserver::ServerSpec spec = parseServerSpec(row.text);
    EXPECT_EQ(spec.valid, row.valid) << "row " << i << " \"" << row.text << "\"";
    if (!row.valid || !spec.valid) continue;
    EXPECT_EQ(spec.host, row.host) << "row " << i;
    EXPECT_EQ(spec.port, row.port) << "row " << i;
  }
}

TEST(ServerList, CountedAndSplitAtTabs) {
  struct Row {
    const char* value;
    unsigned int count;
    std::vector<std::string> specs;
  } rows[] = {
      {"", 0, {}},
      {"srv1", 1, {"srv1"}},
      {"srv1\tsrv2:1389", 2, {"srv1", "srv2:1389"}},
      {"srv1\t", 2, {"srv1"}},  // a trailing TAB counts but gives no server
      {"a\t\tb", 3, {"a", "", "b"}},
      {"\ta", 2, {"", "a"}},
  };
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    EXPECT_EQ(ldapserver::countServers(rows[i].value), rows[i].count) << "row " << i;
    EXPECT_EQ(ldapserver::splitServers(rows[i].value), rows[i].specs) << "row " << i;
  }
}

// The "ldapServer" report for a target value, from the observation of this program.
struct Observed {
  explicit Observed(const std::string& targets) {
    root.getConfigrationsImpl().getItem(0).getConfigrationEntries().getItem(0).setValue(targets.c_str());
    report = &static_cast<Report&>(root.createReport());
  }
  ~Observed() { delete report; }
  const IReport& servers() const { return *probe::find(*probe::find(*report, "ldapServer"), "ldapServers"); }
  const IReport& entry(unsigned int i) const { return *probe::find(servers(), "ldapServer", i); }

  ldapserver::LdapRootObservation root;
  Report* report = nullptr;
};

TEST(LdapObservation, FormAndEmptyTarget) {
  ldapserver::LdapRootObservation root;
  ASSERT_EQ(root.getConfigrations().getCount(), 1u);
  IConfigration& form = root.getConfigrations().getItem(0);
  EXPECT_STREQ(form.getTitle().getData(), "LDAP Information");
  EXPECT_EQ(form.getType(), IConfigration::CONFIG_TYPE_TARGET);
  ASSERT_EQ(form.getConfigrationEntries().getCount(), 1u);
  EXPECT_EQ(form.getConfigrationEntries().getItem(0).getType(), IConfigrationEntry::ENTRY_HOST);
  EXPECT_STREQ(form.getConfigrationEntries().getItem(0).getName().getData(),
               "Target LDAP server\nWhen changing the LDAP port number, input the port number with the "
               "following structure.(LDAP server name:LDAP port)\nFor example: LDAP:389");

  Report& report = static_cast<Report&>(root.createReport());
  EXPECT_STREQ(report.getName().getData(), "ldap");
  ASSERT_EQ(probe::childNames(report), std::vector<std::string>{"ldapServer"});
  EXPECT_TRUE(probe::childNames(*probe::find(report, "ldapServer")).empty());
  delete &report;
}

TEST(LdapObservation, InvalidSpecificationsAskNothing) {
  // No server is contacted for these: a recorded machine without servers.
  ScenarioDirectory machine("[ldap]\nopen = fail\n");
  Observed observed("a:b:c\t:389\thost:\ta:12x\t");
  EXPECT_EQ(probe::number(*probe::find(*observed.report, "ldapServer"), "ldapServers"), 5);
  for (unsigned int i = 0; i < 4; ++i) {
    const IReport& entry = observed.entry(i);
    EXPECT_EQ(probe::attribute(entry, "index"), std::to_string(i + 1));
    ASSERT_EQ(probe::childNames(entry), std::vector<std::string>{"ldapServerName"}) << i;
    const IReport& name = *probe::find(entry, "ldapServerName");
    EXPECT_FALSE(name.isSuccess());
    EXPECT_STREQ(name.getErrorText().getData(), "User Input Value Is InValid");
  }
  EXPECT_EQ(probe::find(observed.servers(), "ldapServer", 4), nullptr);
  EXPECT_TRUE(machine.directory().calls().empty());
}

TEST(LdapObservation, NoLdapClient) {
  // Windows 95 and NT 4 without the directory client add-on: each server is
  // named, and without a client no anonymous login can be made.
  ScenarioDirectory machine("[missing]\nwldap32.dll\n");
  Observed observed("ldap.corp.example\tldap.corp.example:3268");
  for (unsigned int i = 0; i < 2; ++i) {
    const IReport& entry = observed.entry(i);
    EXPECT_EQ(probe::childNames(entry),
              (std::vector<std::string>{"ldapServerName", "ldapPort", "anonymousLogin"}));
    EXPECT_EQ(probe::text(entry, "anonymousLogin"), "notSupport");
  }
  EXPECT_EQ(probe::number(observed.entry(1), "ldapPort"), 3268);
  EXPECT_EQ(machine.directory().calls(), (std::vector<std::string>{"ldap_open ldap.corp.example 389",
                                                                   "ldap_open ldap.corp.example 3268"}));
}

// ---- against the fixture's servers

class LdapServers : public ::testing::Test {
 protected:
  void SetUp() override { NOX_REQUIRE_SLAPD(servers_); }
  SlapdServers servers_ = SlapdServers::load();
};

TEST_F(LdapServers, TheModuleReportsEachServer) {
  HMODULE module = LoadLibraryA("LDAP.nxo");
  ASSERT_NE(module, nullptr) << "LDAP.nxo beside the test program";
  noxPluginExport<NoxInitializePluginFunction>(module, NOX_EXPORT_INITIALIZE_PLUGIN)();
  IObservation* root = noxPluginExport<NoxGetObservationFunction>(module, NOX_EXPORT_GET_OBSERVATION)();
  IPluginInformation* information =
      noxPluginExport<NoxGetPluginInformationFunction>(module, NOX_EXPORT_GET_PLUGIN_INFORMATION)();
  EXPECT_EQ(information->getID(), 34);
  EXPECT_STREQ(information->getName().getData(), "LDAP Plugin");
  EXPECT_EQ(information->getVersion(), 2);

  std::string targets = servers_.domain + "\t" + servers_.domain + ":" + servers_.domainPort + "\t" +
                        servers_.refusing + ":389\t" + servers_.plain + "\t" + servers_.down + "\tbad:1:2\t";
  root->getConfigrations().getItem(0).getConfigrationEntries().getItem(0).setValue(targets.c_str());
  Report& report = static_cast<Report&>(root->createReport());
  const IReport& servers = *probe::find(*probe::find(report, "ldapServer"), "ldapServers");
  EXPECT_EQ(probe::number(*probe::find(report, "ldapServer"), "ldapServers"), 7);

  struct Expected {
    std::string host;
    int port;
    const char* anonymous;
  } expected[] = {
      {servers_.domain, 389, "support"},      {servers_.domain, std::stoi(servers_.domainPort), "support"},
      {servers_.refusing, 389, "notSupport"}, {servers_.plain, 389, "support"},
      {servers_.down, 389, "notSupport"},
  };
  for (unsigned int i = 0; i < 5; ++i) {
    SCOPED_TRACE("server " + std::to_string(i + 1) + " " + expected[i].host);
    const IReport& entry = *probe::find(servers, "ldapServer", i);
    EXPECT_EQ(probe::attribute(entry, "index"), std::to_string(i + 1));
    EXPECT_EQ(probe::text(entry, "ldapServerName"), expected[i].host);
    EXPECT_EQ(probe::number(entry, "ldapPort"), expected[i].port);
    EXPECT_EQ(probe::text(entry, "anonymousLogin"), expected[i].anonymous);
  }

  // The domain server on either port: its base DN and every attribute of its root entry.
  for (unsigned int i = 0; i < 2; ++i) {
    const IReport& entry = *probe::find(servers, "ldapServer", i);
    EXPECT_EQ(probe::childNames(entry), (std::vector<std::string>{"ldapServerName", "ldapPort",
                                                                  "anonymousLogin", "baseDN", "rootSchema"}));
    EXPECT_EQ(probe::text(entry, "baseDN"), "DC=nox,DC=test");
    EXPECT_EQ(schemaOf(*probe::find(entry, "rootSchema")), domainRootEntry());
  }
  // Anonymous logins refused, or nobody there: nothing more.
  for (unsigned int i : {2u, 4u}) {
    EXPECT_EQ(probe::childNames(*probe::find(servers, "ldapServer", i)),
              (std::vector<std::string>{"ldapServerName", "ldapPort", "anonymousLogin"}));
  }
  // No domain controller: the base DN fails with (0), the root entry is still listed.
  const IReport& plain = *probe::find(servers, "ldapServer", 3);
  const IReport& baseDn = *probe::find(plain, "baseDN");
  EXPECT_FALSE(baseDn.isSuccess());
  EXPECT_STREQ(baseDn.getErrorText().getData(), "Get BaseDN Failed (0)");
  EXPECT_EQ(schemaOf(*probe::find(plain, "rootSchema")), (Schema{{"objectClass", "top,OpenLDAProotDSE"}}));
  // The sixth specification is invalid; the trailing TAB gives no seventh entry.
  EXPECT_FALSE(probe::find(*probe::find(servers, "ldapServer", 5), "ldapServerName")->isSuccess());
  EXPECT_EQ(probe::find(servers, "ldapServer", 6), nullptr);

  delete &report;
  noxPluginExport<NoxUninitializePluginFunction>(module, NOX_EXPORT_UNINITIALIZE_PLUGIN)();
  FreeLibrary(module);
}

TEST_F(LdapServers, ConnectionsAndResultsAreReleased) {
  ScenarioDirectory machine("");
  Observed observed(servers_.domain + "\t" + servers_.refusing + "\t" + servers_.plain + "\t" +
                    servers_.down);
  EXPECT_EQ(schemaOf(*probe::find(observed.entry(0), "rootSchema")), domainRootEntry());
  int opened = 0, unbound = 0;
  for (const std::string& call : machine.directory().calls()) {
    opened += call.rfind("ldap_open ", 0) == 0;
    unbound += call == "ldap_unbind";
  }
  EXPECT_EQ(opened, 4);
  EXPECT_EQ(unbound, 4) << "every connection the client gave is closed once, refused or not";
  EXPECT_EQ(machine.directory().openConnections(), 0);
  EXPECT_EQ(machine.directory().searchResults(), 0);
}

TEST_F(LdapServers, FailuresTheServerCannotShow) {
  {
    SCOPED_TRACE("no connection (Windows, where nothing answers)");
    ScenarioDirectory machine("[ldap]\nopen = fail\n");
    Observed observed(servers_.domain);
    EXPECT_EQ(probe::text(observed.entry(0), "anonymousLogin"), "notSupport");
    EXPECT_EQ(probe::childNames(observed.entry(0)).size(), 3u);
  }
  {
    SCOPED_TRACE("the root entry cannot be read");
    ScenarioDirectory machine("[ldap]\nsearchError = 80\n");
    Observed observed(servers_.domain);
    const IReport& entry = observed.entry(0);
    EXPECT_EQ(probe::childNames(entry),
              (std::vector<std::string>{"ldapServerName", "ldapPort", "anonymousLogin", "baseDN"}));
    EXPECT_FALSE(probe::find(entry, "baseDN")->isSuccess());
    EXPECT_STREQ(probe::find(entry, "baseDN")->getErrorText().getData(), "LDAP Search Failed (80)");
    EXPECT_EQ(machine.directory().searchResults(), 0) << "the result of a failed search is freed";
    EXPECT_EQ(machine.directory().openConnections(), 0);
  }
  {
    SCOPED_TRACE("the entries cannot be counted");
    ScenarioDirectory machine("[ldap]\ncountError = 89\n");
    Observed observed(servers_.domain);
    const IReport& entry = observed.entry(0);
    EXPECT_EQ(probe::text(entry, "baseDN"), "DC=nox,DC=test");
    const IReport& schema = *probe::find(entry, "rootSchema");
    EXPECT_FALSE(schema.isSuccess());
    EXPECT_STREQ(schema.getErrorText().getData(), "Count Entries Failed (89)");
    EXPECT_TRUE(probe::childNames(schema).empty());
    EXPECT_EQ(machine.directory().searchResults(), 0);
  }
}

}  // namespace
