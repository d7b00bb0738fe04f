#include "Options.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

using host::Command;
using host::MediaAnswer;
using host::parseCommandLine;
using host::SettingOrigin;

TEST(Options, Commands) {
  host::Options o = parseCommandLine({"run", "out"});
  EXPECT_EQ(o.command, Command::Run);
  EXPECT_EQ(o.outputFolder, "out");
  EXPECT_TRUE(o.compress);
  EXPECT_EQ(o.splitKiB, 0);
  EXPECT_EQ(o.media, MediaAnswer::Ask);
  EXPECT_FALSE(o.mediaGiven);
  EXPECT_EQ(o.progress, host::ProgressMode::Auto);

  o = parseCommandLine({"--no-compress", "pack", "src", "dst", "--quiet"});
  EXPECT_EQ(o.command, Command::Pack);
  EXPECT_EQ(o.sourceFolder, "src");
  EXPECT_EQ(o.targetFolder, "dst");
  EXPECT_FALSE(o.compress);
  EXPECT_EQ(o.progress, host::ProgressMode::None);

  EXPECT_EQ(parseCommandLine({"list"}).command, Command::List);
  EXPECT_EQ(parseCommandLine({"run", "x", "--help"}).command, Command::Help);
  EXPECT_EQ(parseCommandLine({"--progress", "line", "run", "x"}).progress, host::ProgressMode::Line);
  EXPECT_EQ(parseCommandLine({"--progress", "log", "run", "x"}).progress, host::ProgressMode::Log);
}

TEST(Options, SelectionsAndSettingsKeepTheirOrder) {
  host::Options o = parseCommandLine({"--only", "PC, Network", "--deselect", "DNS Plugin", "--select",
                                      "LDAP Plugin", "--set", "DNS Plugin:Target HostName or IPAddress=a=b:c",
                                      "--set-env", "X Plugin:2=SECRET", "--ask", "X Plugin:password",
                                      "--media", "cancel", "run", "C:\\out"});
  EXPECT_EQ(o.only, (std::vector<std::string>{"PC", "Network"}));
  EXPECT_EQ(o.deselect, std::vector<std::string>{"DNS Plugin"});
  EXPECT_EQ(o.select, std::vector<std::string>{"LDAP Plugin"});
  ASSERT_EQ(o.settings.size(), 3u);
  EXPECT_EQ(o.settings[0].plugin, "DNS Plugin");
  EXPECT_EQ(o.settings[0].entry, "Target HostName or IPAddress");
  EXPECT_EQ(o.settings[0].value, "a=b:c") << "the value is everything after the first '=' behind the colon";
  EXPECT_EQ(o.settings[0].origin, SettingOrigin::CommandLine);
  EXPECT_EQ(o.settings[1].entry, "2");
  EXPECT_EQ(o.settings[1].value, "SECRET") << "--set-env names the variable";
  EXPECT_EQ(o.settings[1].origin, SettingOrigin::Environment);
  EXPECT_EQ(o.settings[2].entry, "password");
  EXPECT_EQ(o.settings[2].origin, SettingOrigin::Prompt);
  EXPECT_EQ(o.media, MediaAnswer::Cancel);
  EXPECT_TRUE(o.mediaGiven);
}

TEST(Options, SplitSizesByNameOrKiB) {
  struct Row {
    const char* text;
    int kib;
  };
  const Row rows[] = {{"floppy", 1423}, {"cd", 665600}, {"1440", 1440}, {"1", 1}, {"2097151", 2097151}};
  for (const Row& row : rows) {
    EXPECT_EQ(parseCommandLine({"--split", row.text, "run", "A:\\"}).splitKiB, row.kib) << row.text;
  }
  // The floppy part is the largest whole number of KiB on a formatted 1.44 MB disk.
  EXPECT_LE(host::kFloppyPartKiB * 1024, 1457664);
  EXPECT_GT((host::kFloppyPartKiB + 1) * 1024, 1457664);
  // The 650 MB part fits a 74-minute CD-R.
  EXPECT_LT(static_cast<long long>(host::kCdPartKiB) * 1024, 681984000LL);
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
  EXPECT_EQ(o.settings[0].origin, SettingOrigin::AnswersFile);
  EXPECT_EQ(o.settings[1].entry, "password");
  EXPECT_EQ(o.settings[1].value, "p w d");
  EXPECT_EQ(o.media, MediaAnswer::Cancel);
  EXPECT_TRUE(o.compress) << "a later option on the command line wins";
}

TEST(Options, BadInputIsRefusedWithAReason) {
  struct Row {
    std::vector<std::string> words;
    const char* reason;  // a piece of the message
  };
  const std::vector<Row> rows = {
      {{}, "no command"},
      {{"run"}, "wrong number"},
      {{"run", "a", "b"}, "wrong number"},
      {{"pack", "only-one"}, "wrong number"},
      {{"collect", "x"}, "unknown command"},
      {{"--split", "0", "run", "x"}, "floppy, cd or a part size"},
      {{"--split", "12k", "run", "x"}, "floppy, cd or a part size"},
      {{"--split", "2097152", "run", "x"}, "floppy, cd or a part size"},
      {{"--split", "64", "--no-compress", "run", "x"}, "cannot go with --no-compress"},
      {{"--media", "maybe", "run", "x"}, "ask or cancel"},
      {{"--media", "yes", "run", "x"}, "can neither format nor change a disk"},
      {{"--media", "no", "run", "x"}, "can neither format nor change a disk"},
      {{"--progress", "bar", "run", "x"}, "line, log or none"},
      {{"--set", "no-colon=1", "run", "x"}, "PLUGIN:ENTRY=VALUE"},
      {{"--set", "Plugin:=1", "run", "x"}, "PLUGIN:ENTRY=VALUE"},
      {{"--set", ":entry=1", "run", "x"}, "PLUGIN:ENTRY=VALUE"},
      {{"--ask", "Plugin:entry=1", "run", "x"}, "PLUGIN:ENTRY"},
      {{"--set-env", "Plugin:entry", "run", "x"}, "PLUGIN:ENTRY=VALUE"},
      {{"--bogus", "run", "x"}, "unknown option"},
      {{"run", "x", "--select"}, "needs a value"},
      {{"--answers", "missing.txt", "run", "x"}, "cannot read answers file"},
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    std::string line;
    for (const auto& w : rows[i].words) line += w + " ";
    try {
      parseCommandLine(rows[i].words, answersFile);
      ADD_FAILURE() << "row " << i << " accepted: " << line;
    } catch (const std::invalid_argument& e) {
      EXPECT_NE(std::string(e.what()).find(rows[i].reason), std::string::npos)
          << "row " << i << " (" << line << "): " << e.what();
    }
  }
}

}  // namespace
