#pragma once

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

// The answer of one spooler enumeration (EnumPrintersA, EnumPrinterDriversA,
// EnumMonitorsA ...) in the two-call pattern: the first call learns the byte
// count, the second fills a zeroed buffer of that size with the records and
// the texts they point to.
//
// Nothing the spooler says is trusted beyond the buffer: the record count is
// bounded by the records that fit, and texts and other data the records point
// to are read only up to the end of the answer.
class SpoolerAnswer {
 public:
  // `call(buffer, size, &needed, &returned)` is the enumeration. False when the
  // filling call fails; the answer then holds no records.
  template <class Call>
  bool fetch(Call call, size_t recordSize) {
    DWORD needed = 0, returned = 0;
    call(nullptr, 0, &needed, &returned);
    buffer_.assign(needed, 0);
    count_ = 0;
    if (needed == 0) return true;
    if (!call(buffer_.data(), needed, &needed, &returned)) return false;
    DWORD fit = static_cast<DWORD>(recordSize ? buffer_.size() / recordSize : 0);
    count_ = returned < fit ? returned : fit;
    return true;
  }

  DWORD count() const { return count_; }
  template <class Record>
  const Record& record(DWORD index) const {
    return reinterpret_cast<const Record*>(buffer_.data())[index];
  }

  // Bytes from `at` to the end of the answer; 0 for null or a pointer outside it.
  size_t bytesFrom(const void* at) const {
    const BYTE* p = static_cast<const BYTE*>(at);
    if (!p || buffer_.empty() || p < buffer_.data() || p >= buffer_.data() + buffer_.size()) return 0;
    return static_cast<size_t>(buffer_.data() + buffer_.size() - p);
  }

  // The text at `at`, cut at the end of the answer when its terminator is
  // missing; empty for a null pointer or one outside the answer.
  std::string text(const char* at) const {
    size_t room = bytesFrom(at);
    return std::string(at ? at : "", room ? strnlen(at, room) : 0);
  }

 private:
  std::vector<BYTE> buffer_;
  DWORD count_ = 0;
};
