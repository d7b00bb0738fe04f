#pragma once

// Builds archives in memory for the reader's tests: the layout is assembled
// independently of the writer from the byte tables of the format.

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "nox/archive/Format.h"

namespace nox::archive::testing {

inline std::string repeated(const std::string& text, size_t times) {
  std::string out;
  for (size_t i = 0; i < times; ++i) out += text;
  return out;
}

// Bytes that deflate cannot shrink.
inline std::string noise(size_t n, uint32_t seed = 12345) {
  std::string out(n, '\0');
  uint32_t x = seed;
  for (char& c : out) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  return out;
}

struct Entry {
  std::string name;
  std::string content;
  bool folder = false;
  bool gzip = true;  // when the member is smaller than the content
  uint32_t attributes = 0x20;
  uint64_t created = 0x01D0000000000000ULL;
  uint64_t lastWrite = 0x01D1000000000000ULL;
};

inline std::string gzipMember(const std::string& content) {
  z_stream s;
  std::memset(&s, 0, sizeof s);
  deflateInit2(&s, 6, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&s, static_cast<uLong>(content.size())) + 32, '\0');
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
  s.avail_in = static_cast<uInt>(content.size());
  s.next_out = reinterpret_cast<Bytef*>(&out[0]);
  s.avail_out = static_cast<uInt>(out.size());
  deflate(&s, Z_FINISH);
  out.resize(s.total_out);
  deflateEnd(&s);
  return out;
}

// A plain archive of the entries in the given order.
inline std::string buildArchive(const std::vector<Entry>& entries,
                                std::vector<Record>* recordsOut = nullptr) {
  std::string file(kArchiveMagic, 4);
  std::vector<Record> records;
  for (const Entry& e : entries) {
    Record r;
    r.name = e.name;
    r.attributes = e.folder ? (e.attributes | kAttributeFolder) : e.attributes;
    r.created = e.created;
    r.lastWrite = e.lastWrite;
    if (!e.folder) {
      r.size = static_cast<uint32_t>(e.content.size());
      std::string member = gzipMember(e.content);
      std::string data = e.content;
      if (e.gzip && member.size() < e.content.size()) {
        r.method = kMethodGzip;
        r.packedSize = static_cast<uint32_t>(member.size());
        data = member;
      } else {
        r.packedSize = r.size;
      }
      r.dataOffset = file.size();
      file += data;
    }
    records.push_back(r);
  }
  Header header;
  header.recordCount = static_cast<uint32_t>(records.size());
  header.created = 0x01D2000000000000ULL;
  uint64_t h = file.size();
  unsigned char hb[kHeaderLength];
  encodeHeader(header, hb);
  file.append(reinterpret_cast<char*>(hb), sizeof hb);
  for (const Record& r : records) {
    std::string rb(encodedRecordLength(r), '\0');
    encodeRecord(r, reinterpret_cast<unsigned char*>(&rb[0]));
    file += rb;
  }
  unsigned char tb[8];
  putU64(tb, h);
  file.append(reinterpret_cast<char*>(tb), sizeof tb);
  if (recordsOut) *recordsOut = records;
  return file;
}

// Splits an archive the way the media output does: part 1 carries the program,
// the part header, archive bytes up to partSize - 8 and the back distance; later
// parts carry the part header and up to partSize bytes in all.
inline std::vector<std::string> buildSplitSet(const std::string& program, const std::string& archive,
                                              size_t partSize,
                                              const char* setId = "0000ABCD-1234-5678-9ABC-DEF012345678") {
  std::vector<std::string> parts;
  size_t firstData = partSize - 8 - program.size() - kPartHeaderLength;
  size_t laterData = partSize - kPartHeaderLength;
  size_t count = 1;
  if (archive.size() > firstData) count += (archive.size() - firstData + laterData - 1) / laterData;
  PartHeader ph;
  ph.partCount = static_cast<uint32_t>(count);
  ph.created = 0x01D3000000000000ULL;
  std::strncpy(ph.setId, setId, kSetIdLength - 1);
  size_t taken = 0;
  for (size_t i = 0; i < count; ++i) {
    ph.partNumber = static_cast<uint32_t>(i + 1);
    unsigned char hb[kPartHeaderLength];
    encodePartHeader(ph, hb);
    std::string part = i == 0 ? program : std::string();
    part.append(reinterpret_cast<char*>(hb), sizeof hb);
    size_t room = i == 0 ? firstData : laterData;
    size_t n = archive.size() - taken < room ? archive.size() - taken : room;
    part += archive.substr(taken, n);
    taken += n;
    if (i == 0) {
      unsigned char back[8];
      putU64(back, kPartHeaderLength + n + 8);
      part.append(reinterpret_cast<char*>(back), 8);
    }
    parts.push_back(part);
  }
  return parts;
}

}  // namespace nox::archive::testing
