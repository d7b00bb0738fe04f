#include "DnsMessage.h"

#include "Text.h"

namespace netdiag {

namespace {

const char* const kTypeTable[] = {"",   "A",    "NS",  "MD",  "MF",    "CName", "SOA", "MB", "MG",
                                  "MR", "NULL", "WKS", "PTR", "HINFO", "MINFO", "MX",  "TXT"};

uint16_t read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
uint32_t read32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | p[3];
}

void appendCut(std::string& text, const char* data, size_t length) {
  if (text.size() >= kDnsMaxText) return;
  size_t room = kDnsMaxText - text.size();
  text.append(data, length < room ? length : room);
}

// A length-prefixed character-string inside [offset, end); `next` after it.
std::string characterString(const uint8_t* reply, size_t end, size_t offset, size_t& next) {
  std::string text;
  next = end;
  if (offset >= end) return text;
  size_t length = reply[offset];
  size_t available = end - offset - 1;
  if (length > available) length = available;
  appendCut(text, reinterpret_cast<const char*>(reply + offset + 1), length);
  next = offset + 1 + length;
  return text;
}

}  // namespace

int dnsTypeCode(const char* mnemonic) {
  if (!mnemonic || !*mnemonic) return 0;
  for (size_t code = 1; code < sizeof(kTypeTable) / sizeof(kTypeTable[0]); ++code) {
    if (equalsIgnoringCase(mnemonic, kTypeTable[code])) return static_cast<int>(code);
  }
  return kDnsA;
}

std::vector<uint8_t> buildDnsQuery(const std::string& name, int type) {
  std::vector<uint8_t> message;
  if (name.size() > kDnsMaxQueryName) return message;
  const uint8_t header[12] = {0x86, 0x39, 0x01, 0x00, 0x00, 0x01, 0, 0, 0, 0, 0, 0};
  message.assign(header, header + sizeof(header));
  size_t start = 0;
  while (start <= name.size()) {
    size_t dot = name.find('.', start);
    if (dot == std::string::npos) dot = name.size();
    size_t length = dot - start;
    if (length > 63) return {};
    if (length > 0) {
      message.push_back(static_cast<uint8_t>(length));
      message.insert(message.end(), name.begin() + static_cast<std::ptrdiff_t>(start),
                     name.begin() + static_cast<std::ptrdiff_t>(dot));
    }
    start = dot + 1;
  }
  message.push_back(0);
  message.push_back(static_cast<uint8_t>(type >> 8));
  message.push_back(static_cast<uint8_t>(type));
  message.push_back(0);
  message.push_back(1);
  return message;
}

bool decodeDnsName(const uint8_t* reply, size_t length, size_t offset, std::string& name, size_t& next) {
  name.clear();
  next = length;
  bool jumped = false;
  // Every pointer must lead further back than the one before it, which rules out
  // loops; a name cannot hold more labels than the reply has bytes.
  size_t lowestPointer = offset;
  size_t position = offset;
  for (;;) {
    if (position >= length) return false;
    uint8_t b = reply[position];
    if (b == 0) {
      if (!jumped) next = position + 1;
      return true;
    }
    if (b < 64) {
      if (position + 1 + b > length) return false;
      if (name.size() < kDnsMaxText) {
        if (!name.empty()) name += '.';
        appendCut(name, reinterpret_cast<const char*>(reply + position + 1), b);
      }
      position += 1 + b;
      continue;
    }
    if (position + 1 >= length) return false;
    size_t target = static_cast<size_t>(b & 0x3F) << 8 | reply[position + 1];
    if (!jumped) next = position + 2;
    jumped = true;
    if (target >= lowestPointer) return false;
    lowestPointer = target;
    position = target;
  }
}

DnsReply parseDnsReply(const uint8_t* reply, size_t length, size_t questionLength) {
  DnsReply result;
  if (length >= 3) result.authoritative = (reply[2] & 0x04) != 0;
  if (length < 12) return result;
  size_t count = static_cast<size_t>(read16(reply + 6)) + read16(reply + 8) + read16(reply + 10);
  size_t position = questionLength;
  for (size_t i = 0; i < count; ++i) {
    DnsRecord record;
    size_t next;
    if (!decodeDnsName(reply, length, position, record.owner, next)) break;
    if (next + 10 > length) break;
    record.type = read16(reply + next);
    record.ttl = read32(reply + next + 4);
    size_t dataLength = read16(reply + next + 8);
    size_t data = next + 10;
    if (data + dataLength > length) break;
    size_t end = data + dataLength;
    bool readable = true;
    switch (record.type) {
      case kDnsA:
        if (dataLength >= 4) {
          record.text = std::to_string(reply[data]) + "." + std::to_string(reply[data + 1]) + "." +
                        std::to_string(reply[data + 2]) + "." + std::to_string(reply[data + 3]);
        }
        break;
      case kDnsMX:
        if (dataLength >= 2) {
          record.preference = read16(reply + data);
          readable = decodeDnsName(reply, length, data + 2, record.text, next);
        }
        break;
      case kDnsSOA: {
        readable = decodeDnsName(reply, length, data, record.text, next) &&
                   decodeDnsName(reply, length, next, record.second, next);
        if (readable && next + 20 <= length) {
          for (int n = 0; n < 5; ++n) record.soa[n] = read32(reply + next + 4 * n);
        }
        break;
      }
      case kDnsHINFO:
      case kDnsMINFO:
        record.text = characterString(reply, end, data, next);
        record.second = characterString(reply, end, next, next);
        break;
      case kDnsTXT:
        record.text = characterString(reply, end, data, next);
        break;
      default:
        readable = decodeDnsName(reply, length, data, record.text, next);
        break;
    }
    if (!readable) break;
    result.records.push_back(std::move(record));
    position = end;
  }
  return result;
}

bool parseDottedAddress(const std::string& text, unsigned char octets[4]) {
  size_t position = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (position >= text.size() || text[position] != '.') return false;
      ++position;
    }
    unsigned value = 0;
    size_t digits = 0;
    while (position < text.size() && text[position] >= '0' && text[position] <= '9' && digits < 4) {
      value = value * 10 + static_cast<unsigned>(text[position] - '0');
      ++position;
      ++digits;
    }
    if (digits == 0 || digits > 3 || value > 255) return false;
    octets[part] = static_cast<unsigned char>(value);
  }
  return position == text.size();
}

}  // namespace netdiag
