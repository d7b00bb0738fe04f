#pragma once

// The result archive container (.nxz), its self-extracting form and the split
// part header, as plain byte layouts. Everything here is little-endian on disk and
// independent of the host's byte order.

#include <cstddef>
#include <cstdint>
#include <string>

namespace nox::archive {

constexpr char kArchiveMagic[4] = {'f', 'j', 'b', 'a'};
constexpr char kPartMagic[4] = {'a', 'c', 't', 'z'};

constexpr uint32_t kHeaderLength = 28;
// A writer may be given a template of this length; readers accept both.
constexpr uint32_t kLongHeaderLength = 52;
constexpr uint32_t kRecordFixedLength = 40;
// Fixed part plus the name's terminating NUL: the shortest possible record.
constexpr uint32_t kRecordMinLength = kRecordFixedLength + 1;
constexpr uint32_t kTrailerLength = 8;
constexpr uint32_t kPartHeaderLength = 88;
constexpr uint32_t kSetIdLength = 64;
// An empty archive: magic, header, trailer.
constexpr uint32_t kEmptyArchiveLength = 4 + kHeaderLength + kTrailerLength;

constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodGzip = 1;
constexpr uint32_t kAttributeFolder = 0x10;
constexpr uint32_t kAttributeReadOnly = 0x01;

// Offsets of the fields that move when the archive is placed behind a program.
constexpr size_t kHeaderDataOffsetField = 8;
constexpr size_t kRecordDataOffsetField = 32;

inline uint16_t getU16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t getU32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t getU64(const unsigned char* p) {
  return static_cast<uint64_t>(getU32(p)) | (static_cast<uint64_t>(getU32(p + 4)) << 32);
}
inline void putU16(unsigned char* p, uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}
inline void putU32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
inline void putU64(unsigned char* p, uint64_t v) {
  putU32(p, static_cast<uint32_t>(v));
  putU32(p + 4, static_cast<uint32_t>(v >> 32));
}

struct Header {
  uint32_t length = kHeaderLength;
  uint64_t dataOffset = 4;
  uint32_t recordCount = 0;
  uint64_t created = 0;  // FILETIME, UTC
};

// Fills the first 28 bytes of out (magic included); the rest of a long header is
// left to the caller.
void encodeHeader(const Header& header, unsigned char* out);
// False unless the bytes begin with the magic and name a length of 28 or 52.
bool decodeHeader(const unsigned char* bytes, Header& header);

struct Record {
  uint16_t method = kMethodStored;
  uint32_t attributes = 0;
  uint64_t created = 0;     // FILETIME
  uint64_t lastWrite = 0;   // FILETIME
  uint32_t size = 0;        // uncompressed
  uint32_t packedSize = 0;  // gzip member length (method 1)
  uint64_t dataOffset = 0;  // absolute
  std::string name;         // relative path, '\' separated, ANSI code page

  bool isFolder() const { return (attributes & kAttributeFolder) != 0; }
  // Bytes this entry occupies in the data area.
  uint64_t storedLength() const { return method == kMethodGzip ? packedSize : size; }
};

// Length of the encoded record: fixed part, name, NUL. Names too long for the
// 16-bit length field give 0.
size_t encodedRecordLength(const Record& record);
// Writes encodedRecordLength(record) bytes; false when the name is too long.
bool encodeRecord(const Record& record, unsigned char* out);
// Decodes the fixed 40 bytes (the name is left empty).
void decodeRecordFixed(const unsigned char* bytes, Record& record);

struct PartHeader {
  uint32_t partCount = 0;
  uint32_t partNumber = 0;
  uint64_t created = 0;
  char setId[kSetIdLength] = {};
};

void encodePartHeader(const PartHeader& header, unsigned char* out);
// False unless the bytes begin with "actz" and name a length of 88.
bool decodePartHeader(const unsigned char* bytes, PartHeader& header);

// Seconds since 1970 for a FILETIME and back.
int64_t fileTimeToUnix(uint64_t fileTime);
uint64_t unixToFileTime(int64_t seconds);

}  // namespace nox::archive
