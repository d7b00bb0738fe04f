#pragma once

// A packed result opened for reading: a plain archive, a self-extracting
// program, or the first part of a split set whose parts lie beside it (joined
// into a temporary file that goes away with the object).

#include <cstdint>
#include <iosfwd>
#include <string>

#include <memory>

#include "nox/archive/Reader.h"

namespace nox::nxz {

// A new empty file in the temporary folder; empty when none can be made.
std::string makeTemporaryFile();

class OpenedArchive {
 public:
  OpenedArchive() = default;
  ~OpenedArchive();
  OpenedArchive(const OpenedArchive&) = delete;
  OpenedArchive& operator=(const OpenedArchive&) = delete;

  // Says why on err when the file is no archive or a part is missing.
  bool open(const std::string& path, std::ostream& err);
  archive::ByteSource& source() { return *source_; }
  const archive::Location& where() const { return where_; }
  std::string describeLayout() const;

 private:
  std::unique_ptr<archive::ByteSource> file_;  // the platform's file reader
  archive::FileSource joined_;
  archive::ByteSource* source_ = nullptr;
  archive::Location where_;
  std::string temporary_;
  uint32_t partCount_ = 0;
};

}  // namespace nox::nxz
