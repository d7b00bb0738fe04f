#include "varnel/DeviceFile.h"

#include <gtest/gtest.h>

#include "varnel/Addresses.h"

namespace varnel {
namespace {

TEST(DeviceFile, ReadsDevicesInFileOrderWithEverySetting) {
  DeviceFile file;
  std::string error;
  ASSERT_TRUE(
      parseDeviceFile("# two devices\r\n"
                      "[device 192.0.2.10]\r\n"
                      "model = NX-4000\r\n"
                      "name = NOX-MFP-01\r\n"
                      "mac = 00-80-77-0a-0B-ff\r\n"
                      "functions = printer copier\r\n"
                      "status.copier = Warming up\r\n"
                      "storage = 4294967295 150000\r\n"
                      "fail = scanner info\r\n"
                      "\r\n"
                      "[device 192.0.2.11]\n"
                      "network = no\n"
                      "system = no\n",
                      file, error))
      << error;
  ASSERT_EQ(file.devices.size(), 2u);
  const DeviceDescription& first = file.devices[0];
  EXPECT_EQ(first.address, "192.0.2.10");
  EXPECT_EQ(first.model, "NX-4000");
  EXPECT_TRUE(first.hasName);
  EXPECT_EQ(first.name, "NOX-MFP-01");
  ASSERT_TRUE(first.hasMac);
  EXPECT_EQ(first.mac[3], 0x0a);
  EXPECT_EQ(first.mac[5], 0xff);
  EXPECT_EQ(first.functions, kFunctionPrinter | kFunctionCopier);
  EXPECT_EQ(first.status.at(kFunctionCopier), "Warming up");
  EXPECT_TRUE(first.hasStorage);
  EXPECT_EQ(first.storageTotal, 4294967295u);
  EXPECT_EQ(first.storageUsed, 150000u);
  EXPECT_TRUE(first.failsInformation);
  EXPECT_FALSE(first.failsOpen);
  EXPECT_EQ(first.failingFunctions, kFunctionScanner);
  const DeviceDescription& second = *file.find("192.0.2.11");
  EXPECT_FALSE(second.hasNetwork);
  EXPECT_FALSE(second.hasSystem);
  EXPECT_FALSE(second.hasName);
  EXPECT_FALSE(second.hasMac);
  EXPECT_FALSE(second.hasStorage);
  EXPECT_EQ(file.find("192.0.2.12"), nullptr);
}

TEST(DeviceFile, RefusesTextItDoesNotUnderstandNamingTheLine) {
  const struct {
    const char* text;
    const char* error;
  } rows[] = {
      {"[device 1.2.3.4]\nfunctions = printer plotter\n",
       "line 2: not understood: functions = printer plotter"},
      {"[device 1.2.3.4]\nmac = 00-11-22-33-44\n", "line 2: not understood"},
      {"[device 1.2.3.4]\nstorage = 4294967296 0\n", "line 2: not understood"},
      {"[device 1.2.3.4]\nfail = everything\n", "line 2: not understood"},
      {"model = X\n", "line 1: not understood"},
      {"[printer 1.2.3.4]\n", "line 1: unknown section"},
      {"[device ]\n", "line 1: unknown section"},
      {"[device 1.2.3.4\n", "line 1: unfinished section"},
      {"[discovery]\nfail = maybe\n", "line 2: not understood"},
      {"[device 1.2.3.4]\njust words\n", "line 2: not a key = value line"},
  };
  for (const auto& row : rows) {
    DeviceFile file;
    std::string error;
    EXPECT_FALSE(parseDeviceFile(row.text, file, error)) << row.text;
    EXPECT_EQ(error.compare(0, std::string(row.error).size(), row.error), 0) << error;
  }
  DeviceFile file;
  std::string error;
  ASSERT_TRUE(parseDeviceFile("[discovery]\nfail = yes\n", file, error));
  EXPECT_TRUE(file.discoveryFails);
}

TEST(Addresses, DottedTextAndLists) {
  const struct {
    const char* text;
    bool ok;
  } rows[] = {{"127.0.0.1", true},   {"255.255.255.255", true}, {"0.0.0.0", true},   {"256.0.0.1", false},
              {"1.2.3", false},      {"1.2.3.4.5", false},      {"1.2.3.4 ", false}, {"01.2.3.4", true},
              {"1.2.3.0004", false}, {"a.b.c.d", false},        {"", false}};
  for (const auto& row : rows) {
    Ipv4 address{};
    EXPECT_EQ(parseIpv4(row.text, address), row.ok) << row.text;
  }
  std::vector<Ipv4> list;
  ASSERT_TRUE(parseIpv4List("127.0.0.1, 127.0.0.2 127.21.0.9", list));
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(formatIpv4(list[2]), "127.21.0.9");
  EXPECT_FALSE(parseIpv4List("127.0.0.1,nowhere", list));
  EXPECT_FALSE(parseIpv4List(" , ", list));
  EXPECT_EQ(list.size(), 3u) << "a refused list leaves the old one";
}

}  // namespace
}  // namespace varnel
