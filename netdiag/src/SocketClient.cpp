#include "SocketClient.h"

#include <cstring>

namespace netdiag {

namespace {
constexpr int kMostDrainedReads = 4096;
}  // namespace

uint16_t hostOrder(uint16_t networkOrder) {
  return static_cast<uint16_t>(networkOrder >> 8 | networkOrder << 8);
}

SocketClient::SocketClient() : net_(currentSockets()) {
  WSADATA data;
  started_ = net_.WSAStartup(MAKEWORD(1, 1), &data) == 0;
}

SocketClient::~SocketClient() {
  close();
  if (started_) net_.WSACleanup();
}

bool SocketClient::openSocket(int family, int type, int protocol) {
  close();
  socket_ = net_.socket(family, type, protocol);
  if (socket_ == INVALID_SOCKET) return false;
  type_ = type;
  return true;
}

void SocketClient::close() {
  if (socket_ == INVALID_SOCKET) return;
  if (type_ == SOCK_STREAM) net_.shutdown(socket_, 2);
  net_.closesocket(socket_);
  socket_ = INVALID_SOCKET;
}

bool SocketClient::setReceiveTimeout(int milliseconds) {
  if (net_.setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&milliseconds),
                      sizeof milliseconds) != 0) {
    return false;
  }
  receiveTimeout_ = milliseconds;
  return true;
}

bool SocketClient::setSendTimeout(int milliseconds) {
  if (net_.setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&milliseconds),
                      sizeof milliseconds) != 0) {
    return false;
  }
  sendTimeout_ = milliseconds;
  return true;
}

void SocketClient::drain() {
  char discard[256];
  u_long waiting = 0;
  // A datagram longer than the discard buffer is dropped whole with
  // WSAEMSGSIZE; that is progress, not the end. The count keeps a socket that
  // fills as fast as it is read from holding the caller here.
  for (int reads = 0; reads < kMostDrainedReads &&
                      net_.ioctlsocket(socket_, static_cast<long>(FIONREAD), &waiting) == 0 && waiting > 0;
       ++reads) {
    int got = net_.recv(socket_, discard, sizeof discard, 0);
    if (got == 0) break;
    if (got == SOCKET_ERROR && net_.WSAGetLastError() != WSAEMSGSIZE) break;
  }
}

bool SocketClient::resolve(const char* text, std::string& dotted, size_t limit) {
  if (!text) return false;
  const char* at = std::strrchr(text, '@');
  hostent* host = net_.gethostbyname(at ? at + 1 : text);
  if (!host || !host->h_addr_list || !host->h_addr_list[0]) return false;
  in_addr address;
  std::memcpy(&address, host->h_addr_list[0], sizeof address);
  const char* result = net_.inet_ntoa(address);
  if (!result || std::strlen(result) > limit) return false;
  dotted = result;
  return true;
}

}  // namespace netdiag
