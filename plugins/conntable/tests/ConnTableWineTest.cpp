// The connection-table report for real (under Wine): sockets the test opens
// itself must show up with their ports and states.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ConnTableObservation.h"
#include "ReportProbe.h"
#include "nox/testing/Wine.h"

namespace {

class Sockets {
 public:
  Sockets() {
    WSADATA data;
    ::WSAStartup(MAKEWORD(1, 1), &data);
  }
  ~Sockets() {
    for (SOCKET s : open_) ::closesocket(s);
    ::WSACleanup();
  }
  // A socket bound to 127.0.0.1 on a free port; `port` in host order.
  SOCKET bound(int type, unsigned& port) {
    SOCKET s = keep(::socket(AF_INET, type, 0));
    sockaddr_in address = loopback(0);
    EXPECT_EQ(0, ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address));
    int length = sizeof address;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    port = ::ntohs(address.sin_port);
    return s;
  }
  SOCKET keep(SOCKET s) {
    EXPECT_NE(INVALID_SOCKET, s);
    open_.push_back(s);
    return s;
  }
  static sockaddr_in loopback(unsigned port) {
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ::inet_addr("127.0.0.1");
    address.sin_port = ::htons(static_cast<u_short>(port));
    return address;
  }

 private:
  std::vector<SOCKET> open_;
};

// The "port" of `table` with these endpoints; null when there is none.
const IReport* findPort(const IReport& table, unsigned localPort, long remotePort = -1) {
  for (unsigned i = 0; i < table.getSubReports().getCount(); ++i) {
    const IReport& port = table.getSubReports().getItem(i);
    if (probe::text(port, "localAddr") != "127.0.0.1" || probe::number(port, "localPort") != localPort)
      continue;
    if (remotePort < 0 || probe::number(port, "remotePort") == remotePort) return &port;
  }
  return nullptr;
}

TEST(ConnTableUnderWine, OwnSocketsWithPortsAndStates) {
  Sockets sockets;
  unsigned listening = 0, datagrams = 0;
  SOCKET listener = sockets.bound(SOCK_STREAM, listening);
  ASSERT_EQ(0, ::listen(listener, 1));
  sockets.bound(SOCK_DGRAM, datagrams);
  SOCKET client = sockets.keep(::socket(AF_INET, SOCK_STREAM, 0));
  sockaddr_in server = Sockets::loopback(listening);
  ASSERT_EQ(0, ::connect(client, reinterpret_cast<sockaddr*>(&server), sizeof server));
  sockets.keep(::accept(listener, nullptr, nullptr));
  sockaddr_in own = {};
  int length = sizeof own;
  ::getsockname(client, reinterpret_cast<sockaddr*>(&own), &length);
  unsigned clientPort = ::ntohs(own.sin_port);

  conntable::ConnTableObservation observation;
  std::unique_ptr<Report> owned(static_cast<Report*>(&observation.createReport()));
  const IReport& report = *owned;
  const IReport& tcp = *probe::find(report, "TCP");
  const IReport& udp = *probe::find(report, "UDP");

  const IReport* listen = findPort(tcp, listening, 0);
  ASSERT_NE(nullptr, listen) << "listening port " << listening;
  EXPECT_EQ("LISTEN", probe::text(*listen, "state"));
  EXPECT_EQ("0.0.0.0", probe::text(*listen, "remoteAddr"));
  const IReport* outgoing = findPort(tcp, clientPort, listening);
  ASSERT_NE(nullptr, outgoing);
  EXPECT_EQ("ESTAB", probe::text(*outgoing, "state"));
  EXPECT_EQ("127.0.0.1", probe::text(*outgoing, "remoteAddr"));
  const IReport* incoming = findPort(tcp, listening, clientPort);
  ASSERT_NE(nullptr, incoming);
  EXPECT_EQ("ESTAB", probe::text(*incoming, "state"));
  const IReport* datagram = findPort(udp, datagrams);
  ASSERT_NE(nullptr, datagram) << "UDP port " << datagrams;

  // TCP comes from the extended table (Wine's IP Helper has it, as XP's has),
  // so every row names an owner.
  for (const IReport* row : {listen, outgoing, incoming}) {
    ASSERT_NE(nullptr, probe::find(*row, "pid"));
    long pid = probe::number(*row, "pid");
    std::string name = probe::text(*row, "pname");
    if (runningUnderWine()) {
      // Known Wine gap: its tables are the host's, with owner process ID 0 in
      // every row; no process of its snapshot has that ID.
      EXPECT_EQ(0, pid);
      EXPECT_EQ("Unknown", name);
    } else {
      EXPECT_EQ(static_cast<long>(::GetCurrentProcessId()), pid);
      EXPECT_EQ("conntable_tests.exe", name);
    }
  }
  if (runningUnderWine()) {
    // Known Wine gap: its IP Helper lacks AllocateAndGetUdpExTableFromStack,
    // so UDP comes from the basic table, without owners.
    EXPECT_EQ(std::vector<std::string>({"localAddr", "localPort"}), probe::childNames(*datagram));
  } else {
    EXPECT_EQ(static_cast<long>(::GetCurrentProcessId()), probe::number(*datagram, "pid"));
  }
}

}  // namespace
