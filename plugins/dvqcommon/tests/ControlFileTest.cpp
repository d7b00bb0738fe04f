// The control files of the document server plug-ins: lines, fields, value
// names and the ":n" suffix.
#include <gtest/gtest.h>

#include "ControlFile.h"

namespace {

using dvq::noLeadBytes;

TEST(ControlFileTest, LinesWithoutBreaksCommentsAndOverlongLines) {
  std::string longLine(dvq::kControlLineLimit, 'x');
  std::string bytes = "# comment\r\nfirst\r\n\r\nsecond\nthird\rlast" + std::string("\n") + longLine + "\n" +
                      longLine + "y\tz\tw\n" + " # not a comment\n";
  const char kNul[] = "nul\0after\n";
  bytes += std::string(kNul, sizeof kNul - 1) + "end";
  std::vector<std::string> lines = dvq::controlLines(bytes);
  std::vector<std::string> expected = {"first", "",   "second", "third", "last", longLine, " # not a comment",
                                       "nul",   "end"};
  EXPECT_EQ(expected, lines);
}

TEST(ControlFileTest, StripCountOnlyWhenEveryCharacterIsADigit) {
  struct Row {
    const char* field;
    const char* rest;
    unsigned long count;
  } rows[] = {
      {"Software\\Varco\\Sarnet2\\InstallDir:2", "Software\\Varco\\Sarnet2\\InstallDir", 2},
      {"Software\\Varco\\Sarnet2\\InstallDir:x2", "Software\\Varco\\Sarnet2\\InstallDir", 0},
      {"Software\\Varco\\Sarnet2\\InstallDir:", "Software\\Varco\\Sarnet2\\InstallDir", 0},
      {"Software\\Varco\\Sarnet2\\InstallDir", "Software\\Varco\\Sarnet2\\InstallDir", 0},
      {"Key\\Value:1:2", "Key\\Value", 0},
      {"Key\\Value:99999999999999999999", "Key\\Value", 1000000},
  };
  for (const Row& row : rows) {
    dvq::StripCount strip = dvq::splitStripCount(row.field);
    EXPECT_EQ(row.rest, strip.field) << row.field;
    EXPECT_EQ(row.count, strip.count) << row.field;
  }
}

TEST(ControlFileTest, SourceLinesNeedTwoTabsAndABackslash) {
  std::string bytes =
      "# name\tkey\\value\tspec\n"
      "apache\tSoftware\\Varco\\Sarnet2\\InstallDir\tbase:log\\*.txt\n"
      "oneTab\tSoftware\\Varco\\Sarnet2\\InstallDir\n"
      "noBackslash\tInstallDir\tlogs\n"
      "user\t\\HKCU\\Software\\Varco\\Tool\\Path\tlogs\textra\n"
      "strip\tSoftware\\Varco\\Tool\\Path:2\tlogs\n";
  std::vector<dvq::SourceLine> plain = dvq::sourceLines(bytes, false, noLeadBytes);
  ASSERT_EQ(3u, plain.size());
  EXPECT_EQ("apache", plain[0].name);
  EXPECT_EQ("Software\\Varco\\Sarnet2", plain[0].value.key);
  EXPECT_EQ("InstallDir", plain[0].value.value);
  EXPECT_EQ("base:log\\*.txt", plain[0].specification);
  EXPECT_EQ("Software\\Varco\\Tool", plain[1].value.key) << "the \\HKCU\\ prefix goes";
  EXPECT_EQ("logs\textra", plain[1].specification) << "the third field is the rest of the line";
  EXPECT_EQ("Path:2", plain[2].value.value) << "no strip count in a plain list";
  EXPECT_EQ(0u, plain[2].strip);

  std::vector<dvq::SourceLine> separated = dvq::sourceLines(bytes, true, noLeadBytes);
  ASSERT_EQ(3u, separated.size());
  EXPECT_EQ("Path", separated[2].value.value);
  EXPECT_EQ(2u, separated[2].strip);
}

TEST(ControlFileTest, RegistryBranchesListingsAndEnvironmentLines) {
  std::vector<dvq::RegistryBranchLine> branches = dvq::registryBranchLines(
      "spooler\tSoftware\\Varco\\Spool\nnothing\n#x\ty\nuser\t\\HKCU\\Software\\A\tB\n");
  ASSERT_EQ(2u, branches.size());
  EXPECT_EQ("spooler", branches[0].name);
  EXPECT_EQ("Software\\Varco\\Spool", branches[0].key);
  EXPECT_EQ("Software\\A\tB", branches[1].key);

  std::vector<dvq::SourceLine> listings =
      dvq::listingLines("svc\tSYSTEM\\Services\\Kestin\\ImagePath:1\nbad\tImagePath\n", noLeadBytes);
  ASSERT_EQ(1u, listings.size());
  EXPECT_EQ("SYSTEM\\Services\\Kestin", listings[0].value.key);
  EXPECT_EQ("ImagePath", listings[0].value.value);
  EXPECT_EQ(1u, listings[0].strip);

  std::vector<dvq::EnvironmentLine> environment = dvq::environmentLines(
      "temp\tTEMP\t*.log\nsys\tsystem:windir\tLogs\nsys2\tSystem:windir\tx\nshort\tTEMP\n");
  ASSERT_EQ(3u, environment.size());
  EXPECT_FALSE(environment[0].system);
  EXPECT_EQ("TEMP", environment[0].variable);
  EXPECT_TRUE(environment[1].system);
  EXPECT_EQ("windir", environment[1].variable);
  EXPECT_FALSE(environment[2].system) << "the prefix is compared case-sensitively";
  EXPECT_EQ("System:windir", environment[2].variable);
}

TEST(ControlFileTest, PropertyLines) {
  std::vector<std::string> lines =
      dvq::textLines("pelion.version.major=4\r\npelion.type=Cluster\r\npelion.typex=no");
  EXPECT_EQ("4", dvq::propertyValue(lines, "pelion.version.major="));
  EXPECT_EQ("Cluster", dvq::propertyValue(lines, "pelion.type="));
  EXPECT_EQ("", dvq::propertyValue(lines, "pelion.version.postfix="));
}

}  // namespace
