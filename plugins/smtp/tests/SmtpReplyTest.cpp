// Assembling SMTP answers from the pieces a connection delivers (both builds).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SmtpReply.h"

namespace {

using Pieces = std::vector<std::string>;

smtp::ReplyAssembler assemble(const Pieces& pieces) {
  smtp::ReplyAssembler reply;
  for (const std::string& piece : pieces) reply.add(piece.data(), piece.size());
  return reply;
}

TEST(SmtpReply, TheAnswerEndsWithItsLastLine) {
  struct Case {
    Pieces pieces;
    bool complete;
  } cases[] = {
      {{"220 mail.test ESMTP\r\n"}, true},
      {{"250\r\n"}, true},
      {{"250\n"}, true},
      {{"250-mail.test\r\n250-SIZE 1000\r\n250 HELP\r\n"}, true},
      {{"250-mail.test\r\n250-SIZE 1000\r\n"}, false},
      {{"250-mail.test\r\n", "250-SIZE", " 1000\r\n25", "0 HE", "LP\r", "\n"}, true},
      {{"250 HELP"}, false},  // the line has not ended yet
      {{"250-HELP\r\n", "25"}, false},
      {{"hello\r\n"}, false},
      {{"25 short\r\n"}, false},
      {{"2500 four digits\r\n"}, false},
      {{""}, false},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    smtp::ReplyAssembler reply = assemble(cases[i].pieces);
    EXPECT_EQ(cases[i].complete, reply.complete()) << "case " << i;
    std::string all;
    for (const std::string& p : cases[i].pieces) all += p;
    EXPECT_EQ(all, reply.text()) << "case " << i;
  }
}

TEST(SmtpReply, NothingReceivedIsEmpty) {
  smtp::ReplyAssembler reply;
  EXPECT_TRUE(reply.empty());
  reply.add("", 0);
  EXPECT_TRUE(reply.empty());
  reply.add("2", 1);
  EXPECT_FALSE(reply.empty());
}

TEST(SmtpReply, ALongAnswerIsCutButReadToItsEnd) {
  std::string line = "250-" + std::string(96, 'x') + "\r\n";  // 102 bytes
  smtp::ReplyAssembler reply;
  for (int i = 0; i < 200; ++i) reply.add(line.data(), line.size());
  EXPECT_EQ(smtp::kMaxReplyText, reply.text().size());
  EXPECT_FALSE(reply.complete());
  reply.add("250 HELP\r\n", 10);
  EXPECT_TRUE(reply.complete()) << "the last line is seen beyond the kept text";
  EXPECT_EQ(smtp::kMaxReplyText, reply.text().size());
  EXPECT_EQ(line, reply.text().substr(0, line.size()));
}

TEST(SmtpReply, FirstNumber) {
  struct Case {
    const char* text;
    long number;
  } cases[] = {
      {"220 mail.test ESMTP Postfix", 220},
      {"250-mail.test\r\n250 HELP", 250},
      {"  421 4.3.2 busy", 421},
      {"no digits here", 0},
      {"", 0},
      {"mail2 ready 220", 2},
      {"2147483647", 2147483647},
      {"2147483648", 2147483647},
      {"99999999999999999999999 too long", 2147483647},
  };
  for (const Case& c : cases) EXPECT_EQ(c.number, smtp::firstNumber(c.text)) << c.text;
}

}  // namespace
