#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "DataFiles.h"

// Data files of the document server made up for tests (also the seeds of the
// fuzz targets and the files of the fake installation).
namespace dvqtest {

inline void put32(std::vector<unsigned char>& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

inline void put16(std::vector<unsigned char>& bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<unsigned char>(value);
  bytes[at + 1] = static_cast<unsigned char>(value >> 8);
}

inline void putText(std::vector<unsigned char>& bytes, size_t at, const std::string& text, size_t room) {
  std::memcpy(bytes.data() + at, text.data(), text.size() < room ? text.size() : room);
}

// TwCtrl.dat.
class ControlFileBuilder {
 public:
  void record(uint32_t kind, const std::string& host, uint32_t extraA = 0, uint32_t extraB = 0,
              uint32_t extraC = 0) {
    std::vector<unsigned char> r(dvq::kControlRecordSize, 0);
    put32(r, 204, kind);
    put32(r, 208, extraA);
    put32(r, 212, extraB);
    put32(r, 484, extraC);
    putText(r, 410, host, dvq::kControlRecordSize - 410);
    body_.insert(body_.end(), r.begin(), r.end());
    uint64_t extra = uint64_t(extraA) + extraB + extraC;
    if (extra < 4096) body_.insert(body_.end(), static_cast<size_t>(extra), 0xEE);
    ++count_;
  }
  std::vector<unsigned char> bytes() const {
    std::vector<unsigned char> file(8, 0);
    put32(file, 4, count_);
    file.insert(file.end(), body_.begin(), body_.end());
    return file;
  }

 private:
  std::vector<unsigned char> body_;
  uint32_t count_ = 0;
};

// devroll.dir and devroll.tdb.
class DeviceRollBuilder {
 public:
  DeviceRollBuilder(uint16_t tablePosition, uint16_t gap) : gap_(gap) {
    directory.assign(
        tablePosition > dvq::kDeviceDirectoryHeader ? tablePosition : dvq::kDeviceDirectoryHeader, 0);
    put16(directory, 0, tablePosition);
    put16(directory, 62, gap);
    records.assign(16, 0x11);  // records do not start at offset 0
  }
  // An entry pointing at a new record with these two names.
  void entry(const std::string& first, const std::string& second) {
    std::vector<unsigned char> r(dvq::kDeviceRecordSize, 0);
    putText(r, 64, first, 136 - 64);
    putText(r, 136, second, dvq::kDeviceRecordSize - 136);
    uint32_t offset = static_cast<uint32_t>(records.size());
    records.insert(records.end(), r.begin(), r.end());
    size_t at = directory.size();
    directory.resize(at + 4 + (gap_ < 4096 ? gap_ : 0), 0xCC);
    put32(directory, at, offset);
    last_ = at;
    setCount(++count_);
  }
  // The last entry points at `offset` instead.
  void pointAt(uint32_t offset) { put32(directory, last_, offset); }
  void setCount(uint16_t count) { put16(directory, 2, count); }

  std::vector<unsigned char> directory;
  std::vector<unsigned char> records;

 private:
  uint16_t gap_;
  uint16_t count_ = 0;
  size_t last_ = 0;
};

}  // namespace dvqtest
