// The real network seam: each call goes straight to Winsock.
#include "pchelpers/SocketApi.h"

namespace {

class WinsockApi final : public SocketApi {
 public:
  int WSAStartup(WORD version, LPWSADATA data) override { return ::WSAStartup(version, data); }
  int WSACleanup() override { return ::WSACleanup(); }
  int WSAGetLastError() override { return ::WSAGetLastError(); }

  SOCKET socket(int family, int type, int protocol) override { return ::socket(family, type, protocol); }
  int setsockopt(SOCKET s, int level, int name, const char* value, int length) override {
    return ::setsockopt(s, level, name, value, length);
  }
  int connect(SOCKET s, const struct sockaddr* address, int length) override {
    return ::connect(s, address, length);
  }
  int send(SOCKET s, const char* buffer, int length, int flags) override {
    return ::send(s, buffer, length, flags);
  }
  int recv(SOCKET s, char* buffer, int length, int flags) override {
    return ::recv(s, buffer, length, flags);
  }
  int select(int count, fd_set* readable, fd_set* writable, fd_set* failed,
             const struct timeval* timeout) override {
    // mingw-w64 declares the timeout without const; Winsock never writes it.
    return ::select(count, readable, writable, failed, const_cast<struct timeval*>(timeout));
  }
  int closesocket(SOCKET s) override { return ::closesocket(s); }

  unsigned long inet_addr(const char* text) override { return ::inet_addr(text); }
  struct hostent* gethostbyname(const char* name) override {
    return ::gethostbyname(name);
  }
};

}  // namespace

SocketApi& SocketApi::real() {
  static WinsockApi api;
  return api;
}
