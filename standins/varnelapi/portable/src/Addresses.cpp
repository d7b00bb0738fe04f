#include "varnel/Addresses.h"

namespace varnel {

bool parseIpv4(const std::string& text, Ipv4& address) {
  Ipv4 result{};
  size_t i = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (i >= text.size() || text[i] != '.') return false;
      ++i;
    }
    size_t digits = 0;
    unsigned value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 4) {
      value = value * 10 + static_cast<unsigned>(text[i] - '0');
      ++i;
      ++digits;
    }
    if (digits == 0 || digits > 3 || value > 255) return false;
    result[part] = static_cast<uint8_t>(value);
  }
  if (i != text.size()) return false;
  address = result;
  return true;
}

std::string formatIpv4(const Ipv4& address) {
  return std::to_string(address[0]) + "." + std::to_string(address[1]) + "." + std::to_string(address[2]) +
         "." + std::to_string(address[3]);
}

bool parseIpv4List(const std::string& text, std::vector<Ipv4>& addresses) {
  std::vector<Ipv4> result;
  std::string entry;
  for (size_t i = 0; i <= text.size(); ++i) {
    const char c = i < text.size() ? text[i] : ',';
    if (c == ',' || c == ' ' || c == '\t') {
      if (entry.empty()) continue;
      Ipv4 address;
      if (!parseIpv4(entry, address)) return false;
      result.push_back(address);
      entry.clear();
    } else {
      entry += c;
    }
  }
  if (result.empty()) return false;
  addresses.swap(result);
  return true;
}

}  // namespace varnel
