#pragma once

// IPv4 address texts of the stand-in's settings. Portable (no Windows header).

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace varnel {

using Ipv4 = std::array<uint8_t, 4>;

// Strict dotted-decimal text: four numbers 0 to 255, nothing else.
bool parseIpv4(const std::string& text, Ipv4& address);
std::string formatIpv4(const Ipv4& address);
// A list separated by commas or blanks; false when empty or an entry is not an address.
bool parseIpv4List(const std::string& text, std::vector<Ipv4>& addresses);

}  // namespace varnel
