#include "DriverRecords.h"

#include <cstdio>
#include <cstring>

namespace driver {

namespace {

struct Word {
  int code;
  const char* text;
};

template <size_t N>
const char* lookUp(const Word (&table)[N], int code) {
  for (const Word& word : table) {
    if (word.code == code) return word.text;
  }
  return "";
}

const Word kPaperSizes[] = {
    {1, "Letter"},
    {2, "Letter small"},
    {3, "Tabloid"},
    {4, "Ledger"},
    {5, "Legal"},
    {6, "Statement"},
    {7, "Executive"},
    {8, "A3"},
    {9, "A4"},
    {10, "A4 small"},
    {11, "A5"},
    {12, "B4"},
    {13, "B5"},
    {14, "Folio"},
    {15, "Quato"},
    {16, "10 x 14 inch"},
    {17, "11 x 17 inch"},
    {18, "Note"},
    {19, "9 Envelope"},
    {20, "10 Envelope"},
    {21, "11 Envelope"},
    {22, "12 Envelope"},
    {23, "14 Envelope"},
    {24, "C"},
    {25, "D"},
    {26, "E"},
    {27, "DL Envelope"},
    {28, "C5 Envelope"},
    {29, "C3 Envelope"},
    {30, "C4 Envelope"},
    {31, "C6 Envelope"},
    {32, "C65 Envelope"},
    {33, "B4 Envelope"},
    {34, "B5 Envelope"},
    {35, "B6 Envelope"},
    {36, "Italy Envelope"},
    {37, "Monarch Envelope"},
    {38, "6 3/4 Envelope"},
    {39, "US Std Fanfold"},
    {40, "German Std Fanfold"},
    {41, "German Legal Fanfold"},
};
const Word kOrientations[] = {{1, "Portrait"}, {2, "Landscape"}};
const Word kColors[] = {{1, "Monochrome"}, {2, "Color"}};
const Word kDuplexModes[] = {{1, "Simplex"}, {2, "Vertical"}, {3, "Horizontal"}};
const Word kTrueTypeOptions[] = {{1, "Bitmap"}, {2, "DownLoad"}, {3, "SubDevice"}};
const Word kCollations[] = {{0, "false"}, {1, "true"}};

// Little-endian reads; the caller has checked the bytes are there.
uint16_t word16(const unsigned char* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }
int16_t short16(const unsigned char* at) { return static_cast<int16_t>(word16(at)); }
uint32_t word32(const unsigned char* at) {
  return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
         (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

// How each setting is read and written, in report order.
enum class Kind { Decimal, Words, Short, Dword, Name };
struct Setting {
  const char* name;
  size_t offset;
  Kind kind;
  const char* (*words)(int);
};
const Setting kSettings[] = {
    {"specVersion", devmode::kSpecVersion, Kind::Decimal, nullptr},
    {"driverVersion", devmode::kDriverVersion, Kind::Decimal, nullptr},
    {"orientation", devmode::kOrientation, Kind::Words, orientationText},
    {"paperSize", devmode::kPaperSize, Kind::Words, paperSizeText},
    {"paperLength", devmode::kPaperLength, Kind::Short, nullptr},
    {"paperWidth", devmode::kPaperWidth, Kind::Short, nullptr},
    {"scale", devmode::kScale, Kind::Short, nullptr},
    {"copies", devmode::kCopies, Kind::Short, nullptr},
    {"printQuality", devmode::kPrintQuality, Kind::Short, nullptr},
    {"color", devmode::kColor, Kind::Words, colorText},
    {"duplex", devmode::kDuplex, Kind::Words, duplexText},
    {"yResolution", devmode::kYResolution, Kind::Short, nullptr},
    {"trueTypeOption", devmode::kTTOption, Kind::Words, trueTypeOptionText},
    {"collate", devmode::kCollate, Kind::Words, collateText},
    {"formName", devmode::kFormName, Kind::Name, nullptr},
    {"bitsPerpel", devmode::kBitsPerPel, Kind::Dword, nullptr},
    {"pelsWidth", devmode::kPelsWidth, Kind::Dword, nullptr},
    {"pelsHeight", devmode::kPelsHeight, Kind::Dword, nullptr},
    {"displayFlags", devmode::kDisplayFlags, Kind::Dword, nullptr},
    {"displayFrequency", devmode::kDisplayFrequency, Kind::Dword, nullptr},
};

size_t width(Kind kind) {
  switch (kind) {
    case Kind::Dword:
      return 4;
    case Kind::Name:
      return devmode::kNameBytes;
    default:
      return 2;
  }
}

}  // namespace

const char* paperSizeText(int code) { return lookUp(kPaperSizes, code); }
const char* orientationText(int code) { return lookUp(kOrientations, code); }
const char* colorText(int code) { return lookUp(kColors, code); }
const char* duplexText(int code) { return lookUp(kDuplexModes, code); }
const char* trueTypeOptionText(int code) { return lookUp(kTrueTypeOptions, code); }
const char* collateText(int code) { return lookUp(kCollations, code); }

DevModeSettings readDevMode(const unsigned char* record, size_t available) {
  DevModeSettings settings;
  if (!record || available < devmode::kHeaderBytes) {
    settings.cutShort = true;
    return settings;
  }
  settings.readable = true;
  size_t size = word16(record + devmode::kSize);
  size_t extra = word16(record + devmode::kDriverExtra);
  settings.cutShort = size + extra > available;
  size_t stored = size < available ? size : available;
  for (const Setting& setting : kSettings) {
    if (setting.offset + width(setting.kind) > stored) continue;
    const unsigned char* at = record + setting.offset;
    DevModeLeaf leaf = {setting.name, false, std::string(), 0};
    switch (setting.kind) {
      case Kind::Decimal:
        leaf.text = std::to_string(word16(at));
        break;
      case Kind::Words:
        leaf.text = setting.words(short16(at));
        break;
      case Kind::Short:
        leaf.isNumber = true;
        leaf.number = short16(at);
        break;
      case Kind::Dword:
        leaf.isNumber = true;
        leaf.number = static_cast<int32_t>(word32(at));
        break;
      case Kind::Name: {
        // A name that fills all 32 bytes has no terminator.
        const char* name = reinterpret_cast<const char*>(at);
        leaf.text.assign(name, strnlen(name, devmode::kNameBytes));
        break;
      }
    }
    settings.leaves.push_back(leaf);
  }
  if (size < available) {
    size_t end = size + extra < available ? size + extra : available;
    settings.driverExtra.assign(record + size, record + end);
  }
  return settings;
}

std::vector<std::string> readNameList(const char* list, size_t room) {
  std::vector<std::string> names;
  size_t at = 0;
  while (list && at < room && list[at] != '\0') {
    size_t length = strnlen(list + at, room - at);
    names.emplace_back(list + at, length);
    at += length + 1;
  }
  return names;
}

std::string versionText(uint32_t mostSignificant, uint32_t leastSignificant) {
  char text[48];
  std::snprintf(text, sizeof text, "%d.%d.%d.%d", static_cast<int>(mostSignificant >> 16),
                static_cast<int>(mostSignificant & 0xFFFF), static_cast<int>(leastSignificant >> 16),
                static_cast<int>(leastSignificant & 0xFFFF));
  return text;
}

bool isPostScriptDriverFile(const std::string& fileName) {
  static const char kName[] = "PSCRIPT5.DLL";
  if (fileName.size() != sizeof kName - 1) return false;
  for (size_t i = 0; i < fileName.size(); ++i) {
    char c = fileName[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != kName[i]) return false;
  }
  return true;
}

}  // namespace driver
