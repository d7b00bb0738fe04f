// The exports for real under Wine: DNS servers on loopback (the dns_servers
// fixture), the ipconfig listing through a real pipe from a stand-in program,
// and echo requests to 127.0.0.1 with both engines.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "NoRawSockets.h"
#include "netdiag/NetDiag.h"
#include "pchelpers/SocketApi.h"

namespace {

std::string binFile(const std::string& name) {
  char exe[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string folder(exe);
  return folder.substr(0, folder.find_last_of('\\') + 1) + name;
}

// The listing the stand-in ipconfig.exe prints for the length of a test.
class Listing {
 public:
  explicit Listing(const std::string& text) : path_(binFile("netdiag-listing.txt")) {
    std::ofstream(path_, std::ios::binary) << text;
    ::SetEnvironmentVariableA("NOX_IPCONFIG_LISTING", path_.c_str());
  }
  ~Listing() {
    ::SetEnvironmentVariableA("NOX_IPCONFIG_LISTING", nullptr);
    std::remove(path_.c_str());
  }

 private:
  std::string path_;
};

std::string xpListing(const std::string& dnsServer) {
  return "\r\nWindows IP Configuration\r\n\r\n"
         "        Host Name . . . . . . . . . . . . : ws01\r\n"
         "        Primary Dns Suffix  . . . . . . . : corp.test\r\n"
         "        Node Type . . . . . . . . . . . . : Hybrid\r\n\r\n"
         "Ethernet adapter Local Area Connection:\r\n\r\n"
         "        Connection-specific DNS Suffix  . : \r\n"
         "        Description . . . . . . . . . . . : Intel(R) PRO/100 VE\r\n"
         "        Physical Address. . . . . . . . . : 00-0C-29-3A-4B-5C\r\n"
         "        Dhcp Enabled. . . . . . . . . . . : No\r\n"
         "        IP Address. . . . . . . . . . . . : 127.0.0.1\r\n"
         "        Subnet Mask . . . . . . . . . . . : 255.0.0.0\r\n"
         "        Default Gateway . . . . . . . . . : \r\n"
         "        DNS Servers . . . . . . . . . . . : " +
         dnsServer +
         "\r\n"
         "                                            127.0.53.9\r\n\r\n"
         "Ethernet adapter Second:\r\n\r\n"
         "        Description . . . . . . . . . . . : Second card\r\n"
         "        Physical Address. . . . . . . . . : 00-11-22-33-44-55\r\n"
         "        DNS Servers . . . . . . . . . . . : 10.99.0.1\r\n";
}

bool serversReady() {
  std::ifstream in(binFile("dns-servers.txt"));
  std::string line;
  std::getline(in, line);
  if (line != "ready") std::printf("DNS servers: %s\n", line.c_str());
  return line == "ready";
}

std::vector<std::string> lookup(const char* type, const char* name, int& result) {
  HGLOBAL block = nullptr;
  result = NetDiagDNSLookup(type, name, &block);
  std::vector<std::string> answers;
  if (result <= 0) {
    EXPECT_EQ(nullptr, block);
    return answers;
  }
  const char* text = static_cast<const char*>(::GlobalLock(block));
  std::string all(text);
  EXPECT_EQ(all.size() + 2, ::GlobalSize(block));
  for (size_t start = 0; start < all.size();) {
    size_t tab = all.find('\t', start);
    answers.push_back(all.substr(start, tab - start));
    start = tab + 1;
  }
  ::GlobalUnlock(block);
  EXPECT_EQ(nullptr, ::GlobalFree(block));
  return answers;
}

using Answers = std::vector<std::string>;

// Another program pinging 127.0.0.1 every few milliseconds for the life of the
// object: its requests and the answers to them reach every raw ICMP socket.
class OtherEchoTraffic {
 public:
  OtherEchoTraffic() : socket_(::socket(AF_INET, SOCK_RAW, IPPROTO_ICMP)) {
    if (socket_ != INVALID_SOCKET) sender_ = std::thread([this] { send(); });
  }
  ~OtherEchoTraffic() {
    stop_ = true;
    if (sender_.joinable()) sender_.join();
    if (socket_ != INVALID_SOCKET) ::closesocket(socket_);
  }
  bool running() const { return socket_ != INVALID_SOCKET; }
  int sent() const { return sent_; }

 private:
  void send() {
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = ::inet_addr("127.0.0.1");
    for (uint16_t sequence = 0; !stop_; ++sequence) {
      unsigned char request[64] = {8,
                                   0,
                                   0,
                                   0,
                                   0x42,
                                   0x42,
                                   static_cast<unsigned char>(sequence >> 8),
                                   static_cast<unsigned char>(sequence)};
      unsigned long sum = 0;
      for (size_t i = 0; i < sizeof request; i += 2) sum += request[i] << 8 | request[i + 1];
      while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
      request[2] = static_cast<unsigned char>(~sum >> 8);
      request[3] = static_cast<unsigned char>(~sum);
      if (::sendto(socket_, reinterpret_cast<const char*>(request), sizeof request, 0,
                   reinterpret_cast<const sockaddr*>(&to), sizeof to) == sizeof request)
        ++sent_;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

  SOCKET socket_;
  std::atomic<bool> stop_{false};
  std::atomic<int> sent_{0};
  std::thread sender_;
};

TEST(NetDiagReal, AdapterListingThroughThePipe) {
  Listing listing(xpListing("127.0.53.1"));
  HGLOBAL block = nullptr;
  ASSERT_EQ(1, NetDiagGetAdapterInfo(&block));
  const AdapterRecord* r = static_cast<const AdapterRecord*>(::GlobalLock(block));
  EXPECT_STREQ("Intel(R) PRO/100 VE", r->description);
  EXPECT_STREQ("127.0.53.1", r->firstDnsServer);
  EXPECT_STREQ("127.0.53.9", r->furtherDnsServers);
  EXPECT_STREQ("00-0C-29-3A-4B-5C", r->physicalAddress);
  EXPECT_STREQ("255.0.0.0", r->subnetMask);
  EXPECT_EQ(0, r->dhcpEnabled);
  EXPECT_STREQ("corp.test", r->dnsDomain);
  ::GlobalUnlock(block);
  ::GlobalFree(block);
}

TEST(NetDiagReal, LookupsAgainstDnsmasq) {
  if (!serversReady()) GTEST_SKIP() << "DNS servers unavailable";
  Listing listing(xpListing("127.0.53.1"));
  int result;
  EXPECT_EQ(Answers({"10.53.0.10"}), lookup(nullptr, "host", result)) << "host.corp.test";
  EXPECT_EQ(1, result);
  EXPECT_EQ(Answers({"host.corp.test"}), lookup(nullptr, "10.53.0.10", result)) << "reverse";
  EXPECT_EQ(Answers({"host.corp.test"}), lookup("ptr", "10.53.0.10", result));
  EXPECT_EQ(Answers({"10.53.0.10"}), lookup(nullptr, "alias", result)) << "through the CNAME";
  EXPECT_EQ(Answers({"127.0.0.1"}), lookup(nullptr, "mx1.corp.test", result)) << "the name as given, second";
  lookup(nullptr, "missing", result);
  EXPECT_EQ(kNetDiagDnsFailed, result);
}

TEST(NetDiagReal, MailExchangersFromTheResponder) {
  if (!serversReady()) GTEST_SKIP() << "DNS servers unavailable";
  Listing listing(xpListing("127.0.53.2"));
  int result;
  EXPECT_EQ(Answers({"mx1.corp.test", "mx2.corp.test", "mx3.corp.test"}), lookup("mx", nullptr, result));
  EXPECT_EQ(3, result);
  EXPECT_EQ(Answers({"10.53.0.99"}), lookup("A", "tcp-only.test", result))
      << "truncated over UDP, whole over TCP";
}

TEST(NetDiagReal, PingAndTraceLoopbackWithTheEchoClient) {
  PingResult ping;
  ASSERT_EQ(0, NetDiagPing("127.0.0.1", &ping));
  EXPECT_STREQ("127.0.0.1", ping.address);
  EXPECT_EQ(3, ping.sent);
  EXPECT_EQ(3, ping.received) << "own requests read back on loopback are not answers";
  EXPECT_EQ(0, ping.lost);
  EXPECT_LE(ping.minimum, ping.maximum);
  TraceResult trace;
  ASSERT_EQ(0, NetDiagTraceroute("127.0.0.1", &trace));
  EXPECT_EQ(1, trace.hopCount);
  EXPECT_STREQ("127.0.0.1", trace.hops[0].address);
  EXPECT_EQ(3, trace.hops[0].received);
}

TEST(NetDiagReal, OtherProgramsEchoesCostTheEchoClientNoAnswers) {
  WSADATA data;
  ASSERT_EQ(0, ::WSAStartup(MAKEWORD(2, 2), &data));
  {
    OtherEchoTraffic traffic;
    ASSERT_TRUE(traffic.running());
    PingResult ping;
    ASSERT_EQ(0, NetDiagPing("127.0.0.1", &ping));
    EXPECT_EQ(3, ping.received) << "requests and answers of others waiting in the queue";
    EXPECT_EQ(0, ping.lost);
    TraceResult trace;
    ASSERT_EQ(0, NetDiagTraceroute("127.0.0.1", &trace));
    EXPECT_EQ(1, trace.hopCount);
    EXPECT_EQ(3, trace.hops[0].received);
    EXPECT_LT(100, traffic.sent()) << "the other program kept pinging throughout";
  }
  ::WSACleanup();
}

TEST(NetDiagReal, PingAndTraceLoopbackWithTheSystemEngine) {
  NoRawSockets sockets;
  ScopedSeam<SocketApi> scope(sockets);
  PingResult ping;
  ASSERT_EQ(0, NetDiagPing("127.0.0.1", &ping));
  EXPECT_STREQ("127.0.0.1", ping.address);
  EXPECT_EQ(3, ping.received);
  EXPECT_STRNE("NA", ping.hostName) << "the target's reverse name";
  TraceResult trace;
  ASSERT_EQ(0, NetDiagTraceroute("127.0.0.1", &trace));
  EXPECT_EQ(1, trace.hopCount);
  EXPECT_STREQ("127.0.0.1", trace.hops[0].address);
  EXPECT_EQ(3, trace.hops[0].sent);
}

}  // namespace
