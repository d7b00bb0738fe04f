#include "Format.h"

#include <gtest/gtest.h>

#include <string>

namespace verlist {
namespace {

CalendarTime calendar(int year, int month, int day, int hour, int minute, int second) {
  CalendarTime time;
  time.valid = true;
  time.year = year;
  time.month = month;
  time.day = day;
  time.hour = hour;
  time.minute = minute;
  time.second = second;
  return time;
}

CalendarTime failedTime(unsigned long error) {
  CalendarTime time;
  time.error = error;
  return time;
}

TEST(Format, TimeText) {
  struct Case {
    CalendarTime time;
    const char* expected;
  } const cases[] = {
      {calendar(2009, 7, 14, 1, 2, 3), "2009/07/14_01:02:03 "},
      {calendar(1601, 1, 1, 0, 0, 0), "1601/01/01_00:00:00 "},
      {calendar(2038, 12, 31, 23, 59, 59), "2038/12/31_23:59:59 "},
      {calendar(5, 10, 9, 8, 7, 6), "0005/10/09_08:07:06 "},
      {calendar(30827, 12, 31, 23, 59, 59), "30827/12/31_23:59:59 "},
      {calendar(-12, 1, 1, 0, 0, 0), "-012/01/01_00:00:00 "},
      {failedTime(87), "Error 87            "},
      {failedTime(0), "Error 0             "},
      {failedTime(1912276171UL), "Error 1912276171    "},
      {failedTime(0xFFFFFFFFUL), "Error -1            "},
      {failedTime(0x80070005UL), "Error -2147024891   "},
  };
  for (std::size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    std::string out = "<";
    appendTime(out, cases[i].time);
    EXPECT_EQ(out, std::string("<") + cases[i].expected) << "row " << i;
  }
}

TEST(Format, TimeColumnIsTwentyWideForEveryErrorCode) {
  const unsigned long codes[] = {0, 2, 5, 87, 1812, 123456789, 0x7FFFFFFFUL, 0x80000000UL, 0xFFFFFFFFUL};
  for (unsigned long code : codes) {
    std::string out;
    appendTime(out, failedTime(code));
    EXPECT_EQ(out.size(), 20u) << "code " << code << ": '" << out << "'";
  }
}

TEST(Format, SizeColumn) {
  struct Case {
    bool known;
    std::uint64_t size;
    const char* expected;
  } const cases[] = {
      {true, 1234, "      1234 "},
      {true, 0, "         0 "},
      {true, 9999999999ULL, "9999999999 "},
      // Sizes beyond 32 bits keep all their digits instead of wrapping.
      {true, 0x80000000ULL, "2147483648 "},
      {true, 0x100000005ULL, "4294967301 "},
      {true, 1099511627776ULL, "1099511627776 "},
      {true, 18446744073709551615ULL, "18446744073709551615 "},
      {false, 1234, "Unknown    "},
  };
  for (std::size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    FileFacts facts;
    facts.sizeKnown = cases[i].known;
    facts.size = cases[i].size;
    std::string out;
    appendSize(out, facts);
    EXPECT_EQ(out, cases[i].expected) << "row " << i;
  }
}

VersionResult version(VersionStage stage, unsigned long error, std::uint32_t most = 0,
                      std::uint32_t least = 0) {
  VersionResult result;
  result.stage = stage;
  result.error = error;
  result.fixedMost = most;
  result.fixedLeast = least;
  return result;
}

TEST(Format, VersionColumn) {
  using S = VersionStage;
  struct Case {
    VersionResult version;
    const char* expected;
  } const cases[] = {
      {version(S::kFound, 0, (6u << 16) | 1u, (7601u << 16) | 17514u), "6.1.7601.17514     "},
      {version(S::kFound, 0, 0, 0), "0.0.0.0            "},
      {version(S::kFound, 0, 0xFFFFFFFFu, 0xFFFFFFFFu), "65535.65535.65535.65535 "},
      {version(S::kNoResource, 0), "-                  "},
      {version(S::kSizeFailed, 5), "Error1 5           "},
      {version(S::kSizeFailed, 1811), "Error1 1811        "},
      {version(S::kSizeFailed, 1812), "-                  "},
      {version(S::kSizeFailed, 1813), "-                  "},
      {version(S::kSizeFailed, 1814), "-                  "},
      {version(S::kSizeFailed, 1815), "Error1 1815        "},
      {version(S::kSizeFailed, 0), "Error1 0           "},
      {version(S::kReadFailed, 8), "Error2 8           "},
      {version(S::kReadFailed, 1813), "-                  "},
      {version(S::kFixedInfoMissing, 13), "Error3 13          "},
      {version(S::kFixedInfoMissing, 1814), "-                  "},
      {version(S::kFixedInfoMissing, 0xFFFFFFFFUL), "Error3 -1          "},
  };
  for (std::size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    std::string out;
    appendVersion(out, cases[i].version);
    EXPECT_EQ(out, cases[i].expected) << "row " << i;
  }
}

// The header names sit above the columns of the lines they head.
TEST(Format, HeaderLinesUpWithFileLine) {
  FileFacts facts;
  facts.created = calendar(2001, 2, 3, 4, 5, 6);
  facts.accessed = calendar(2002, 3, 4, 5, 6, 7);
  facts.written = calendar(2003, 4, 5, 6, 7, 8);
  facts.sizeKnown = true;
  facts.size = 1234567890;
  facts.version = version(VersionStage::kFound, 0, (1u << 16) | 2u, (3u << 16) | 4u);
  std::string line;
  appendFileLine(line, facts, "C:\\dir\\file.dll", "\r\n");
  EXPECT_EQ(line,
            "2001/02/03_04:05:06 2002/03/04_05:06:07 2003/04/05_06:07:08 "
            "1234567890 1.2.3.4            "
            "C:\\dir\\file.dll\r\n");

  const std::string header = kHeader;
  EXPECT_EQ(header.find("CreationTime"), line.find("2001"));
  EXPECT_EQ(header.find("LastAccessTime"), line.find("2002"));
  EXPECT_EQ(header.find("LastUpdateTime"), line.find("2003"));
  EXPECT_EQ(header.find("Size") + 4, line.find(" 1.2.3.4"));
  EXPECT_EQ(header.find("Version"), line.find("1.2.3.4"));
  EXPECT_EQ(header.find("FileName"), line.find("C:\\"));
}

TEST(Format, FileLineWithEveryFailure) {
  FileFacts facts;
  facts.created = failedTime(2);
  facts.accessed = failedTime(3);
  facts.written = failedTime(4);
  facts.version = version(VersionStage::kReadFailed, 5);
  std::string line;
  appendFileLine(line, facts, "/tmp/x", "\n");
  EXPECT_EQ(line,
            "Error 2             Error 3             Error 4             "
            "Unknown    Error2 5           /tmp/x\n");
}

}  // namespace
}  // namespace verlist
