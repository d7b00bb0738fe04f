#pragma once

#include <windows.h>
// clang-format off
#include <ipexport.h>
#include <iprtrmib.h>
// clang-format on

#include "pchelpers/Seam.h"

// Rows of the extended connection tables of IP Helper (Windows XP and later, run
// time only); the SDK headers do not declare them.
struct MIB_TCPEXROW {
  DWORD dwState;
  DWORD dwLocalAddr;
  DWORD dwLocalPort;
  DWORD dwRemoteAddr;
  DWORD dwRemotePort;
  DWORD dwProcessId;
};
struct MIB_TCPEXTABLE {
  DWORD dwNumEntries;
  MIB_TCPEXROW table[1];
};
struct MIB_UDPEXROW {
  DWORD dwLocalAddr;
  DWORD dwLocalPort;
  DWORD dwProcessId;
};
struct MIB_UDPEXTABLE {
  DWORD dwNumEntries;
  MIB_UDPEXROW table[1];
};

// The network seam: Winsock 1.1 (WSOCK32.DLL, which every Windows has), the ICMP
// echo service (ICMP.DLL) and IP Helper, with the clock the network code times
// its answers by. Calls keep their Windows names and arguments. Entry points
// that older Windows versions lack (ICMP.DLL, IPHLPAPI.DLL) are resolved by the
// caller through the Platform and passed in as `entry`.
class SocketApi {
 public:
  virtual ~SocketApi() = default;
  static SocketApi& real();

  virtual int WSAStartup(WORD version, LPWSADATA data) = 0;
  virtual int WSACleanup() = 0;
  virtual int WSAGetLastError() = 0;
  virtual SOCKET socket(int family, int type, int protocol) = 0;
  virtual int closesocket(SOCKET s) = 0;
  virtual int shutdown(SOCKET s, int how) { return real().shutdown(s, how); }
  virtual int connect(SOCKET s, const sockaddr* name, int length) = 0;
  virtual int send(SOCKET s, const char* buffer, int length, int flags) = 0;
  virtual int recv(SOCKET s, char* buffer, int length, int flags) = 0;
  virtual int sendto(SOCKET s, const char* buffer, int length, int flags, const sockaddr* to, int toLength) {
    return real().sendto(s, buffer, length, flags, to, toLength);
  }
  virtual int recvfrom(SOCKET s, char* buffer, int length, int flags, sockaddr* from, int* fromLength) {
    return real().recvfrom(s, buffer, length, flags, from, fromLength);
  }
  virtual int select(int count, fd_set* readable, fd_set* writable, fd_set* failed,
                     const timeval* timeout) = 0;
  virtual int setsockopt(SOCKET s, int level, int name, const char* value, int length) = 0;
  virtual int ioctlsocket(SOCKET s, long command, u_long* argument) {
    return real().ioctlsocket(s, command, argument);
  }
  virtual hostent* gethostbyname(const char* name) = 0;
  virtual hostent* gethostbyaddr(const char* address, int length, int type) {
    return real().gethostbyaddr(address, length, type);
  }
  virtual unsigned long inet_addr(const char* text) = 0;
  virtual char* inet_ntoa(in_addr address) { return real().inet_ntoa(address); }

  // Time, as the network code measures answers and waits between requests.
  virtual DWORD GetTickCount() { return real().GetTickCount(); }
  virtual void Sleep(DWORD milliseconds) { real().Sleep(milliseconds); }
  virtual DWORD SleepEx(DWORD milliseconds, BOOL alertable) {
    return real().SleepEx(milliseconds, alertable);
  }

  // ICMP.DLL.
  virtual HANDLE IcmpCreateFile(FARPROC entry) { return real().IcmpCreateFile(entry); }
  virtual BOOL IcmpCloseHandle(FARPROC entry, HANDLE handle) { return real().IcmpCloseHandle(entry, handle); }
  virtual DWORD IcmpSendEcho(FARPROC entry, HANDLE handle, IPAddr destination, LPVOID data, WORD size,
                             PIP_OPTION_INFORMATION options, LPVOID reply, DWORD replySize, DWORD timeout) {
    return real().IcmpSendEcho(entry, handle, destination, data, size, options, reply, replySize, timeout);
  }

  // IPHLPAPI.DLL. The extended tables come on `heap`, released with HeapFree.
  virtual DWORD GetTcpTable(FARPROC entry, PMIB_TCPTABLE table, PULONG size, BOOL order) {
    return real().GetTcpTable(entry, table, size, order);
  }
  virtual DWORD GetUdpTable(FARPROC entry, PMIB_UDPTABLE table, PULONG size, BOOL order) {
    return real().GetUdpTable(entry, table, size, order);
  }
  virtual DWORD AllocateAndGetTcpExTableFromStack(FARPROC entry, PVOID* table, BOOL order, HANDLE heap,
                                                  DWORD flags, DWORD family) {
    return real().AllocateAndGetTcpExTableFromStack(entry, table, order, heap, flags, family);
  }
  virtual DWORD AllocateAndGetUdpExTableFromStack(FARPROC entry, PVOID* table, BOOL order, HANDLE heap,
                                                  DWORD flags, DWORD family) {
    return real().AllocateAndGetUdpExTableFromStack(entry, table, order, heap, flags, family);
  }
  virtual HANDLE GetProcessHeap() { return real().GetProcessHeap(); }
  virtual BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID block) {
    return real().HeapFree(heap, flags, block);
  }
};

inline SocketApi& currentSockets() { return Seam<SocketApi>::current(); }
