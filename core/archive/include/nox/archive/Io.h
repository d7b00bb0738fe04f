#pragma once

// Random-access input and sequential output for the archive code, so the same
// logic reads a file, a memory block or a joined split set.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace nox::archive {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t size() const = 0;
  // Reads exactly n bytes at offset; false when they are not all there.
  virtual bool readAt(uint64_t offset, void* buffer, size_t n) = 0;
};

class Sink {
 public:
  virtual ~Sink() = default;
  // False when the bytes could not all be written.
  virtual bool write(const void* data, size_t n) = 0;
};

class MemorySource : public ByteSource {
 public:
  MemorySource(const void* data, size_t size) : data_(static_cast<const unsigned char*>(data)), size_(size) {}
  uint64_t size() const override { return size_; }
  bool readAt(uint64_t offset, void* buffer, size_t n) override;

 private:
  const unsigned char* data_;
  size_t size_;
};

class StringSink : public Sink {
 public:
  bool write(const void* data, size_t n) override {
    bytes.append(static_cast<const char*>(data), n);
    return true;
  }
  std::string bytes;
};

class NullSink : public Sink {
 public:
  bool write(const void*, size_t n) override {
    written += n;
    return true;
  }
  uint64_t written = 0;
};

// A file opened for binary reading through the C runtime (narrow path, which on
// Windows is the ANSI code page).
class FileSource : public ByteSource {
 public:
  FileSource() = default;
  ~FileSource() override;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;

  bool open(const char* path);
  void close();
  bool isOpen() const { return file_ != nullptr; }
  uint64_t size() const override { return size_; }
  bool readAt(uint64_t offset, void* buffer, size_t n) override;

 private:
  FILE* file_ = nullptr;
  uint64_t size_ = 0;
};

// A file written through the C runtime; create replaces an existing file.
class FileSink : public Sink {
 public:
  FileSink() = default;
  ~FileSink() override;
  FileSink(const FileSink&) = delete;
  FileSink& operator=(const FileSink&) = delete;

  bool create(const char* path);
  // False when a buffered write fails on closing.
  bool close();
  bool write(const void* data, size_t n) override;

 private:
  FILE* file_ = nullptr;
};

// Copies n bytes from source at offset into sink in 64 KiB pieces.
bool copyRange(ByteSource& source, uint64_t offset, uint64_t n, Sink& sink);

}  // namespace nox::archive
