// The record readers on arbitrary bytes: a DEVMODE and a list of dependent files
// that may lie about their sizes or lack their terminators.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "DriverRecords.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly `size` bytes, so any read past them is caught.
  std::vector<unsigned char> bytes(data, data + size);
  const unsigned char* at = bytes.empty() ? nullptr : bytes.data();
  driver::DevModeSettings settings = driver::readDevMode(at, bytes.size());
  if (settings.driverExtra.size() > bytes.size()) __builtin_trap();
  driver::readNameList(reinterpret_cast<const char*>(at), bytes.size());
  return 0;
}
