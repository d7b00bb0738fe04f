#pragma once

// SNMP version 1 and 2c messages: the community-based message around one PDU
// with its variable bindings. Portable (no Windows header): the decoder takes
// datagrams from the network and must hold against any bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "varnel/Ber.h"

namespace varnel::snmp {

constexpr int32_t kVersion1 = 0;
constexpr int32_t kVersion2c = 1;

// Error status values of a response.
constexpr int32_t kNoError = 0;
constexpr int32_t kTooBig = 1;
constexpr int32_t kNoSuchName = 2;

// A value as carried on the wire, decoded by its type.
struct Value {
  uint8_t type = ber::kNull;
  int64_t integer = 0;         // INTEGER (always within 32 bits)
  uint64_t count = 0;          // Counter32, Gauge32, TimeTicks (32 bits), Counter64
  std::vector<uint8_t> bytes;  // OCTET STRING, Opaque, IpAddress (4), other types as received
  std::vector<uint32_t> arcs;  // OBJECT IDENTIFIER

  bool operator==(const Value& other) const {
    return type == other.type && integer == other.integer && count == other.count && bytes == other.bytes &&
           arcs == other.arcs;
  }
};

struct VarBind {
  std::vector<uint32_t> name;
  Value value;
  bool operator==(const VarBind& other) const { return name == other.name && value == other.value; }
};

struct Message {
  int32_t version = kVersion2c;
  std::string community;
  uint8_t pduType = ber::kGetRequest;
  int32_t requestId = 0;
  int32_t errorStatus = 0;
  int32_t errorIndex = 0;
  std::vector<VarBind> bindings;

  bool operator==(const Message& other) const {
    return version == other.version && community == other.community && pduType == other.pduType &&
           requestId == other.requestId && errorStatus == other.errorStatus &&
           errorIndex == other.errorIndex && bindings == other.bindings;
  }
};

enum class DecodeStatus {
  kOk,
  kMalformed,    // not a well-formed message, or a value outside its type's range
  kUnsupported,  // well-formed, but a version or PDU this library does not speak (v3, v1 traps)
};

// Decodes one datagram; `message` is only changed on kOk. Bytes after the
// message are malformed.
DecodeStatus decode(const uint8_t* data, size_t size, Message& message);

// Encodes a message; false (and `out` unchanged) when a name or identifier
// value cannot be encoded.
bool encode(const Message& message, std::vector<uint8_t>& out);

// A request for `names` (values null), as a manager sends it.
Message request(uint8_t pduType, int32_t version, const std::string& community, int32_t requestId,
                const std::vector<std::vector<uint32_t>>& names);

// The bytes of a value as the library hands them to its callers: the 32-bit
// integer kinds as four little-endian bytes, Counter64 as eight, an IpAddress
// as its four bytes, strings as received, an identifier as dotted text, null
// and the exceptions empty.
std::vector<uint8_t> valueBytes(const Value& value);

}  // namespace varnel::snmp
