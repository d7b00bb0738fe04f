// The exports on recorded machines: the echo engines on a recorded network,
// the adapter listing from recorded programs, and the Windows 9x rule.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "RecordedProgram.h"
#include "RecordedSocket.h"
#include "Scenario.h"
#include "netdiag/NetDiag.h"

namespace {

// A recorded machine with its network and its programs in force.
class Machine {
 public:
  explicit Machine(const std::string& text)
      : machine_(ScenarioMachine::fromText(text)),
        sockets_(machine_.platform()),
        programs_(machine_.platform()),
        socketScope_(sockets_),
        programScope_(programs_) {}
  RecordedSocket& sockets() { return sockets_; }
  RecordedProgram& programs() { return programs_; }
  RecordedPlatform& platform() { return machine_.platform(); }

 private:
  ScenarioMachine machine_;
  RecordedSocket sockets_;
  RecordedProgram programs_;
  ScopedSeam<SocketApi> socketScope_;
  ScopedSeam<ProgramApi> programScope_;
};

const char kXp[] = "[version]\nplatform = 2\nmajor = 5\nminor = 1\nbuild = 2600\n";

const char kNetwork[] =
    "[host gw.test]\naddresses = 10.0.0.1\n"
    "[host far.test]\naddresses = 10.9.9.9\naliases = far\n"
    "[route 10.9.9.9]\nhops = 5\nrouter.1 = 10.0.0.1\nrouter.2 = 10.0.2.1\nrouter.3 = silent\n"
    "router.4 = 10.0.4.1\nrtt = 7\n"
    "[route 10.0.0.1]\nrtt = 2\n";

std::string withRawSockets(bool raw) {
  return std::string(kXp) + kNetwork + (raw ? "" : "[network]\nraw = fail\n");
}

PingResult sentinelPing() {
  PingResult r;
  std::memset(&r, 0x5A, sizeof r);
  return r;
}

TEST(NetDiagPing, UnresolvableTargetLeavesTheRecord) {
  for (bool raw : {true, false}) {
    Machine machine(withRawSockets(raw));
    PingResult result = sentinelPing();
    EXPECT_EQ(kNetDiagBadTarget, NetDiagPing("nowhere.test", &result)) << raw;
    PingResult untouched = sentinelPing();
    EXPECT_EQ(0, std::memcmp(&untouched, &result, sizeof result)) << raw;
    EXPECT_EQ(0, machine.sockets().openSockets());
    EXPECT_EQ(0, machine.sockets().winsockUsers()) << "Winsock released";
  }
}

TEST(NetDiagPing, EchoClientSeriesOfThreeWithNames) {
  Machine machine(withRawSockets(true));
  PingResult result;
  ASSERT_EQ(0, NetDiagPing("user@gw.test", &result)) << "the part after the at sign";
  EXPECT_STREQ("10.0.0.1", result.address);
  EXPECT_STREQ("gw.test", result.hostName);
  EXPECT_EQ(3, result.sent);
  EXPECT_EQ(3, result.received);
  EXPECT_EQ(0, result.lost);
  EXPECT_EQ(2, result.minimum);
  EXPECT_EQ(2, result.average);
  EXPECT_EQ(std::vector<DWORD>({500, 500, 500}), machine.sockets().sleeps()) << "a pause after every answer";
  EXPECT_EQ(0, machine.sockets().openSockets());
}

TEST(NetDiagPing, FirstRequestLostThenAnswered) {
  for (bool raw : {true, false}) {
    Machine machine(withRawSockets(raw) + "[route 10.0.0.1]\nlose = 0\n");
    PingResult result;
    ASSERT_EQ(0, NetDiagPing("10.0.0.1", &result));
    EXPECT_EQ(3, result.sent) << raw;
    EXPECT_EQ(2, result.received) << raw;
    EXPECT_EQ(1, result.lost) << raw;
    EXPECT_STREQ("10.0.0.1", result.address) << raw;
    EXPECT_STREQ("gw.test", result.hostName) << raw;
  }
}

TEST(NetDiagPing, NothingAnswers) {
  for (bool raw : {true, false}) {
    Machine machine(withRawSockets(raw) + "[route 10.0.0.1]\nlose = 0 1 2\n");
    PingResult result;
    ASSERT_EQ(0, NetDiagPing("10.0.0.1", &result));
    EXPECT_EQ(3, result.sent);
    EXPECT_EQ(0, result.received);
    EXPECT_EQ(3, result.lost);
    EXPECT_EQ(0, result.minimum + result.maximum + result.average);
    EXPECT_STREQ("NA", result.address) << raw;
    // The system engine names the target even when nothing answers.
    EXPECT_STREQ(raw ? "NA" : "gw.test", result.hostName) << raw;
  }
}

TEST(NetDiagPing, LoopbackReadsBackItsOwnRequestFirst) {
  Machine machine(withRawSockets(true) + "[route 10.0.0.1]\nloopback = yes\n");
  PingResult result;
  ASSERT_EQ(0, NetDiagPing("10.0.0.1", &result));
  EXPECT_EQ(3, result.received);
  EXPECT_EQ(0, result.lost);
  EXPECT_EQ(2, result.maximum) << "the reply's time, not the request's";
}

TEST(NetDiagPing, WithoutIcmpDllTheRecordIsOnlyCleared) {
  Machine machine(withRawSockets(false) + "[missing]\nICMP.DLL\n");
  PingResult result = sentinelPing();
  ASSERT_EQ(0, NetDiagPing("10.0.0.1", &result));
  EXPECT_STREQ("", result.address);
  EXPECT_EQ(0, result.sent);
}

TEST(NetDiagTrace, DestinationAtFiveWithASilentRouter) {
  for (bool raw : {true, false}) {
    Machine machine(withRawSockets(raw));
    TraceResult trace;
    ASSERT_EQ(0, NetDiagTraceroute("far.test", &trace));
    EXPECT_EQ(5, trace.hopCount) << raw;
    EXPECT_STREQ("10.0.0.1", trace.hops[0].address);
    EXPECT_STREQ("gw.test", trace.hops[0].hostName);
    // An unnamed router: the echo client names it by its address, the system engine leaves "NA".
    EXPECT_STREQ(raw ? "10.0.2.1" : "NA", trace.hops[1].hostName);
    EXPECT_STREQ("NA", trace.hops[2].address) << raw;
    EXPECT_EQ(0, trace.hops[2].received);
    EXPECT_EQ(3, trace.hops[2].lost);
    EXPECT_STREQ("10.9.9.9", trace.hops[4].address);
    EXPECT_STREQ("far.test", trace.hops[4].hostName);
    for (int h = 0; h < 5; ++h) EXPECT_EQ(3, trace.hops[h].sent) << raw << " hop " << h;
    EXPECT_EQ(7, trace.hops[4].average);
    if (raw) {
      // Three passes, each from time-to-live 1 to 5.
      EXPECT_EQ(std::vector<int>({1, 2, 3, 4, 5, 1, 2, 3, 4, 5, 1, 2, 3, 4, 5}),
                machine.sockets().requestTtls());
    }
  }
}

TEST(NetDiagTrace, SystemEngineTakesAHopAddressFromTheFirstProbeOnly) {
  Machine machine(withRawSockets(false) + "[route 10.0.0.1]\nlose = 0\n");
  TraceResult trace;
  ASSERT_EQ(0, NetDiagTraceroute("10.0.0.1", &trace));
  EXPECT_EQ(1, trace.hopCount);
  EXPECT_EQ(2, trace.hops[0].received);
  EXPECT_EQ(1, trace.hops[0].lost);
  EXPECT_STREQ("NA", trace.hops[0].address);
}

TEST(NetDiagTrace, NothingAnsweringGivesOneHopOfNA) {
  for (bool raw : {true, false}) {
    Machine machine(withRawSockets(raw) + "[route 10.5.5.5]\nhops = 40\n");
    TraceResult trace;
    ASSERT_EQ(0, NetDiagTraceroute("10.5.5.5", &trace));
    EXPECT_EQ(1, trace.hopCount) << raw;
    EXPECT_STREQ("NA", trace.hops[0].address);
    EXPECT_STREQ("NA", trace.hops[0].hostName);
    if (raw) {
      // A pass ends at its sixth unanswered hop; the next starts again at 1.
      EXPECT_EQ(18u, machine.sockets().requestTtls().size());
      EXPECT_EQ(1, machine.sockets().requestTtls()[6]);
    } else {
      EXPECT_EQ(90u, machine.sockets().requestTtls().size()) << "30 hops of three probes";
    }
  }
}

TEST(NetDiagTrace, NoRecordOrNoTarget) {
  Machine machine(withRawSockets(true));
  EXPECT_EQ(kNetDiagBadTarget, NetDiagTraceroute("10.0.0.1", nullptr));
  EXPECT_TRUE(machine.sockets().requestTtls().empty());
  TraceResult trace;
  trace.hopCount = 77;
  EXPECT_EQ(kNetDiagBadTarget, NetDiagTraceroute("nowhere.test", &trace));
  EXPECT_EQ(0, trace.hopCount);
}

const char kListing[] =
    "\r\nWindows IP Configuration\r\n\r\n        Host Name . . . . . . . . : ws01\r\n"
    "        Primary Dns Suffix  . . . : corp.test\r\n\r\nEthernet adapter LAN:\r\n\r\n"
    "        Description . . . . . . . : Card\r\n        Physical Address. . . . . : 00-0C-29-3A-4B-5C\r\n"
    "        DNS Servers . . . . . . . : 10.0.0.53\r\n";

TEST(NetDiagAdapters, ListingThroughThePipe) {
  Machine machine(kXp);
  machine.programs().addProgram("ipconfig.exe /All", kListing);
  HGLOBAL block = nullptr;
  ASSERT_EQ(1, NetDiagGetAdapterInfo(&block));
  ASSERT_NE(nullptr, block);
  EXPECT_EQ(sizeof(AdapterRecord), ::GlobalSize(block));
  const AdapterRecord* record = static_cast<const AdapterRecord*>(::GlobalLock(block));
  EXPECT_EQ(904, record->recordSize);
  EXPECT_STREQ("10.0.0.53", record->firstDnsServer);
  EXPECT_STREQ("corp.test", record->dnsDomain);
  ::GlobalUnlock(block);
  ::GlobalFree(block);
  EXPECT_EQ(std::vector<std::string>({"ipconfig.exe /All"}), machine.programs().started());
  EXPECT_EQ(0, machine.programs().openHandles());
}

TEST(NetDiagAdapters, ListingLargerThanThePipeIsReadWhileTheProgramRuns) {
  Machine machine(kXp);
  std::string talkative = kListing;
  while (talkative.size() < 40000) talkative += "        Comment . . . . : more text to fill the pipe\r\n";
  machine.programs().addProgram("ipconfig.exe /All", talkative);
  HGLOBAL block = nullptr;
  ASSERT_EQ(1, NetDiagGetAdapterInfo(&block));
  ::GlobalFree(block);
  EXPECT_FALSE(machine.programs().terminated());
}

TEST(NetDiagAdapters, FailuresLeaveTheHandle) {
  struct Row {
    const char* what;
    std::string scenario;
    int expected;
  } rows[] = {
      {"Windows 98", "[version]\nplatform = 1\nmajor = 4\nminor = 10\n", kNetDiagNoAdapterInfo},
      {"Windows Me", "[version]\nplatform = 1\nmajor = 4\nminor = 90\n", kNetDiagNoAdapterInfo},
      {"no ipconfig", kXp, kNetDiagNoAdapterInfo},
      {"never ends", std::string(kXp) + "[program ipconfig.exe /All]\noutput = x\nfinish = never\n",
       kNetDiagNoAdapterInfo},
      {"no entries",
       std::string(kXp) + "[program ipconfig.exe /All]\noutput = Windows IP Configuration\\r\\n\n",
       kNetDiagNoMemory},
  };
  for (const Row& row : rows) {
    Machine machine(row.scenario);
    HGLOBAL block = reinterpret_cast<HGLOBAL>(static_cast<INT_PTR>(0x77));
    EXPECT_EQ(row.expected, NetDiagGetAdapterInfo(&block)) << row.what;
    EXPECT_EQ(reinterpret_cast<HGLOBAL>(static_cast<INT_PTR>(0x77)), block) << row.what;
    EXPECT_EQ(0, machine.programs().openHandles()) << row.what;
  }
  Machine hung(std::string(kXp) + "[program ipconfig.exe /All]\noutput = x\nfinish = never\n");
  HGLOBAL block = nullptr;
  NetDiagGetAdapterInfo(&block);
  EXPECT_TRUE(hung.programs().terminated()) << "a hung program is ended after 60 s";
}

TEST(NetDiagAdapters, ListingWithoutAdapterKeysGivesAnEmptyRecordBlock) {
  Machine machine(std::string(kXp) +
                  "[program ipconfig.exe /All]\noutput = \\r\\n   Node Type . . : Hybrid\\r\\n\n");
  HGLOBAL block = nullptr;
  ASSERT_EQ(0, NetDiagGetAdapterInfo(&block));
  ASSERT_NE(nullptr, block);
  ::GlobalFree(block);
}

TEST(NetDiagDNSLookup, WithoutAServerEveryQueryFails) {
  Machine machine("[version]\nplatform = 1\nmajor = 4\nminor = 10\n");
  HGLOBAL block = reinterpret_cast<HGLOBAL>(static_cast<INT_PTR>(0x77));
  EXPECT_EQ(kNetDiagDnsFailed, NetDiagDNSLookup(nullptr, "host", &block));
  EXPECT_EQ(reinterpret_cast<HGLOBAL>(static_cast<INT_PTR>(0x77)), block);
  EXPECT_EQ(kNetDiagDnsFailed, NetDiagDNSLookup("MX", nullptr, &block));
}

}  // namespace
