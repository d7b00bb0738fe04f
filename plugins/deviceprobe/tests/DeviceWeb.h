#pragma once

// What device-web.py serves as sysinfo.xml for a device address.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

inline std::string servedSysinfo(const std::string& address) {
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<sysinfo device=\"" + address + "\">\r\n";
  for (int i = 0; i < 300; ++i) {
    text += "  <entry index=\"" + std::to_string(i) + "\">" + std::string(40, 'x') + "</entry>\r\n";
  }
  return text + "</sysinfo>\r\n";
}

// Whether a file holds exactly `expected`; says where it differs when not.
inline ::testing::AssertionResult fileHolds(const std::string& path, const std::string& expected) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return ::testing::AssertionFailure() << path << " is missing";
  std::ostringstream bytes;
  bytes << in.rdbuf();
  const std::string actual = bytes.str();
  if (actual == expected) return ::testing::AssertionSuccess();
  size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  return ::testing::AssertionFailure()
         << path << ": " << actual.size() << " bytes instead of " << expected.size()
         << ", first difference at byte " << at << ": \"" << actual.substr(at, 40) << "\"";
}

// A file's bytes; "<missing>" when it cannot be read.
inline std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}
