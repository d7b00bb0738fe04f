#include "varnel/Ber.h"

namespace varnel::ber {

namespace {

constexpr uint64_t kMaxArc = 0xFFFFFFFFu;

// Leading bytes that only repeat the sign of the next one carry no value.
size_t redundantSignBytes(const uint8_t* p, size_t n) {
  size_t skip = 0;
  while (n - skip > 1 &&
         ((p[skip] == 0x00 && p[skip + 1] < 0x80) || (p[skip] == 0xFF && p[skip + 1] >= 0x80))) {
    ++skip;
  }
  return skip;
}

void putLength(std::vector<uint8_t>& out, size_t length) {
  if (length < 0x80) {
    out.push_back(static_cast<uint8_t>(length));
    return;
  }
  uint8_t bytes[sizeof(size_t)];
  size_t n = 0;
  for (size_t rest = length; rest; rest >>= 8) bytes[n++] = static_cast<uint8_t>(rest);
  out.push_back(static_cast<uint8_t>(0x80 | n));
  while (n) out.push_back(bytes[--n]);
}

void putBase128(std::vector<uint8_t>& out, uint64_t value) {
  uint8_t bytes[10];
  size_t n = 0;
  do {
    bytes[n++] = static_cast<uint8_t>(value & 0x7F);
    value >>= 7;
  } while (value);
  while (n > 1) out.push_back(static_cast<uint8_t>(bytes[--n] | 0x80));
  out.push_back(bytes[0]);
}

}  // namespace

bool Reader::next(Element& element) {
  if (left_ < 2) return false;
  const uint8_t tag = data_[0];
  if ((tag & 0x1F) == 0x1F) return false;  // multi-byte tags: SNMP has none
  size_t header = 2;
  size_t length = data_[1];
  if (length & 0x80) {
    const size_t count = length & 0x7F;
    if (count == 0 || count > 4) return false;  // indefinite, or beyond any datagram
    if (left_ - 2 < count) return false;
    length = 0;
    for (size_t i = 0; i < count; ++i) length = (length << 8) | data_[2 + i];
    header += count;
  }
  if (length > left_ - header) return false;
  element.tag = tag;
  element.value = data_ + header;
  element.length = length;
  data_ += header + length;
  left_ -= header + length;
  return true;
}

bool Reader::next(uint8_t tag, Element& element) {
  Reader probe = *this;
  Element found;
  if (!probe.next(found) || found.tag != tag) return false;
  *this = probe;
  element = found;
  return true;
}

bool decodeSigned(const Element& element, int64_t& value) {
  if (element.length == 0) return false;
  const size_t skip = redundantSignBytes(element.value, element.length);
  const size_t n = element.length - skip;
  if (n > 8) return false;
  const uint8_t* p = element.value + skip;
  uint64_t bits = (p[0] & 0x80) ? ~uint64_t{0} : 0;
  for (size_t i = 0; i < n; ++i) bits = (bits << 8) | p[i];
  value = static_cast<int64_t>(bits);
  return true;
}

bool decodeUnsigned(const Element& element, uint64_t& value) {
  if (element.length == 0) return false;
  size_t skip = 0;
  while (element.length - skip > 1 && element.value[skip] == 0x00) ++skip;
  const size_t n = element.length - skip;
  if (n > 8) return false;
  uint64_t result = 0;
  for (size_t i = 0; i < n; ++i) result = (result << 8) | element.value[skip + i];
  value = result;
  return true;
}

bool decodeObjectIdentifier(const Element& element, std::vector<uint32_t>& arcs) {
  if (element.length == 0) return false;
  std::vector<uint32_t> result;
  uint64_t current = 0;
  bool pending = false;
  for (size_t i = 0; i < element.length; ++i) {
    const uint8_t byte = element.value[i];
    current = (current << 7) | (byte & 0x7F);
    // The first subidentifier holds two arcs: 40 * first + second.
    const uint64_t limit = result.empty() ? kMaxArc + 80 : kMaxArc;
    if (current > limit) return false;
    pending = (byte & 0x80) != 0;
    if (pending) continue;
    if (result.empty()) {
      const uint32_t first = current < 40 ? 0 : current < 80 ? 1 : 2;
      result.push_back(first);
      result.push_back(static_cast<uint32_t>(current - 40u * first));
    } else {
      result.push_back(static_cast<uint32_t>(current));
    }
    if (result.size() > kMaxArcs) return false;
    current = 0;
  }
  if (pending) return false;
  arcs.swap(result);
  return true;
}

void putElement(std::vector<uint8_t>& out, uint8_t tag, const uint8_t* value, size_t length) {
  out.push_back(tag);
  putLength(out, length);
  if (length) out.insert(out.end(), value, value + length);
}

void putElement(std::vector<uint8_t>& out, uint8_t tag, const std::vector<uint8_t>& value) {
  putElement(out, tag, value.data(), value.size());
}

void putSigned(std::vector<uint8_t>& out, uint8_t tag, int64_t value) {
  uint8_t bytes[8];
  const uint64_t bits = static_cast<uint64_t>(value);
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
  const size_t skip = redundantSignBytes(bytes, 8);
  putElement(out, tag, bytes + skip, 8 - skip);
}

void putUnsigned(std::vector<uint8_t>& out, uint8_t tag, uint64_t value) {
  uint8_t bytes[9] = {0};
  for (int i = 0; i < 8; ++i) bytes[1 + i] = static_cast<uint8_t>(value >> (56 - 8 * i));
  size_t skip = 0;
  while (skip < 8 && bytes[skip] == 0 && bytes[skip + 1] < 0x80) ++skip;
  putElement(out, tag, bytes + skip, 9 - skip);
}

bool putObjectIdentifier(std::vector<uint8_t>& out, const std::vector<uint32_t>& arcs) {
  if (arcs.size() < 2 || arcs.size() > kMaxArcs || arcs[0] > 2 || (arcs[0] < 2 && arcs[1] >= 40))
    return false;
  std::vector<uint8_t> content;
  putBase128(content, 40ull * arcs[0] + arcs[1]);
  for (size_t i = 2; i < arcs.size(); ++i) putBase128(content, arcs[i]);
  putElement(out, kObjectIdentifier, content);
  return true;
}

bool parseObjectIdentifier(const std::string& text, std::vector<uint32_t>& arcs) {
  size_t i = (!text.empty() && text[0] == '.') ? 1 : 0;
  std::vector<uint32_t> result;
  while (true) {
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
    uint64_t arc = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      arc = arc * 10 + static_cast<uint64_t>(text[i] - '0');
      if (arc > kMaxArc) return false;
      ++i;
    }
    result.push_back(static_cast<uint32_t>(arc));
    if (result.size() > kMaxArcs) return false;
    if (i == text.size()) break;
    if (text[i] != '.') return false;
    ++i;
  }
  if (result.size() < 2 || result[0] > 2 || (result[0] < 2 && result[1] >= 40)) return false;
  arcs.swap(result);
  return true;
}

std::string formatObjectIdentifier(const std::vector<uint32_t>& arcs) {
  std::string text;
  for (size_t i = 0; i < arcs.size(); ++i) {
    if (i) text += '.';
    text += std::to_string(arcs[i]);
  }
  return text;
}

}  // namespace varnel::ber
