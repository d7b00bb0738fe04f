#pragma once

#include <cstdio>
#include <ostream>
#include <streambuf>
#include <string>

// An output stream over a C stdio stream. nxz writes through these rather than
// std::cout and std::cerr: the C++ standard streams bring the C++ runtime's
// file-stream code into the static Windows program, and with it imports that
// Windows versions before XP do not have.
class StdioBuffer : public std::streambuf {
 public:
  explicit StdioBuffer(std::FILE* file) : file_(file) {}

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    return std::fputc(c, file_) == EOF ? traits_type::eof() : c;
  }
  std::streamsize xsputn(const char* text, std::streamsize n) override {
    return static_cast<std::streamsize>(std::fwrite(text, 1, static_cast<size_t>(n), file_));
  }
  int sync() override { return std::fflush(file_) == 0 ? 0 : -1; }

 private:
  std::FILE* file_;
};

class StdioStream : public std::ostream {
 public:
  explicit StdioStream(std::FILE* file) : std::ostream(nullptr), buffer_(file) { rdbuf(&buffer_); }

 private:
  StdioBuffer buffer_;
};

// A file written through C stdio, for the same reason: in place of std::ofstream.
class StdioFile : public std::ostream {
 public:
  explicit StdioFile(const std::string& path)
      : std::ostream(nullptr), file_(std::fopen(path.c_str(), "wb")), buffer_(file_) {
    if (file_) {
      rdbuf(&buffer_);
    } else {
      setstate(std::ios::badbit);
    }
  }
  ~StdioFile() override { close(); }
  StdioFile(const StdioFile&) = delete;
  StdioFile& operator=(const StdioFile&) = delete;

  // Writes what is buffered and closes the file; a failure sets badbit.
  void close() {
    if (!file_) return;
    flush();
    if (std::fclose(file_) != 0) setstate(std::ios::badbit);
    file_ = nullptr;
  }

 private:
  std::FILE* file_;
  StdioBuffer buffer_;
};
