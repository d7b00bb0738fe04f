// The DeviceProbe report with the real VarnelApi.dll, whose devices come from
// the loopback-network fixture's description file, the fixture's Net-SNMP
// agents (firmware) and device web servers (sysinfo.xml). Only the 30-second
// wait for a silent web server is shortened, through the network seam.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include "DeviceProbeObservations.h"
#include "DeviceWeb.h"
#include "LoopbackNetwork.h"
#include "ReportProbe.h"
#include "nox/FileUtil.h"
#include "pchelpers/SocketApi.h"

namespace deviceprobe {
namespace {

class UtilityEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_EQ(initializeUtility(), 1); }
  void TearDown() override { uninitializeUtility(); }
};
const int kRegistered = (::testing::AddGlobalTestEnvironment(new UtilityEnvironment), 0);

// Winsock for real, except that a long wait for data is cut short (and noted),
// and that start-up can be made to fail.
class QuickSockets : public SocketApi {
 public:
  int startupResult = 0;
  long longestWait = -1;
  int cleanups = 0;

  int WSAStartup(WORD version, LPWSADATA data) override {
    return startupResult ? startupResult : real().WSAStartup(version, data);
  }
  int WSACleanup() override {
    ++cleanups;
    return real().WSACleanup();
  }
  int WSAGetLastError() override { return real().WSAGetLastError(); }
  SOCKET socket(int family, int type, int protocol) override { return real().socket(family, type, protocol); }
  int setsockopt(SOCKET s, int level, int name, const char* value, int length) override {
    return real().setsockopt(s, level, name, value, length);
  }
  int connect(SOCKET s, const struct sockaddr* address, int length) override {
    return real().connect(s, address, length);
  }
  int send(SOCKET s, const char* buffer, int length, int flags) override {
    return real().send(s, buffer, length, flags);
  }
  int recv(SOCKET s, char* buffer, int length, int flags) override {
    return real().recv(s, buffer, length, flags);
  }
  int select(int n, fd_set* r, fd_set* w, fd_set* f, const struct timeval* timeout) override {
    if (!timeout || timeout->tv_sec < 5) return real().select(n, r, w, f, timeout);
    longestWait = std::max(longestWait, static_cast<long>(timeout->tv_sec));
    const timeval shortened{0, 300000};
    return real().select(n, r, w, f, &shortened);
  }
  int closesocket(SOCKET s) override { return real().closesocket(s); }
  unsigned long inet_addr(const char* text) override { return real().inet_addr(text); }
  struct hostent* gethostbyname(const char* name) override {
    return real().gethostbyname(name);
  }
};

class DeviceProbeReport : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!network_.snmpMissing().empty()) GTEST_SKIP() << network_.snmpMissing();
    if (!network_.httpMissing().empty()) GTEST_SKIP() << network_.httpMissing();
    network_.configureLibrary(network_.fullAgent());
  }
  std::unique_ptr<Report> run() {
    DeviceProbeRootObservation root;
    return std::unique_ptr<Report>(static_cast<Report*>(&root.createReport()));
  }
  std::string workFile(int host) const {
    return std::string(getWorkFolder()) + "\\" + network_.address(host) + ".sysinfo.xml";
  }
  LoopbackNetwork network_;
  QuickSockets sockets_;
  ScopedSeam<SocketApi> seam_{sockets_};
};

struct Function {
  const char* name;
  const char* status;  // null: the status is an error node
  const char* firmware;
};

void expectFunctions(const IReport& host, const std::vector<Function>& expected) {
  const IReport& functions = *probe::find(host, "functions");
  ASSERT_TRUE(functions.isSuccess()) << functions.getErrorText().getData();
  ASSERT_EQ(functions.getSubReports().getCount(), expected.size());
  for (unsigned int i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(expected[i].name);
    const IReport& function = *probe::find(functions, "function", i);
    EXPECT_EQ(probe::attribute(function, "index"), std::to_string(i + 1));
    EXPECT_EQ(probe::text(function, "name"), expected[i].name);
    if (expected[i].status) {
      EXPECT_EQ(probe::childNames(function),
                (std::vector<std::string>{"name", "status", "firmwareROMVersion"}));
      EXPECT_EQ(probe::text(function, "status"), expected[i].status);
      EXPECT_EQ(probe::text(function, "firmwareROMVersion"), expected[i].firmware);
    } else {
      EXPECT_EQ(probe::childNames(function), (std::vector<std::string>{"name", "status"}));
      EXPECT_STREQ(probe::find(function, "status")->getErrorText().getData(),
                   "Varnel Device Get Function Information Failed");
    }
  }
}

const IReport& errorNode(const IReport& parent, const char* name, const char* text) {
  const IReport* node = probe::find(parent, name);
  EXPECT_NE(node, nullptr) << name;
  static Report none;
  if (!node) return none;
  EXPECT_FALSE(node->isSuccess()) << name;
  EXPECT_STREQ(node->getErrorText().getData(), text) << name;
  return *node;
}

TEST_F(DeviceProbeReport, EveryDeviceOfTheNetworkAsItAnswers) {
  const std::unique_ptr<Report> report = run();
  EXPECT_STREQ(report->getName().getData(), "deviceProbe");
  EXPECT_TRUE(report->isSuccess());
  const IReport& io = *probe::find(*report, "deviceIOInformation");
  EXPECT_EQ(probe::number(io, "hostNumber"), 9);
  auto host = [&](unsigned int i) -> const IReport& { return *probe::find(io, "host", i); };
  for (unsigned int i = 0; i < 9; ++i) EXPECT_EQ(probe::attribute(host(i), "index"), std::to_string(i + 1));

  // .10: everything, and a body that spans receive chunks.
  const IReport& mfp = host(0);
  EXPECT_EQ(probe::childNames(mfp), (std::vector<std::string>{"machineName", "nicInformation", "functions",
                                                              "LocalStorageInformation"}));
  EXPECT_EQ(probe::text(mfp, "machineName"), "NOX-MFP-10");
  const IReport& nic = *probe::find(mfp, "nicInformation");
  EXPECT_EQ(probe::text(nic, "macAddress"), "00-80-77-21-00-0a");
  EXPECT_EQ(probe::text(nic, "ipAddress"), network_.address(10));
  expectFunctions(mfp, {{"printer", "Ready", "PRN 1.20"},
                        {"scanner", "Idle", "SCN 1.05"},
                        {"fax", "Receiving", "FAX 3.00"},
                        {"copier", "Warming up", "CPY 1.31"}});
  const IReport& storage = *probe::find(mfp, "LocalStorageInformation");
  EXPECT_EQ(probe::childNames(storage), (std::vector<std::string>{"totalsize", "usedsize", "sysinfo.xml"}));
  EXPECT_EQ(static_cast<unsigned int>(probe::number(storage, "totalsize")), 4000000000u);
  EXPECT_EQ(probe::number(storage, "usedsize"), 1500000);
  EXPECT_EQ(probe::find(storage, "sysinfo.xml")->getType(), IReport::REPORT_PATH);
  EXPECT_EQ(probe::text(storage, "sysinfo.xml"), workFile(10));
  EXPECT_TRUE(fileHolds(workFile(10), servedSysinfo(network_.address(10))));

  // .11: printer and copier only; its agent lacks the scanner object, so the
  // firmware reading stops there and the copier's stays empty. The header's
  // blank line arrives in two parts.
  const IReport& pair = host(1);
  expectFunctions(pair, {{"printer", "Ready", "PRN 2.10"}, {"copier", "Ready", ""}});
  EXPECT_TRUE(fileHolds(workFile(11), servedSysinfo(network_.address(11))));

  // .12: a header and no body; the scanner's information fails.
  const IReport& scanner = host(2);
  expectFunctions(scanner, {{"printer", "Ready", "PRN 1.20"}, {"scanner", nullptr, ""}});
  EXPECT_EQ(probe::text(*probe::find(scanner, "LocalStorageInformation"), "sysinfo.xml"), workFile(12));
  EXPECT_EQ(fileBytes(workFile(12)), "");

  // .13: no interface record; a web server that never answers.
  const IReport& silent = host(3);
  const IReport& silentNic = *probe::find(silent, "nicInformation");
  EXPECT_EQ(probe::childNames(silentNic), std::vector<std::string>{"macAddress"});
  errorNode(silentNic, "macAddress", "NIC Get Info Failed");
  errorNode(*probe::find(silent, "LocalStorageInformation"), "sysinfo.xml",
            "Get SysInfo File From HTTP Failed (-5)");
  EXPECT_EQ(sockets_.longestWait, 30) << "the first data is awaited 30 seconds";
  EXPECT_EQ(fileBytes(workFile(13)), "") << "the file is left empty";

  // .14: nothing listens on port 80.
  errorNode(*probe::find(host(4), "LocalStorageInformation"), "sysinfo.xml",
            "Get SysInfo File From HTTP Failed (-2)");
  EXPECT_EQ(fileBytes(workFile(14)), "<missing>");

  // .15: no storage record, so no download.
  EXPECT_EQ(probe::childNames(host(5)),
            (std::vector<std::string>{"machineName", "nicInformation", "functions"}));
  EXPECT_EQ(fileBytes(workFile(15)), "<missing>");

  // .16 and .17: the device cannot be opened, its information cannot be read.
  EXPECT_STREQ(host(6).getErrorText().getData(), "Varnel Dev Open Failed");
  EXPECT_FALSE(host(6).isSuccess());
  EXPECT_EQ(host(6).getSubReports().getCount(), 0u);
  EXPECT_STREQ(host(7).getErrorText().getData(), "Varnel Dev Get Info Failed");
  EXPECT_EQ(host(7).getSubReports().getCount(), 0u);

  // .18: no machine name, no network record, no function list.
  const IReport& bare = host(8);
  errorNode(bare, "machineName", "System Get Info Failed");
  const IReport& bareNic = *probe::find(bare, "nicInformation");
  EXPECT_EQ(probe::text(bareNic, "macAddress"), "00-80-77-21-00-12");
  errorNode(bareNic, "ipAddress", "Net Get Info Failed");
  const IReport& functions = errorNode(bare, "functions", "Varnel Device Query Support Function Failed");
  EXPECT_EQ(functions.getSubReports().getCount(), 0u);
}

TEST_F(DeviceProbeReport, DiscoveryOrWinsockFailing) {
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  const std::string path = std::string(folder) + "deviceprobe-discovery.txt";
  std::ofstream(path) << "[discovery]\nfail = yes\n";
  SetEnvironmentVariableA("VARNELAPI_DEVICES", path.c_str());
  const std::unique_ptr<Report> failed = run();
  DeleteFileA(path.c_str());
  const IReport& io = *probe::find(*failed, "deviceIOInformation");
  EXPECT_STREQ(io.getErrorText().getData(), "Varnel Device Discovery Failed");
  EXPECT_FALSE(io.isSuccess());
  EXPECT_EQ(io.getSubReports().getCount(), 0u);

  SetEnvironmentVariableA("VARNELAPI_DEVICES", nullptr);
  const std::unique_ptr<Report> none = run();
  EXPECT_EQ(probe::childNames(*probe::find(*none, "deviceIOInformation")),
            std::vector<std::string>{"hostNumber"});
  EXPECT_EQ(probe::number(*probe::find(*none, "deviceIOInformation"), "hostNumber"), 0);

  const int cleanupsBefore = sockets_.cleanups;
  sockets_.startupResult = WSASYSNOTREADY;
  const std::unique_ptr<Report> noSockets = run();
  EXPECT_STREQ(noSockets->getName().getData(), "deviceProbe");
  EXPECT_STREQ(noSockets->getErrorText().getData(), "WinSocket Dll Initialize Fail!");
  EXPECT_FALSE(noSockets->isSuccess());
  EXPECT_EQ(noSockets->getSubReports().getCount(), 0u);
  EXPECT_EQ(sockets_.cleanups, cleanupsBefore) << "no WSACleanup for a start-up that failed";
}

TEST_F(DeviceProbeReport, AFileThatCannotBeWrittenIsNoDownload) {
  // Z:\dev\full is Linux's /dev/full: it opens, and every write fails.
  if (std::FILE* probe = std::fopen("Z:\\dev\\full", "wb")) {
    std::fclose(probe);
  } else {
    GTEST_SKIP() << "no Z:\\dev\\full";
  }
  WSADATA data;
  ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0) << "the root observation's part";
  EXPECT_EQ(downloadSysinfo(network_.address(10).c_str(), "Z:\\dev\\full"), kFileNotWritten);
  EXPECT_EQ(downloadSysinfo(network_.address(10).c_str(), "Z:\\no\\such\\folder\\x.xml"), kFileNotCreated);
  WSACleanup();
}

TEST(DeviceProbeText, FirmwareTextsAndFileNames) {
  const struct {
    DWORD type;
    std::vector<BYTE> bytes;
    const char* text;
  } rows[] = {
      {4, {'P', 'R', 'N', ' ', '1'}, "PRN 1"},
      {68, {'o', 'p'}, "op"},
      {4, {}, ""},
      {2, {7, 0, 0, 0}, "7"},
      {66, {0xFF, 0xFF}, "65535"},
      {67, {1, 2, 3}, "0"},
      {64, {10, 0, 0, 9}, "10.0.0.9"},
      {64, {10}, ""},
      {6, {'1', '.', '3'}, ""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(firmwareText(row.type, row.bytes.data(), static_cast<DWORD>(row.bytes.size())), row.text)
        << row.type;
  }
  const std::string folder = getWorkFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(sysinfoPath("192.0.2.7"), folder + "\\192.0.2.7.sysinfo.xml");
  EXPECT_EQ(sysinfoPath("..\\..\\Windows\\x"), folder + "\\.._.._Windows_x.sysinfo.xml")
      << "an address text never leads out of the work folder";
  EXPECT_EQ(sysinfoPath("C:/a:b"), folder + "\\C__a_b.sysinfo.xml");
}

}  // namespace
}  // namespace deviceprobe
