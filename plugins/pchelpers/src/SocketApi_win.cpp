// The real network seam: each call goes straight to Windows.
#include "pchelpers/SocketApi.h"

namespace {

template <class Fn>
Fn entryAs(FARPROC entry) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(entry));
}

class Win32Sockets final : public SocketApi {
 public:
  int WSAStartup(WORD version, LPWSADATA data) override { return ::WSAStartup(version, data); }
  int WSACleanup() override { return ::WSACleanup(); }
  int WSAGetLastError() override { return ::WSAGetLastError(); }
  SOCKET socket(int family, int type, int protocol) override { return ::socket(family, type, protocol); }
  int closesocket(SOCKET s) override { return ::closesocket(s); }
  int shutdown(SOCKET s, int how) override { return ::shutdown(s, how); }
  int connect(SOCKET s, const sockaddr* name, int length) override { return ::connect(s, name, length); }
  int send(SOCKET s, const char* buffer, int length, int flags) override {
    return ::send(s, buffer, length, flags);
  }
  int recv(SOCKET s, char* buffer, int length, int flags) override {
    return ::recv(s, buffer, length, flags);
  }
  int sendto(SOCKET s, const char* buffer, int length, int flags, const sockaddr* to, int toLength) override {
    return ::sendto(s, buffer, length, flags, to, toLength);
  }
  int recvfrom(SOCKET s, char* buffer, int length, int flags, sockaddr* from, int* fromLength) override {
    return ::recvfrom(s, buffer, length, flags, from, fromLength);
  }
  int select(int count, fd_set* readable, fd_set* writable, fd_set* failed, const timeval* timeout) override {
    return ::select(count, readable, writable, failed, const_cast<timeval*>(timeout));
  }
  int setsockopt(SOCKET s, int level, int name, const char* value, int length) override {
    return ::setsockopt(s, level, name, value, length);
  }
  int ioctlsocket(SOCKET s, long command, u_long* argument) override {
    return ::ioctlsocket(s, command, argument);
  }
  hostent* gethostbyname(const char* name) override { return ::gethostbyname(name); }
  hostent* gethostbyaddr(const char* address, int length, int type) override {
    return ::gethostbyaddr(address, length, type);
  }
  unsigned long inet_addr(const char* text) override { return ::inet_addr(text); }
  char* inet_ntoa(in_addr address) override { return ::inet_ntoa(address); }

  DWORD GetTickCount() override { return ::GetTickCount(); }
  void Sleep(DWORD milliseconds) override { ::Sleep(milliseconds); }
  DWORD SleepEx(DWORD milliseconds, BOOL alertable) override { return ::SleepEx(milliseconds, alertable); }

  HANDLE IcmpCreateFile(FARPROC entry) override { return entryAs<HANDLE(WINAPI*)()>(entry)(); }
  BOOL IcmpCloseHandle(FARPROC entry, HANDLE handle) override {
    return entryAs<BOOL(WINAPI*)(HANDLE)>(entry)(handle);
  }
  DWORD IcmpSendEcho(FARPROC entry, HANDLE handle, IPAddr destination, LPVOID data, WORD size,
                     PIP_OPTION_INFORMATION options, LPVOID reply, DWORD replySize, DWORD timeout) override {
    return entryAs<DWORD(WINAPI*)(HANDLE, IPAddr, LPVOID, WORD, PIP_OPTION_INFORMATION, LPVOID, DWORD,
                                  DWORD)>(entry)(handle, destination, data, size, options, reply, replySize,
                                                 timeout);
  }

  DWORD GetTcpTable(FARPROC entry, PMIB_TCPTABLE table, PULONG size, BOOL order) override {
    return entryAs<DWORD(WINAPI*)(PMIB_TCPTABLE, PULONG, BOOL)>(entry)(table, size, order);
  }
  DWORD GetUdpTable(FARPROC entry, PMIB_UDPTABLE table, PULONG size, BOOL order) override {
    return entryAs<DWORD(WINAPI*)(PMIB_UDPTABLE, PULONG, BOOL)>(entry)(table, size, order);
  }
  DWORD AllocateAndGetTcpExTableFromStack(FARPROC entry, PVOID* table, BOOL order, HANDLE heap, DWORD flags,
                                          DWORD family) override {
    return entryAs<DWORD(WINAPI*)(PVOID*, BOOL, HANDLE, DWORD, DWORD)>(entry)(table, order, heap, flags,
                                                                              family);
  }
  DWORD AllocateAndGetUdpExTableFromStack(FARPROC entry, PVOID* table, BOOL order, HANDLE heap, DWORD flags,
                                          DWORD family) override {
    return entryAs<DWORD(WINAPI*)(PVOID*, BOOL, HANDLE, DWORD, DWORD)>(entry)(table, order, heap, flags,
                                                                              family);
  }
  HANDLE GetProcessHeap() override { return ::GetProcessHeap(); }
  BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID block) override { return ::HeapFree(heap, flags, block); }
};

}  // namespace

SocketApi& SocketApi::real() {
  static Win32Sockets sockets;
  return sockets;
}
