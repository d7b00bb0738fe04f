// UserTally: recorded domains for the controller's account lists (Wine has no
// controller), the paging rules against answers that never end, and the
// counting against Wine's own NetQueryDisplayInformation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RecordedDirectory.h"
#include "ReportProbe.h"
#include "Scenario.h"
#include "UserTallyObservations.h"

namespace {

using Names = std::vector<std::string>;

struct Tally {
  explicit Tally(std::unique_ptr<RecordedPlatform> machine) : directory(std::move(machine)) {
    report = &static_cast<Report&>(root.createReport());
  }
  explicit Tally(const std::string& text) : Tally(RecordedPlatform::fromText(text)) {}
  ~Tally() {
    delete report;
    EXPECT_EQ(directory.directory().netBuffers(), 0) << "every page freed";
  }
  const IReport& userTally() const { return *probe::find(*report, "userTally"); }
  // The display-information requests, in order.
  Names requests() {
    Names list;
    for (const std::string& call : directory.directory().calls()) {
      if (call.rfind("NetQueryDisplayInformation", 0) == 0) list.push_back(call);
    }
    return list;
  }

  ScenarioDirectory directory;
  usertally::UserTallyRoot root;
  Report* report = nullptr;
};

const char kDomain[] = "[domain]\npdc = \\\\PDC01\n";

TEST(UserTally, UsersAndGroupsOfTheDomain) {
  Tally tally(std::string(kDomain) +
              "[display users]\ncount = 250\nmsPerCall = 15\n[display groups]\ncount = 120\nmsPerCall = 4\n");
  EXPECT_STREQ(tally.report->getName().getData(), "domainUser");
  const IReport& userTally = tally.userTally();
  EXPECT_TRUE(userTally.isSuccess());
  EXPECT_EQ(probe::childNames(userTally), (Names{"user", "group"}));
  const IReport& users = *probe::find(userTally, "user");
  EXPECT_EQ(probe::childNames(users), (Names{"count", "accesstime(ms)"}));
  EXPECT_EQ(probe::number(users, "count"), 250);
  EXPECT_EQ(probe::number(users, "accesstime(ms)"), 45) << "three requests of 15 ms";
  const IReport& groups = *probe::find(userTally, "group");
  EXPECT_EQ(probe::number(groups, "count"), 120);
  EXPECT_EQ(probe::number(groups, "accesstime(ms)"), 8);

  // 100, 100 and 50 users, each request from the next index the last entry gave.
  EXPECT_EQ(tally.requests(),
            (Names{
                "NetQueryDisplayInformation \\\\PDC01 level 1 index 0 entries 100 max 0xffffffff",
                "NetQueryDisplayInformation \\\\PDC01 level 1 index 1100 entries 100 max 0xffffffff",
                "NetQueryDisplayInformation \\\\PDC01 level 1 index 1200 entries 100 max 0xffffffff",
                "NetQueryDisplayInformation \\\\PDC01 level 3 index 0 entries 100 max 0xffffffff",
                "NetQueryDisplayInformation \\\\PDC01 level 3 index 1100 entries 100 max 0xffffffff",
            }));
}

TEST(UserTally, SmallPagesAndAnEmptyDomain) {
  Tally tally(std::string(kDomain) +
              "[display users]\ncount = 250\npage = 40\n[display groups]\ncount = 0\n");
  EXPECT_EQ(probe::number(*probe::find(tally.userTally(), "user"), "count"), 250);
  EXPECT_EQ(probe::number(*probe::find(tally.userTally(), "group"), "count"), 0);
  EXPECT_EQ(tally.requests().size(), 7u + 1u) << "seven pages of users, one empty answer for groups";
}

TEST(UserTally, CountsThatFail) {
  struct Row {
    const char* lists;
    const char* users;   // the user count, or "!error"
    const char* groups;  // the group count, or "!error"
    size_t requests;
  } rows[] = {
      // The group count fails: the users and their time are still there.
      {"[display users]\ncount = 3\n[display groups]\nfail = 5\n", "3",
       "!Failed to count users. (0x00000005)", 2},
      // The second page fails.
      {"[display users]\ncount = 250\nfail = 1722\nfailAt = 2\n", "!Failed to count users. (0x000006ba)", "0",
       3},
      // "More data" with nothing in it, for ever: one request, then the count ends.
      {"[display users]\nstall = yes\n", "!Failed to count users. (0x000000ea)", "0", 2},
      // Every next index is 0, as Wine gives them: back at the start, the count ends.
      {"[display users]\ncount = 250\nloop = yes\n", "!Failed to count users. (0x000000ea)", "0", 2},
      // Wine's answer for levels 2 and 3: success, output arguments untouched.
      {"[display users]\ncount = 7\n[display groups]\nuntouched = yes\n", "7", "0", 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.lists);
    Tally tally(std::string(kDomain) + row.lists);
    for (const auto& [name, expected] : {std::pair<const char*, std::string>{"user", row.users},
                                         std::pair<const char*, std::string>{"group", row.groups}}) {
      const IReport& list = *probe::find(tally.userTally(), name);
      if (expected[0] == '!') {
        EXPECT_EQ(probe::error(probe::find(list, "count")), expected.substr(1)) << name;
        EXPECT_EQ(probe::childNames(list), (Names{"count"})) << name << ": no time for a failed count";
      } else {
        EXPECT_EQ(probe::number(list, "count"), std::stoi(expected)) << name;
        EXPECT_EQ(probe::childNames(list), (Names{"count", "accesstime(ms)"})) << name;
      }
    }
    EXPECT_EQ(tally.requests().size(), row.requests);
  }
}

TEST(UserTally, NoController) {
  struct Row {
    const char* scenario;
    const char* error;
  } rows[] = {
      {"workgroup", " Failed to get PDC's name (0x00000995)"},
      {"win95-network", " Failed to get PDC's name (0x0000007f)"},
  };
  for (const Row& row : rows) {
    Tally tally(loadScenario(row.scenario));
    EXPECT_EQ(probe::error(&tally.userTally()), row.error) << row.scenario;
    EXPECT_TRUE(probe::childNames(tally.userTally()).empty()) << row.scenario;
    EXPECT_TRUE(tally.requests().empty());
  }
}

TEST(UserTally, DomainMemberMachines) {
  struct Row {
    const char* scenario;
    long long users;
    long long groups;
  } rows[] = {{"domain-member", 250, 120}, {"nt4-domain", 42, 7}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.scenario);
    Tally tally(loadScenario(row.scenario));
    EXPECT_EQ(probe::number(*probe::find(tally.userTally(), "user"), "count"), row.users);
    EXPECT_EQ(probe::number(*probe::find(tally.userTally(), "group"), "count"), row.groups);
  }
}

// ---- Wine's own NetQueryDisplayInformation, on this computer

TEST(UserTallyUnderWine, CountsThisComputer) {
  unsigned long users = 0, groups = 99;
  EXPECT_EQ(usertally::countEntries(DirectoryApi::real(), nullptr, 1, users), 0u);
  EXPECT_GE(users, 2u) << "at least Administrator and Guest";
  // Wine gives success and no buffer for the groups: an empty page, no crash.
  EXPECT_EQ(usertally::countEntries(DirectoryApi::real(), nullptr, 3, groups), 0u);
  if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")) {
    EXPECT_EQ(groups, 0u);
  }
}

TEST(UserTallyModule, ThisMachine) {
  HMODULE module = LoadLibraryA("UserTally.nxo");
  ASSERT_NE(module, nullptr) << "UserTally.nxo beside the test program";
  noxPluginExport<NoxInitializePluginFunction>(module, NOX_EXPORT_INITIALIZE_PLUGIN)();
  IPluginInformation* information =
      noxPluginExport<NoxGetPluginInformationFunction>(module, NOX_EXPORT_GET_PLUGIN_INFORMATION)();
  EXPECT_EQ(information->getID(), 18);
  EXPECT_STREQ(information->getName().getData(), "UserTally Plugin");
  IObservation* root = noxPluginExport<NoxGetObservationFunction>(module, NOX_EXPORT_GET_OBSERVATION)();
  Report& report = static_cast<Report&>(root->createReport());
  EXPECT_STREQ(report.getName().getData(), "domainUser");
  const IReport& userTally = *probe::find(report, "userTally");
  if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")) {
    // Wine's NetGetDCName finds no controller.
    EXPECT_EQ(probe::error(&userTally), " Failed to get PDC's name (0x00000995)");
    EXPECT_TRUE(probe::childNames(userTally).empty());
  }
  delete &report;
  noxPluginExport<NoxUninitializePluginFunction>(module, NOX_EXPORT_UNINITIALIZE_PLUGIN)();
  FreeLibrary(module);
}

}  // namespace
