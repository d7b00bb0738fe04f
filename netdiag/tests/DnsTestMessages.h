#pragma once

// Builds DNS replies for tests: the header, the question as the resolver sent
// it, then records with plain or compressed names.
#include <cstdint>
#include <string>
#include <vector>

#include "DnsMessage.h"

namespace netdiag::testing {

class ReplyBuilder {
 public:
  // A reply to `query` (its bytes are copied as the question section).
  explicit ReplyBuilder(const std::vector<uint8_t>& query, bool authoritative = true) : bytes_(query) {
    bytes_[2] = static_cast<uint8_t>(0x81 | (authoritative ? 0x04 : 0));
    bytes_[3] = 0x80;
  }
  ReplyBuilder(const std::string& name, int type, bool authoritative = true)
      : ReplyBuilder(buildDnsQuery(name, type), authoritative) {}

  ReplyBuilder& a(const std::string& owner, const std::string& dotted, int section = 0) {
    std::vector<uint8_t> data;
    size_t start = 0;
    for (int i = 0; i < 4; ++i) {
      size_t dot = dotted.find('.', start);
      data.push_back(static_cast<uint8_t>(std::stoi(dotted.substr(start, dot - start))));
      start = dot + 1;
    }
    return record(owner, kDnsA, data, section);
  }
  ReplyBuilder& named(const std::string& owner, int type, const std::string& target, int section = 0) {
    return record(owner, type, encode(target), section);
  }
  ReplyBuilder& mx(const std::string& owner, int preference, const std::string& exchange, int section = 0) {
    std::vector<uint8_t> data = {static_cast<uint8_t>(preference >> 8), static_cast<uint8_t>(preference)};
    std::vector<uint8_t> name = encode(exchange);
    data.insert(data.end(), name.begin(), name.end());
    return record(owner, kDnsMX, data, section);
  }
  ReplyBuilder& soa(const std::string& owner, const std::string& primary, const std::string& mailbox) {
    std::vector<uint8_t> data = encode(primary);
    std::vector<uint8_t> box = encode(mailbox);
    data.insert(data.end(), box.begin(), box.end());
    for (uint32_t n : {2024u, 3600u, 600u, 86400u, 300u}) {
      for (int shift = 24; shift >= 0; shift -= 8) data.push_back(static_cast<uint8_t>(n >> shift));
    }
    return record(owner, kDnsSOA, data, 1);
  }
  ReplyBuilder& raw(int type, const std::vector<uint8_t>& ownerBytes, const std::vector<uint8_t>& data) {
    append(ownerBytes, type, data, 0);
    return *this;
  }
  ReplyBuilder& record(const std::string& owner, int type, const std::vector<uint8_t>& data,
                       int section = 0) {
    append(encode(owner), type, data, section);
    return *this;
  }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

  static std::vector<uint8_t> encode(const std::string& name) {
    std::vector<uint8_t> out;
    size_t start = 0;
    while (start < name.size()) {
      size_t dot = name.find('.', start);
      if (dot == std::string::npos) dot = name.size();
      out.push_back(static_cast<uint8_t>(dot - start));
      out.insert(out.end(), name.begin() + static_cast<long>(start), name.begin() + static_cast<long>(dot));
      start = dot + 1;
    }
    out.push_back(0);
    return out;
  }

 private:
  void append(const std::vector<uint8_t>& owner, int type, const std::vector<uint8_t>& data, int section) {
    bytes_.insert(bytes_.end(), owner.begin(), owner.end());
    const uint8_t fixed[10] = {
        static_cast<uint8_t>(type >> 8),        static_cast<uint8_t>(type),       0, 1, 0, 0, 0x0E, 0x10,
        static_cast<uint8_t>(data.size() >> 8), static_cast<uint8_t>(data.size())};
    bytes_.insert(bytes_.end(), fixed, fixed + 10);
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    size_t at = 6 + 2 * static_cast<size_t>(section);
    uint16_t count = static_cast<uint16_t>((bytes_[at] << 8 | bytes_[at + 1]) + 1);
    bytes_[at] = static_cast<uint8_t>(count >> 8);
    bytes_[at + 1] = static_cast<uint8_t>(count);
  }

  std::vector<uint8_t> bytes_;
};

}  // namespace netdiag::testing
