#pragma once

// The byte work and bookkeeping of the echo engines: echo requests, reading an
// ICMP datagram as a raw socket delivers it, and accumulating responses into
// PingResult and TraceResult records. Portable.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "netdiag/NetDiagRecords.h"

namespace netdiag {

constexpr int32_t kNoMinimum = 2147483647;
constexpr int kTimedOut = 255;  // ICMP type and code recorded for an unanswered request
enum IcmpType { kIcmpEchoReply = 0, kIcmpUnreachable = 3, kIcmpEchoRequest = 8, kIcmpTimeExceeded = 11 };

uint16_t internetChecksum(const uint8_t* data, size_t length);

// An echo request (type 8) with `payloadSize` bytes of 0xAA (at least 32).
std::vector<uint8_t> buildEchoRequest(uint16_t identifier, size_t payloadSize);
// Writes the sequence number and the checksum for it.
void stampEchoRequest(std::vector<uint8_t>& request, uint16_t sequence);

// What a raw-socket datagram (IP header first) answers.
struct IcmpAnswer {
  int type = 0;
  int code = 0;
  uint16_t identifier = 0;
  uint16_t sequence = 0;
};
// False for a datagram too short to hold what it claims. Error messages quoting
// an IPv4 header identify the request by the quoted header.
bool readIcmpAnswer(const uint8_t* datagram, size_t length, IcmpAnswer& answer);

// Whether `answer` is the response to request `sequence` of this client: its
// identifier and sequence, and not an echo request (on loopback a raw socket
// reads back its own request before the reply).
bool answersRequest(const IcmpAnswer& answer, uint16_t identifier, uint16_t sequence);

struct EchoResponse {
  int roundTrip = 0;
  int type = kTimedOut;
  int code = kTimedOut;
  int sequence = 0;
  std::string address = "NA";
  std::string name = "NA";
};

// Clears a record as the engines start: texts empty, counters 0, minimum at its start value.
void clearForAccumulation(PingResult& record);

class SeriesAccumulator {
 public:
  SeriesAccumulator() { clearForAccumulation(acc_); }
  void record(const EchoResponse& response);
  void finish(int sent, PingResult& out) const;

 private:
  PingResult acc_;
};

class TraceAccumulator {
 public:
  TraceAccumulator();
  // Responses whose sequence number is no hop of the record are not counted.
  void record(const EchoResponse& response);
  void finish(int passes, TraceResult& out) const;

 private:
  int highest_ = 0;
  PingResult hops_[kNetDiagMaxHops];
};

// The system echo engine's payload: the printable characters from blank to "}" in a cycle.
std::vector<uint8_t> systemEchoPayload(size_t size);

}  // namespace netdiag
