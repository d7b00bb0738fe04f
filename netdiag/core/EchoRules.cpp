#include "EchoRules.h"

#include <cstring>

#include "Text.h"

namespace netdiag {

namespace {

bool unanswered(const char* text) { return text[0] == '\0' || std::strcmp(text, "NA") == 0; }

void copyResponder(PingResult& record, const EchoResponse& response) {
  if (unanswered(record.address)) copyField(record.address, response.address);
  if (unanswered(record.hostName)) copyField(record.hostName, response.name);
}

void countAnswer(PingResult& record, int roundTrip) {
  record.received += 1;
  record.average += roundTrip;  // the sum until the record is finished
  if (roundTrip < record.minimum) record.minimum = roundTrip;
  if (roundTrip > record.maximum) record.maximum = roundTrip;
}

void finishRecord(PingResult& record, int sent) {
  record.sent = sent;
  record.lost = sent - record.received;
  if (record.received > 0) record.average /= record.received;
  if (record.minimum == kNoMinimum) record.minimum = 0;
}

}  // namespace

uint16_t internetChecksum(const uint8_t* data, size_t length) {
  uint32_t sum = 0;
  for (size_t i = 0; i + 1 < length; i += 2) sum += static_cast<uint32_t>(data[i] | data[i + 1] << 8);
  if (length % 2) sum += data[length - 1];
  sum = (sum >> 16) + (sum & 0xFFFF);
  sum += sum >> 16;
  return static_cast<uint16_t>(~sum);
}

std::vector<uint8_t> buildEchoRequest(uint16_t identifier, size_t payloadSize) {
  if (payloadSize < 32) payloadSize = 32;
  std::vector<uint8_t> request(8 + payloadSize, 0xAA);
  request[0] = kIcmpEchoRequest;
  request[1] = 0;
  request[2] = request[3] = 0;
  // Identifier and sequence go out in the byte order the machine keeps them,
  // as the answer is read back the same way.
  std::memcpy(&request[4], &identifier, 2);
  request[6] = request[7] = 0;
  return request;
}

void stampEchoRequest(std::vector<uint8_t>& request, uint16_t sequence) {
  std::memcpy(&request[6], &sequence, 2);
  request[2] = request[3] = 0;
  uint16_t sum = internetChecksum(request.data(), request.size());
  std::memcpy(&request[2], &sum, 2);
}

bool readIcmpAnswer(const uint8_t* datagram, size_t length, IcmpAnswer& answer) {
  if (length < 1) return false;
  size_t h = static_cast<size_t>(datagram[0] & 0x0F) * 4;
  if (length < h + 8) return false;
  const uint8_t* message = datagram + h;
  const uint8_t* identifying = message;
  if (length > h + 8 && message[8] == 0x45) {
    if (length < h + 8 + h + 8) return false;
    identifying = datagram + h + 8 + h;
  }
  answer.type = message[0];
  answer.code = message[1];
  std::memcpy(&answer.identifier, identifying + 4, 2);
  std::memcpy(&answer.sequence, identifying + 6, 2);
  return true;
}

bool answersRequest(const IcmpAnswer& answer, uint16_t identifier, uint16_t sequence) {
  return answer.type != kIcmpEchoRequest && answer.identifier == identifier && answer.sequence == sequence;
}

void clearForAccumulation(PingResult& record) {
  std::memset(&record, 0, sizeof record);
  record.minimum = kNoMinimum;
}

void SeriesAccumulator::record(const EchoResponse& response) {
  if (response.type == kTimedOut || response.type == kIcmpUnreachable) {
    acc_.lost += 1;
  } else {
    countAnswer(acc_, response.roundTrip);
  }
  copyResponder(acc_, response);
}

void SeriesAccumulator::finish(int sent, PingResult& out) const {
  out = acc_;
  finishRecord(out, sent);
}

TraceAccumulator::TraceAccumulator() {
  for (PingResult& hop : hops_) clearForAccumulation(hop);
}

void TraceAccumulator::record(const EchoResponse& response) {
  if (response.sequence < 0 || response.sequence >= kNetDiagMaxHops) return;
  PingResult& hop = hops_[response.sequence];
  if (response.type == kTimedOut || response.type == kIcmpUnreachable) {
    hop.lost += 1;
  } else {
    if (response.sequence > highest_) highest_ = response.sequence;
    countAnswer(hop, response.roundTrip);
  }
  copyResponder(hop, response);
}

void TraceAccumulator::finish(int passes, TraceResult& out) const {
  out.hopCount = highest_ + 1;
  for (int i = 0; i < kNetDiagMaxHops; ++i) {
    out.hops[i] = hops_[i];
    if (i < out.hopCount) finishRecord(out.hops[i], passes);
  }
}

std::vector<uint8_t> systemEchoPayload(size_t size) {
  std::vector<uint8_t> payload(size);
  for (size_t i = 0; i < size; ++i) payload[i] = static_cast<uint8_t>(32 + i % 94);
  return payload;
}

}  // namespace netdiag
