#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "RecordedPlatform.h"
#include "pchelpers/SocketApi.h"

// A SocketApi that answers from the scenario of a recorded machine, which also
// carries its GetLastError. Nothing here touches the network.
//
// Sections:
//   [network]       winsock (fail: WSAStartup fails), raw (fail: a raw socket
//                   cannot be opened, error 10013 as without rights)
//   [host NAME]     addresses (blank-separated, first first), aliases; the
//                   reverse lookup of the first address gives NAME
//   [route ADDRESS] who answers echo requests sent towards ADDRESS: hops (the
//                   time-to-live at which ADDRESS itself answers, 1 unless
//                   given), router.N (the router that answers at time-to-live N,
//                   or "silent"), rtt (milliseconds, 1 unless given), lose
//                   (numbers of the requests towards ADDRESS, counting from 0,
//                   that go unanswered), loopback (yes: a raw socket first reads
//                   back its own request, as on a loopback interface)
//   [tcp N]         a row of the TCP tables: local, remote (address:port),
//                   state, pid, high (what the upper 16 bits of the port
//                   fields hold; Windows leaves them undefined)
//   [udp N]         a row of the UDP tables: local (address:port), pid, high
// Addresses without a route answer nothing. ICMP.DLL and IPHLPAPI.DLL entry
// points come through the machine's [missing] rules. The clock starts at 1000
// and moves only by answers, timeouts and sleeps.
class RecordedSocket : public SocketApi {
 public:
  explicit RecordedSocket(RecordedPlatform& machine);
  ~RecordedSocket() override;

  // What the code under test left behind, for leak checks.
  int openSockets() const { return static_cast<int>(sockets_.size()); }
  int winsockUsers() const { return startups_; }
  int openIcmpHandles() const { return icmpHandles_; }
  int heapBlocks() const { return static_cast<int>(heapBlocks_.size()); }
  // Echo requests sent (raw socket and ICMP.DLL together), with their time-to-live.
  const std::vector<int>& requestTtls() const { return requestTtls_; }
  const std::vector<DWORD>& sleeps() const { return sleeps_; }

  int WSAStartup(WORD version, LPWSADATA data) override;
  int WSACleanup() override;
  int WSAGetLastError() override;
  SOCKET socket(int family, int type, int protocol) override;
  int closesocket(SOCKET s) override;
  int shutdown(SOCKET s, int how) override;
  int connect(SOCKET s, const sockaddr* name, int length) override;
  int send(SOCKET s, const char* buffer, int length, int flags) override;
  int recv(SOCKET s, char* buffer, int length, int flags) override;
  int sendto(SOCKET s, const char* buffer, int length, int flags, const sockaddr* to, int toLength) override;
  int recvfrom(SOCKET s, char* buffer, int length, int flags, sockaddr* from, int* fromLength) override;
  int select(int count, fd_set* readable, fd_set* writable, fd_set* failed, const timeval* timeout) override;
  int setsockopt(SOCKET s, int level, int name, const char* value, int length) override;
  int ioctlsocket(SOCKET s, long command, u_long* argument) override;
  hostent* gethostbyname(const char* name) override;
  hostent* gethostbyaddr(const char* address, int length, int type) override;
  unsigned long inet_addr(const char* text) override;
  char* inet_ntoa(in_addr address) override;

  DWORD GetTickCount() override { return clock_; }
  void Sleep(DWORD milliseconds) override;
  DWORD SleepEx(DWORD milliseconds, BOOL alertable) override;

  HANDLE IcmpCreateFile(FARPROC entry) override;
  BOOL IcmpCloseHandle(FARPROC entry, HANDLE handle) override;
  DWORD IcmpSendEcho(FARPROC entry, HANDLE handle, IPAddr destination, LPVOID data, WORD size,
                     PIP_OPTION_INFORMATION options, LPVOID reply, DWORD replySize, DWORD timeout) override;

  DWORD GetTcpTable(FARPROC entry, PMIB_TCPTABLE table, PULONG size, BOOL order) override;
  DWORD GetUdpTable(FARPROC entry, PMIB_UDPTABLE table, PULONG size, BOOL order) override;
  DWORD AllocateAndGetTcpExTableFromStack(FARPROC entry, PVOID* table, BOOL order, HANDLE heap, DWORD flags,
                                          DWORD family) override;
  DWORD AllocateAndGetUdpExTableFromStack(FARPROC entry, PVOID* table, BOOL order, HANDLE heap, DWORD flags,
                                          DWORD family) override;
  HANDLE GetProcessHeap() override;
  BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID block) override;

 private:
  struct Socket {
    int type = 0;
    int ttl = 128;
    DWORD receiveTimeout = 0;
    std::deque<std::pair<std::vector<char>, DWORD>> datagrams;  // bytes, source address (network order)
  };
  struct Hop {
    bool answers = false;
    bool destination = false;
    DWORD from = 0;  // network order
    DWORD rtt = 1;
  };
  // Who answers the next echo request towards `to` sent with `ttl`.
  Hop route(DWORD to, int ttl);
  hostent* hostRecord(const std::string& name);
  struct TableRow {
    DWORD state, localAddr, localPort, remoteAddr, remotePort, pid;
  };
  std::vector<TableRow> rows(const std::string& kind) const;
  int fail(int error);

  RecordedPlatform& machine_;
  int wsaError_ = 0;
  int startups_ = 0;
  int icmpHandles_ = 0;
  DWORD clock_ = 1000;
  SOCKET nextSocket_ = 100;
  std::map<SOCKET, Socket> sockets_;
  std::map<DWORD, int> requestsTowards_;
  std::vector<int> requestTtls_;
  std::vector<DWORD> sleeps_;
  std::vector<void*> heapBlocks_;
  struct HostStorage;
  std::vector<std::unique_ptr<HostStorage>> hosts_;
  char ntoa_[16] = {};
};
