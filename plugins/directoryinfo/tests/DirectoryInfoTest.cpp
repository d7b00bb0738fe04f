// DirectoryInfo: recorded machines name the domain controller (Wine's
// NetGetDCName finds none) at the address of a server of the slapd_directory
// fixture, and the LDAP side runs against that real server through Wine's
// LDAP client.
//
// Known Wine gap: Wine's ldap_bind_s refuses the NTLM method (LDAP_PARAM_ERROR),
// and slapd does not speak NTLM either. The recorded machines therefore answer
// the NTLM bind with a simple bind of the user's entry and the password taken
// from the credentials the plug-in built ("ntlm" of RecordedDirectory), so a
// wrong user, domain or password still fails at the real server.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DirectoryInfoObservations.h"
#include "RecordedDirectory.h"
#include "ReportProbe.h"
#include "Scenario.h"
#include "SlapdServers.h"

namespace {

using Names = std::vector<std::string>;

// A domain member whose controller is `controller`, logging in as `user`.
std::string member(const std::string& controller,
                   const std::string& userEntries = "CN=%s,CN=Users,DC=nox,DC=test") {
  return "[lsa]\ndomain = NOX\nsid = yes\n[domain]\npdc = \\\\" + controller +
         "\n[ldap]\ndomain = NOX\nntlm = " + userEntries + "\n";
}

// The directoryInfo report of a recorded machine, with its leak checks.
struct Directory {
  Directory(std::unique_ptr<RecordedPlatform> machine, const std::string& user, const std::string& password)
      : recorded(std::move(machine)) {
    IConfigrationEntries& entries = root.getConfigrationsImpl().getItem(0).getConfigrationEntries();
    entries.getItem(0).setValue(user.c_str());
    entries.getItem(1).setValue(password.c_str());
    report = &static_cast<Report&>(root.createReport());
  }
  Directory(const std::string& text, const std::string& user = "alice",
            const std::string& password = "Wonderland-1")
      : Directory(RecordedPlatform::fromText(text), user, password) {}
  ~Directory() {
    delete report;
    EXPECT_EQ(recorded.directory().openConnections(), 0) << "the connection is closed";
    EXPECT_EQ(recorded.directory().searchResults(), 0) << "every search result is freed";
    EXPECT_EQ(recorded.directory().netBuffers(), 0);
    EXPECT_EQ(recorded.machine().openHandles() + recorded.machine().lsaBuffers(), 0);
  }
  const IReport& section(const char* name) const { return *probe::find(*report, name); }
  int unbinds() const { return recorded.directory().callsLike("ldap_unbind"); }
  bool called(const std::string& line) const { return recorded.directory().callsLike(line) > 0; }

  ScenarioDirectory recorded;
  directoryinfo::DirectoryInfoRoot root;
  Report* report = nullptr;
};

// One computer node as "computerName|dnsHostName|os|osVersion" of the children it has.
std::string computer(const IReport& node) {
  std::string text;
  for (const std::string& name : probe::childNames(node))
    text += (text.empty() ? "" : "|") + probe::text(node, name);
  return text;
}

// Every report failed with `error`; rootSchema has serverName and portNumber
// unless no controller was found.
void expectFailedWith(Directory& directory, const std::string& error, const std::string& server) {
  for (const char* name : {"rootSchema", "domainControllers", "memberComputer"}) {
    EXPECT_EQ(probe::error(&directory.section(name)), error) << name;
  }
  const IReport& rootSchema = directory.section("rootSchema");
  if (server.empty()) {
    EXPECT_TRUE(probe::childNames(rootSchema).empty());
  } else {
    EXPECT_EQ(probe::childNames(rootSchema), (Names{"serverName", "portNumber"}));
    EXPECT_EQ(probe::text(rootSchema, "serverName"), server);
    EXPECT_EQ(probe::number(rootSchema, "portNumber"), 389);
  }
  EXPECT_TRUE(probe::childNames(directory.section("domainControllers")).empty());
  EXPECT_TRUE(probe::childNames(directory.section("memberComputer")).empty());
}

TEST(DirectoryInfo, FormAndTree) {
  directoryinfo::DirectoryInfoRoot root;
  ASSERT_EQ(root.getConfigrations().getCount(), 1u);
  IConfigration& form = root.getConfigrations().getItem(0);
  EXPECT_STREQ(form.getTitle().getData(), "DirectoryInfo Information");
  EXPECT_EQ(form.getType(), IConfigration::CONFIG_TYPE_OPTION);
  ASSERT_EQ(form.getConfigrationEntries().getCount(), 2u);
  EXPECT_STREQ(form.getConfigrationEntries().getItem(0).getName().getData(), "username");
  EXPECT_EQ(form.getConfigrationEntries().getItem(0).getType(), IConfigrationEntry::ENTRY_TEXT);
  EXPECT_STREQ(form.getConfigrationEntries().getItem(1).getName().getData(), "password");
  EXPECT_EQ(form.getConfigrationEntries().getItem(1).getType(), IConfigrationEntry::ENTRY_PASSWORD);
  EXPECT_EQ(root.getSubObservations().getCount(), 3u);
}

TEST(DirectoryInfo, NoControllerOrNoDomain) {
  {
    SCOPED_TRACE("a workgroup computer: no controller");
    Directory directory(loadScenario("workgroup"), "alice", "x");
    EXPECT_STREQ(directory.report->getName().getData(), "directoryInfo");
    EXPECT_TRUE(directory.report->isSuccess()) << "the root report carries no error";
    EXPECT_EQ(probe::childNames(*directory.report),
              (Names{"rootSchema", "domainControllers", "memberComputer"}));
    expectFailedWith(directory, "Getpdc Failed", "");
  }
  struct Row {
    const char* lsa;
    const char* why;
  } rows[] = {
      {"[lsa]\ndomain = WORKGROUP\n", "the primary domain has no SID"},
      {"[lsa]\nopen = fail\n", "the policy cannot be opened"},
      {"[lsa]\nquery = fail\n", "the primary domain cannot be read"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    // A controller name with its leading backslashes is reported without them.
    Directory directory(std::string(row.lsa) + "[domain]\npdc = \\\\DC01\n");
    expectFailedWith(directory, "Getdomainname Failed", "DC01");
    EXPECT_TRUE(directory.recorded.directory().calls().size() == 1) << "nothing asked after NetGetDCName";
  }
}

TEST(DirectoryInfo, OlderWindows) {
  {
    SCOPED_TRACE("Windows NT 4 in its domain: no LDAP client to open a connection with");
    Directory directory(loadScenario("nt4-domain"), "alice", "x");
    expectFailedWith(directory, "Ldapopen Failed", "CORPDC");
    EXPECT_EQ(directory.unbinds(), 0) << "nothing to close";
  }
  {
    SCOPED_TRACE("Windows 95: no network management to find a controller with");
    Directory directory(loadScenario("win95-network"), "alice", "x");
    expectFailedWith(directory, "Getpdc Failed", "");
  }
}

// ---- the module under Wine

TEST(DirectoryInfoModule, ThisMachine) {
  HMODULE module = LoadLibraryA("DirectoryInfo.nxo");
  ASSERT_NE(module, nullptr) << "DirectoryInfo.nxo beside the test program";
  noxPluginExport<NoxInitializePluginFunction>(module, NOX_EXPORT_INITIALIZE_PLUGIN)();
  IPluginInformation* information =
      noxPluginExport<NoxGetPluginInformationFunction>(module, NOX_EXPORT_GET_PLUGIN_INFORMATION)();
  EXPECT_EQ(information->getID(), 17);
  EXPECT_STREQ(information->getName().getData(), "DirectoryInfo Plugin");
  EXPECT_EQ(information->getVersion(), 2);
  IObservation* root = noxPluginExport<NoxGetObservationFunction>(module, NOX_EXPORT_GET_OBSERVATION)();
  Report& report = static_cast<Report&>(root->createReport());
  EXPECT_STREQ(report.getName().getData(), "directoryInfo");
  EXPECT_EQ(probe::childNames(report), (Names{"rootSchema", "domainControllers", "memberComputer"}));
  if (runningUnderWine()) {
    // Wine's NetGetDCName finds no controller: every part says so.
    for (const char* name : {"rootSchema", "domainControllers", "memberComputer"}) {
      EXPECT_EQ(probe::error(probe::find(report, name)), "Getpdc Failed") << name;
      EXPECT_TRUE(probe::childNames(*probe::find(report, name)).empty()) << name;
    }
  }
  delete &report;
  noxPluginExport<NoxUninitializePluginFunction>(module, NOX_EXPORT_UNINITIALIZE_PLUGIN)();
  FreeLibrary(module);
}

// ---- against the fixture's servers

class DirectoryServers : public ::testing::Test {
 protected:
  void SetUp() override { NOX_REQUIRE_SLAPD(servers_); }
  SlapdServers servers_ = SlapdServers::load();
};

TEST_F(DirectoryServers, TheDomainsDirectory) {
  Directory directory(member(servers_.domain));
  EXPECT_TRUE(directory.called("ldap_open " + servers_.domain + " 389"));
  EXPECT_TRUE(directory.called("ldap_bind_s NTLM NOX\\alice"))
      << "user, domain and password of the credentials";

  const IReport& rootSchema = directory.section("rootSchema");
  EXPECT_TRUE(rootSchema.isSuccess());
  EXPECT_EQ(probe::childNames(rootSchema), (Names{"serverName", "portNumber", "baseDN", "rootSchema"}));
  EXPECT_EQ(probe::text(rootSchema, "serverName"), servers_.domain);
  EXPECT_EQ(probe::number(rootSchema, "portNumber"), 389);
  EXPECT_EQ(probe::text(rootSchema, "baseDN"), "DC=nox,DC=test");
  EXPECT_EQ(schemaOf(*probe::find(rootSchema, "rootSchema")), domainRootEntry());

  // Two controllers with the four mapped attributes only (not sAMAccountName,
  // operatingSystemServicePack or description).
  EXPECT_TRUE(
      directory.called("ldap_search_s \"OU=Domain Controllers,DC=nox,DC=test\" 2 (objectClass=computer)"));
  const IReport& dcs = directory.section("domainControllers");
  EXPECT_EQ(probe::number(dcs, "domainControllers"), 2);
  const IReport& dcList = *probe::find(dcs, "domainControllers");
  EXPECT_EQ(probe::attribute(*probe::find(dcList, "domainController", 0), "index"), "1");
  EXPECT_EQ(probe::attribute(*probe::find(dcList, "domainController", 1), "index"), "2");
  EXPECT_EQ(probe::childNames(*probe::find(dcList, "domainController", 0)),
            (Names{"computerName", "dnsHostName", "os", "osVersion"}));
  EXPECT_EQ(computer(*probe::find(dcList, "domainController", 0)),
            "DC01|dc01.nox.test|Windows Server 2008 R2 Enterprise|6.1 (7601)");
  EXPECT_EQ(computer(*probe::find(dcList, "domainController", 1)),
            "DC02|dc02.nox.test|Windows Server 2003|5.2 (3790)");

  // Everything below CN=Computers, the container itself included; a name
  // outside ASCII arrives in the ANSI code page.
  EXPECT_TRUE(directory.called("ldap_search_s \"CN=Computers,DC=nox,DC=test\" 2 (objectClass=*)"));
  const IReport& members = directory.section("memberComputer");
  EXPECT_EQ(probe::number(members, "computers"), 3);
  const IReport& list = *probe::find(members, "computers");
  EXPECT_EQ(computer(*probe::find(list, "computer", 0)), "Computers");
  EXPECT_EQ(computer(*probe::find(list, "computer", 1)),
            "PC0001|pc0001.nox.test|Windows XP Professional|5.1 (2600)");
  EXPECT_EQ(computer(*probe::find(list, "computer", 2)),
            inAnsiCodePage(L"M\u00fcller-PC") + "|mueller-pc.nox.test|Windows 7 Professional|6.1 (7601)");
  EXPECT_EQ(probe::attribute(*probe::find(list, "computer", 2), "index"), "3");

  EXPECT_EQ(directory.unbinds(), 1) << "closed once, by the last sub-observation";
}

TEST_F(DirectoryServers, LoginsTheServerRefuses) {
  struct Row {
    const char* user;
    const char* password;
    const char* domain;
  } rows[] = {
      {"alice", "wrong", "NOX"},           // wrong password
      {"mallory", "Wonderland-1", "NOX"},  // no such user
      {"alice", "Wonderland-1", "OTHER"},  // a domain the server does not know
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.user) + " " + row.domain);
    std::string text = member(servers_.domain);
    text.replace(text.find("NOX"), 3, row.domain);
    Directory directory(text, row.user, row.password);
    expectFailedWith(directory, "Ldapbind Failed", servers_.domain);
    EXPECT_EQ(directory.unbinds(), 1);
  }
}

TEST_F(DirectoryServers, ServerDown) {
  {
    SCOPED_TRACE("nothing listens at the controller's address");
    Directory directory(member(servers_.down));
    // Windows' ldap_open connects at once and fails; Wine's connects at the bind.
    expectFailedWith(directory, runningUnderWine() ? "Ldapbind Failed" : "Ldapopen Failed", servers_.down);
  }
  {
    SCOPED_TRACE("no connection, as Windows answers");
    Directory directory(member(servers_.down) + "open = fail\n");
    expectFailedWith(directory, "Ldapopen Failed", servers_.down);
    EXPECT_EQ(directory.unbinds(), 0) << "nothing to close";
  }
}

TEST_F(DirectoryServers, AnEmptyDomain) {
  // Logins required for every search; no controllers; no Computers container.
  Directory directory(member(servers_.refusing, "CN=%s,CN=Users,DC=empty,DC=test"), "carol",
                      "Empty-Domain-2");
  const IReport& rootSchema = directory.section("rootSchema");
  EXPECT_EQ(probe::text(rootSchema, "baseDN"), "DC=empty,DC=test");
  EXPECT_EQ(schemaOf(*probe::find(rootSchema, "rootSchema")),
            (Schema{{"objectClass", "top,OpenLDAProotDSE,adRootDSE"},
                    {"defaultNamingContext", "DC=empty,DC=test"}}));
  EXPECT_EQ(probe::number(directory.section("domainControllers"), "domainControllers"), 0);
  EXPECT_TRUE(
      probe::childNames(*probe::find(directory.section("domainControllers"), "domainControllers")).empty());
  const IReport& members = directory.section("memberComputer");
  EXPECT_EQ(probe::error(&members), "LDAP Search Failed (32)") << "no such object";
  EXPECT_TRUE(probe::childNames(members).empty());
}

TEST_F(DirectoryServers, NoDefaultNamingContext) {
  Directory directory(member(servers_.plain, "CN=%s,DC=plain,DC=test"), "admin", "Plain-Admin-3");
  expectFailedWith(directory, "GetbaseDN Failed", servers_.plain);
}

TEST_F(DirectoryServers, FailuresTheServerCannotShow) {
  {
    SCOPED_TRACE("the root entry cannot be read");
    Directory directory(member(servers_.domain) + "searchError = 80\n");
    expectFailedWith(directory, "Getrootschem Failed", servers_.domain);
  }
  {
    SCOPED_TRACE("the entries cannot be counted");
    Directory directory(member(servers_.domain) + "countError = 89\n");
    const IReport& rootSchema = directory.section("rootSchema");
    EXPECT_EQ(probe::error(&rootSchema), "Count Entries Failed (89)");
    EXPECT_EQ(probe::childNames(rootSchema), (Names{"serverName", "portNumber", "baseDN", "rootSchema"}));
    for (const char* name : {"domainControllers", "memberComputer"}) {
      const IReport& section = directory.section(name);
      EXPECT_TRUE(section.isSuccess()) << name;
      const IReport& list = *probe::find(section, name == std::string("memberComputer") ? "computers" : name);
      EXPECT_EQ(probe::error(&list), "Count Entries Failed (89)") << name;
      EXPECT_TRUE(probe::childNames(list).empty()) << name;
    }
  }
}

TEST_F(DirectoryServers, EachReportClosesItsConnection) {
  Directory directory(member(servers_.domain));
  for (int again = 0; again < 2; ++again) {
    Report& report = static_cast<Report&>(directory.root.createReport());
    EXPECT_EQ(probe::number(*probe::find(report, "domainControllers"), "domainControllers"), 2);
    delete &report;
  }
  EXPECT_EQ(directory.unbinds(), 3) << "one per report";
}

TEST_F(DirectoryServers, WineGapNtlmBind) {
  // The real client, no stand-in: Wine refuses the method before it asks the server.
  DirectoryApi& api = DirectoryApi::real();
  LDAP* ld = api.ldap_open(const_cast<PCHAR>(servers_.domain.c_str()), 389);
  ASSERT_NE(ld, nullptr);
  std::wstring user = L"alice", domain = L"NOX", password = L"Wonderland-1";
  SEC_WINNT_AUTH_IDENTITY_W identity = {reinterpret_cast<unsigned short*>(&user[0]),
                                        5,
                                        reinterpret_cast<unsigned short*>(&domain[0]),
                                        3,
                                        reinterpret_cast<unsigned short*>(&password[0]),
                                        12,
                                        SEC_WINNT_AUTH_IDENTITY_UNICODE};
  ULONG result = api.ldap_bind_s(ld, nullptr, reinterpret_cast<PCHAR>(&identity), LDAP_AUTH_NTLM);
  api.ldap_unbind(ld);
  if (runningUnderWine()) {
    EXPECT_EQ(result, static_cast<ULONG>(LDAP_PARAM_ERROR))
        << "Wine's LDAP client now answers NTLM binds: the stand-in of these tests may no longer be needed";
  }
}

}  // namespace
