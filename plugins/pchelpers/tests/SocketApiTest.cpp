#include "pchelpers/SocketApi.h"

#include <gtest/gtest.h>

namespace {

// Forwards to Winsock and counts the calls that went through the seam.
class CountingSockets : public SocketApi {
 public:
  int WSAStartup(WORD version, LPWSADATA data) override { return count(real().WSAStartup(version, data)); }
  int WSACleanup() override { return count(real().WSACleanup()); }
  int WSAGetLastError() override { return real().WSAGetLastError(); }
  SOCKET socket(int family, int type, int protocol) override {
    ++calls;
    return real().socket(family, type, protocol);
  }
  int setsockopt(SOCKET s, int level, int name, const char* value, int length) override {
    return count(real().setsockopt(s, level, name, value, length));
  }
  int connect(SOCKET s, const struct sockaddr* address, int length) override {
    return count(real().connect(s, address, length));
  }
  int send(SOCKET s, const char* buffer, int length, int flags) override {
    return count(real().send(s, buffer, length, flags));
  }
  int recv(SOCKET s, char* buffer, int length, int flags) override {
    return count(real().recv(s, buffer, length, flags));
  }
  int select(int n, fd_set* r, fd_set* w, fd_set* f, const struct timeval* timeout) override {
    return count(real().select(n, r, w, f, timeout));
  }
  int closesocket(SOCKET s) override { return count(real().closesocket(s)); }
  unsigned long inet_addr(const char* text) override {
    ++calls;
    return real().inet_addr(text);
  }
  struct hostent* gethostbyname(const char* name) override {
    ++calls;
    return real().gethostbyname(name);
  }
  int calls = 0;

 private:
  int count(int result) {
    ++calls;
    return result;
  }
};

// Winsock 1.1 for real, through the seam: start-up, a refused connection on
// loopback with its Winsock error, and the shutdown.
TEST(SocketApi, ReachesWinsockThroughTheSeamInForce) {
  CountingSockets counting;
  ScopedSeam<SocketApi> scope(counting);
  SocketApi& api = Seam<SocketApi>::current();
  ASSERT_EQ(&api, &counting);

  WSADATA data{};
  ASSERT_EQ(api.WSAStartup(MAKEWORD(1, 1), &data), 0);
  EXPECT_EQ(data.wVersion, MAKEWORD(1, 1));
  EXPECT_EQ(api.inet_addr("127.0.0.1"), htonl(INADDR_LOOPBACK));
  EXPECT_EQ(api.inet_addr("no address"), INADDR_NONE);
  struct hostent* local = api.gethostbyname("localhost");
  ASSERT_NE(local, nullptr);
  EXPECT_EQ(local->h_length, 4);

  SOCKET s = api.socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_NE(s, INVALID_SOCKET);
  sockaddr_in nowhere{};
  nowhere.sin_family = AF_INET;
  nowhere.sin_addr.s_addr = api.inet_addr("127.0.0.1");
  nowhere.sin_port = htons(1);  // nothing listens on tcpmux
  EXPECT_EQ(api.connect(s, reinterpret_cast<sockaddr*>(&nowhere), sizeof nowhere), SOCKET_ERROR);
  EXPECT_EQ(api.WSAGetLastError(), WSAECONNREFUSED);
  EXPECT_EQ(api.closesocket(s), 0);
  EXPECT_EQ(api.WSACleanup(), 0);
  EXPECT_EQ(counting.calls, 9);
}

}  // namespace
