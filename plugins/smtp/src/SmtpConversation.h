#pragma once

#include <windows.h>

#include <string>

namespace smtp {

// What one conversation with a mail server found: its answers, their codes and
// how long they took. Numbers start at 0 and texts empty.
struct Conversation {
  std::string server;      // as the user or the mail-exchanger lookup named it
  std::string source;      // "DNS" or "User Input"
  std::string serverType;  // "SMTP/ESMTP" or "SMTP"; empty until the EHLO stage
  long connectCode = 0;
  unsigned long connectTime = 0;
  std::string connectLine;
  long heloCode = 0;
  unsigned long heloTime = 0;
  long ehloCode = 0;
  unsigned long ehloTime = 0;
  std::string ehloLines;
  int error = 0;  // the Winsock error of the step that failed
};

// How a conversation ended; the stages of the failures follow the report's error nodes.
enum ConversationResult {
  kConversationDone = 0,
  kSocketFailed = -1,
  kConnectFailed = -2,
  kGreetingFailed = -3,
  kHeloSendFailed = -4,
  kHeloReceiveFailed = -5,
  kEhloSendFailed = -6,
  kEhloReceiveFailed = -7,
  kEhloLastLineMissing = -8,
  kQuitFailed = -9,
};

// How long each answer may take to arrive in full.
constexpr DWORD kAnswerWaitMs = 30000;

// Talks to conversation.server on TCP port 25 through the network seam:
// greeting, HELO, QUIT; then on a second connection greeting, EHLO, QUIT.
// Fills the record as far as the conversation got; `error` is set when a
// step fails (a wait that runs out counts as WSAETIMEDOUT, a connection the
// server closed as WSAEDISCON).
int converse(Conversation& conversation, DWORD answerWaitMs = kAnswerWaitMs);

}  // namespace smtp
