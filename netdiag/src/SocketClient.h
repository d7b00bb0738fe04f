#pragma once

#include <string>

#include "pchelpers/SocketApi.h"

namespace netdiag {

// One Winsock 1.1 registration and at most one socket, both released with the
// client. Base of the echo client and the DNS transport.
class SocketClient {
 public:
  SocketClient();
  virtual ~SocketClient();
  SocketClient(const SocketClient&) = delete;
  SocketClient& operator=(const SocketClient&) = delete;

  bool started() const { return started_; }
  bool openSocket(int family, int type, int protocol);
  void close();
  bool setReceiveTimeout(int milliseconds);
  bool setSendTimeout(int milliseconds);
  // Discards what waits on the socket.
  void drain();
  // A dotted address for `text` (only the part after its last at sign), cut to
  // `limit` characters; false when the name is unknown or the address too long.
  bool resolve(const char* text, std::string& dotted, size_t limit);

 protected:
  SocketApi& net_;
  SOCKET socket_ = INVALID_SOCKET;
  int type_ = 0;
  int receiveTimeout_ = 30000;
  int sendTimeout_ = 30000;

 private:
  bool started_ = false;
};

uint16_t hostOrder(uint16_t networkOrder);

}  // namespace netdiag
