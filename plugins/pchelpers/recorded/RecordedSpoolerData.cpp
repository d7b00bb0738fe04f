#include "RecordedSpoolerData.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <sstream>

namespace {

struct DevModeField {
  const char* key;
  size_t offset;
  size_t width;
};

const DevModeField kDevModeFields[] = {
    {"specVersion", offsetof(DEVMODEA, dmSpecVersion), 2},
    {"driverVersion", offsetof(DEVMODEA, dmDriverVersion), 2},
    {"fields", offsetof(DEVMODEA, dmFields), 4},
    {"orientation", offsetof(DEVMODEA, dmOrientation), 2},
    {"paperSize", offsetof(DEVMODEA, dmPaperSize), 2},
    {"paperLength", offsetof(DEVMODEA, dmPaperLength), 2},
    {"paperWidth", offsetof(DEVMODEA, dmPaperWidth), 2},
    {"scale", offsetof(DEVMODEA, dmScale), 2},
    {"copies", offsetof(DEVMODEA, dmCopies), 2},
    {"defaultSource", offsetof(DEVMODEA, dmDefaultSource), 2},
    {"printQuality", offsetof(DEVMODEA, dmPrintQuality), 2},
    {"color", offsetof(DEVMODEA, dmColor), 2},
    {"duplex", offsetof(DEVMODEA, dmDuplex), 2},
    {"yResolution", offsetof(DEVMODEA, dmYResolution), 2},
    {"ttOption", offsetof(DEVMODEA, dmTTOption), 2},
    {"collate", offsetof(DEVMODEA, dmCollate), 2},
    {"logPixels", offsetof(DEVMODEA, dmLogPixels), 2},
    {"bitsPerPel", offsetof(DEVMODEA, dmBitsPerPel), 4},
    {"pelsWidth", offsetof(DEVMODEA, dmPelsWidth), 4},
    {"pelsHeight", offsetof(DEVMODEA, dmPelsHeight), 4},
    {"displayFlags", offsetof(DEVMODEA, dmDisplayFlags), 4},
    {"displayFrequency", offsetof(DEVMODEA, dmDisplayFrequency), 4},
};

std::string hexBytes(const std::string& text) {
  std::string bytes;
  std::stringstream parts(text);
  std::string part;
  while (std::getline(parts, part, ',')) {
    if (part.find_first_not_of(" \t") != std::string::npos)
      bytes += static_cast<char>(std::stoul(part, nullptr, 16));
  }
  return bytes;
}

void putText(std::string& record, size_t offset, const std::string& text) {
  std::memcpy(&record[offset], text.data(), std::min<size_t>(text.size(), 32));
}

}  // namespace

std::string recordedDevMode(const RecordedPlatform& machine, const std::string& section, bool& last) {
  last = false;
  if (machine.get(section, "devMode", "no") != "yes") return std::string();
  std::string extra = hexBytes(machine.get(section, "dm.extra"));
  size_t size = machine.number(section, "dm.size", sizeof(DEVMODEA));
  std::string record(std::max(size, sizeof(DEVMODEA)), '\0');
  std::string printer = section.substr(section.find(' ') + 1);
  putText(record, offsetof(DEVMODEA, dmDeviceName), machine.get(section, "dm.deviceName", printer));
  putText(record, offsetof(DEVMODEA, dmFormName), machine.get(section, "dm.formName"));
  WORD sizeField = static_cast<WORD>(size);
  WORD extraField = static_cast<WORD>(machine.number(section, "dm.driverExtra", extra.size()));
  std::memcpy(&record[offsetof(DEVMODEA, dmSize)], &sizeField, 2);
  std::memcpy(&record[offsetof(DEVMODEA, dmDriverExtra)], &extraField, 2);
  for (const DevModeField& field : kDevModeFields) {
    std::string key = std::string("dm.") + field.key;
    if (!machine.has(section, key)) continue;
    unsigned long long value = machine.number(section, key);
    std::memcpy(&record[field.offset], &value, field.width);  // little-endian: the low bytes
  }
  std::string bytes = record.substr(0, size) + extra;
  size_t stored = machine.number(section, "dm.stored", bytes.size());
  if (stored < bytes.size()) {
    bytes.resize(stored);
    last = true;
  }
  return bytes;
}

std::string recordedNameList(const RecordedPlatform& machine, const std::string& section,
                             const std::string& key, bool& last) {
  std::string list;
  std::stringstream names(machine.get(section, key));
  std::string name;
  while (std::getline(names, name, ',')) {
    size_t begin = name.find_first_not_of(" \t");
    if (begin == std::string::npos) continue;
    list += name.substr(begin, name.find_last_not_of(" \t") - begin + 1);
    list += '\0';
  }
  last = machine.get(section, key + "End") == "open";
  if (last) {
    if (!list.empty()) list.pop_back();
  } else {
    list += '\0';
  }
  return list;
}
