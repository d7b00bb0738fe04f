// Conversations with real mail servers under Wine: the servers of the
// smtp_servers fixture (smtp-servers.py) on 127.0.25.1 to 127.0.25.10, port 25,
// one behaviour each; a failing socket and a failing send through the seam.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "SmtpConversation.h"
#include "pchelpers/PassThroughSockets.h"

namespace {

// What the fixture wrote: "ready" or why the servers are unavailable.
std::string serverState() {
  char exe[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string path(exe);
  std::ifstream in(path.substr(0, path.find_last_of('\\') + 1) + "smtp-servers.txt");
  std::string line;
  std::getline(in, line);
  return line;
}

class Winsock {
 public:
  Winsock() {
    WSADATA data;
    ::WSAStartup(MAKEWORD(1, 1), &data);
  }
  ~Winsock() { ::WSACleanup(); }
};

class SmtpServers : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string state = serverState();
    if (state != "ready") GTEST_SKIP() << "mail servers: " << state;
  }
  // Short enough that the silent servers cost little; the others answer at once.
  static constexpr DWORD kShortWaitMs = 400;

  smtp::Conversation talk(const char* server, int& result, DWORD waitMs = smtp::kAnswerWaitMs) {
    smtp::Conversation c;
    c.server = server;
    c.source = "User Input";
    result = smtp::converse(c, waitMs);
    return c;
  }
  Winsock winsock_;
};

const char kExtendedEhlo[] =
    "250-esmtp.test greets test\r\n250-SIZE 10240000\r\n250-8BITMIME\r\n250 HELP\r\n";

TEST_F(SmtpServers, ExtendedOneLineAndPlainServers) {
  struct Case {
    const char* server;
    const char* type;
    long ehloCode;
    const char* ehloLines;
  } cases[] = {
      {"127.0.25.1", "SMTP/ESMTP", 250, kExtendedEhlo},
      // One complete line is a whole answer: no warning.
      {"127.0.25.2", "SMTP/ESMTP", 250, "250 oneline.test greets test\r\n"},
      {"127.0.25.3", "SMTP", 500, "500 5.5.1 Command unrecognized: EHLO\r\n"},
  };
  for (const Case& expected : cases) {
    SCOPED_TRACE(expected.server);
    int result;
    smtp::Conversation c = talk(expected.server, result);
    EXPECT_EQ(smtp::kConversationDone, result);
    EXPECT_EQ(expected.type, c.serverType);
    EXPECT_EQ(220, c.connectCode);
    EXPECT_EQ(250, c.heloCode);
    EXPECT_EQ(expected.ehloCode, c.ehloCode);
    EXPECT_EQ(expected.ehloLines, c.ehloLines);
    EXPECT_EQ("220 ", c.connectLine.substr(0, 4));
    EXPECT_LT(c.connectTime + c.heloTime + c.ehloTime, 3000u) << "no wait for the full limit";
  }
}

TEST_F(SmtpServers, AServerThatNeverAnswersQuitShowsConnectAndHeloOnly) {
  int result;
  smtp::Conversation c = talk("127.0.25.4", result);
  EXPECT_EQ(smtp::kQuitFailed, result);
  EXPECT_EQ("220 noquit.test ESMTP ready\r\n", c.connectLine);
  EXPECT_EQ(250, c.heloCode);
  EXPECT_EQ("", c.serverType);
  EXPECT_EQ(0, c.ehloCode);
  EXPECT_EQ(0u, c.ehloTime);
  EXPECT_EQ("", c.ehloLines);
  EXPECT_EQ(WSAEDISCON, c.error) << "the server closed instead of answering";
}

TEST_F(SmtpServers, AServerThatClosesAfterItsGreetingFailsAtHelo) {
  int result;
  smtp::Conversation c = talk("127.0.25.5", result);
  EXPECT_EQ(smtp::kHeloReceiveFailed, result);
  EXPECT_EQ(220, c.connectCode);
  EXPECT_TRUE(c.error == WSAEDISCON || c.error == WSAECONNRESET) << c.error;
}

TEST_F(SmtpServers, AnswersSplitAcrossReadsAreReadWhole) {
  int result;
  smtp::Conversation c = talk("127.0.25.6", result);
  EXPECT_EQ(smtp::kConversationDone, result);
  EXPECT_EQ("220-split.test first line\r\n220 split.test ready\r\n", c.connectLine);
  EXPECT_EQ(250, c.heloCode) << "the end of the greeting is not taken for the HELO answer";
  EXPECT_EQ(kExtendedEhlo, c.ehloLines);
}

TEST_F(SmtpServers, AnswersLongerThanTheBufferAreCutAndReadToTheirEnd) {
  int result;
  smtp::Conversation c = talk("127.0.25.7", result);
  EXPECT_EQ(smtp::kConversationDone, result);
  EXPECT_EQ(8191u, c.connectLine.size());
  EXPECT_EQ(220, c.connectCode);
  EXPECT_EQ(250, c.heloCode) << "the rest of the greeting is not taken for the HELO answer";
  EXPECT_EQ(8191u, c.ehloLines.size());
  EXPECT_EQ("250-long.test greets test\r\n", c.ehloLines.substr(0, 27));
  EXPECT_EQ("SMTP/ESMTP", c.serverType);
}

TEST_F(SmtpServers, ASilentServerTimesOutAtTheGreeting) {
  int result;
  smtp::Conversation c = talk("127.0.25.8", result, kShortWaitMs);
  EXPECT_EQ(smtp::kGreetingFailed, result);
  EXPECT_EQ(WSAETIMEDOUT, c.error);
  EXPECT_EQ("", c.connectLine);
}

TEST_F(SmtpServers, AnEhloAnswerWithoutItsLastLineIsMarked) {
  int result;
  DWORD start = ::GetTickCount();
  smtp::Conversation c = talk("127.0.25.9", result, kShortWaitMs);
  EXPECT_EQ(smtp::kEhloLastLineMissing, result);
  EXPECT_EQ("SMTP/ESMTP", c.serverType);
  EXPECT_EQ("250-stall.test greets test\r\n250-SIZE 1000\r\n", c.ehloLines);
  EXPECT_LT(c.ehloTime, kShortWaitMs) << "the time of the first answer, not of the wait";
  EXPECT_GE(::GetTickCount() - start, kShortWaitMs - 20);
}

TEST_F(SmtpServers, ASecondConnectionClosedUnansweredFailsAtEhlo) {
  int result;
  smtp::Conversation c = talk("127.0.25.10", result);
  EXPECT_EQ(smtp::kEhloSendFailed, result);
  EXPECT_EQ(250, c.heloCode) << "the first connection was served";
  EXPECT_TRUE(c.error == WSAEDISCON || c.error == WSAECONNRESET) << c.error;
}

TEST_F(SmtpServers, NobodyListening) {
  int result;
  smtp::Conversation c = talk("127.0.25.99", result);
  EXPECT_EQ(smtp::kConnectFailed, result);
  EXPECT_EQ(WSAECONNREFUSED, c.error);
}

// Winsock as it is, except for the calls a test makes fail.
class FailingSockets : public PassThroughSockets {
 public:
  bool failSocket = false;
  bool failSend = false;
  int WSAGetLastError() override { return failed_ ? failed_ : PassThroughSockets::WSAGetLastError(); }
  SOCKET socket(int family, int type, int protocol) override {
    if (failSocket) return failed_ = WSAEMFILE, INVALID_SOCKET;
    return PassThroughSockets::socket(family, type, protocol);
  }
  int send(SOCKET s, const char* buffer, int length, int flags) override {
    if (failSend) return failed_ = WSAENOBUFS, SOCKET_ERROR;
    return PassThroughSockets::send(s, buffer, length, flags);
  }

 private:
  int failed_ = 0;
};

TEST_F(SmtpServers, SocketAndSendFailures) {
  FailingSockets sockets;
  ScopedSeam<SocketApi> scope(sockets);
  int result;
  sockets.failSocket = true;
  smtp::Conversation c = talk("127.0.25.1", result);
  EXPECT_EQ(smtp::kSocketFailed, result);
  EXPECT_EQ(WSAEMFILE, c.error);
  sockets.failSocket = false;
  sockets.failSend = true;
  c = talk("127.0.25.1", result);
  EXPECT_EQ(smtp::kHeloSendFailed, result);
  EXPECT_EQ(WSAENOBUFS, c.error);
  EXPECT_EQ(220, c.connectCode) << "greeted before the send failed";
}

}  // namespace
