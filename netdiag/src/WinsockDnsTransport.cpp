#include "WinsockDnsTransport.h"

#include <cstring>

#include "SocketClient.h"
#include "Text.h"

namespace netdiag {

namespace {

constexpr int kWaitSeconds = 5;
constexpr int kTimeoutMs = 5000;
// The longest TCP reply taken; a longer length prefix is refused.
constexpr size_t kTcpReplyLimit = 16384;
constexpr uint16_t kDnsPort = 53;

class DnsConnection : public SocketClient {
 public:
  bool connectTo(const std::string& server, bool tcp) {
    std::string dotted = server;
    unsigned char octets[4];
    if (!parseDottedAddress(server, octets) && !resolve(server.c_str(), dotted, 29)) return false;
    if (!openSocket(AF_INET, tcp ? SOCK_STREAM : SOCK_DGRAM, 0)) return false;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = hostOrder(kDnsPort);
    address.sin_addr.s_addr = net_.inet_addr(dotted.c_str());
    u_long nonBlocking = 1;
    net_.ioctlsocket(socket_, static_cast<long>(FIONBIO), &nonBlocking);
    if (net_.connect(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == SOCKET_ERROR &&
        net_.WSAGetLastError() != WSAEWOULDBLOCK) {
      return false;
    }
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(socket_, &writable);
    FD_SET(socket_, &failed);
    timeval wait = {kWaitSeconds, 0};
    if (net_.select(0, nullptr, &writable, &failed, &wait) <= 0 || !FD_ISSET(socket_, &writable))
      return false;
    nonBlocking = 0;
    net_.ioctlsocket(socket_, static_cast<long>(FIONBIO), &nonBlocking);
    setSendTimeout(kTimeoutMs);
    setReceiveTimeout(kTimeoutMs);
    return true;
  }

  bool exchangeUdp(const std::vector<uint8_t>& message, std::vector<uint8_t>& reply) {
    net_.send(socket_, reinterpret_cast<const char*>(message.data()), static_cast<int>(message.size()), 0);
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(socket_, &readable);
    timeval wait = {kWaitSeconds, 0};
    if (net_.select(0, &readable, nullptr, nullptr, &wait) <= 0) return false;
    reply.assign(kDnsUdpReplyLimit, 0);
    int got = net_.recv(socket_, reinterpret_cast<char*>(reply.data()), static_cast<int>(reply.size()), 0);
    if (got < 1) return false;
    reply.resize(static_cast<size_t>(got));
    return true;
  }

  bool exchangeTcp(const std::vector<uint8_t>& message, std::vector<uint8_t>& reply) {
    std::vector<uint8_t> framed = {static_cast<uint8_t>(message.size() >> 8),
                                   static_cast<uint8_t>(message.size())};
    framed.insert(framed.end(), message.begin(), message.end());
    net_.send(socket_, reinterpret_cast<const char*>(framed.data()), static_cast<int>(framed.size()), 0);
    setReceiveTimeout(kTimeoutMs);
    uint8_t prefix[2];
    if (!receiveAll(prefix, 2)) return false;
    size_t length = static_cast<size_t>(prefix[0] << 8 | prefix[1]);
    if (length == 0 || length > kTcpReplyLimit) return false;
    reply.assign(length, 0);
    size_t got = 0;
    while (got < length) {
      int n =
          net_.recv(socket_, reinterpret_cast<char*>(reply.data() + got), static_cast<int>(length - got), 0);
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    reply.resize(got);
    return got > 0;
  }

 private:
  bool receiveAll(uint8_t* buffer, size_t length) {
    size_t got = 0;
    while (got < length) {
      int n = net_.recv(socket_, reinterpret_cast<char*>(buffer + got), static_cast<int>(length - got), 0);
      if (n <= 0) return false;
      got += static_cast<size_t>(n);
    }
    return true;
  }
};

}  // namespace

bool WinsockDnsTransport::exchange(const std::string& server, const std::vector<uint8_t>& message, bool tcp,
                                   std::vector<uint8_t>& reply) {
  DnsConnection connection;
  if (!connection.started() || !connection.connectTo(server, tcp)) return false;
  return tcp ? connection.exchangeTcp(message, reply) : connection.exchangeUdp(message, reply);
}

}  // namespace netdiag
