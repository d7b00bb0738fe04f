#include "nox/archive/Io.h"

#include <cstring>
#include <vector>

namespace nox::archive {

namespace {
constexpr size_t kCopyPiece = 64 * 1024;

bool seekTo(FILE* file, uint64_t offset) {
  if (offset > static_cast<uint64_t>(INT64_MAX)) return false;
#ifdef _WIN32
  return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

bool fileLength(FILE* file, uint64_t& length) {
#ifdef _WIN32
  if (_fseeki64(file, 0, SEEK_END) != 0) return false;
  __int64 end = _ftelli64(file);
#else
  if (fseeko(file, 0, SEEK_END) != 0) return false;
  off_t end = ftello(file);
#endif
  if (end < 0) return false;
  length = static_cast<uint64_t>(end);
  return true;
}
}  // namespace

bool MemorySource::readAt(uint64_t offset, void* buffer, size_t n) {
  if (offset > size_ || n > size_ - offset) return false;
  if (n) std::memcpy(buffer, data_ + offset, n);
  return true;
}

FileSource::~FileSource() { close(); }

bool FileSource::open(const char* path) {
  close();
  file_ = std::fopen(path, "rb");
  if (!file_) return false;
  if (!fileLength(file_, size_)) {
    close();
    return false;
  }
  return true;
}

void FileSource::close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  size_ = 0;
}

bool FileSource::readAt(uint64_t offset, void* buffer, size_t n) {
  if (!file_ || offset > size_ || n > size_ - offset) return false;
  if (!seekTo(file_, offset)) return false;
  return std::fread(buffer, 1, n, file_) == n;
}

FileSink::~FileSink() { close(); }

bool FileSink::create(const char* path) {
  close();
  file_ = std::fopen(path, "wb");
  return file_ != nullptr;
}

bool FileSink::close() {
  if (!file_) return true;
  bool ok = std::fclose(file_) == 0;
  file_ = nullptr;
  return ok;
}

bool FileSink::write(const void* data, size_t n) { return file_ && std::fwrite(data, 1, n, file_) == n; }

bool copyRange(ByteSource& source, uint64_t offset, uint64_t n, Sink& sink) {
  std::vector<unsigned char> buffer(static_cast<size_t>(n < kCopyPiece ? n : kCopyPiece));
  while (n > 0) {
    size_t piece = static_cast<size_t>(n < kCopyPiece ? n : kCopyPiece);
    if (!source.readAt(offset, buffer.data(), piece) || !sink.write(buffer.data(), piece)) return false;
    offset += piece;
    n -= piece;
  }
  return true;
}

}  // namespace nox::archive
