// Echo series and traces across real routers: run by netns-test.sh inside the
// client namespace of a chain of network namespaces joined by veth pairs,
//   client 10.250.1.2 - router 10.250.1.1 | 10.250.2.1 - router 10.250.2.2 |
//   10.250.3.1 - target 10.250.3.2
// where time-to-live expires at each router for real. The first router answers
// no echo requests (a host that does not answer); in the second phase the
// second router sends no time-exceeded messages (a silent router). Names come
// from the namespace's hosts file (router1, router2, target.chain.test).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "NoRawSockets.h"
#include "netdiag/NetDiag.h"

namespace {

const char kTarget[] = "10.250.3.2";
const char kQuietRouter[] = "10.250.1.1";
const char kSecondRouter[] = "10.250.2.2";

class NetDiagNamespaces : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("NOX_NETNS_CHAIN")) GTEST_SKIP() << "runs inside the namespaces of netns-test.sh";
  }
};

// Both engines: the echo client on a raw socket, and ICMP.DLL when raw
// sockets are refused; `check` learns which one runs.
template <class Check>
void withBothEngines(Check check) {
  {
    SCOPED_TRACE("echo client");
    check(false);
  }
  NoRawSockets sockets;
  ScopedSeam<SocketApi> scope(sockets);
  SCOPED_TRACE("system echo engine");
  check(true);
}

void expectHop(const PingResult& hop, const char* address, int received) {
  EXPECT_STREQ(address, hop.address);
  EXPECT_EQ(3, hop.sent);
  EXPECT_EQ(received, hop.received);
  EXPECT_EQ(3 - received, hop.lost);
}

TEST_F(NetDiagNamespaces, ChainPingAcrossTwoRouters) {
  withBothEngines([](bool) {
    PingResult ping;
    ASSERT_EQ(0, NetDiagPing(kTarget, &ping));
    expectHop(ping, kTarget, 3);
    EXPECT_STREQ("target.chain.test", ping.hostName);
    EXPECT_LE(ping.minimum, ping.average);
    EXPECT_LE(ping.average, ping.maximum);
  });
}

TEST_F(NetDiagNamespaces, ChainPingOfAnAddressThatDoesNotAnswer) {
  withBothEngines([](bool systemEngine) {
    PingResult ping;
    ASSERT_EQ(0, NetDiagPing(kQuietRouter, &ping));
    expectHop(ping, "NA", 0);
    // The system engine names the target, whether it answers or not.
    EXPECT_STREQ(systemEngine ? "router1.chain.test" : "NA", ping.hostName);
    EXPECT_EQ(0, ping.minimum);
    EXPECT_EQ(0, ping.maximum);
    EXPECT_EQ(0, ping.average);
  });
}

TEST_F(NetDiagNamespaces, ChainTraceThreeHops) {
  withBothEngines([](bool) {
    TraceResult trace;
    ASSERT_EQ(0, NetDiagTraceroute(kTarget, &trace));
    ASSERT_EQ(3, trace.hopCount);
    expectHop(trace.hops[0], kQuietRouter, 3);
    EXPECT_STREQ("router1.chain.test", trace.hops[0].hostName);
    expectHop(trace.hops[1], kSecondRouter, 3);
    EXPECT_STREQ("router2.chain.test", trace.hops[1].hostName);
    expectHop(trace.hops[2], kTarget, 3);
    EXPECT_STREQ("target.chain.test", trace.hops[2].hostName);
  });
}

TEST_F(NetDiagNamespaces, SilentRouterDoesNotShortenTheTrace) {
  withBothEngines([](bool) {
    TraceResult trace;
    ASSERT_EQ(0, NetDiagTraceroute(kTarget, &trace));
    ASSERT_EQ(3, trace.hopCount);
    expectHop(trace.hops[0], kQuietRouter, 3);
    expectHop(trace.hops[1], "NA", 0);
    EXPECT_STREQ("NA", trace.hops[1].hostName);
    expectHop(trace.hops[2], kTarget, 3);
  });
}

}  // namespace
