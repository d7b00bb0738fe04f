#include "DataFiles.h"

#include <cstdint>
#include <cstring>

namespace dvq {

namespace {

uint32_t u32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

uint16_t u16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// The NUL-terminated text at `p`, cut at `room` bytes when it has no terminator there.
std::string textAt(const unsigned char* p, size_t room) {
  const void* nul = std::memchr(p, 0, room);
  size_t length = nul ? static_cast<size_t>(static_cast<const unsigned char*>(nul) - p) : room;
  return std::string(reinterpret_cast<const char*>(p), length);
}

void keep(std::vector<std::string>& hosts, const std::string& name) {
  if (!name.empty()) hosts.push_back(name);
}

}  // namespace

std::vector<std::string> controlFileHosts(const unsigned char* data, size_t size) {
  const size_t kKindOffset = 204, kNameOffset = 410;
  const size_t kExtraOffsets[] = {208, 212, 484};
  std::vector<std::string> hosts;
  if (!data || size < 8) return hosts;
  uint32_t count = u32(data + 4);
  size_t position = 8;
  for (uint32_t i = 0; i < count; ++i) {
    if (size - position < kControlRecordSize) break;
    const unsigned char* record = data + position;
    uint32_t kind = u32(record + kKindOffset);
    if (kind >= 201 && kind <= 204) {
      keep(hosts, textAt(record + kNameOffset, kControlRecordSize - kNameOffset));
    }
    position += kControlRecordSize;
    uint64_t extra = 0;
    for (size_t offset : kExtraOffsets) extra += u32(record + offset);
    if (extra > size - position) break;
    position += static_cast<size_t>(extra);
  }
  return hosts;
}

std::vector<std::string> deviceRollHosts(const unsigned char* directory, size_t directorySize,
                                         const unsigned char* records, size_t recordsSize) {
  const size_t kFirstName = 64, kSecondName = 136;
  std::vector<std::string> hosts;
  if (!directory || directorySize < kDeviceDirectoryHeader) return hosts;
  size_t position = u16(directory);
  uint16_t count = u16(directory + 2);
  size_t gap = u16(directory + 62);
  for (uint16_t i = 0; i < count; ++i) {
    if (position > directorySize || directorySize - position < 4) break;
    uint32_t offset = u32(directory + position);
    position += 4 + gap;
    if (!records || offset > recordsSize || recordsSize - offset < kDeviceRecordSize) continue;
    const unsigned char* record = records + offset;
    std::string name = textAt(record + kFirstName, kDeviceRecordSize - kFirstName);
    if (name.empty()) name = textAt(record + kSecondName, kDeviceRecordSize - kSecondName);
    keep(hosts, name);
  }
  return hosts;
}

}  // namespace dvq
