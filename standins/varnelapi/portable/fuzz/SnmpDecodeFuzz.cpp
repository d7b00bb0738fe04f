// libFuzzer target: any bytes as an SNMP datagram (and as identifier text and a
// device description). Decoding stays in bounds, and whatever decodes encodes
// back to a message that decodes to the same thing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "varnel/DeviceFile.h"
#include "varnel/SnmpMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace varnel;
  snmp::Message message;
  if (snmp::decode(data, size, message) == snmp::DecodeStatus::kOk) {
    std::vector<uint8_t> again;
    if (!snmp::encode(message, again)) abort();
    snmp::Message back;
    if (snmp::decode(again.data(), again.size(), back) != snmp::DecodeStatus::kOk || !(back == message))
      abort();
    for (const snmp::VarBind& binding : message.bindings) snmp::valueBytes(binding.value);
  }
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<uint32_t> arcs;
  if (ber::parseObjectIdentifier(text, arcs)) {
    std::vector<uint8_t> encoded;
    if (!ber::putObjectIdentifier(encoded, arcs)) abort();
  }
  DeviceFile file;
  std::string error;
  parseDeviceFile(text, file, error);
  return 0;
}
