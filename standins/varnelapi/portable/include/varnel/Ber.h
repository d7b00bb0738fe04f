#pragma once

// Basic Encoding Rules as SNMP uses them: definite lengths, single-byte tags,
// integers, octet strings, object identifiers and constructed values. Portable
// (no Windows header): it reads what the network sends.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace varnel::ber {

// Tags of the universal, application and context classes SNMP uses.
enum Tag : uint8_t {
  kInteger = 0x02,
  kOctetString = 0x04,
  kNull = 0x05,
  kObjectIdentifier = 0x06,
  kSequence = 0x30,
  kIpAddress = 0x40,
  kCounter32 = 0x41,
  kGauge32 = 0x42,
  kTimeTicks = 0x43,
  kOpaque = 0x44,
  kCounter64 = 0x46,
  kNoSuchObject = 0x80,
  kNoSuchInstance = 0x81,
  kEndOfMibView = 0x82,
  kGetRequest = 0xA0,
  kGetNextRequest = 0xA1,
  kResponse = 0xA2,
  kSetRequest = 0xA3,
  kGetBulkRequest = 0xA5,
  kReport = 0xA8,
};

// Longest object identifier accepted, in arcs (SNMP allows 128).
constexpr size_t kMaxArcs = 128;

// One tag-length-value read from a buffer; `value` points into that buffer.
struct Element {
  uint8_t tag = 0;
  const uint8_t* value = nullptr;
  size_t length = 0;
};

// Reads consecutive elements of a buffer without ever looking past its end.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), left_(size) {}
  explicit Reader(const Element& constructed) : Reader(constructed.value, constructed.length) {}

  // The next element; false (and nothing consumed) when the bytes do not hold a
  // whole element with a definite length that fits what is left.
  bool next(Element& element);
  // The next element, which must carry `tag`.
  bool next(uint8_t tag, Element& element);
  bool atEnd() const { return left_ == 0; }

 private:
  const uint8_t* data_;
  size_t left_;
};

// Integer contents (two's complement, big-endian). False when the contents are
// empty or do not fit the result.
bool decodeSigned(const Element& element, int64_t& value);
// Unsigned contents: up to eight significant bytes, with or without the sign
// octet 0x00 in front; false when empty or larger than 64 bits.
bool decodeUnsigned(const Element& element, uint64_t& value);
// Object identifier contents into arcs; false when empty, too long, an arc
// exceeds 32 bits or the last arc is unfinished.
bool decodeObjectIdentifier(const Element& element, std::vector<uint32_t>& arcs);

// Appends one element to `out`.
void putElement(std::vector<uint8_t>& out, uint8_t tag, const uint8_t* value, size_t length);
void putElement(std::vector<uint8_t>& out, uint8_t tag, const std::vector<uint8_t>& value);
void putSigned(std::vector<uint8_t>& out, uint8_t tag, int64_t value);
void putUnsigned(std::vector<uint8_t>& out, uint8_t tag, uint64_t value);
// False (and nothing appended) when arcs cannot be encoded: fewer than two, a
// first arc above 2, or a second arc of 40 or more below a first arc of 0 or 1.
bool putObjectIdentifier(std::vector<uint8_t>& out, const std::vector<uint32_t>& arcs);

// Dotted identifier text ("1.3.6.1.2.1.1.1.0", a leading dot allowed) into
// arcs; false for anything else (empty parts, letters, arcs above 32 bits).
bool parseObjectIdentifier(const std::string& text, std::vector<uint32_t>& arcs);
// Arcs as dotted text without a leading dot.
std::string formatObjectIdentifier(const std::vector<uint32_t>& arcs);

}  // namespace varnel::ber
