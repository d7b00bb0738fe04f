#pragma once

// DNS messages as the resolver sends and reads them (RFC 1035 layout). Portable:
// no Windows header, built and fuzzed on Linux too.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace netdiag {

enum DnsType {
  kDnsA = 1,
  kDnsNS = 2,
  kDnsCName = 5,
  kDnsSOA = 6,
  kDnsPTR = 12,
  kDnsHINFO = 13,
  kDnsMINFO = 14,
  kDnsMX = 15,
  kDnsTXT = 16,
  kDnsAny = 255,
};

// Decoded names and character-strings are cut at this many characters.
constexpr size_t kDnsMaxText = 260;
// Longest query name, an appended domain included.
constexpr size_t kDnsMaxQueryName = 255;
// How much of a UDP reply is read.
constexpr size_t kDnsUdpReplyLimit = 540;

// Position of the mnemonic in the type table, compared without regard to case:
// 0 for null or empty, 1 ("A") for a mnemonic the table lacks.
int dnsTypeCode(const char* mnemonic);

struct DnsRecord {
  std::string owner;
  int type = 0;
  uint32_t ttl = 0;
  int preference = 0;  // MX only
  std::string text;    // the answer text by type
  std::string second;  // SOA mailbox, second HINFO/MINFO string
  uint32_t soa[5] = {};
};

struct DnsReply {
  bool authoritative = false;
  std::vector<DnsRecord> records;  // answer, authority and additional sections in reply order
};

// The query message for one question (identifier 0x8639, recursion desired).
// Empty when the name cannot be sent: longer than kDnsMaxQueryName or with a
// label longer than 63 characters. A final dot adds nothing; empty labels are left out.
std::vector<uint8_t> buildDnsQuery(const std::string& name, int type);

// Reads a reply to a query of `questionLength` bytes (the question is not read
// back: records start right after it). A reply is read as far as its counts and
// length allow; a compression loop or a pointer outside the reply ends the
// reading, keeping the records read before.
DnsReply parseDnsReply(const uint8_t* reply, size_t length, size_t questionLength);

// Decodes the domain name at `offset`; `next` receives the position after the
// name as it stands there. False for a pointer loop or a pointer or label
// outside the reply (the text read so far stays in `name`).
bool decodeDnsName(const uint8_t* reply, size_t length, size_t offset, std::string& name, size_t& next);

}  // namespace netdiag
