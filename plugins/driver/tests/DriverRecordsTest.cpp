// The readers of the spooler's records, on bytes laid out as Windows lays them out.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "DriverRecords.h"

namespace {

using driver::DevModeSettings;
using Bytes = std::vector<unsigned char>;
namespace dm = driver::devmode;

void put16(Bytes& record, size_t offset, int value) {
  record[offset] = static_cast<unsigned char>(value & 0xFF);
  record[offset + 1] = static_cast<unsigned char>((value >> 8) & 0xFF);
}

void put32(Bytes& record, size_t offset, unsigned long value) {
  for (int i = 0; i < 4; ++i) record[offset + i] = static_cast<unsigned char>((value >> (8 * i)) & 0xFF);
}

// A DEVMODEA of `size` bytes as a PostScript driver fills it (A4, colour,
// 300 dpi ...), followed by `extra` bytes of private data 0xE0, 0xE1 ...
Bytes devMode(size_t size, size_t extra) {
  Bytes record(156, 0);
  std::memcpy(record.data(), "Office Laser", 12);
  put16(record, dm::kSpecVersion, 0x30a);
  put16(record, dm::kDriverVersion, 1);
  put16(record, dm::kSize, static_cast<int>(size));
  put16(record, dm::kDriverExtra, static_cast<int>(extra));
  put16(record, dm::kOrientation, 2);
  put16(record, dm::kPaperSize, 9);
  put16(record, dm::kPaperLength, 2970);
  put16(record, dm::kPaperWidth, 2100);
  put16(record, dm::kScale, 100);
  put16(record, dm::kCopies, 3);
  put16(record, dm::kPrintQuality, -4);  // DMRES_HIGH
  put16(record, dm::kColor, 2);
  put16(record, dm::kDuplex, 3);
  put16(record, dm::kYResolution, 300);
  put16(record, dm::kTTOption, 3);
  put16(record, dm::kCollate, 1);
  std::memcpy(record.data() + dm::kFormName, "A4", 2);
  put32(record, dm::kBitsPerPel, 24);
  put32(record, dm::kPelsWidth, 1024);
  put32(record, dm::kPelsHeight, 768);
  put32(record, dm::kDisplayFlags, 0x80000001ul);
  put32(record, dm::kDisplayFrequency, 60);
  record.resize(size);
  for (size_t i = 0; i < extra; ++i) record.push_back(static_cast<unsigned char>(0xE0 + i));
  return record;
}

std::vector<std::string> leafNames(const DevModeSettings& settings) {
  std::vector<std::string> names;
  for (const auto& leaf : settings.leaves) names.push_back(leaf.name);
  return names;
}

// "name=text" or "name=#number" for every leaf.
std::vector<std::string> leafValues(const DevModeSettings& settings) {
  std::vector<std::string> values;
  for (const auto& leaf : settings.leaves) {
    values.push_back(std::string(leaf.name) + "=" +
                     (leaf.isNumber ? "#" + std::to_string(leaf.number) : leaf.text));
  }
  return values;
}

const std::vector<std::string> kAllSettings = {
    "specVersion=778",
    "driverVersion=1",
    "orientation=Landscape",
    "paperSize=A4",
    "paperLength=#2970",
    "paperWidth=#2100",
    "scale=#100",
    "copies=#3",
    "printQuality=#-4",
    "color=Color",
    "duplex=Horizontal",
    "yResolution=#300",
    "trueTypeOption=SubDevice",
    "collate=true",
    "formName=A4",
    "bitsPerpel=#24",
    "pelsWidth=#1024",
    "pelsHeight=#768",
    "displayFlags=#-2147483647",
    "displayFrequency=#60",
};

TEST(DevMode, AWholeRecordGivesEverySettingInOrderAndItsPrivateData) {
  Bytes record = devMode(156, 8);
  DevModeSettings settings = driver::readDevMode(record.data(), record.size());
  EXPECT_TRUE(settings.readable);
  EXPECT_FALSE(settings.cutShort);
  EXPECT_EQ(leafValues(settings), kAllSettings);
  EXPECT_EQ(settings.driverExtra, (Bytes{0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7}));
}

TEST(DevMode, PrivateDataStartsAtTheStatedSizeAndMayBeNone) {
  // A record larger than this SDK's (a newer driver's): the private data follows it.
  Bytes larger = devMode(156, 0);
  larger.resize(180, 0x11);
  put16(larger, dm::kSize, 176);
  put16(larger, dm::kDriverExtra, 4);
  DevModeSettings settings = driver::readDevMode(larger.data(), larger.size());
  EXPECT_EQ(settings.driverExtra, (Bytes{0x11, 0x11, 0x11, 0x11}));
  EXPECT_FALSE(settings.cutShort);

  Bytes none = devMode(156, 0);
  settings = driver::readDevMode(none.data(), none.size());
  EXPECT_TRUE(settings.readable);
  EXPECT_TRUE(settings.driverExtra.empty());
}

TEST(DevMode, AnOlderShorterRecordGivesOnlyTheSettingsItHolds) {
  // A Windows 3.1 driver's record ends after dmTTOption (68 bytes); its private
  // data follows at once and must not be read as collation or form name.
  Bytes record = devMode(68, 4);
  DevModeSettings settings = driver::readDevMode(record.data(), record.size());
  EXPECT_FALSE(settings.cutShort);
  std::vector<std::string> expected(kAllSettings.begin(), kAllSettings.begin() + 13);
  EXPECT_EQ(leafValues(settings), expected);
  EXPECT_EQ(settings.driverExtra, (Bytes{0xE0, 0xE1, 0xE2, 0xE3}));
}

TEST(DevMode, NothingIsReadPastTheBytesThereAre) {
  struct Row {
    size_t size, extra, available;
    bool readable, cutShort;
    size_t leaves, extraBytes;
  } rows[] = {
      // the stated record reaches past the answer: only the fields within it
      {156, 8, 100, true, true, 14, 0},
      // the record fits, its private data does not: the part that is there
      {156, 100, 170, true, true, 20, 14},
      // the answer ends inside the header: nothing can be read
      {156, 8, 39, false, true, 0, 0},
      {156, 8, 0, false, true, 0, 0},
      // exactly the header
      {156, 8, 40, true, true, 2, 0},
  };
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    const Row& row = rows[i];
    Bytes record = devMode(row.size, row.extra);
    // Only `available` bytes are handed over, in a buffer of exactly that size.
    Bytes cut(record.begin(), record.begin() + static_cast<long>(row.available));
    DevModeSettings settings = driver::readDevMode(cut.empty() ? nullptr : cut.data(), cut.size());
    EXPECT_EQ(settings.readable, row.readable) << "row " << i;
    EXPECT_EQ(settings.cutShort, row.cutShort) << "row " << i;
    EXPECT_EQ(settings.leaves.size(), row.leaves) << "row " << i;
    EXPECT_EQ(settings.driverExtra.size(), row.extraBytes) << "row " << i;
  }
}

TEST(DevMode, NamesThatFillTheirWholeFieldEndThere) {
  Bytes record = devMode(156, 0);
  std::memset(record.data() + dm::kFormName, 'F', 32);  // no terminator before dmLogPixels
  record[dm::kFormName + 32] = 'X';
  DevModeSettings settings = driver::readDevMode(record.data(), record.size());
  ASSERT_EQ(leafNames(settings)[14], "formName");
  EXPECT_EQ(settings.leaves[14].text, std::string(32, 'F'));
}

TEST(DevMode, CodesWithoutWordsGiveEmptyText) {
  Bytes record = devMode(156, 0);
  put16(record, dm::kOrientation, 3);
  put16(record, dm::kPaperSize, 256);  // a custom size
  put16(record, dm::kColor, 0);
  put16(record, dm::kDuplex, 0);
  put16(record, dm::kTTOption, 4);
  put16(record, dm::kCollate, 2);
  DevModeSettings settings = driver::readDevMode(record.data(), record.size());
  std::vector<std::string> texts;
  for (const auto& leaf : settings.leaves) {
    if (!leaf.isNumber && std::string(leaf.name) != "formName")
      texts.push_back(leaf.name + ("=" + leaf.text));
  }
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "specVersion=778", "driverVersion=1",
                       "orientation=", "paperSize=", "color=", "duplex=", "trueTypeOption=", "collate="}));
}

TEST(Vocabulary, PaperSizes) {
  struct Row {
    int code;
    const char* text;
  } rows[] = {{1, "Letter"},
              {2, "Letter small"},
              {9, "A4"},
              {15, "Quato"},
              {16, "10 x 14 inch"},
              {24, "C"},
              {38, "6 3/4 Envelope"},
              {41, "German Legal Fanfold"},
              {0, ""},
              {42, ""},
              {256, ""},
              {-1, ""}};
  for (const Row& row : rows) EXPECT_STREQ(driver::paperSizeText(row.code), row.text) << "code " << row.code;
}

TEST(Vocabulary, SettingWords) {
  struct Row {
    const char* (*words)(int);
    int code;
    const char* text;
  } rows[] = {
      {driver::orientationText, 1, "Portrait"},
      {driver::orientationText, 2, "Landscape"},
      {driver::orientationText, 0, ""},
      {driver::colorText, 1, "Monochrome"},
      {driver::colorText, 2, "Color"},
      {driver::duplexText, 1, "Simplex"},
      {driver::duplexText, 2, "Vertical"},
      {driver::duplexText, 3, "Horizontal"},
      {driver::trueTypeOptionText, 1, "Bitmap"},
      {driver::trueTypeOptionText, 2, "DownLoad"},
      {driver::trueTypeOptionText, 3, "SubDevice"},
      {driver::collateText, 0, "false"},
      {driver::collateText, 1, "true"},
      {driver::collateText, -1, ""},
  };
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    EXPECT_STREQ(rows[i].words(rows[i].code), rows[i].text) << "row " << i;
  }
}

TEST(NameList, EndsAtAnEmptyNameOrWhereTheBytesEnd) {
  struct Row {
    std::string bytes;
    std::vector<std::string> names;
  } rows[] = {
      {std::string("UNIDRV.DLL\0UNIRES.DLL\0\0", 23), {"UNIDRV.DLL", "UNIRES.DLL"}},
      {std::string("\0", 1), {}},
      {std::string("\0\0", 2), {}},
      // without the closing terminator
      {std::string("A.DLL\0B.DLL\0", 12), {"A.DLL", "B.DLL"}},
      // the last name itself unterminated: cut where the bytes end
      {std::string("A.DLL\0B.DL", 10), {"A.DLL", "B.DL"}},
      {std::string(), {}},
  };
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    // A buffer of exactly those bytes, so a read past them shows under the sanitizers.
    std::vector<char> bytes(rows[i].bytes.begin(), rows[i].bytes.end());
    EXPECT_EQ(driver::readNameList(bytes.empty() ? nullptr : bytes.data(), bytes.size()), rows[i].names)
        << "row " << i;
  }
  EXPECT_TRUE(driver::readNameList(nullptr, 10).empty());
}

TEST(DriverFile, PostScriptNameInAnyCaseAndVersionText) {
  for (const char* name : {"PSCRIPT5.DLL", "pscript5.dll", "PScript5.Dll"}) {
    EXPECT_TRUE(driver::isPostScriptDriverFile(name)) << name;
  }
  for (const char* name : {"PSCRIPT.DRV", "PSCRIPT5.DLLX", "XPSCRIPT5.DLL", "UNIDRV.DLL", ""}) {
    EXPECT_FALSE(driver::isPostScriptDriverFile(name)) << name;
  }
  EXPECT_EQ(driver::versionText(0x00050001, 0x0A280000), "5.1.2600.0");
  EXPECT_EQ(driver::versionText(0xFFFF0000, 0x0000FFFF), "65535.0.0.65535");
}

}  // namespace
