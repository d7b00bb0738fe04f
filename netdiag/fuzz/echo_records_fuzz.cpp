// libFuzzer target: any bytes as raw-socket datagrams, read as echo answers and
// accumulated into series and trace records, as the echo client does.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "EchoRules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  netdiag::SeriesAccumulator series;
  netdiag::TraceAccumulator trace;
  // Datagrams are length-prefixed pieces of the input.
  size_t position = 0;
  while (position < size) {
    size_t length = data[position++];
    if (length > size - position) length = size - position;
    netdiag::IcmpAnswer answer;
    if (netdiag::readIcmpAnswer(data + position, length, answer)) {
      netdiag::EchoResponse response;
      response.type = answer.type;
      response.code = answer.code;
      response.sequence = static_cast<int16_t>(answer.sequence);
      response.roundTrip = answer.identifier % 2000;
      response.address = std::string(reinterpret_cast<const char*>(data + position), length);
      series.record(response);
      trace.record(response);
    }
    position += length;
  }
  PingResult ping;
  series.finish(3, ping);
  TraceResult result;
  trace.finish(3, result);
  if (result.hopCount < 1 || result.hopCount > kNetDiagMaxHops) std::abort();
  if (strnlen(ping.address, sizeof ping.address) == sizeof ping.address) std::abort();
  return 0;
}
