#include "varnel/DeviceFile.h"

#include <cstdlib>
#include <sstream>

namespace varnel {

namespace {

std::string trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> list;
  for (std::string word; in >> word;) list.push_back(word);
  return list;
}

bool yesNo(const std::string& value, bool& result) {
  if (value == "yes") return result = true, true;
  if (value == "no") return result = false, true;
  return false;
}

bool number32(const std::string& text, uint32_t& value) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 10)
    return false;
  const unsigned long long parsed = std::strtoull(text.c_str(), nullptr, 10);
  if (parsed > 0xFFFFFFFFull) return false;
  value = static_cast<uint32_t>(parsed);
  return true;
}

bool macAddress(const std::string& text, uint8_t (&mac)[6]) {
  if (text.size() != 17) return false;
  for (int i = 0; i < 6; ++i) {
    const std::string pair = text.substr(3 * i, 2);
    if (pair.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return false;
    if (i < 5 && text[3 * i + 2] != '-' && text[3 * i + 2] != ':') return false;
    mac[i] = static_cast<uint8_t>(std::strtoul(pair.c_str(), nullptr, 16));
  }
  return true;
}

// One "key = value" line of a device section; false when it is not understood.
bool deviceSetting(DeviceDescription& device, const std::string& key, const std::string& value) {
  if (key == "model") {
    device.model = value;
  } else if (key == "name") {
    device.hasName = true;
    device.name = value;
  } else if (key == "system") {
    return yesNo(value, device.hasSystem);
  } else if (key == "network") {
    return yesNo(value, device.hasNetwork);
  } else if (key == "mac") {
    device.hasMac = macAddress(value, device.mac);
    return device.hasMac;
  } else if (key == "functions") {
    device.functions = 0;
    for (const std::string& word : words(value)) {
      if (!functionCode(word)) return false;
      device.functions |= functionCode(word);
    }
  } else if (key.compare(0, 7, "status.") == 0) {
    const uint32_t code = functionCode(key.substr(7));
    if (!code) return false;
    device.status[code] = value;
  } else if (key == "storage") {
    const std::vector<std::string> sizes = words(value);
    device.hasStorage = sizes.size() == 2 && number32(sizes[0], device.storageTotal) &&
                        number32(sizes[1], device.storageUsed);
    return device.hasStorage;
  } else if (key == "fail") {
    for (const std::string& word : words(value)) {
      if (word == "open") {
        device.failsOpen = true;
      } else if (word == "info") {
        device.failsInformation = true;
      } else if (word == "functions") {
        device.failsFunctions = true;
      } else if (functionCode(word)) {
        device.failingFunctions |= functionCode(word);
      } else {
        return false;
      }
    }
  } else {
    return false;
  }
  return true;
}

}  // namespace

const DeviceDescription* DeviceFile::find(const std::string& address) const {
  for (const DeviceDescription& device : devices) {
    if (device.address == address) return &device;
  }
  return nullptr;
}

uint32_t functionCode(const std::string& name) {
  if (name == "printer") return kFunctionPrinter;
  if (name == "scanner") return kFunctionScanner;
  if (name == "fax") return kFunctionFax;
  if (name == "copier") return kFunctionCopier;
  return 0;
}

bool parseDeviceFile(const std::string& text, DeviceFile& file, std::string& error) {
  DeviceFile result;
  enum { kNone, kDiscovery, kDevice } section = kNone;
  std::istringstream in(text);
  std::string raw;
  for (int line = 1; std::getline(in, raw); ++line) {
    const std::string content = trimmed(raw);
    const auto fail = [&](const char* why) {
      error = "line " + std::to_string(line) + ": " + why + ": " + content;
      return false;
    };
    if (content.empty() || content[0] == '#') continue;
    if (content[0] == '[') {
      if (content.back() != ']') return fail("unfinished section");
      const std::string name = trimmed(content.substr(1, content.size() - 2));
      if (name == "discovery") {
        section = kDiscovery;
      } else if (name.compare(0, 7, "device ") == 0 && !trimmed(name.substr(7)).empty()) {
        section = kDevice;
        result.devices.emplace_back();
        result.devices.back().address = trimmed(name.substr(7));
      } else {
        return fail("unknown section");
      }
      continue;
    }
    const size_t equals = content.find('=');
    if (equals == std::string::npos) return fail("not a key = value line");
    const std::string key = trimmed(content.substr(0, equals));
    const std::string value = trimmed(content.substr(equals + 1));
    bool understood = false;
    if (section == kDiscovery && key == "fail") {
      understood = yesNo(value, result.discoveryFails);
    } else if (section == kDevice) {
      understood = deviceSetting(result.devices.back(), key, value);
    }
    if (!understood) return fail("not understood");
  }
  file = std::move(result);
  return true;
}

}  // namespace varnel
