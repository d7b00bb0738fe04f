// Path texts of the document server plug-ins, with single- and double-byte code pages.
#include <gtest/gtest.h>

#include "PathText.h"

namespace {

// Code page 932 lead bytes, as the Windows tables give them.
bool shiftJisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// "\x95\x5C" is one double-byte character whose trail byte is a backslash;
// "\x83\x2F" one whose trail byte is a slash.
const std::string kTable = "C:\\\x95\x5C";
const std::string kSlashTrail = "\x83\x2F";

TEST(PathTextTest, BackslashesAndSlashesOfDoubleByteCharactersAreNoSeparators) {
  EXPECT_EQ(2u, dvq::lastBackslash(kTable, shiftJisLead));
  EXPECT_EQ(4u, dvq::lastBackslash(kTable, dvq::noLeadBytes));
  EXPECT_EQ("C:", dvq::parentOf(kTable, shiftJisLead));
  EXPECT_EQ("C:\\" + kSlashTrail + "\\x", dvq::withBackslashes("C:/" + kSlashTrail + "/x", shiftJisLead));
  EXPECT_EQ("C:\\\x83\\\\x", dvq::withBackslashes("C:/" + kSlashTrail + "/x", dvq::noLeadBytes));
  // A lead byte at the very end has no trail byte: it is a character of its own.
  EXPECT_EQ(3u, dvq::lastBackslash("a\x95\\\\", shiftJisLead));
}

TEST(PathTextTest, ComponentsRemovedUntilNothingIsLeft) {
  struct Row {
    const char* path;
    unsigned long count;
    const char* expected;
  } rows[] = {
      {"C:\\Prog\\Kestin\\bin", 0, "C:\\Prog\\Kestin\\bin"},
      {"C:\\Prog\\Kestin\\bin", 1, "C:\\Prog\\Kestin"},
      {"C:\\Prog\\Kestin\\bin", 2, "C:\\Prog"},
      {"C:\\Prog\\Kestin\\bin", 3, "C:"},
      {"C:\\Prog\\Kestin\\bin", 4, ""},
      {"C:\\Prog\\Kestin\\bin", 1000000, ""},
      {"relative", 1, ""},
      {"C:\\Prog\\", 1, "C:\\Prog"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.expected, dvq::withoutComponents(row.path, row.count, dvq::noLeadBytes))
        << row.path << " less " << row.count;
  }
}

TEST(PathTextTest, QuotedProgramPathLosesItsQuotesAndArguments) {
  EXPECT_EQ("C:\\Prog\\app.exe", dvq::unquoted("\"C:\\Prog\\app.exe\" -service"));
  EXPECT_EQ("C:\\Prog\\app.exe -x", dvq::unquoted("\"C:\\Prog\\app.exe -x"));
  EXPECT_EQ("C:\\Prog \"x\"", dvq::unquoted("C:\\Prog \"x\""));
  EXPECT_EQ("", dvq::unquoted("\""));
  EXPECT_EQ("", dvq::unquoted(""));
}

TEST(PathTextTest, JoinAddsOneBackslash) {
  EXPECT_EQ("C:\\Temp\\ISLog", dvq::joinPath("C:\\Temp\\", "ISLog", dvq::noLeadBytes));
  EXPECT_EQ("C:\\Temp\\ISLog", dvq::joinPath("C:\\Temp", "ISLog", dvq::noLeadBytes));
  EXPECT_EQ("\\SOP", dvq::joinPath("", "SOP", dvq::noLeadBytes));
  // The folder ends in a double-byte character whose trail byte is a backslash.
  EXPECT_EQ(kTable + "\\x", dvq::joinPath(kTable, "x", shiftJisLead));
}

TEST(PathTextTest, UserPrefixAndFileNames) {
  EXPECT_EQ("Software\\Varco", dvq::withoutUserPrefix("\\HKCU\\Software\\Varco"));
  EXPECT_EQ("HKCU\\Software", dvq::withoutUserPrefix("HKCU\\Software"));
  EXPECT_EQ("\\hkcu\\Software", dvq::withoutUserPrefix("\\hkcu\\Software"));
  EXPECT_EQ("C__Windows_x_y_z_a_b_c_d_e", dvq::asFileName("C:\\Windows/x*y?z\"a<b>c|d\te", dvq::noLeadBytes));
  EXPECT_EQ("Kestin " + std::string("\x95\x5C"), dvq::asFileName("Kestin \x95\x5C", shiftJisLead));
}

}  // namespace
