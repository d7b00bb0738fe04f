#pragma once

// windows.h brings Winsock 1.1 (winsock.h), the interface every supported
// Windows has (WSOCK32.DLL, also on Windows 95 without the Winsock 2 update).
#include <windows.h>

#include "pchelpers/Seam.h"

// The network calls of the plug-ins: Winsock 1.1 with its Windows names,
// arguments and results. Plug-ins call Seam<SocketApi>::current(); tests put a
// recorded or wrapping implementation in force with ScopedSeam<SocketApi>.
// The real one links WSOCK32.DLL.
class SocketApi {
 public:
  virtual ~SocketApi() = default;
  // The implementation that calls Winsock.
  static SocketApi& real();

  virtual int WSAStartup(WORD version, LPWSADATA data) = 0;
  virtual int WSACleanup() = 0;
  virtual int WSAGetLastError() = 0;

  virtual SOCKET socket(int family, int type, int protocol) = 0;
  virtual int setsockopt(SOCKET s, int level, int name, const char* value, int length) = 0;
  virtual int connect(SOCKET s, const struct sockaddr* address, int length) = 0;
  virtual int send(SOCKET s, const char* buffer, int length, int flags) = 0;
  virtual int recv(SOCKET s, char* buffer, int length, int flags) = 0;
  virtual int select(int count, fd_set* readable, fd_set* writable, fd_set* failed,
                     const struct timeval* timeout) = 0;
  virtual int closesocket(SOCKET s) = 0;

  virtual unsigned long inet_addr(const char* text) = 0;
  virtual struct hostent* gethostbyname(const char* name) = 0;
};
