#include "nox/archive/Reader.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace nox::archive {

namespace {
constexpr size_t kPiece = 64 * 1024;

bool fitsWithin(uint64_t offset, uint64_t length, uint64_t limit) {
  return offset <= limit && length <= limit - offset;
}

ReadStatus locateArchiveAt(ByteSource& file, uint64_t headerOffset, Location& where) {
  uint64_t size = file.size();
  if (size < kEmptyArchiveLength || !fitsWithin(headerOffset, kHeaderLength, size - kTrailerLength))
    return ReadStatus::kCorrupt;
  unsigned char bytes[kHeaderLength];
  if (!file.readAt(headerOffset, bytes, sizeof bytes)) return ReadStatus::kReadFailed;
  Header header;
  if (!decodeHeader(bytes, header)) return ReadStatus::kCorrupt;
  uint64_t directoryEnd = size - kTrailerLength;
  if (!fitsWithin(headerOffset, header.length, directoryEnd)) return ReadStatus::kCorrupt;
  // The data area starts right after the archive's own magic.
  if (header.dataOffset < 4 || header.dataOffset > headerOffset) return ReadStatus::kCorrupt;
  uint64_t base = header.dataOffset - 4;
  unsigned char magic[4];
  if (!file.readAt(base, magic, 4)) return ReadStatus::kReadFailed;
  if (std::memcmp(magic, kArchiveMagic, 4) != 0) return ReadStatus::kCorrupt;
  uint64_t directoryLength = directoryEnd - headerOffset - header.length;
  if (static_cast<uint64_t>(header.recordCount) * kRecordMinLength > directoryLength)
    return ReadStatus::kCorrupt;
  where.layout = base == 0 ? Layout::kPlain : Layout::kSelfExtracting;
  where.base = base;
  where.headerOffset = headerOffset;
  where.header = header;
  return ReadStatus::kOk;
}
}  // namespace

const char* describe(ReadStatus status) {
  switch (status) {
    case ReadStatus::kOk:
      return "ok";
    case ReadStatus::kNotAnArchive:
      return "not an archive";
    case ReadStatus::kCorrupt:
      return "corrupt archive directory";
    case ReadStatus::kReadFailed:
      return "read error";
    case ReadStatus::kDataCorrupt:
      return "damaged file data";
    case ReadStatus::kWriteFailed:
      return "write error";
    case ReadStatus::kMissingPart:
      return "missing part of a split set";
  }
  return "unknown";
}

ReadStatus locate(ByteSource& file, Location& where) {
  where = Location();
  uint64_t size = file.size();
  if (size < 4 + kTrailerLength) return ReadStatus::kNotAnArchive;
  unsigned char start[4];
  unsigned char trailerBytes[kTrailerLength];
  if (!file.readAt(0, start, 4) || !file.readAt(size - kTrailerLength, trailerBytes, kTrailerLength))
    return ReadStatus::kReadFailed;
  uint64_t trailer = getU64(trailerBytes);
  if (std::memcmp(start, kArchiveMagic, 4) == 0) {
    ReadStatus status = locateArchiveAt(file, trailer, where);
    if (status == ReadStatus::kOk && where.layout != Layout::kPlain) return ReadStatus::kCorrupt;
    return status;
  }
  // Behind a program: the trailer is either the shifted header offset or, in the
  // first part of a split set, the distance back to the part header.
  unsigned char probe[kPartHeaderLength];
  if (size >= kEmptyArchiveLength && trailer <= size - kTrailerLength - kHeaderLength &&
      file.readAt(trailer, probe, 4) && std::memcmp(probe, kArchiveMagic, 4) == 0) {
    return locateArchiveAt(file, trailer, where);
  }
  if (trailer >= kPartHeaderLength + kTrailerLength && trailer <= size) {
    uint64_t partOffset = size - trailer;
    if (!file.readAt(partOffset, probe, sizeof probe)) return ReadStatus::kReadFailed;
    if (std::memcmp(probe, kPartMagic, 4) == 0) {
      PartHeader part;
      if (!decodePartHeader(probe, part) || part.partNumber != 1 || part.partCount == 0)
        return ReadStatus::kCorrupt;
      where.layout = Layout::kSplitFirstPart;
      where.base = partOffset;
      where.part = part;
      where.partDataOffset = partOffset + kPartHeaderLength;
      where.partDataLength = trailer - kPartHeaderLength - kTrailerLength;
      return ReadStatus::kOk;
    }
  }
  return ReadStatus::kNotAnArchive;
}

DirectoryWalker::DirectoryWalker(ByteSource& file, const Location& where)
    : file_(file),
      where_(where),
      position_(where.headerOffset + where.header.length),
      directoryEnd_(file.size() - kTrailerLength) {
  if (where.layout == Layout::kSplitFirstPart) status_ = ReadStatus::kNotAnArchive;
}

bool DirectoryWalker::next(Record& record) {
  if (status_ != ReadStatus::kOk || index_ >= where_.header.recordCount) return false;
  unsigned char fixed[kRecordMinLength];
  if (!fitsWithin(position_, kRecordMinLength, directoryEnd_)) {
    status_ = ReadStatus::kCorrupt;
    return false;
  }
  if (!file_.readAt(position_, fixed, sizeof fixed)) {
    status_ = ReadStatus::kReadFailed;
    return false;
  }
  uint16_t length = getU16(fixed);
  if (length < kRecordMinLength || !fitsWithin(position_, length, directoryEnd_)) {
    status_ = ReadStatus::kCorrupt;
    return false;
  }
  decodeRecordFixed(fixed, record);
  size_t nameLength = length - kRecordMinLength;
  // The name is the rest of the record with its NUL; the fixed read already
  // holds the name's first byte.
  std::string name(nameLength + 1, '\0');
  name[0] = static_cast<char>(fixed[kRecordFixedLength]);
  if (nameLength > 0 && !file_.readAt(position_ + kRecordMinLength, &name[1], nameLength)) {
    status_ = ReadStatus::kReadFailed;
    return false;
  }
  if (name[nameLength] != '\0' || name.find('\0') != nameLength) {
    status_ = ReadStatus::kCorrupt;
    return false;
  }
  name.resize(nameLength);
  record.name.swap(name);
  if (record.method != kMethodStored && record.method != kMethodGzip) {
    status_ = ReadStatus::kCorrupt;
    return false;
  }
  if (!record.isFolder()) {
    uint64_t dataStart = where_.base + 4;
    if (record.dataOffset < dataStart ||
        !fitsWithin(record.dataOffset, record.storedLength(), where_.headerOffset)) {
      status_ = ReadStatus::kCorrupt;
      return false;
    }
  }
  position_ += length;
  ++index_;
  return true;
}

ReadStatus checkDirectory(ByteSource& file, const Location& where) {
  DirectoryWalker walker(file, where);
  Record record;
  while (walker.next(record)) {
  }
  return walker.status();
}

ReadStatus extractContent(ByteSource& file, const Record& record, Sink& sink) {
  if (record.isFolder()) return ReadStatus::kOk;
  std::vector<unsigned char> in(kPiece);
  if (record.method == kMethodStored) {
    uint64_t offset = record.dataOffset;
    uint64_t left = record.size;
    while (left > 0) {
      size_t piece = static_cast<size_t>(left < kPiece ? left : kPiece);
      if (!file.readAt(offset, in.data(), piece)) return ReadStatus::kReadFailed;
      if (!sink.write(in.data(), piece)) return ReadStatus::kWriteFailed;
      offset += piece;
      left -= piece;
    }
    return ReadStatus::kOk;
  }

  std::vector<unsigned char> out(kPiece);
  z_stream stream;
  std::memset(&stream, 0, sizeof stream);
  // 16 + window bits: a gzip wrapper only, its CRC-32 and length checked by zlib.
  if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return ReadStatus::kWriteFailed;
  ReadStatus status = ReadStatus::kOk;
  uint64_t offset = record.dataOffset;
  uint64_t inputLeft = record.packedSize;
  uint64_t produced = 0;
  bool ended = false;
  bool outputFull = false;
  while (!ended && status == ReadStatus::kOk) {
    // A full output buffer may leave inflated bytes pending with no input left.
    if (stream.avail_in == 0 && !outputFull) {
      if (inputLeft == 0) {
        status = ReadStatus::kDataCorrupt;  // the member stops short
        break;
      }
      size_t piece = static_cast<size_t>(inputLeft < kPiece ? inputLeft : kPiece);
      if (!file.readAt(offset, in.data(), piece)) {
        status = ReadStatus::kReadFailed;
        break;
      }
      offset += piece;
      inputLeft -= piece;
      stream.next_in = in.data();
      stream.avail_in = static_cast<uInt>(piece);
    }
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    int rc = inflate(&stream, Z_NO_FLUSH);
    size_t have = out.size() - stream.avail_out;
    outputFull = stream.avail_out == 0;
    produced += have;
    if (produced > record.size) {
      status = ReadStatus::kDataCorrupt;  // more content than recorded
      break;
    }
    if (have && !sink.write(out.data(), have)) {
      status = ReadStatus::kWriteFailed;
      break;
    }
    if (rc == Z_STREAM_END) {
      ended = true;
    } else if (rc != Z_OK && !(rc == Z_BUF_ERROR && stream.avail_in == 0 && !outputFull)) {
      status = ReadStatus::kDataCorrupt;
    }
  }
  inflateEnd(&stream);
  if (status != ReadStatus::kOk) return status;
  // Exactly one member filling the recorded length, with the recorded content size.
  if (stream.avail_in != 0 || inputLeft != 0 || produced != record.size) return ReadStatus::kDataCorrupt;
  return ReadStatus::kOk;
}

ReadStatus writeShifted(ByteSource& archive, uint64_t shift, Sink& sink) {
  Location where;
  ReadStatus status = locate(archive, where);
  if (status != ReadStatus::kOk) return status;
  if (where.layout != Layout::kPlain) return ReadStatus::kNotAnArchive;
  status = checkDirectory(archive, where);
  if (status != ReadStatus::kOk) return status;
  if (!copyRange(archive, 0, where.headerOffset, sink)) return ReadStatus::kWriteFailed;

  std::vector<unsigned char> header(where.header.length);
  if (!archive.readAt(where.headerOffset, header.data(), header.size())) return ReadStatus::kReadFailed;
  putU64(&header[kHeaderDataOffsetField], where.header.dataOffset + shift);
  if (!sink.write(header.data(), header.size())) return ReadStatus::kWriteFailed;

  std::vector<unsigned char> record(0xFFFF);
  uint64_t position = where.headerOffset + where.header.length;
  for (uint32_t i = 0; i < where.header.recordCount; ++i) {
    if (!archive.readAt(position, record.data(), kRecordMinLength)) return ReadStatus::kReadFailed;
    uint16_t length = getU16(record.data());
    if (!archive.readAt(position + kRecordMinLength, record.data() + kRecordMinLength,
                        length - kRecordMinLength))
      return ReadStatus::kReadFailed;
    putU64(&record[kRecordDataOffsetField], getU64(&record[kRecordDataOffsetField]) + shift);
    if (!sink.write(record.data(), length)) return ReadStatus::kWriteFailed;
    position += length;
  }
  unsigned char trailer[kTrailerLength];
  putU64(trailer, where.headerOffset + shift);
  return sink.write(trailer, sizeof trailer) ? ReadStatus::kOk : ReadStatus::kWriteFailed;
}

std::string splitPartName(const std::string& firstPath, uint32_t partNumber) {
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, ".%03u", partNumber);
  return firstPath + suffix;
}

ReadStatus locatePart(ByteSource& file, const PartHeader& first, uint32_t partNumber, uint64_t& dataOffset,
                      uint64_t& dataLength) {
  unsigned char bytes[kPartHeaderLength];
  if (file.size() < kPartHeaderLength) return ReadStatus::kNotAnArchive;
  if (!file.readAt(0, bytes, sizeof bytes)) return ReadStatus::kReadFailed;
  PartHeader part;
  if (!decodePartHeader(bytes, part) || part.partNumber != partNumber || part.partCount != first.partCount ||
      std::memcmp(part.setId, first.setId, kSetIdLength) != 0)
    return ReadStatus::kNotAnArchive;
  dataOffset = kPartHeaderLength;
  dataLength = file.size() - kPartHeaderLength;
  return ReadStatus::kOk;
}

namespace {
ReadStatus copyPart(ByteSource& source, uint64_t offset, uint64_t length, Sink& sink) {
  std::vector<unsigned char> buffer(kPiece);
  while (length > 0) {
    size_t piece = static_cast<size_t>(length < kPiece ? length : kPiece);
    if (!source.readAt(offset, buffer.data(), piece)) return ReadStatus::kReadFailed;
    if (!sink.write(buffer.data(), piece)) return ReadStatus::kWriteFailed;
    offset += piece;
    length -= piece;
  }
  return ReadStatus::kOk;
}
}  // namespace

ReadStatus joinSplitSet(ByteSource& firstPart, const Location& where, const PartOpener& openPart, Sink& sink,
                        uint32_t& missingPart) {
  missingPart = 0;
  if (where.layout != Layout::kSplitFirstPart) return ReadStatus::kNotAnArchive;
  ReadStatus status = copyPart(firstPart, where.partDataOffset, where.partDataLength, sink);
  if (status != ReadStatus::kOk) return status;
  for (uint32_t n = 2; n <= where.part.partCount; ++n) {
    bool retry = false;
    for (;;) {
      ByteSource* part = openPart(n, retry);
      if (!part) {
        missingPart = n;
        return ReadStatus::kMissingPart;
      }
      uint64_t offset = 0;
      uint64_t length = 0;
      status = locatePart(*part, where.part, n, offset, length);
      if (status == ReadStatus::kOk) {
        status = copyPart(*part, offset, length, sink);
        if (status != ReadStatus::kOk) return status;
        break;
      }
      retry = true;
    }
  }
  return ReadStatus::kOk;
}

}  // namespace nox::archive
