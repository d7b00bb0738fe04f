#pragma once

// Finding the archive inside a file (plain, self-extracting, first part of a split
// set), walking its directory with every field checked against the file, and
// producing each entry's content.

#include <cstdint>
#include <functional>
#include <string>

#include "nox/archive/Format.h"
#include "nox/archive/Io.h"

namespace nox::archive {

enum class Layout {
  kPlain,           // begins with the archive magic
  kSelfExtracting,  // a program followed by an archive with shifted offsets
  kSplitFirstPart,  // a program, a part header, archive bytes, a back distance
};

enum class ReadStatus {
  kOk,
  kNotAnArchive,  // neither archive nor part header where the trailer points
  kCorrupt,       // a field contradicts the file (counts, lengths, offsets)
  kReadFailed,    // the file ended early or could not be read
  kDataCorrupt,   // a gzip member does not inflate to the recorded content
  kWriteFailed,   // the sink refused the content
  kMissingPart,   // a part of a split set could not be had
};

const char* describe(ReadStatus status);

struct Location {
  Layout layout = Layout::kPlain;
  // Where the archive's own magic stands (0, or the program size).
  uint64_t base = 0;
  // Absolute offset of the header record (archive layouts only).
  uint64_t headerOffset = 0;
  Header header;
  // First part of a split set: its header and where its archive bytes lie.
  PartHeader part;
  uint64_t partDataOffset = 0;
  uint64_t partDataLength = 0;
};

// Reads the trailer and decides the layout. For the archive layouts the header is
// checked against the file as well.
ReadStatus locate(ByteSource& file, Location& where);

// The directory of a located archive, read one record at a time so that any number
// of entries fits in constant memory. Every record is checked: its length against
// the directory, its name's terminator, its method, and its data lying inside the
// data area.
class DirectoryWalker {
 public:
  DirectoryWalker(ByteSource& file, const Location& where);
  // Next record; false at the end or on failure (see status()).
  bool next(Record& record);
  ReadStatus status() const { return status_; }
  // 1-based number of the record last returned.
  uint32_t index() const { return index_; }
  uint32_t count() const { return where_.header.recordCount; }

 private:
  ByteSource& file_;
  Location where_;
  uint64_t position_;
  uint64_t directoryEnd_;
  uint32_t index_ = 0;
  ReadStatus status_ = ReadStatus::kOk;
};

// Checks the whole directory without producing anything.
ReadStatus checkDirectory(ByteSource& file, const Location& where);

// Writes the entry's file content to sink: stored bytes are copied, a gzip member
// is inflated and must be exactly one member of the recorded length whose content
// has the recorded size and checksum.
ReadStatus extractContent(ByteSource& file, const Record& record, Sink& sink);

// Copies a plain archive into sink as it would stand behind a program of `shift`
// bytes: header data offset, every record's data offset and the trailer increased.
ReadStatus writeShifted(ByteSource& archive, uint64_t shift, Sink& sink);

// Split sets. Part n (n >= 2) of the set whose first part is at firstPath is named
// firstPath + ".%03d".
std::string splitPartName(const std::string& firstPath, uint32_t partNumber);

// Where the archive bytes of a later part lie after checking its part header
// against the first part's (magic, length, count, number, set identifier).
ReadStatus locatePart(ByteSource& file, const PartHeader& first, uint32_t partNumber, uint64_t& dataOffset,
                      uint64_t& dataLength);

// Joins the archive bytes of a whole split set into sink. openPart(n, retry)
// gives part n (2..count) as a source the caller keeps; retry is true when the
// source it gave last time for n was missing or not a part of this set. A null
// answer stops the join with kMissingPart and n in missingPart.
using PartOpener = std::function<ByteSource*(uint32_t partNumber, bool retry)>;
ReadStatus joinSplitSet(ByteSource& firstPart, const Location& where, const PartOpener& openPart, Sink& sink,
                        uint32_t& missingPart);

}  // namespace nox::archive
