// The key line of a setup log, read as a text file is read line by line.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "KeyLine.h"

namespace {

std::string scan(const std::string& content, size_t piece) {
  winmisc::KeyLineScanner scanner("MyCreateService:");
  for (size_t at = 0; at < content.size() && !scanner.found(); at += piece)
    scanner.feed(content.data() + at, std::min(piece, content.size() - at));
  scanner.finish();
  return scanner.line();
}

TEST(KeyLine, FirstLineWithTheMarkerAsReadWhateverThePieces) {
  const std::string longLine(3000, 'x');
  struct Row {
    std::string content;
    std::string line;
  } rows[] = {
      {"[IIS]\r\nMyCreateService: W3SVC ok\r\nMyCreateService: second\r\n", "MyCreateService: W3SVC ok\n"},
      {"a\nb MyCreateService:\n", "b MyCreateService:\n"},
      // the last line without its line end
      {"one\r\ntwo MyCreateService: end", "two MyCreateService: end"},
      // a CR alone stays; one at the very end too
      {"x\ry MyCreateService:\r", "x\ry MyCreateService:\r"},
      {"no marker here\r\nnor here\r\n", ""},
      {"", ""},
      // a line longer than 2047 characters comes in pieces of 2047
      {longLine.substr(0, 2047) + "MyCreateService: late\n", "MyCreateService: late\n"},
      {longLine.substr(0, 2040) + "MyCreateService: split\n", ""},
      {longLine.substr(0, 2046) + "\r\nMyCreateService:\r\n", "MyCreateService:\n"},
  };
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    for (size_t piece : {size_t(1), size_t(2), size_t(7), size_t(4096)}) {
      EXPECT_EQ(scan(rows[i].content, piece), rows[i].line) << "row " << i << ", pieces of " << piece;
    }
  }
}

TEST(KeyLine, AWholeLineOfTheLongestLengthEndsThere) {
  std::string line = std::string(2047 - 16, 'y') + "MyCreateService:";
  EXPECT_EQ(scan(line + "tail\n", 4096), line) << "the line as read: 2047 characters";
}

}  // namespace
