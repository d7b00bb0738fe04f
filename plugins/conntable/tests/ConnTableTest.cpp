// The connection-table report on recorded machines: XP's extended tables with
// Toolhelp names, NT 4's process-status names, the basic tables of 2008 R2,
// Windows 95 without IP Helper.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ConnTableObservation.h"
#include "RecordedSocket.h"
#include "ReportProbe.h"
#include "Scenario.h"

namespace {

using Names = std::vector<std::string>;

class ConnTableReport {
 public:
  explicit ConnTableReport(std::unique_ptr<RecordedPlatform> machine)
      : machine_(std::move(machine)), sockets_(machine_.platform()), scope_(sockets_) {}

  IReport& run() {
    report_.reset(static_cast<Report*>(&observation_.createReport()));
    return *report_;
  }
  // "port" i of "TCP" or "UDP".
  const IReport& port(const char* table, unsigned i) const {
    return probe::find(*report_, table)->getSubReports().getItem(i);
  }
  unsigned ports(const char* table) const { return probe::find(*report_, table)->getSubReports().getCount(); }
  void expectNothingLeft() {
    EXPECT_EQ(0, machine_.platform().loadedModules());
    EXPECT_EQ(0, machine_.platform().openHandles());
    EXPECT_EQ(0, sockets_.heapBlocks());
  }

 private:
  ScenarioMachine machine_;
  RecordedSocket sockets_;
  ScopedSeam<SocketApi> scope_;
  conntable::ConnTableObservation observation_;
  std::unique_ptr<Report> report_;
};

const Names kTcpWithOwner = {"pid", "pname", "localAddr", "localPort", "remoteAddr", "remotePort", "state"};

TEST(ConnTableRecorded, XpExtendedTablesWithToolhelpNames) {
  ConnTableReport t(loadScenario("xp-connections"));
  IReport& report = t.run();
  EXPECT_STREQ("conntable", report.getName().getData());
  EXPECT_EQ(Names({"TCP", "UDP"}), probe::childNames(report));
  ASSERT_EQ(4u, t.ports("TCP"));
  struct Row {
    long pid;
    const char* pname;
    const char* local;
    long localPort;
    const char* remote;
    long remotePort;
    const char* state;
  } rows[] = {
      {1208, "svchost.exe", "0.0.0.0", 135, "0.0.0.0", 0, "LISTEN"},
      {1644, "Explorer.EXE", "10.0.0.5", 1025, "10.0.0.1", 445, "ESTAB"},
      {2996, "Unknown", "10.0.0.5", 1031, "10.0.0.9", 80, "TIME_WAIT"},
      {4, "System", "127.0.0.1", 1030, "127.0.0.1", 1029, "UNKNOWN"},
  };
  for (unsigned i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const IReport& port = t.port("TCP", i);
    EXPECT_STREQ("port", port.getName().getData());
    EXPECT_EQ(kTcpWithOwner, probe::childNames(port));
    EXPECT_EQ(rows[i].pid, probe::number(port, "pid"));
    EXPECT_EQ(rows[i].pname, probe::text(port, "pname"));
    EXPECT_EQ(rows[i].local, probe::text(port, "localAddr"));
    EXPECT_EQ(rows[i].localPort, probe::number(port, "localPort"));
    EXPECT_EQ(rows[i].remote, probe::text(port, "remoteAddr"));
    EXPECT_EQ(rows[i].remotePort, probe::number(port, "remotePort"));
    EXPECT_EQ(rows[i].state, probe::text(port, "state"));
  }
  ASSERT_EQ(2u, t.ports("UDP"));
  EXPECT_EQ(Names({"pid", "pname", "localAddr", "localPort"}), probe::childNames(t.port("UDP", 0)));
  EXPECT_EQ("svchost.exe", probe::text(t.port("UDP", 0), "pname"));
  EXPECT_EQ(500, probe::number(t.port("UDP", 0), "localPort"));
  EXPECT_EQ("10.0.0.5", probe::text(t.port("UDP", 1), "localAddr"));
  EXPECT_EQ(137, probe::number(t.port("UDP", 1), "localPort"));
  t.expectNothingLeft();
}

TEST(ConnTableRecorded, BasicTablesOn2008R2HaveNoProcesses) {
  ConnTableReport t(loadScenario("w2008r2-connections"));
  t.run();
  ASSERT_EQ(2u, t.ports("TCP"));
  EXPECT_EQ(Names({"localAddr", "localPort", "remoteAddr", "remotePort", "state"}),
            probe::childNames(t.port("TCP", 0)));
  EXPECT_EQ(3389, probe::number(t.port("TCP", 0), "localPort"));
  EXPECT_EQ("LISTEN", probe::text(t.port("TCP", 0), "state"));
  EXPECT_EQ("192.168.10.77", probe::text(t.port("TCP", 1), "remoteAddr"));
  EXPECT_EQ(50112, probe::number(t.port("TCP", 1), "remotePort"));
  EXPECT_EQ("ESTAB", probe::text(t.port("TCP", 1), "state"));
  ASSERT_EQ(1u, t.ports("UDP"));
  EXPECT_EQ(Names({"localAddr", "localPort"}), probe::childNames(t.port("UDP", 0)));
  EXPECT_EQ(53, probe::number(t.port("UDP", 0), "localPort"));
  t.expectNothingLeft();
}

TEST(ConnTableRecorded, Windows95WithoutIpHelperListsNothing) {
  ConnTableReport t(loadScenario("win95-connections"));
  IReport& report = t.run();
  EXPECT_EQ(Names({"TCP", "UDP"}), probe::childNames(report));
  EXPECT_EQ(0u, t.ports("TCP"));
  EXPECT_EQ(0u, t.ports("UDP"));
  EXPECT_TRUE(report.isSuccess()) << "no error text is ever set";
  t.expectNothingLeft();
}

// Windows NT 4 names processes through the process-status functions. (The
// extended tables came with XP; the rule holds for any Windows 4.x that has
// them.)
TEST(ConnTableRecorded, ProcessStatusNamesOnNt4) {
  ConnTableReport t(
      RecordedPlatform::fromText("[version]\nplatform = 2\nmajor = 4\n[folders]\nwindows = C:\\WINNT\n"
                                 "[process 143]\npath = C:\\WINNT\\system32\\services.exe\n"
                                 "[process 2]\nopen = no\n"
                                 "[process 160]\npath = C:\\WINNT\\system32\\lsass.exe\nmodules = no\n"
                                 "[tcp 1]\nlocal = 0.0.0.0:135\nstate = 2\npid = 143\n"
                                 "[tcp 2]\nlocal = 0.0.0.0:139\nstate = 2\npid = 2\n"
                                 "[udp 1]\nlocal = 0.0.0.0:500\npid = 160\n"
                                 "[udp 2]\nlocal = 0.0.0.0:137\npid = 999\n"));
  t.run();
  EXPECT_EQ("services.exe", probe::text(t.port("TCP", 0), "pname"));
  EXPECT_EQ("unknown ", probe::text(t.port("TCP", 1), "pname")) << "the process cannot be opened";
  EXPECT_EQ("unknown ", probe::text(t.port("UDP", 0), "pname")) << "its modules cannot be listed";
  EXPECT_EQ("unknown ", probe::text(t.port("UDP", 1), "pname")) << "no such process";
  t.expectNothingLeft();
}

TEST(ConnTableRecorded, ToolhelpUnavailableGivesError) {
  const std::string machine =
      "[version]\nplatform = 2\nmajor = 5\nminor = 1\n[folders]\nwindows = C:\\WINDOWS\n"
      "[process 8]\nexe = svchost.exe\n"
      "[tcp 1]\nlocal = 0.0.0.0:135\nstate = 2\npid = 8\n";
  const char* const failures[] = {
      "[processes]\nsnapshot = fail\n",
      "[missing]\nc:\\windows\\system32\\kernel32.dll\n",
      "[missing]\nc:\\windows\\system32\\kernel32.dll!Process32Next\n",
  };
  for (const char* failure : failures) {
    SCOPED_TRACE(failure);
    ConnTableReport t(RecordedPlatform::fromText(machine + failure));
    t.run();
    EXPECT_EQ("error ", probe::text(t.port("TCP", 0), "pname"));
    t.expectNothingLeft();
  }
  ConnTableReport working(RecordedPlatform::fromText(machine));
  working.run();
  EXPECT_EQ("svchost.exe", probe::text(working.port("TCP", 0), "pname"));
}

TEST(ConnTableRecorded, UnreadableTablesLeaveTheContainersEmpty) {
  ConnTableReport t(RecordedPlatform::fromText(
      "[version]\nplatform = 2\nmajor = 5\nminor = 1\n[folders]\nwindows = C:\\WINDOWS\n"
      "[network]\ntables = fail\n[tcp 1]\nlocal = 0.0.0.0:135\nstate = 2\n[udp 1]\nlocal = 0.0.0.0:500\n"));
  t.run();
  EXPECT_EQ(0u, t.ports("TCP"));
  EXPECT_EQ(0u, t.ports("UDP"));
  t.expectNothingLeft();
}

TEST(ConnTableWords, EveryStateWord) {
  const char* const words[] = {"UNKNOWN",  "CLOSED",    "LISTEN",     "SYN_SENT",   "SYN_RCVD",
                               "ESTAB",    "FIN_WAIT1", "FIN_WAIT2",  "CLOSE_WAIT", "CLOSING",
                               "LAST_ACK", "TIME_WAIT", "DELETE_TCB", "UNKNOWN"};
  for (DWORD state = 0; state < 14; ++state) EXPECT_STREQ(words[state], conntable::stateName(state)) << state;
  EXPECT_STREQ("UNKNOWN", conntable::stateName(0xFFFFFFFF));
}

TEST(ConnTableWords, PortsAndAddressesFromNetworkOrder) {
  // Port 1025 (0x0401) as the table keeps it: bytes 04 01 in memory order.
  EXPECT_EQ(1025u, conntable::portNumber(0x0104));
  EXPECT_EQ(1025u, conntable::portNumber(0xABCD0104)) << "the upper half is not part of the port";
  EXPECT_EQ(65535u, conntable::portNumber(0xFFFF));
  EXPECT_EQ(0u, conntable::portNumber(0));
  EXPECT_EQ("10.0.0.5", conntable::dottedAddress(0x0500000A));
  EXPECT_EQ("255.255.255.255", conntable::dottedAddress(0xFFFFFFFF));
}

}  // namespace
