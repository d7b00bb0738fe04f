#include "nox/archive/Format.h"

#include <cstring>

namespace nox::archive {

namespace {
// FILETIME of 1970-01-01 00:00:00 UTC.
constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ULL;
constexpr uint64_t kTicksPerSecond = 10000000ULL;
}  // namespace

void encodeHeader(const Header& header, unsigned char* out) {
  std::memcpy(out, kArchiveMagic, 4);
  putU32(out + 4, header.length);
  putU64(out + 8, header.dataOffset);
  putU32(out + 16, header.recordCount);
  putU64(out + 20, header.created);
}

bool decodeHeader(const unsigned char* bytes, Header& header) {
  if (std::memcmp(bytes, kArchiveMagic, 4) != 0) return false;
  header.length = getU32(bytes + 4);
  if (header.length != kHeaderLength && header.length != kLongHeaderLength) return false;
  header.dataOffset = getU64(bytes + 8);
  header.recordCount = getU32(bytes + 16);
  header.created = getU64(bytes + 20);
  return true;
}

size_t encodedRecordLength(const Record& record) {
  size_t length = kRecordMinLength + record.name.size();
  return length > 0xFFFF ? 0 : length;
}

bool encodeRecord(const Record& record, unsigned char* out) {
  size_t length = encodedRecordLength(record);
  if (length == 0) return false;
  putU16(out, static_cast<uint16_t>(length));
  putU16(out + 2, record.method);
  putU32(out + 4, record.attributes);
  putU64(out + 8, record.created);
  putU64(out + 16, record.lastWrite);
  putU32(out + 24, record.size);
  putU32(out + 28, record.packedSize);
  putU64(out + 32, record.dataOffset);
  std::memcpy(out + kRecordFixedLength, record.name.data(), record.name.size());
  out[length - 1] = '\0';
  return true;
}

void decodeRecordFixed(const unsigned char* bytes, Record& record) {
  record.method = getU16(bytes + 2);
  record.attributes = getU32(bytes + 4);
  record.created = getU64(bytes + 8);
  record.lastWrite = getU64(bytes + 16);
  record.size = getU32(bytes + 24);
  record.packedSize = getU32(bytes + 28);
  record.dataOffset = getU64(bytes + 32);
  record.name.clear();
}

void encodePartHeader(const PartHeader& header, unsigned char* out) {
  std::memcpy(out, kPartMagic, 4);
  putU32(out + 4, kPartHeaderLength);
  putU32(out + 8, header.partCount);
  putU32(out + 12, header.partNumber);
  putU64(out + 16, header.created);
  std::memcpy(out + 24, header.setId, kSetIdLength);
}

bool decodePartHeader(const unsigned char* bytes, PartHeader& header) {
  if (std::memcmp(bytes, kPartMagic, 4) != 0 || getU32(bytes + 4) != kPartHeaderLength) return false;
  header.partCount = getU32(bytes + 8);
  header.partNumber = getU32(bytes + 12);
  header.created = getU64(bytes + 16);
  std::memcpy(header.setId, bytes + 24, kSetIdLength);
  return true;
}

int64_t fileTimeToUnix(uint64_t fileTime) {
  return (static_cast<int64_t>(fileTime / kTicksPerSecond) -
          static_cast<int64_t>(kUnixEpochAsFileTime / kTicksPerSecond));
}

uint64_t unixToFileTime(int64_t seconds) {
  return static_cast<uint64_t>(seconds) * kTicksPerSecond + kUnixEpochAsFileTime;
}

}  // namespace nox::archive
