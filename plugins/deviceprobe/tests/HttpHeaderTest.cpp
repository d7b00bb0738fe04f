#include "HttpHeader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The body as the download writes it, for an answer cut into the given chunks.
std::string body(const std::vector<std::string>& chunks) {
  HttpHeaderSkipper skipper;
  std::string written;
  for (const std::string& chunk : chunks) {
    const size_t header = skipper.skip(chunk.data(), chunk.size());
    written += chunk.substr(header);
  }
  return written;
}

TEST(HttpHeader, TheBlankLineEndsTheHeaderWhereverTheChunksAreCut) {
  const struct {
    std::vector<std::string> chunks;
    const char* body;
  } rows[] = {
      {{"HTTP/1.1 200 OK\r\nA: b\r\n\r\n<x/>"}, "<x/>"},
      {{"HTTP/1.1 200 OK\r\n\r", "\n<x/>"}, "<x/>"},
      {{"HTTP/1.1 200 OK\r", "\n", "\r", "\n", "<x/>", "more"}, "<x/>more"},
      {{"HTTP/1.1 200 OK\r\n\r\n"}, ""},
      {{"HTTP/1.1 204 No Content\r\n"}, ""},         // no blank line: nothing is body
      {{"\r\r\n\r\n\r\n\r\nbody"}, "\r\n\r\nbody"},  // only the first blank line counts
      {{"A\r\n\r\r\n\r\nbody"}, "body"},             // a stray CR restarts the match
      {{"", "HTTP/1.1 200\r\n", "", "\r\n", "", "b"}, "b"},
      {{"\r\n\r\n"}, ""},
  };
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i)
    EXPECT_EQ(body(rows[i].chunks), rows[i].body) << "row " << i;
}

TEST(HttpHeader, EveryCutOfOneAnswerGivesTheSameBody) {
  const std::string answer = "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\n\r\n<sysinfo>\r\n\r\n</sysinfo>";
  for (size_t a = 0; a <= answer.size(); ++a) {
    for (size_t b = a; b <= answer.size(); b += 7) {
      EXPECT_EQ(body({answer.substr(0, a), answer.substr(a, b - a), answer.substr(b)}),
                "<sysinfo>\r\n\r\n</sysinfo>")
          << a << " " << b;
    }
  }
}

}  // namespace
