// SNMP.nxo loaded for real under Wine; its VarnelApi.dll broadcasts to the two
// Net-SNMP agents of the loopback-network fixture. What the report says of the
// full agent is checked against what snmpwalk read from it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "LoopbackNetwork.h"
#include "ReportProbe.h"
#include "nox/testing/LoadedPlugin.h"

namespace {

// snmpwalk -On -Oq -Ox lines: ".OID value", in walk order.
std::vector<std::pair<std::string, std::string>> readWalk(const std::string& path) {
  std::vector<std::pair<std::string, std::string>> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    const size_t space = line.find(' ');
    if (line.empty() || line[0] != '.' || space == std::string::npos) continue;
    lines.emplace_back(line.substr(1, space - 1), line.substr(space + 1));
  }
  return lines;
}

bool startsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// "76 55 F8 06 EC 74 " (quoted) as the report writes it: "76-55-f8-06-ec-74".
std::string macText(std::string quoted) {
  quoted.erase(std::remove(quoted.begin(), quoted.end(), '"'), quoted.end());
  std::istringstream in(quoted);
  std::string text;
  for (std::string pair; in >> pair;) {
    std::transform(pair.begin(), pair.end(), pair.begin(), [](unsigned char c) { return std::tolower(c); });
    text += (text.empty() ? "" : "-") + pair;
  }
  return text;
}

struct Interface {
  std::string index;
  long long speed = 0;
  std::string mac;
  std::string addresses;
};

// The interfaces the report should list, from an independent client's walk.
std::vector<Interface> expectedInterfaces(const std::vector<std::pair<std::string, std::string>>& walk) {
  std::map<std::string, std::string> value(walk.begin(), walk.end());
  std::vector<Interface> interfaces;
  for (const auto& [oid, index] : walk) {
    if (!startsWith(oid, "1.3.6.1.2.1.2.2.1.1.")) continue;
    Interface i;
    i.index = index;
    i.speed = static_cast<int>(std::stoul(value["1.3.6.1.2.1.2.2.1.5." + index]));
    i.mac = macText(value["1.3.6.1.2.1.2.2.1.6." + index]);
    for (const auto& [ipOid, ifIndex] : walk) {
      if (!startsWith(ipOid, "1.3.6.1.2.1.4.20.1.2.") || ifIndex != index) continue;
      i.addresses += (i.addresses.empty() ? "" : ",") + value["1.3.6.1.2.1.4.20.1.1." + ipOid.substr(21)];
    }
    interfaces.push_back(i);
  }
  return interfaces;
}

class SnmpModule : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!network_.snmpMissing().empty()) GTEST_SKIP() << network_.snmpMissing();
    network_.configureLibrary(network_.restrictedAgent() + "," + network_.fullAgent());
    ASSERT_NE(plugin_.module(), nullptr) << "SNMP.nxo and VarnelApi.dll beside the test program";
  }
  IObservation& root() { return *plugin_.observation(); }
  // The report with `community` in the form; the caller deletes it.
  Report* report(const char* community) {
    root().getConfigrations().getItem(0).getConfigrationEntries().getItem(0).setValue(community);
    return static_cast<Report*>(&root().createReport());
  }
  LoopbackNetwork network_;
  nox_testing::LoadedPlugin plugin_{"SNMP.nxo"};
};

TEST_F(SnmpModule, IdentityAndForm) {
  IPluginInformation* information = plugin_.information();
  ASSERT_NE(information, nullptr);
  EXPECT_EQ(information->getID(), 35u);
  EXPECT_STREQ(information->getName().getData(), "SNMP Plugin");
  EXPECT_EQ(information->getVersion(), 2u);
  ASSERT_EQ(root().getConfigrations().getCount(), 1u);
  IConfigration& form = root().getConfigrations().getItem(0);
  EXPECT_STREQ(form.getTitle().getData(), "SNMP information");
  EXPECT_EQ(form.getType(), IConfigration::CONFIG_TYPE_OPTION);
  IConfigrationEntry& field = form.getConfigrationEntries().getItem(0);
  EXPECT_STREQ(field.getName().getData(), "Read Community name");
  EXPECT_EQ(field.getType(), IConfigrationEntry::ENTRY_TEXT);
  EXPECT_STREQ(field.getValue().getData(), "quartz");
}

TEST_F(SnmpModule, ReportsTheAgentsThatAnswerAsTheyAre) {
  std::unique_ptr<Report> report(this->report("quartz"));
  const IReport& information = *probe::find(*report, "snmpInformation");
  ASSERT_TRUE(information.isSuccess()) << information.getErrorText().getData();
  // The restricted agent answers sysDescr with noSuchObject: its record is skipped.
  ASSERT_EQ(probe::childNames(information), std::vector<std::string>{"host"});
  const IReport& host = *probe::find(information, "host");
  EXPECT_EQ(probe::attribute(host, "index"), "2");
  const IReport& system = *probe::find(host, "systemInformation");
  EXPECT_EQ(probe::text(system, "ipAddress"), network_.fullAgent());
  EXPECT_EQ(probe::text(system, "description"), "NoxInfo full agent on loopback");
  EXPECT_TRUE(std::regex_match(probe::text(system, "systemUpTime"),
                               std::regex("0 days 0 hours [0-9]+ minutes [0-9]+ seconds")))
      << probe::text(system, "systemUpTime");

  const std::vector<std::pair<std::string, std::string>> walk = readWalk(network_.value("walk"));
  const std::vector<Interface> expected = expectedInterfaces(walk);
  ASSERT_FALSE(expected.empty()) << "snmpwalk found no interface";
  const IReport& nic = *probe::find(host, "nicInformation");
  EXPECT_EQ(probe::number(nic, "interfaceNumber"), static_cast<long long>(expected.size()));
  bool loopbackSeen = false;
  for (size_t k = 0; k < expected.size(); ++k) {
    SCOPED_TRACE("port " + std::to_string(k + 1) + ", ifIndex " + expected[k].index);
    const IReport* port = probe::find(nic, "interface", static_cast<unsigned int>(k));
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(probe::attribute(*port, "index"), std::to_string(k + 1));
    EXPECT_EQ(probe::number(*port, "interfaceSpeed"), expected[k].speed);
    EXPECT_EQ(probe::text(*port, "macAddress"), expected[k].mac);
    EXPECT_EQ(probe::text(*port, "ipAddress"), expected[k].addresses);
    loopbackSeen |= expected[k].addresses.find("127.0.0.1") != std::string::npos;
  }
  EXPECT_TRUE(loopbackSeen) << "the loopback port carries 127.0.0.1";
}

TEST_F(SnmpModule, ACommunityTheAgentsRefuseGetsNoAnswer) {
  std::unique_ptr<Report> report(this->report("public"));
  const IReport& information = *probe::find(*report, "snmpInformation");
  EXPECT_FALSE(information.isSuccess());
  EXPECT_STREQ(information.getErrorText().getData(), "Get varnelbc Information Failed");
  EXPECT_EQ(information.getSubReports().getCount(), 0u);
}

}  // namespace
