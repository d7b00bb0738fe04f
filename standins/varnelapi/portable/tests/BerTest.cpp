#include "varnel/Ber.h"

#include <gtest/gtest.h>

namespace varnel::ber {
namespace {

using Bytes = std::vector<uint8_t>;

std::string hex(const Bytes& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (uint8_t b : bytes) {
    if (!text.empty()) text += ' ';
    text += digits[b >> 4];
    text += digits[b & 15];
  }
  return text;
}

TEST(Ber, LengthsInShortAndLongFormAndTheirLimits) {
  struct Row {
    Bytes input;
    bool whole;
    size_t length;
  } rows[] = {
      {{0x04, 0x00}, true, 0},
      {{0x04, 0x01, 'x'}, true, 1},
      {{0x04, 0x81, 0x01, 'x'}, true, 1},            // long form of a short length
      {{0x04, 0x82, 0x00, 0x01, 'x'}, true, 1},      // with a leading zero byte
      {{0x04, 0x02, 'x'}, false, 0},                 // content runs past the buffer
      {{0x04, 0x80, 'x', 0, 0}, false, 0},           // indefinite length
      {{0x04, 0x85, 0, 0, 0, 0, 1, 'x'}, false, 0},  // five length bytes
      {{0x04, 0x84, 0xFF, 0xFF, 0xFF, 0xFF}, false, 0},
      {{0x04, 0x82, 0x01}, false, 0},  // length bytes cut short
      {{0x1F, 0x01, 0x00}, false, 0},  // multi-byte tag
      {{0x04}, false, 0},
  };
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    SCOPED_TRACE("row " + std::to_string(i) + ": " + hex(rows[i].input));
    Reader reader(rows[i].input.data(), rows[i].input.size());
    Element element;
    ASSERT_EQ(reader.next(element), rows[i].whole);
    if (rows[i].whole) {
      EXPECT_EQ(element.length, rows[i].length);
      EXPECT_TRUE(reader.atEnd());
    }
  }
  Bytes big(300, 'a');
  Bytes encoded;
  putElement(encoded, kOctetString, big);
  EXPECT_EQ(hex(Bytes(encoded.begin(), encoded.begin() + 4)), "04 82 01 2c");
  Reader reader(encoded.data(), encoded.size());
  Element element;
  ASSERT_TRUE(reader.next(kOctetString, element));
  EXPECT_EQ(element.length, 300u);
}

TEST(Ber, IntegersRoundTripInTheirShortestForm) {
  struct Row {
    int64_t value;
    const char* encoded;
  } rows[] = {
      {0, "02 01 00"},
      {127, "02 01 7f"},
      {128, "02 02 00 80"},
      {-1, "02 01 ff"},
      {-128, "02 01 80"},
      {-129, "02 02 ff 7f"},
      {2147483647, "02 04 7f ff ff ff"},
      {-2147483648LL, "02 04 80 00 00 00"},
  };
  for (const Row& row : rows) {
    Bytes out;
    putSigned(out, kInteger, row.value);
    EXPECT_EQ(hex(out), row.encoded) << row.value;
    Element element{kInteger, out.data() + 2, out.size() - 2};
    int64_t back = 0;
    ASSERT_TRUE(decodeSigned(element, back));
    EXPECT_EQ(back, row.value);
  }
  Bytes out;
  putUnsigned(out, kGauge32, 0xFFFFFFFFu);
  EXPECT_EQ(hex(out), "42 05 00 ff ff ff ff") << "an unsigned value with its top bit set needs a fifth byte";
}

TEST(Ber, IntegerContentsLongerThanTheirTypeAreDecodedOrRefusedNeverOverrun) {
  struct Row {
    Bytes content;
    bool signedOk;
    int64_t signedValue;
    bool unsignedOk;
    uint64_t unsignedValue;
  } rows[] = {
      {{0x00, 0xFF, 0xFF, 0xFF, 0xFF}, true, 0xFFFFFFFFLL, true, 0xFFFFFFFFu},
      {{0xFF, 0xFF, 0xFF, 0xFF}, true, -1, true, 0xFFFFFFFFu},  // agents that forget the sign byte
      {{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05}, true, 5, true, 5},    // redundant padding
      {{0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, false, 0, false, 0},  // 65 bits
      {{0x00, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, false, 0, true, 0x8000000000000000u},
      {{}, false, 0, false, 0},
  };
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    SCOPED_TRACE("row " + std::to_string(i) + ": " + hex(rows[i].content));
    Element element{kInteger, rows[i].content.data(), rows[i].content.size()};
    int64_t s = 42;
    uint64_t u = 42;
    ASSERT_EQ(decodeSigned(element, s), rows[i].signedOk);
    ASSERT_EQ(decodeUnsigned(element, u), rows[i].unsignedOk);
    if (rows[i].signedOk) {
      EXPECT_EQ(s, rows[i].signedValue);
    }
    if (rows[i].unsignedOk) {
      EXPECT_EQ(u, rows[i].unsignedValue);
    }
  }
}

TEST(Ber, ObjectIdentifierTextAndEncoding) {
  struct Row {
    const char* text;
    const char* encoded;  // null: the text is refused
  } rows[] = {
      {"1.3.6.1.2.1.1.1.0", "06 08 2b 06 01 02 01 01 01 00"},
      {".1.3.6.1.2.1.2.2.1.6", "06 09 2b 06 01 02 01 02 02 01 06"},
      {"1.3.6.1.4.1.32473.3.2", "06 0a 2b 06 01 04 01 81 fd 59 03 02"},
      {"2.999.4294967295", "06 07 88 37 8f ff ff ff 7f"},
      {"0.39", "06 01 27"},
      {"1.3.6.1.4294967296", nullptr},  // arc beyond 32 bits
      {"1.40", nullptr},
      {"3.1", nullptr},
      {"1", nullptr},
      {"1..3", nullptr},
      {"1.3.", nullptr},
      {"1.3.6a", nullptr},
      {"", nullptr},
      {" 1.3", nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    std::vector<uint32_t> arcs;
    ASSERT_EQ(parseObjectIdentifier(row.text, arcs), row.encoded != nullptr);
    if (!row.encoded) continue;
    Bytes out;
    ASSERT_TRUE(putObjectIdentifier(out, arcs));
    EXPECT_EQ(hex(out), row.encoded);
    std::vector<uint32_t> back;
    ASSERT_TRUE(decodeObjectIdentifier(Element{kObjectIdentifier, out.data() + 2, out.size() - 2}, back));
    EXPECT_EQ(back, arcs);
    EXPECT_EQ(formatObjectIdentifier(back), std::string(row.text[0] == '.' ? row.text + 1 : row.text));
  }
}

TEST(Ber, MalformedObjectIdentifierContentsAreRefused) {
  const Bytes rows[] = {
      {},                                    // empty
      {0x2b, 0x86},                          // last subidentifier unfinished
      {0x2b, 0x90, 0x80, 0x80, 0x80, 0x00},  // 2^32: beyond 32 bits
      {0x2b, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x7f},
  };
  for (const Bytes& content : rows) {
    std::vector<uint32_t> arcs{7};
    EXPECT_FALSE(decodeObjectIdentifier(Element{kObjectIdentifier, content.data(), content.size()}, arcs))
        << hex(content);
    EXPECT_EQ(arcs, std::vector<uint32_t>{7}) << "left unchanged";
  }
  Bytes many(kMaxArcs, 0x01);
  std::vector<uint32_t> arcs;
  EXPECT_FALSE(decodeObjectIdentifier(Element{kObjectIdentifier, many.data(), many.size()}, arcs))
      << kMaxArcs + 1 << " arcs";
  many.pop_back();
  EXPECT_TRUE(decodeObjectIdentifier(Element{kObjectIdentifier, many.data(), many.size()}, arcs));
  EXPECT_EQ(arcs.size(), kMaxArcs);
}

}  // namespace
}  // namespace varnel::ber
