#pragma once

// What the spooler's driver and printer records hold, read from their bytes:
// the device settings (DEVMODEA) of a printer, a driver's list of dependent
// files, and the words this plug-in writes for their codes. Portable: the
// bytes are read at the fixed offsets of the record, never past the bytes the
// caller says are there.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace driver {

// Offsets and sizes of DEVMODEA (the same since Windows 95 and NT 4).
namespace devmode {
constexpr size_t kDeviceName = 0, kNameBytes = 32;
constexpr size_t kSpecVersion = 32, kDriverVersion = 34, kSize = 36, kDriverExtra = 38;
constexpr size_t kOrientation = 44, kPaperSize = 46, kPaperLength = 48, kPaperWidth = 50, kScale = 52;
constexpr size_t kCopies = 54, kPrintQuality = 58, kColor = 60, kDuplex = 62, kYResolution = 64;
constexpr size_t kTTOption = 66, kCollate = 68, kFormName = 70;
constexpr size_t kBitsPerPel = 104, kPelsWidth = 108, kPelsHeight = 112, kDisplayFlags = 116;
constexpr size_t kDisplayFrequency = 120;
// The bytes up to and including dmDriverExtra: without them nothing can be read.
constexpr size_t kHeaderBytes = 40;
}  // namespace devmode

// One leaf of a printer's settings: a text or a (signed 32-bit) number.
struct DevModeLeaf {
  const char* name;
  bool isNumber;
  std::string text;
  int32_t number;
};

struct DevModeSettings {
  // The header (the record's size fields) lies within the bytes given.
  bool readable = false;
  // The stated record or its private data reaches past the bytes given; what
  // lies beyond is not read.
  bool cutShort = false;
  // In report order, the settings the stored record holds. A record shorter
  // than today's (an older driver's) lacks the later ones.
  std::vector<DevModeLeaf> leaves;
  // The dmDriverExtra bytes of private driver data at offset dmSize.
  std::vector<unsigned char> driverExtra;
};

// The settings of the record at `record`, of which `available` bytes may be read.
DevModeSettings readDevMode(const unsigned char* record, size_t available);

// The names of a list of zero-terminated names that ends at an empty one,
// within `room` bytes: a list without its closing terminator ends where the
// bytes end, its last name cut there.
std::vector<std::string> readNameList(const char* list, size_t room);

// Words for codes of the settings; empty for a code without one.
const char* paperSizeText(int code);
const char* orientationText(int code);
const char* colorText(int code);
const char* duplexText(int code);
const char* trueTypeOptionText(int code);
const char* collateText(int code);

// "a.b.c.d" of a fixed version record's two version words.
std::string versionText(uint32_t mostSignificant, uint32_t leastSignificant);

// The PostScript driver whose product version is reported instead of its
// file version: "PSCRIPT5.DLL" in any case.
bool isPostScriptDriverFile(const std::string& fileName);

}  // namespace driver
