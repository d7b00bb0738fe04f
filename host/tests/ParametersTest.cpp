#include "Parameters.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using host::ParameterSetting;
using host::PluginParameters;
using host::SettingOrigin;

const char kLdapPrompt[] =
    "Target LDAP server\n"
    "When changing the LDAP port number, input the port number with the following structure.(LDAP server "
    "name:LDAP port)\n"
    "For example: LDAP:389";

// The forms the plug-ins publish, as the hosts copy them.
std::vector<PluginParameters> catalogue() {
  return {
      {"DNS Plugin", {{"Target HostName or IPAddress", host::kEntryHost, "", false}}},
      {"LDAP Plugin", {{kLdapPrompt, host::kEntryHost, "", false}}},
      {"DirectoryInfo Plugin",
       {{"username", host::kEntryText, "", false}, {"password", host::kEntryPassword, "", false}}},
      {"DVQJobs Plugin", {{"Retrieve all files", host::kEntryFlag, "", false}}},
      {"SNMP Plugin", {{"Read Community name", host::kEntryText, "quartz", false}}},
      {"Twin Plugin",
       {{"Server\nthe primary one", host::kEntryText, "", false},
        {"Server\r\nthe backup one", host::kEntryText, "", false}}},
  };
}

ParameterSetting set(const std::string& text, SettingOrigin origin = SettingOrigin::CommandLine) {
  size_t colon = text.find(':');
  size_t equals = text.find('=', colon);
  return {text.substr(0, colon), text.substr(colon + 1, equals - colon - 1), text.substr(equals + 1), origin};
}

struct Expected {
  const char* plugin;
  size_t index;
  std::string value;
};

struct Row {
  std::vector<ParameterSetting> settings;
  std::vector<Expected> values;  // what the fields hold afterwards
  const char* error;             // or a piece of the refusal
};

TEST(Parameters, EachSettingReachesItsField) {
  const std::string ldapWhole = std::string("LDAP Plugin:") + kLdapPrompt + "=ldap03";
  const std::vector<Row> rows = {
      // Whole name, case ignored; commas become TABs, blanks around targets go.
      {{set("DNS Plugin:Target HostName or IPAddress=mail01")}, {{"DNS Plugin", 0, "mail01"}}, nullptr},
      {{set("dns plugin:TARGET HOSTNAME OR IPADDRESS= a, b ,c ")}, {{"DNS Plugin", 0, "a\tb\tc"}}, nullptr},
      // Repeating --set adds targets; a TAB still separates; empty pieces go.
      {{set("DNS Plugin:1=a"), set("DNS Plugin:1=b,c")}, {{"DNS Plugin", 0, "a\tb\tc"}}, nullptr},
      {{set("DNS Plugin:1=a\tb")}, {{"DNS Plugin", 0, "a\tb"}}, nullptr},
      {{set("DNS Plugin:1=a,,b,")}, {{"DNS Plugin", 0, "a\tb"}}, nullptr},
      {{set("DNS Plugin:1=")}, {{"DNS Plugin", 0, ""}}, nullptr},
      // The LDAP prompt of three lines: by number, by first line, by the whole text.
      {{set("LDAP Plugin:1=ldap01:389")}, {{"LDAP Plugin", 0, "ldap01:389"}}, nullptr},
      {{set("LDAP Plugin:Target LDAP server=ldap01, ldap02:636")},
       {{"LDAP Plugin", 0, "ldap01\tldap02:636"}},
       nullptr},
      {{set(ldapWhole)}, {{"LDAP Plugin", 0, "ldap03"}}, nullptr},
      // Flags.
      {{set("DVQJobs Plugin:1=yes")}, {{"DVQJobs Plugin", 0, "1"}}, nullptr},
      {{set("DVQJobs Plugin:Retrieve all files=No")}, {{"DVQJobs Plugin", 0, "0"}}, nullptr},
      {{set("DVQJobs Plugin:1=TRUE")}, {{"DVQJobs Plugin", 0, "1"}}, nullptr},
      {{set("DVQJobs Plugin:1=off")}, {{"DVQJobs Plugin", 0, "0"}}, nullptr},
      {{set("DVQJobs Plugin:1= 1 ")}, {{"DVQJobs Plugin", 0, "1"}}, nullptr},
      {{set("DVQJobs Plugin:1=maybe")}, {}, "is a flag: give yes or no"},
      {{set("DVQJobs Plugin:1=")}, {}, "is a flag: give yes or no"},
      // Text: a setting replaces the preset; a later setting replaces an earlier one.
      {{set("SNMP Plugin:Read Community name=public")}, {{"SNMP Plugin", 0, "public"}}, nullptr},
      {{set("SNMP Plugin:1=a"), set("SNMP Plugin:1=b, c")}, {{"SNMP Plugin", 0, "b, c"}}, nullptr},
      {{set("DirectoryInfo Plugin:1=admin"), set("DirectoryInfo Plugin:2=s3:c=r,et")},
       {{"DirectoryInfo Plugin", 0, "admin"}, {"DirectoryInfo Plugin", 1, "s3:c=r,et"}},
       nullptr},
      // Two fields with one first line: refused, naming both; their numbers work.
      {{set("Twin Plugin:Server=x")},
       {},
       "names several parameters of plug-in \"Twin Plugin\": 1 \"Server\", 2"},
      {{set("Twin Plugin:2=x")}, {{"Twin Plugin", 0, ""}, {"Twin Plugin", 1, "x"}}, nullptr},
      {{set("Twin Plugin:Server\r\nthe backup one=y")}, {{"Twin Plugin", 1, "y"}}, nullptr},
      {{set("Twin Plugin:3=x")}, {}, "no parameter \"3\" in plug-in \"Twin Plugin\""},
      {{set("DNS Plugin:Target=x")}, {}, "its parameters are 1 \"Target HostName or IPAddress\""},
      {{set("Nope Plugin:1=x")}, {}, "no plug-in named \"Nope Plugin\""},
      // A refused setting leaves every field as it was, also those set before it.
      {{set("DNS Plugin:1=a"), set("Nope Plugin:1=x")}, {}, "no plug-in named"},
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    std::vector<PluginParameters> plugins = catalogue();
    try {
      host::applySettings(plugins, rows[i].settings);
      EXPECT_EQ(rows[i].error, nullptr) << "row " << i << " was accepted";
    } catch (const std::invalid_argument& e) {
      ASSERT_NE(rows[i].error, nullptr) << "row " << i << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find(rows[i].error), std::string::npos)
          << "row " << i << ": " << e.what();
      std::vector<PluginParameters> untouched = catalogue();
      for (size_t p = 0; p < plugins.size(); ++p) {
        for (size_t f = 0; f < plugins[p].parameters.size(); ++f)
          EXPECT_EQ(plugins[p].parameters[f].value, untouched[p].parameters[f].value) << "row " << i;
      }
      continue;
    }
    for (const Expected& expected : rows[i].values) {
      host::PluginParameters* plugin = host::findPlugin(plugins, expected.plugin);
      ASSERT_NE(plugin, nullptr);
      EXPECT_EQ(plugin->parameters[expected.index].value, expected.value)
          << "row " << i << ", " << expected.plugin << " field " << expected.index + 1;
      EXPECT_TRUE(plugin->parameters[expected.index].changed || expected.value.empty()) << "row " << i;
    }
  }
}

TEST(Parameters, PasswordsFromTheCommandLineAreRemarkedOn) {
  struct Row {
    SettingOrigin origin;
    bool remark;
  };
  const Row rows[] = {{SettingOrigin::CommandLine, true},
                      {SettingOrigin::AnswersFile, false},
                      {SettingOrigin::Environment, false},
                      {SettingOrigin::Prompt, false}};
  for (const Row& row : rows) {
    std::vector<PluginParameters> plugins = catalogue();
    std::vector<std::string> remarks =
        host::applySettings(plugins, {set("DirectoryInfo Plugin:password=pw", row.origin)});
    ASSERT_EQ(remarks.size(), row.remark ? 1u : 0u) << static_cast<int>(row.origin);
    if (row.remark) {
      EXPECT_NE(remarks[0].find("--ask or --set-env"), std::string::npos);
    }
  }
  std::vector<PluginParameters> plugins = catalogue();
  EXPECT_TRUE(host::applySettings(plugins, {set("DirectoryInfo Plugin:1=admin")}).empty())
      << "only passwords are remarked on";
}

TEST(Parameters, ShownValuesAndExamples) {
  std::vector<PluginParameters> plugins = catalogue();
  host::applySettings(
      plugins, {set("DNS Plugin:1=a,b"), set("DirectoryInfo Plugin:2=secret"), set("DVQJobs Plugin:1=yes")});
  EXPECT_EQ(host::shownValue(plugins[0].parameters[0]), "\"a, b\"");
  EXPECT_EQ(host::shownValue(plugins[2].parameters[1]), "(set, not shown)");
  EXPECT_EQ(host::shownValue(catalogue()[2].parameters[1]), "(empty)");
  EXPECT_EQ(host::shownValue(plugins[3].parameters[0]), "yes");
  EXPECT_EQ(host::shownValue(catalogue()[3].parameters[0]), "no");
  EXPECT_EQ(host::shownValue(catalogue()[4].parameters[0]), "\"quartz\"");

  EXPECT_EQ(host::exampleSetting(plugins[1], 0), "--set \"LDAP Plugin:1=server1,server2\"");
  EXPECT_EQ(host::exampleSetting(plugins[2], 1), "--ask \"DirectoryInfo Plugin:2\"");
  EXPECT_EQ(host::exampleSetting(plugins[3], 0), "--set \"DVQJobs Plugin:1=yes\"");
  EXPECT_EQ(host::exampleSetting(catalogue()[4], 0), "--set \"SNMP Plugin:1=quartz\"");
  EXPECT_STREQ(host::typeName(host::kEntryHost), "host list");

  EXPECT_EQ(host::editableValue(host::kEntryHost, "a\tb\t"), "a, b");
  EXPECT_EQ(host::fieldValue(host::kEntryHost, "a, b", "x"), "a\tb");
  EXPECT_EQ(host::fieldValue(host::kEntryPassword, " p, w ", "x"), " p, w ") << "passwords stay as typed";
}

TEST(Parameters, NamesCompareByCharacterInDoubleByteCodePages) {
  // 0x82 leads a double-byte character in code page 932: its trail bytes 'a'
  // and 'A' are two different characters, not one letter in two cases.
  auto lead = [](unsigned char byte) { return byte == 0x82; };
  EXPECT_FALSE(
      host::sameText("\x82"
                     "a",
                     "\x82"
                     "A",
                     lead));
  EXPECT_TRUE(
      host::sameText("\x82"
                     "aB",
                     "\x82"
                     "ab",
                     lead));
  EXPECT_TRUE(
      host::sameText("\x82"
                     "a",
                     "\x82"
                     "A"))
      << "a single-byte code page folds it";
  EXPECT_EQ(host::firstLine("  Target\r\nmore"), "Target");
}

}  // namespace
