#include "Options.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using host::Command;
using host::MediaAnswer;
using host::parseCommandLine;

TEST(Options, Commands) {
  host::Options o = parseCommandLine({"run", "out"});
  EXPECT_EQ(o.command, Command::Run);
  EXPECT_EQ(o.outputFolder, "out");
  EXPECT_TRUE(o.compress);
  EXPECT_EQ(o.splitKiB, 0);
  EXPECT_EQ(o.media, MediaAnswer::Ask);

  o = parseCommandLine({"--no-compress", "pack", "src", "dst", "--quiet"});
  EXPECT_EQ(o.command, Command::Pack);
  EXPECT_EQ(o.sourceFolder, "src");
  EXPECT_EQ(o.targetFolder, "dst");
  EXPECT_FALSE(o.compress);
  EXPECT_TRUE(o.quiet);

  EXPECT_EQ(parseCommandLine({"list"}).command, Command::List);
  EXPECT_EQ(parseCommandLine({"run", "x", "--help"}).command, Command::Help);
}

TEST(Options, SelectionsAndSettingsKeepTheirOrder) {
  host::Options o = parseCommandLine({"--only", "PC,Network", "--deselect", "DNS Plugin", "--select",
                                      "LDAP Plugin", "--set", "DNS Plugin:Target HostName or IPAddress=a=b:c",
                                      "--split", "1440", "--media", "yes", "run", "C:\\out"});
  EXPECT_EQ(o.only, (std::vector<std::string>{"PC", "Network"}));
  EXPECT_EQ(o.deselect, std::vector<std::string>{"DNS Plugin"});
  EXPECT_EQ(o.select, std::vector<std::string>{"LDAP Plugin"});
  ASSERT_EQ(o.settings.size(), 1u);
  EXPECT_EQ(o.settings[0].plugin, "DNS Plugin");
  EXPECT_EQ(o.settings[0].entry, "Target HostName or IPAddress");
  EXPECT_EQ(o.settings[0].value, "a=b:c") << "the value is everything after the first '=' behind the colon";
  EXPECT_EQ(o.splitKiB, 1440);
  EXPECT_EQ(o.media, MediaAnswer::Yes);
}

std::string answersFile(const std::string& path) {
  if (path != "answers.txt") throw std::invalid_argument("cannot read answers file " + path);
  return "# unattended run\n"
         "--set SNMP Plugin:Read Community name=public\n"
         "  --set DirectoryInfo Plugin:password=p w d  \n"
         "\n"
         "--media cancel\n"
         "--no-compress\n";
}

TEST(Options, AnswersFileLinesAreOptions) {
  host::Options o = parseCommandLine({"--answers", "answers.txt", "--compress", "run", "out"}, answersFile);
  ASSERT_EQ(o.settings.size(), 2u);
  EXPECT_EQ(o.settings[0].value, "public");
  EXPECT_EQ(o.settings[1].entry, "password");
  EXPECT_EQ(o.settings[1].value, "p w d");
  EXPECT_EQ(o.media, MediaAnswer::Cancel);
  EXPECT_TRUE(o.compress) << "a later option on the command line wins";
}

TEST(Options, BadInputIsRefusedWithAReason) {
  const std::vector<std::vector<std::string>> rows = {
      {},
      {"run"},
      {"run", "a", "b"},
      {"pack", "only-one"},
      {"collect", "x"},
      {"--split", "0", "run", "x"},
      {"--split", "12k", "run", "x"},
      {"--split", "64", "--no-compress", "run", "x"},
      {"--media", "maybe", "run", "x"},
      {"--set", "no-colon=1", "run", "x"},
      {"--set", "Plugin:=1", "run", "x"},
      {"--bogus", "run", "x"},
      {"run", "x", "--select"},
      {"--answers", "missing.txt", "run", "x"},
  };
  for (const auto& words : rows) {
    std::string line;
    for (const auto& w : words) line += w + " ";
    try {
      parseCommandLine(words, answersFile);
      ADD_FAILURE() << "accepted: " << line;
    } catch (const std::invalid_argument& e) {
      EXPECT_GT(std::string(e.what()).size(), 5u) << line;
    }
  }
}

}  // namespace
