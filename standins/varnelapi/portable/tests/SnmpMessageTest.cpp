#include "varnel/SnmpMessage.h"

#include <gtest/gtest.h>

namespace varnel::snmp {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes fromHex(const std::string& text) {
  Bytes bytes;
  for (size_t i = 0; i + 1 < text.size();) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    bytes.push_back(static_cast<uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
    i += 2;
  }
  return bytes;
}

std::vector<uint32_t> oid(const char* text) {
  std::vector<uint32_t> arcs;
  EXPECT_TRUE(ber::parseObjectIdentifier(text, arcs)) << text;
  return arcs;
}

const char kSysDescrRequest[] =
    "30 26 02 01 00 04 06 70 75 62 6c 69 63 a0 19 02 01 01 02 01 00 02 01 00"
    " 30 0e 30 0c 06 08 2b 06 01 02 01 01 01 00 05 00";

TEST(SnmpMessage, RequestHasTheWellKnownBytes) {
  Bytes out;
  ASSERT_TRUE(encode(request(ber::kGetRequest, kVersion1, "public", 1, {oid("1.3.6.1.2.1.1.1.0")}), out));
  EXPECT_EQ(out, fromHex(kSysDescrRequest));
  Message back;
  ASSERT_EQ(decode(out.data(), out.size(), back), DecodeStatus::kOk);
  EXPECT_EQ(back.community, "public");
  EXPECT_EQ(back.pduType, ber::kGetRequest);
  ASSERT_EQ(back.bindings.size(), 1u);
  EXPECT_EQ(back.bindings[0].value.type, ber::kNull);
}

// A response carrying one value of every kind, through encode and decode, and
// the bytes the library hands its callers for each.
TEST(SnmpMessage, ResponseValuesOfEveryKindAndTheirCallerBytes) {
  struct Row {
    Value value;
    Bytes callerBytes;
  };
  auto number = [](uint8_t type, uint64_t count) {
    Value v;
    v.type = type;
    v.count = count;
    return v;
  };
  auto bytes = [](uint8_t type, Bytes content) {
    Value v;
    v.type = type;
    v.bytes = std::move(content);
    return v;
  };
  Value integer;
  integer.type = ber::kInteger;
  integer.integer = -2;
  Value identifier;
  identifier.type = ber::kObjectIdentifier;
  identifier.arcs = oid("1.3.6.1.4.1.8072.3.2.10");
  Value noSuchObject;
  noSuchObject.type = ber::kNoSuchObject;
  const Row rows[] = {
      {integer, {0xFE, 0xFF, 0xFF, 0xFF}},
      {number(ber::kGauge32, 0xFFFFFFFFu), {0xFF, 0xFF, 0xFF, 0xFF}},
      {number(ber::kTimeTicks, 8640000), {0x00, 0xD6, 0x83, 0x00}},
      {number(ber::kCounter32, 1), {1, 0, 0, 0}},
      {number(ber::kCounter64, 0x0102030405060708ull), {8, 7, 6, 5, 4, 3, 2, 1}},
      {bytes(ber::kOctetString, {'l', 'o'}), {'l', 'o'}},
      {bytes(ber::kOctetString, {}), {}},
      {bytes(ber::kIpAddress, {192, 0, 2, 7}), {192, 0, 2, 7}},
      {bytes(ber::kOpaque, {0x9f, 0x78}), {0x9f, 0x78}},
      {identifier, {'1', '.', '3', '.', '6', '.', '1', '.', '4', '.', '1', '.',
                    '8', '0', '7', '2', '.', '3', '.', '2', '.', '1', '0'}},
      {noSuchObject, {}},
  };
  Message response;
  response.pduType = ber::kResponse;
  response.community = "quartz";
  response.requestId = 0x7FFFFFF0;
  for (const Row& row : rows) response.bindings.push_back(VarBind{oid("1.3.6.1.2.1.1.3.0"), row.value});
  Bytes out;
  ASSERT_TRUE(encode(response, out));
  Message back;
  ASSERT_EQ(decode(out.data(), out.size(), back), DecodeStatus::kOk);
  EXPECT_TRUE(back == response);
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    EXPECT_EQ(valueBytes(back.bindings[i].value), rows[i].callerBytes) << "row " << i;
  }
}

// Answers Net-SNMP's agent sent to a get-next of three columns, to a v1 get of
// a missing object, and to a get of a Counter64 and an identifier.
TEST(SnmpMessage, DecodesWhatNetSnmpSends) {
  const Bytes walk = fromHex(
      "3050020101040671756172747aa2430201070201000201003038300f060a2b060102010202010101020101300e060a2b0601"
      "0201020201060104003015060d2b06010201041401017f00000140047f000001");
  Message message;
  ASSERT_EQ(decode(walk.data(), walk.size(), message), DecodeStatus::kOk);
  EXPECT_EQ(message.version, kVersion2c);
  EXPECT_EQ(message.community, "quartz");
  EXPECT_EQ(message.requestId, 7);
  ASSERT_EQ(message.bindings.size(), 3u);
  EXPECT_EQ(ber::formatObjectIdentifier(message.bindings[0].name), "1.3.6.1.2.1.2.2.1.1.1");
  EXPECT_EQ(message.bindings[0].value.integer, 1);
  EXPECT_EQ(message.bindings[1].value.type, ber::kOctetString);
  EXPECT_TRUE(message.bindings[1].value.bytes.empty());
  EXPECT_EQ(ber::formatObjectIdentifier(message.bindings[2].name), "1.3.6.1.2.1.4.20.1.1.127.0.0.1");
  EXPECT_EQ(valueBytes(message.bindings[2].value), (Bytes{127, 0, 0, 1}));

  const Bytes missing =
      fromHex("3026020100040671756172747aa219020107020102020101300e300c06082b060102010163000500");
  ASSERT_EQ(decode(missing.data(), missing.size(), message), DecodeStatus::kOk);
  EXPECT_EQ(message.version, kVersion1);
  EXPECT_EQ(message.errorStatus, kNoSuchName);
  EXPECT_EQ(message.errorIndex, 1);

  const Bytes wide = fromHex(
      "3044020101040671756172747aa237020107020100020100302c3012060b2b060102011f01010106014603026197301606082b"
      "06010201010200060a2b06010401bf0803020a");
  ASSERT_EQ(decode(wide.data(), wide.size(), message), DecodeStatus::kOk);
  EXPECT_EQ(message.bindings[0].value.type, ber::kCounter64);
  EXPECT_EQ(message.bindings[0].value.count, 0x026197u);
  EXPECT_EQ(valueBytes(message.bindings[1].value),
            (Bytes{'1', '.', '3', '.', '6', '.', '1', '.', '4', '.', '1', '.',
                   '8', '0', '7', '2', '.', '3', '.', '2', '.', '1', '0'}));
}

TEST(SnmpMessage, DatagramsThatAreNotMessagesAreRefused) {
  const Bytes good = fromHex(kSysDescrRequest);
  struct Row {
    const char* why;
    Bytes bytes;
    DecodeStatus status;
  } rows[] = {
      {"empty", {}, DecodeStatus::kMalformed},
      {"cut short", Bytes(good.begin(), good.end() - 1), DecodeStatus::kMalformed},
      {"trailing byte",
       [&] {
         Bytes b = good;
         b.push_back(0);
         return b;
       }(),
       DecodeStatus::kMalformed},
      {"version 3",
       [&] {
         Bytes b = good;
         b[4] = 3;
         return b;
       }(),
       DecodeStatus::kUnsupported},
      {"v1 trap",
       [&] {
         Bytes b = good;
         b[13] = 0xA4;
         return b;
       }(),
       DecodeStatus::kUnsupported},
      {"not a PDU",
       [&] {
         Bytes b = good;
         b[13] = 0x30;
         return b;
       }(),
       DecodeStatus::kMalformed},
      {"community not a string",
       [&] {
         Bytes b = good;
         b[5] = 0x02;
         return b;
       }(),
       DecodeStatus::kMalformed},
      {"null with content",
       fromHex("30 27 02 01 00 04 06 70 75 62 6c 69 63 a2 1a 02 01 01 02 01 00 02 01 00"
               " 30 0f 30 0d 06 08 2b 06 01 02 01 01 01 00 05 01 00"),
       DecodeStatus::kMalformed},
      {"integer beyond 32 bits",
       fromHex("30 2b 02 01 00 04 06 70 75 62 6c 69 63 a2 1e 02 01 01 02 01 00 02 01 00"
               " 30 13 30 11 06 08 2b 06 01 02 01 01 01 00 02 05 01 00 00 00 00"),
       DecodeStatus::kMalformed},
      {"gauge beyond 32 bits",
       fromHex("30 2b 02 01 00 04 06 70 75 62 6c 69 63 a2 1e 02 01 01 02 01 00 02 01 00"
               " 30 13 30 11 06 08 2b 06 01 02 01 01 01 00 42 05 01 00 00 00 00"),
       DecodeStatus::kMalformed},
      {"IpAddress of 5 bytes",
       fromHex("30 2b 02 01 00 04 06 70 75 62 6c 69 63 a2 1e 02 01 01 02 01 00 02 01 00"
               " 30 13 30 11 06 08 2b 06 01 02 01 01 01 00 40 05 01 02 03 04 05"),
       DecodeStatus::kMalformed},
  };
  for (const Row& row : rows) {
    Message message;
    message.community = "untouched";
    EXPECT_EQ(decode(row.bytes.data(), row.bytes.size(), message), row.status) << row.why;
    EXPECT_EQ(message.community, "untouched") << row.why;
  }
}

}  // namespace
}  // namespace varnel::snmp
