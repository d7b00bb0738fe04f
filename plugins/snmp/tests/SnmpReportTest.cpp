// The SNMP report against recorded library answers: records laid out in the
// caller's buffer as VarnelApi lays them out, objects answered by get and
// get-next from per-device tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

#include "ReportProbe.h"
#include "SnmpObservations.h"
#include "nox/testing/OutOfMemory.h"

namespace snmp {
namespace {

std::vector<unsigned long> arcs(const std::string& text) {
  std::vector<unsigned long> result;
  std::istringstream in(text);
  for (std::string part; std::getline(in, part, '.');) result.push_back(std::stoul(part));
  return result;
}

struct Value {
  DWORD type;
  std::vector<BYTE> bytes;
};

Value integer(DWORD type, unsigned long n) {
  return Value{type, {BYTE(n), BYTE(n >> 8), BYTE(n >> 16), BYTE(n >> 24)}};
}
Value octets(std::vector<BYTE> bytes) { return Value{4, std::move(bytes)}; }
Value ip(BYTE a, BYTE b, BYTE c, BYTE d) { return Value{64, {a, b, c, d}}; }

struct Device {
  Device(BYTE last, DWORD status, const std::string& description)
      : address{192, 0, 2, last}, status(status), description(description) {}
  BYTE address[4];
  DWORD status;
  std::string description;
  DWORD reportedLength = 0;  // when set, the description's valueLength says this
  bool openFails = false;
  std::vector<std::pair<std::string, Value>> objects;  // in walk order
};

// VarnelApi answering from recorded devices. Counts channels so that a test
// can see every one closed.
class RecordedVarnel : public VarnelSnmpCalls {
 public:
  std::vector<Device> devices;
  bool openBroadcastFails = false;
  bool broadcastFails = false;
  // Called before get-next answers with `identifier` (tests arm allocation failures there).
  std::function<void(const std::string& identifier)> beforeAnswer;
  int openChannels = 0;
  int calls = 0;

  int VarnelOpen(DWORD mode, const BYTE* address, VARNEL_HANDLE* channel) override {
    ++calls;
    if (mode == VARNEL_CHANNEL_BROADCAST) {
      EXPECT_EQ(std::memcmp(address, "\xFF\xFF\xFF\xFF", 4), 0);
      if (openBroadcastFails) return VARNEL_E_SOCKET;
      *channel = &broadcastChannel_;
    } else {
      EXPECT_EQ(mode, VARNEL_CHANNEL_DEVICE);
      Device* device = find(address);
      if (!device || device->openFails) return VARNEL_E_SOCKET;
      *channel = device;
    }
    ++openChannels;
    return VARNEL_OK;
  }
  int VarnelClose(VARNEL_HANDLE) override {
    --openChannels;
    return VARNEL_OK;
  }
  int VarnelSnmpGet(VARNEL_HANDLE channel, DWORD tries, DWORD seconds, VarnelSnmpRequest* request) override {
    ++calls;
    expectRequest(tries, seconds, *request);
    VarnelSnmpBinding& binding = request->bindings[0];
    const std::string identifier(binding.identifier, binding.identifierLength);
    for (const auto& object : static_cast<Device*>(channel)->objects) {
      if (object.first == identifier) return answer(binding, object.second);
    }
    return VARNEL_E_NO_SUCH_OBJECT;
  }
  int VarnelSnmpGetNext(VARNEL_HANDLE channel, DWORD tries, DWORD seconds,
                        VarnelSnmpRequest* request) override {
    ++calls;
    expectRequest(tries, seconds, *request);
    VarnelSnmpBinding& binding = request->bindings[0];
    EXPECT_EQ(binding.identifierLength, 256u);
    const std::vector<unsigned long> from = arcs(binding.identifier);
    for (const auto& object : static_cast<Device*>(channel)->objects) {
      if (!(from < arcs(object.first))) continue;
      if (object.first.size() >= binding.identifierLength) return VARNEL_E_BUFFER_TOO_SMALL;
      if (beforeAnswer) beforeAnswer(object.first);
      std::memcpy(binding.identifier, object.first.c_str(), object.first.size() + 1);
      return answer(binding, object.second);
    }
    return VARNEL_E_END_OF_MIB;
  }
  int VarnelSnmpBroadcastGet(VARNEL_HANDLE channel, DWORD tries, VarnelSnmpRequest* request, BYTE** result,
                             DWORD* count, DWORD* size) override {
    ++calls;
    EXPECT_EQ(channel, &broadcastChannel_);
    EXPECT_EQ(tries, 3u);
    EXPECT_EQ(*size, 512000u);
    EXPECT_EQ(request->bindings[0].valueLength, 512u);
    EXPECT_EQ(request->bindings[0].valueType, 4u);
    EXPECT_STREQ(request->bindings[0].identifier, kSysDescr);
    if (broadcastFails) return VARNEL_E_TIMEOUT;
    // The records first, then each answer with its binding and value.
    BYTE* at = *result + devices.size() * sizeof(VarnelSnmpDevice);
    for (size_t i = 0; i < devices.size(); ++i) {
      VarnelSnmpDevice& record = reinterpret_cast<VarnelSnmpDevice*>(*result)[i];
      std::memcpy(record.address, devices[i].address, 4);
      record.status = devices[i].status;
      auto* answer = reinterpret_cast<VarnelSnmpRequest*>(at);
      auto* binding = reinterpret_cast<VarnelSnmpBinding*>(at + sizeof(VarnelSnmpRequest));
      char* text = reinterpret_cast<char*>(binding + 1);
      std::memcpy(text, devices[i].description.data(), devices[i].description.size());
      binding->value = reinterpret_cast<BYTE*>(text);
      binding->valueLength = devices[i].reportedLength ? devices[i].reportedLength
                                                       : static_cast<DWORD>(devices[i].description.size());
      binding->valueType = 4;
      answer->bindingCount = 1;
      answer->bindings = binding;
      record.answer = answer;
      at = reinterpret_cast<BYTE*>(text) + ((devices[i].description.size() + 8) & ~size_t{7});
    }
    *count = static_cast<DWORD>(devices.size());
    return VARNEL_OK;
  }

 private:
  Device* find(const BYTE* address) {
    for (Device& device : devices) {
      if (std::memcmp(device.address, address, 4) == 0) return &device;
    }
    return nullptr;
  }
  static void expectRequest(DWORD tries, DWORD seconds, const VarnelSnmpRequest& request) {
    EXPECT_EQ(tries, 3u);
    EXPECT_EQ(seconds, 1u);
    EXPECT_EQ(request.version, 2u);
    EXPECT_EQ(request.bindingCount, 1u);
    EXPECT_EQ(request.bindings[0].valueType, 5u);
  }
  // Writes at most the buffer; a longer value is written whole, as a careless
  // library would, when the test asks for it (see Overlong).
  static int answer(VarnelSnmpBinding& binding, const Value& value) {
    if (value.bytes.size() > binding.valueLength) return VARNEL_E_BUFFER_TOO_SMALL;
    std::memcpy(binding.value, value.bytes.data(), value.bytes.size());
    binding.valueLength = static_cast<DWORD>(value.bytes.size());
    binding.valueType = value.type;
    return VARNEL_OK;
  }
  int broadcastChannel_ = 0;
};

const char kIfInOctets[] = "1.3.6.1.2.1.2.2.1.10";

// A printer with three interfaces reported but two in its table; two addresses
// on its second port.
Device printer() {
  Device d(30, VARNEL_OK, "NX-4000 printer");
  d.objects = {
      {kSysDescr, octets({'N', 'X'})},
      {kSysUpTime, integer(67, 8640000)},
      {kIfNumber, integer(2, 3)},
      {"1.3.6.1.2.1.2.2.1.1.1", integer(2, 1)},
      {"1.3.6.1.2.1.2.2.1.1.2", integer(2, 2)},
      {"1.3.6.1.2.1.2.2.1.2.1", octets({'l', 'o'})},
      {"1.3.6.1.2.1.2.2.1.5.1", integer(66, 10000000)},
      {"1.3.6.1.2.1.2.2.1.5.2", integer(66, 0xFFFFFFFF)},
      {"1.3.6.1.2.1.2.2.1.6.1", octets({})},
      {"1.3.6.1.2.1.2.2.1.6.2", octets({0x00, 0x80, 0x77, 0x0a, 0xb1, 0xff})},
      // ifInOctets: column 10, whose identifiers begin like those of column 1.
      {std::string(kIfInOctets) + ".1", integer(65, 2)},
      {std::string(kIfInOctets) + ".2", integer(65, 7)},
      {"1.3.6.1.2.1.4.20.1.1.127.0.0.1", ip(127, 0, 0, 1)},
      {"1.3.6.1.2.1.4.20.1.1.192.0.2.30", ip(192, 0, 2, 30)},
      {"1.3.6.1.2.1.4.20.1.1.198.51.100.7", ip(198, 51, 100, 7)},
      {"1.3.6.1.2.1.4.20.1.2.127.0.0.1", integer(2, 1)},
      {"1.3.6.1.2.1.4.20.1.2.192.0.2.30", integer(2, 2)},
      {"1.3.6.1.2.1.4.20.1.2.198.51.100.7", integer(2, 2)},
      {"1.3.6.1.2.1.4.21.1.1.0.0.0.0", ip(0, 0, 0, 0)},
  };
  return d;
}

class SnmpReport : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(library_.openChannels, 0) << "every channel is closed"; }
  // The report "snmp" of a root whose form holds `community`.
  std::unique_ptr<Report> run(const char* community = "quartz") {
    SnmpRootObservation root;
    root.getConfigrations().getItem(0).getConfigrationEntries().getItem(0).setValue(community);
    return std::unique_ptr<Report>(static_cast<Report*>(&root.createReport()));
  }
  static const IReport& information(const Report& report) { return *probe::find(report, "snmpInformation"); }
  RecordedVarnel library_;
  ScopedSeam<VarnelSnmpCalls> seam_{library_};
};

TEST_F(SnmpReport, DevicesWithTheirSystemAndInterfaces) {
  Device silent(29, VARNEL_E_NO_SUCH_OBJECT, "");
  library_.devices = {silent, printer()};
  std::unique_ptr<Report> report = run();
  EXPECT_STREQ(report->getName().getData(), "snmp");
  const IReport& info = information(*report);
  ASSERT_EQ(probe::childNames(info), std::vector<std::string>{"host"})
      << "the record with a status is skipped";
  const IReport& host = *probe::find(info, "host");
  EXPECT_EQ(probe::attribute(host, "index"), "2") << "the next device keeps its position";
  EXPECT_EQ(probe::childNames(host), (std::vector<std::string>{"systemInformation", "nicInformation"}));
  const IReport& system = *probe::find(host, "systemInformation");
  EXPECT_EQ(probe::childNames(system),
            (std::vector<std::string>{"ipAddress", "description", "systemUpTime"}));
  EXPECT_EQ(probe::text(system, "ipAddress"), "192.0.2.30");
  EXPECT_EQ(probe::text(system, "description"), "NX-4000 printer");
  EXPECT_EQ(probe::text(system, "systemUpTime"), "1 days 0 hours 0 minutes 0 seconds");

  const IReport& nic = *probe::find(host, "nicInformation");
  EXPECT_EQ(probe::number(nic, "interfaceNumber"), 3);
  struct Row {
    const char* index;
    long long speed;
    const char* mac;
    const char* addresses;
  } rows[] = {
      {"1", 10000000, "", "127.0.0.1"},
      {"2", -1, "00-80-77-0a-b1-ff", "192.0.2.30,198.51.100.7"},
      // Reported but not in the table. (Taking column 10 for column 1 would make
      // ifInOctets.1, 2, its port index, and list port 2's addresses.)
      {"3", 0, "", ""},
  };
  for (unsigned int i = 0; i < 3; ++i) {
    SCOPED_TRACE(rows[i].index);
    const IReport* port = probe::find(nic, "interface", i);
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(probe::attribute(*port, "index"), rows[i].index);
    EXPECT_EQ(probe::childNames(*port),
              (std::vector<std::string>{"interfaceSpeed", "macAddress", "ipAddress"}));
    EXPECT_EQ(probe::number(*port, "interfaceSpeed"), rows[i].speed);
    EXPECT_EQ(probe::text(*port, "macAddress"), rows[i].mac);
    EXPECT_EQ(probe::text(*port, "ipAddress"), rows[i].addresses);
  }
  EXPECT_EQ(probe::find(nic, "interface", 3), nullptr);
}

TEST_F(SnmpReport, EachFailureEndsWhereItStrikes) {
  EXPECT_EQ(probe::childNames(*run("")), std::vector<std::string>{"snmpInformation"});
  const std::unique_ptr<Report> empty = run("");
  EXPECT_STREQ(information(*empty).getErrorText().getData(), "Get Community Name Failed");
  EXPECT_FALSE(information(*empty).isSuccess());
  EXPECT_TRUE(information(*empty).getSubReports().getCount() == 0);
  EXPECT_EQ(library_.calls, 0) << "no community, no library call";

  library_.openBroadcastFails = true;
  EXPECT_STREQ(information(*run()).getErrorText().getData(), "Open Varnel Failed");
  library_.openBroadcastFails = false;
  library_.broadcastFails = true;
  const std::unique_ptr<Report> silent = run();
  EXPECT_STREQ(information(*silent).getErrorText().getData(), "Get varnelbc Information Failed");
  EXPECT_FALSE(information(*silent).isSuccess());
  library_.broadcastFails = false;

  Device unopened = printer();
  unopened.openFails = true;
  Device noIfNumber = printer();
  noIfNumber.address[3] = 31;
  noIfNumber.objects.erase(noIfNumber.objects.begin() + 2);
  Device noUpTime = printer();
  noUpTime.address[3] = 32;
  noUpTime.objects.erase(noUpTime.objects.begin() + 1);
  library_.devices = {unopened, noIfNumber, noUpTime};
  const std::unique_ptr<Report> report = run();
  const IReport& first = *probe::find(information(*report), "host", 0);
  EXPECT_EQ(probe::childNames(first), std::vector<std::string>{"systemInformation"});
  const IReport& system = *probe::find(first, "systemInformation");
  EXPECT_EQ(probe::text(system, "description"), "NX-4000 printer") << "address and description stay";
  const IReport* upTime = probe::find(system, "systemUpTime");
  ASSERT_NE(upTime, nullptr);
  EXPECT_STREQ(upTime->getErrorText().getData(), "Varnel Open PInfo Failed");
  EXPECT_FALSE(upTime->isSuccess());

  const IReport& second = *probe::find(information(*report), "host", 1);
  const IReport& nic = *probe::find(second, "nicInformation");
  EXPECT_EQ(probe::childNames(nic), std::vector<std::string>{"interfaceNumber"});
  EXPECT_STREQ(probe::find(nic, "interfaceNumber")->getErrorText().getData(), "Varnel Get PInfo Failed");

  const IReport& third = *probe::find(information(*report), "host", 2);
  EXPECT_EQ(probe::text(*probe::find(third, "systemInformation"), "systemUpTime"),
            "0 days 0 hours 0 minutes 0 seconds")
      << "a failed get counts as 0";
}

TEST(SnmpText, UpTimeAndValueTexts) {
  const struct {
    unsigned long hundredths;
    const char* text;
  } times[] = {
      {0, "0 days 0 hours 0 minutes 0 seconds"},
      {99, "0 days 0 hours 0 minutes 0 seconds"},
      {8640000, "1 days 0 hours 0 minutes 0 seconds"},
      {8640000 + 360000 + 6000 + 100, "1 days 1 hours 1 minutes 1 seconds"},
      {8639999, "0 days 23 hours 59 minutes 59 seconds"},
      {0xFFFFFFFFul, "497 days 2 hours 27 minutes 52 seconds"},
  };
  for (const auto& row : times) EXPECT_EQ(upTimeText(row.hundredths), row.text) << row.hundredths;

  const struct {
    DWORD type;
    std::vector<BYTE> bytes;
    const char* text;
  } values[] = {
      {2, {0x2A}, "42"},
      {2, {0x34, 0x12}, "4660"},
      {2, {0xFE, 0xFF, 0xFF, 0xFF}, "-2"},
      {66, {0xFF, 0xFF, 0xFF, 0xFF}, "-1"},
      {67, {1, 0, 0}, "0"},                 // three bytes: not a length read as an integer
      {65, {1, 0, 0, 0, 0, 0, 0, 0}, "0"},  // eight: neither
      {1, {1}, "1"},
      {4, {0x00, 0x80, 0x77, 0x0a, 0xb1, 0xff}, "00-80-77-0a-b1-ff"},
      {4, {'l', 'o'}, "6c-6f"},
      {4, {}, ""},
      {64, {192, 0, 2, 1}, "192.0.2.1"},
      {64, {192, 0}, ""},
      {68, {'o', 'p', 'q'}, "opq"},
      {6, {'1', '.', '3'}, ""},
      {70, {1, 0, 0, 0, 0, 0, 0, 0}, ""},
  };
  for (size_t i = 0; i < sizeof values / sizeof values[0]; ++i) {
    EXPECT_EQ(valueText(values[i].type, values[i].bytes.data(), static_cast<DWORD>(values[i].bytes.size())),
              values[i].text)
        << "row " << i;
  }
}

// What the library hands back is never read past the plug-in's own buffers,
// and a walk ends even when an agent does not move on.
TEST_F(SnmpReport, AnswersThatOverstepTheBuffersAreCutAndWalksEnd) {
  Device overlong = printer();
  overlong.description = std::string(600, 'd');
  overlong.reportedLength = 100000;
  // After ifIndex.1 the agent answers with the same identifier for ever.
  overlong.objects.insert(overlong.objects.begin() + 4, {"1.3.6.1.2.1.2.2.1.1.1", integer(2, 9)});
  library_.devices = {overlong};
  library_.beforeAnswer = [&](const std::string&) {};
  std::unique_ptr<Report> report = run();
  const IReport& host = *probe::find(information(*report), "host");
  EXPECT_EQ(probe::text(*probe::find(host, "systemInformation"), "description"), std::string(512, 'd'));
  const IReport& nic = *probe::find(host, "nicInformation");
  EXPECT_EQ(probe::attribute(*probe::find(nic, "interface", 0), "index"), "1");
}

TEST_F(SnmpReport, AnIfNumberBeyondBeliefIsCapped) {
  Device boasting = printer();
  boasting.objects[2].second = integer(2, 0x7FFFFFFF);
  library_.devices = {boasting};
  std::unique_ptr<Report> report = run();
  const IReport& nic = *probe::find(*probe::find(information(*report), "host"), "nicInformation");
  EXPECT_EQ(probe::number(nic, "interfaceNumber"), 0x7FFFFFFF) << "reported as answered";
  EXPECT_EQ(nic.getSubReports().getCount(), 1u + kMaxInterfaces);
}

TEST_F(SnmpReport, StoringTheWalkRunsOutOfMemory) {
  library_.devices = {printer()};
  // The first entry of the port table finds no memory; the address table
  // walk that follows has it again.
  library_.beforeAnswer = [](const std::string& identifier) {
    if (identifier == "1.3.6.1.2.1.2.2.1.1.1") noxFailAllocationsAfter(0);
    if (identifier.compare(0, 16, "1.3.6.1.2.1.4.20") == 0) noxFailAllocationsAfter(-1);
  };
  std::unique_ptr<Report> report = run();
  noxFailAllocationsAfter(-1);
  const IReport& nic = *probe::find(*probe::find(information(*report), "host"), "nicInformation");
  const IReport& number = *probe::find(nic, "interfaceNumber");
  EXPECT_STREQ(number.getErrorText().getData(), "out of memory");
  EXPECT_FALSE(number.isSuccess());
  EXPECT_EQ(probe::number(nic, "interfaceNumber"), 3);
  const IReport& first = *probe::find(nic, "interface", 0);
  EXPECT_EQ(probe::text(first, "macAddress"), "") << "the port table was lost";
  EXPECT_EQ(probe::text(first, "ipAddress"), "") << "no keys, so no port index 1";

  nox_testing::expectOutOfMemory({{"SNMPEntries", "getImpl", 0, [] { SNMPEntries().add("1.3", "x"); }}},
                                 "snmp_tests.exe");
  try {
    nox_testing::AllocationFailure failing(0);
    SNMPEntries().add("1.3", "x");
  } catch (IException* e) {
    EXPECT_STREQ(e->getError().getFileName().getData(), "SNMPEntries")
        << "the base of Plugins\\SNMPPlugin\\SNMPEntries";
    EXPECT_EQ(e->getError().getLineNumber(), 118u);
    e->release();
  }
}

}  // namespace
}  // namespace snmp
