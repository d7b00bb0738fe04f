#pragma once

#include "pchelpers/SocketApi.h"

// The real network seam behind a class of its own, for tests that change single
// answers of the real Winsock (a socket that cannot be opened, a send that
// fails) and leave the rest to Windows.
class PassThroughSockets : public SocketApi {
 public:
  int WSAStartup(WORD version, LPWSADATA data) override { return real_.WSAStartup(version, data); }
  int WSACleanup() override { return real_.WSACleanup(); }
  int WSAGetLastError() override { return real_.WSAGetLastError(); }
  SOCKET socket(int family, int type, int protocol) override { return real_.socket(family, type, protocol); }
  int closesocket(SOCKET s) override { return real_.closesocket(s); }
  int connect(SOCKET s, const sockaddr* name, int length) override { return real_.connect(s, name, length); }
  int send(SOCKET s, const char* buffer, int length, int flags) override {
    return real_.send(s, buffer, length, flags);
  }
  int recv(SOCKET s, char* buffer, int length, int flags) override {
    return real_.recv(s, buffer, length, flags);
  }
  int select(int count, fd_set* readable, fd_set* writable, fd_set* failed, const timeval* timeout) override {
    return real_.select(count, readable, writable, failed, timeout);
  }
  int setsockopt(SOCKET s, int level, int name, const char* value, int length) override {
    return real_.setsockopt(s, level, name, value, length);
  }
  hostent* gethostbyname(const char* name) override { return real_.gethostbyname(name); }
  unsigned long inet_addr(const char* text) override { return real_.inet_addr(text); }

 private:
  SocketApi& real_ = SocketApi::real();
};
