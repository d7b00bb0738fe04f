#include "SmtpConversation.h"

#include <cstring>

#include "SmtpReply.h"
#include "pchelpers/SocketApi.h"

namespace smtp {

namespace {

constexpr u_short kSmtpPort = 25;
constexpr int kSocketBuffer = 8192;

// One TCP connection to the server, closed when it goes out of scope.
class Connection {
 public:
  explicit Connection(DWORD answerWaitMs) : net_(currentSockets()), waitMs_(answerWaitMs) {}
  ~Connection() { close(); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  int error() const { return error_; }

  bool open() {
    socket_ = net_.socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (socket_ == INVALID_SOCKET) return failed();
    int size = kSocketBuffer;
    net_.setsockopt(socket_, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&size), sizeof size);
    net_.setsockopt(socket_, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&size), sizeof size);
    return true;
  }

  bool connect(const sockaddr_in& address) {
    if (net_.connect(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
      return failed();
    return true;
  }

  bool send(const char* command) {
    if (!wait(false, waitMs_)) return false;
    int length = static_cast<int>(std::strlen(command));
    if (net_.send(socket_, command, length, 0) == SOCKET_ERROR) return failed();
    return true;
  }

  // Receives one whole answer, whatever pieces it comes in, within the wait.
  // Succeeds when anything arrived; `answered` is when the first piece came.
  bool receive(ReplyAssembler& reply, DWORD* answered = nullptr) {
    DWORD start = net_.GetTickCount();
    char buffer[kSocketBuffer];
    while (!reply.complete()) {
      DWORD spent = net_.GetTickCount() - start;
      if (!wait(true, spent < waitMs_ ? waitMs_ - spent : 0)) break;
      int received = net_.recv(socket_, buffer, static_cast<int>(kMaxReplyText), 0);
      if (received == SOCKET_ERROR) {
        failed();
        break;
      }
      if (received == 0) {
        error_ = WSAEDISCON;
        break;
      }
      if (reply.empty() && answered) *answered = net_.GetTickCount();
      reply.add(buffer, static_cast<size_t>(received));
    }
    return !reply.empty();
  }

  void close() {
    if (socket_ == INVALID_SOCKET) return;
    net_.closesocket(socket_);
    socket_ = INVALID_SOCKET;
  }

 private:
  bool failed() {
    error_ = net_.WSAGetLastError();
    return false;
  }

  bool wait(bool forReading, DWORD milliseconds) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket_, &set);
    timeval limit = {static_cast<long>(milliseconds / 1000), static_cast<long>(milliseconds % 1000 * 1000)};
    int ready = net_.select(0, forReading ? &set : nullptr, forReading ? nullptr : &set, nullptr, &limit);
    if (ready == SOCKET_ERROR) return failed();
    if (ready == 0) {
      error_ = WSAETIMEDOUT;
      return false;
    }
    return true;
  }

  SocketApi& net_;
  DWORD waitMs_;
  SOCKET socket_ = INVALID_SOCKET;
  int error_ = 0;
};

// The server's address by name, else as a dotted address. A server that is
// neither is not contacted (Winsock would take 0.0.0.0 for this machine).
bool serverAddress(const std::string& server, sockaddr_in& address, int& error) {
  SocketApi& net = currentSockets();
  std::memset(&address, 0, sizeof address);
  address.sin_family = AF_INET;
  address.sin_port = static_cast<u_short>((kSmtpPort >> 8) | (kSmtpPort & 0xFF) << 8);
  if (hostent* host = net.gethostbyname(server.c_str())) {
    if (host->h_addr_list && host->h_addr_list[0] && host->h_length == 4) {
      std::memcpy(&address.sin_addr, host->h_addr_list[0], 4);
      return true;
    }
  }
  int lookupError = net.WSAGetLastError();
  unsigned long dotted = net.inet_addr(server.c_str());
  if (dotted != INADDR_NONE) {
    address.sin_addr.s_addr = dotted;
    return true;
  }
  error = lookupError ? lookupError : WSAHOST_NOT_FOUND;
  return false;
}

bool quit(Connection& connection) {
  ReplyAssembler answer;
  return connection.send("QUIT \r\n") && connection.receive(answer);
}

}  // namespace

int converse(Conversation& c, DWORD answerWaitMs) {
  SocketApi& net = currentSockets();
  Connection first(answerWaitMs);
  if (!first.open()) return c.error = first.error(), kSocketFailed;
  sockaddr_in address;
  if (!serverAddress(c.server, address, c.error)) return kConnectFailed;

  DWORD start = net.GetTickCount();
  if (!first.connect(address)) return c.error = first.error(), kConnectFailed;
  c.connectTime = net.GetTickCount() - start;
  ReplyAssembler greeting;
  if (!first.receive(greeting)) return c.error = first.error(), kGreetingFailed;
  c.connectLine = greeting.text();
  c.connectCode = firstNumber(c.connectLine);

  start = net.GetTickCount();
  if (!first.send("HELO test\r\n")) return c.error = first.error(), kHeloSendFailed;
  ReplyAssembler helo;
  DWORD answered = start;
  if (!first.receive(helo, &answered)) return c.error = first.error(), kHeloReceiveFailed;
  c.heloTime = answered - start;
  c.heloCode = firstNumber(helo.text());
  if (!quit(first)) return c.error = first.error(), kQuitFailed;
  first.close();

  Connection second(answerWaitMs);
  ReplyAssembler secondGreeting;
  if (!second.open() || !second.connect(address) || !second.receive(secondGreeting))
    return c.error = second.error(), kEhloSendFailed;
  start = net.GetTickCount();
  if (!second.send("EHLO test\r\n")) return c.error = second.error(), kEhloSendFailed;
  ReplyAssembler ehlo;
  answered = start;
  if (!second.receive(ehlo, &answered)) return c.error = second.error(), kEhloReceiveFailed;
  c.ehloTime = answered - start;
  c.ehloLines = ehlo.text();
  c.ehloCode = firstNumber(c.ehloLines);
  c.serverType = c.ehloCode == 250 ? "SMTP/ESMTP" : "SMTP";
  bool lastLineSeen = ehlo.complete();
  if (!quit(second)) return c.error = second.error(), kQuitFailed;
  return lastLineSeen ? kConversationDone : kEhloLastLineMissing;
}

}  // namespace smtp
