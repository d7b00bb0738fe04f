#pragma once

// Finding the key line of a setup log: the first line that holds a marker,
// with lines read as a program reads a text file line by line (lines of at
// most 2047 characters, a longer one coming in pieces; CR LF read as LF).
// Portable: fed with the file's bytes in pieces of any size.

#include <cstddef>
#include <string>

namespace winmisc {

class KeyLineScanner {
 public:
  explicit KeyLineScanner(const char* marker) : marker_(marker) {}

  // Feeds the next bytes of the file; nothing more is needed once found().
  void feed(const char* bytes, size_t count);
  // The file has ended: its last line may lack a line end.
  void finish();

  bool found() const { return found_; }
  // The key line as read, with its line end; empty until found.
  const std::string& line() const { return found_ ? line_ : empty_; }

  // The longest line read in one piece.
  static const size_t kLineLength = 2047;

 private:
  void put(char c);
  void endLine();

  std::string marker_;
  std::string line_;
  std::string empty_;
  bool carriageReturn_ = false;
  bool found_ = false;
};

}  // namespace winmisc
