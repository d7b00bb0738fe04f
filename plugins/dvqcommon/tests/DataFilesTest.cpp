// Host names in the document server's data files, and data files that lie
// about their counts, offsets and lengths.
#include <gtest/gtest.h>

#include <cstring>

#include "DataFileBuilders.h"
#include "DataFiles.h"

namespace {

using dvqtest::ControlFileBuilder;
using dvqtest::DeviceRollBuilder;

std::vector<std::string> hostsOf(const std::vector<unsigned char>& file) {
  return dvq::controlFileHosts(file.data(), file.size());
}

std::vector<std::string> hostsOf(const DeviceRollBuilder& roll) {
  return dvq::deviceRollHosts(roll.directory.data(), roll.directory.size(), roll.records.data(),
                              roll.records.size());
}

TEST(ControlFileHostsTest, HostRecordsOfTheFourKindsWithTheirExtraBytesSkipped) {
  ControlFileBuilder file;
  file.record(201, "127.0.0.1", 3, 0, 5);
  file.record(100, "not-a-host", 0, 7, 0);
  file.record(204, "printer01.corp.test");
  file.record(205, "other");
  file.record(202, "");
  file.record(203, std::string(200, 'n'));  // no terminator within the record
  EXPECT_EQ((std::vector<std::string>{"127.0.0.1", "printer01.corp.test", std::string(78, 'n')}),
            hostsOf(file.bytes()));
}

TEST(ControlFileHostsTest, CountsAndSkipLengthsThatPointPastTheEndEndTheReading) {
  ControlFileBuilder two;
  two.record(201, "first");
  two.record(202, "second");
  std::vector<unsigned char> bytes = two.bytes();
  dvqtest::put32(bytes, 4, 0xFFFFFFFF);
  EXPECT_EQ((std::vector<std::string>{"first", "second"}), hostsOf(bytes)) << "a count larger than the file";

  std::vector<unsigned char> cut(bytes.begin(), bytes.end() - 1);
  EXPECT_EQ((std::vector<std::string>{"first"}), hostsOf(cut)) << "the second record is one byte short";

  ControlFileBuilder skipping;
  skipping.record(201, "first", 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF);  // the sum overflows 32 bits
  skipping.record(202, "unreachable");
  EXPECT_EQ((std::vector<std::string>{"first"}), hostsOf(skipping.bytes()));

  ControlFileBuilder wrapping;
  wrapping.record(201, "first", 0x80000000u, 0x80000000u, dvq::kControlRecordSize);  // 2^32 + 488
  wrapping.record(202, "second");
  EXPECT_EQ((std::vector<std::string>{"first"}), hostsOf(wrapping.bytes()))
      << "a sum that wraps in 32 bits must not land on the next record";

  for (size_t size : {0, 1, 7, 8}) {
    std::vector<unsigned char> small(bytes.begin(), bytes.begin() + size);
    EXPECT_TRUE(hostsOf(small).empty()) << size;
  }
}

TEST(DeviceRollHostsTest, NamesAtEitherPlaceAndGapsBetweenEntries) {
  DeviceRollBuilder roll(100, 6);
  roll.entry("127.0.0.1", "");
  roll.entry("", "fallback.corp.test");
  roll.entry("", "");
  roll.entry("both-set", "ignored");
  EXPECT_EQ((std::vector<std::string>{"127.0.0.1", "fallback.corp.test", "both-set"}), hostsOf(roll));
}

TEST(DeviceRollHostsTest, EntriesAndRecordsOutsideTheFiles) {
  DeviceRollBuilder roll(96, 0);
  roll.entry("one", "");
  roll.entry("two", "");
  roll.setCount(60000);
  EXPECT_EQ((std::vector<std::string>{"one", "two"}), hostsOf(roll)) << "count larger than the table";

  DeviceRollBuilder wild(96, 0);
  wild.entry("kept", "");
  wild.entry("far", "");
  wild.pointAt(0xFFFFFFF0u);
  wild.entry("last", "");
  wild.entry("cut", "");
  wild.pointAt(static_cast<uint32_t>(wild.records.size() - dvq::kDeviceRecordSize + 1));
  EXPECT_EQ((std::vector<std::string>{"kept", "last"}), hostsOf(wild))
      << "records past the end of devroll.tdb are passed over";

  DeviceRollBuilder table(96, 0);
  table.entry("beyond", "");
  dvqtest::put16(table.directory, 0, 0xFFF0);
  EXPECT_TRUE(hostsOf(table).empty()) << "table position past the end of devroll.dir";

  DeviceRollBuilder gap(96, 0xFFFF);
  gap.entry("first", "");
  gap.entry("second", "");
  EXPECT_EQ((std::vector<std::string>{"first"}), hostsOf(gap)) << "a gap that jumps past the end";

  std::vector<unsigned char> header(dvq::kDeviceDirectoryHeader - 1, 0);
  EXPECT_TRUE(dvq::deviceRollHosts(header.data(), header.size(), nullptr, 0).empty());
  EXPECT_TRUE(dvq::deviceRollHosts(roll.directory.data(), roll.directory.size(), nullptr, 0).empty());
}

}  // namespace
