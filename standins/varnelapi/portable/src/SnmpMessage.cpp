#include "varnel/SnmpMessage.h"

namespace varnel::snmp {

namespace {

using ber::Element;
using ber::Reader;

bool isPdu(uint8_t tag) { return tag >= ber::kGetRequest && tag <= ber::kReport; }

bool readInt32(Reader& reader, int32_t& value) {
  Element element;
  int64_t wide = 0;
  if (!reader.next(ber::kInteger, element) || !ber::decodeSigned(element, wide)) return false;
  if (wide < INT32_MIN || wide > INT32_MAX) return false;
  value = static_cast<int32_t>(wide);
  return true;
}

bool decodeValue(const Element& element, Value& value) {
  value = Value();
  value.type = element.tag;
  switch (element.tag) {
    case ber::kInteger:
      return ber::decodeSigned(element, value.integer) && value.integer >= INT32_MIN &&
             value.integer <= INT32_MAX;
    case ber::kCounter32:
    case ber::kGauge32:
    case ber::kTimeTicks:
      return ber::decodeUnsigned(element, value.count) && value.count <= 0xFFFFFFFFu;
    case ber::kCounter64:
      return ber::decodeUnsigned(element, value.count);
    case ber::kIpAddress:
      if (element.length != 4) return false;
      break;
    case ber::kObjectIdentifier:
      return ber::decodeObjectIdentifier(element, value.arcs);
    case ber::kNull:
    case ber::kNoSuchObject:
    case ber::kNoSuchInstance:
    case ber::kEndOfMibView:
      return element.length == 0;
    default:
      break;
  }
  value.bytes.assign(element.value, element.value + element.length);
  return true;
}

bool encodeValue(const Value& value, std::vector<uint8_t>& out) {
  switch (value.type) {
    case ber::kInteger:
      ber::putSigned(out, value.type, value.integer);
      return true;
    case ber::kCounter32:
    case ber::kGauge32:
    case ber::kTimeTicks:
    case ber::kCounter64:
      ber::putUnsigned(out, value.type, value.count);
      return true;
    case ber::kObjectIdentifier:
      return ber::putObjectIdentifier(out, value.arcs);
    case ber::kNull:
    case ber::kNoSuchObject:
    case ber::kNoSuchInstance:
    case ber::kEndOfMibView:
      ber::putElement(out, value.type, nullptr, 0);
      return true;
    default:
      ber::putElement(out, value.type, value.bytes);
      return true;
  }
}

void putLittleEndian(std::vector<uint8_t>& out, uint64_t value, size_t size) {
  for (size_t i = 0; i < size; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

DecodeStatus decode(const uint8_t* data, size_t size, Message& message) {
  Reader datagram(data, size);
  Element whole;
  if (!datagram.next(ber::kSequence, whole) || !datagram.atEnd()) return DecodeStatus::kMalformed;
  Reader fields(whole);
  Message result;
  if (!readInt32(fields, result.version)) return DecodeStatus::kMalformed;
  if (result.version != kVersion1 && result.version != kVersion2c) return DecodeStatus::kUnsupported;
  Element community;
  if (!fields.next(ber::kOctetString, community)) return DecodeStatus::kMalformed;
  result.community.assign(reinterpret_cast<const char*>(community.value), community.length);
  Element pdu;
  if (!fields.next(pdu) || !fields.atEnd()) return DecodeStatus::kMalformed;
  if (pdu.tag == 0xA4) return DecodeStatus::kUnsupported;  // the v1 trap has a layout of its own
  if (!isPdu(pdu.tag)) return DecodeStatus::kMalformed;
  result.pduType = pdu.tag;
  Reader body(pdu);
  Element list;
  if (!readInt32(body, result.requestId) || !readInt32(body, result.errorStatus) ||
      !readInt32(body, result.errorIndex) || !body.next(ber::kSequence, list) || !body.atEnd()) {
    return DecodeStatus::kMalformed;
  }
  Reader bindings(list);
  while (!bindings.atEnd()) {
    Element pair, name, value;
    if (!bindings.next(ber::kSequence, pair)) return DecodeStatus::kMalformed;
    Reader parts(pair);
    VarBind binding;
    if (!parts.next(ber::kObjectIdentifier, name) || !ber::decodeObjectIdentifier(name, binding.name) ||
        !parts.next(value) || !parts.atEnd() || !decodeValue(value, binding.value)) {
      return DecodeStatus::kMalformed;
    }
    result.bindings.push_back(std::move(binding));
  }
  message = std::move(result);
  return DecodeStatus::kOk;
}

bool encode(const Message& message, std::vector<uint8_t>& out) {
  std::vector<uint8_t> list;
  for (const VarBind& binding : message.bindings) {
    std::vector<uint8_t> pair;
    if (!ber::putObjectIdentifier(pair, binding.name) || !encodeValue(binding.value, pair)) return false;
    ber::putElement(list, ber::kSequence, pair);
  }
  std::vector<uint8_t> pdu;
  ber::putSigned(pdu, ber::kInteger, message.requestId);
  ber::putSigned(pdu, ber::kInteger, message.errorStatus);
  ber::putSigned(pdu, ber::kInteger, message.errorIndex);
  ber::putElement(pdu, ber::kSequence, list);
  std::vector<uint8_t> fields;
  ber::putSigned(fields, ber::kInteger, message.version);
  ber::putElement(fields, ber::kOctetString, reinterpret_cast<const uint8_t*>(message.community.data()),
                  message.community.size());
  ber::putElement(fields, message.pduType, pdu);
  std::vector<uint8_t> whole;
  ber::putElement(whole, ber::kSequence, fields);
  out.swap(whole);
  return true;
}

Message request(uint8_t pduType, int32_t version, const std::string& community, int32_t requestId,
                const std::vector<std::vector<uint32_t>>& names) {
  Message message;
  message.version = version;
  message.community = community;
  message.pduType = pduType;
  message.requestId = requestId;
  for (const std::vector<uint32_t>& name : names) message.bindings.push_back(VarBind{name, Value()});
  return message;
}

std::vector<uint8_t> valueBytes(const Value& value) {
  std::vector<uint8_t> out;
  switch (value.type) {
    case ber::kInteger:
      putLittleEndian(out, static_cast<uint64_t>(value.integer), 4);
      break;
    case ber::kCounter32:
    case ber::kGauge32:
    case ber::kTimeTicks:
      putLittleEndian(out, value.count, 4);
      break;
    case ber::kCounter64:
      putLittleEndian(out, value.count, 8);
      break;
    case ber::kObjectIdentifier: {
      const std::string text = ber::formatObjectIdentifier(value.arcs);
      out.assign(text.begin(), text.end());
      break;
    }
    case ber::kNull:
    case ber::kNoSuchObject:
    case ber::kNoSuchInstance:
    case ber::kEndOfMibView:
      break;
    default:
      out = value.bytes;
      break;
  }
  return out;
}

}  // namespace varnel::snmp
