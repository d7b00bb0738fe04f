// The stand-in VarnelApi.dll under Wine: its SNMP calls against the Net-SNMP
// agents of the loopback-network fixture, its device calls against
// description files written here.
#include "VarnelApi.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "LoopbackNetwork.h"
#include "varnel/SnmpMessage.h"

namespace {

const char kSysDescr[] = "1.3.6.1.2.1.1.1.0";
const char kSysUpTime[] = "1.3.6.1.2.1.1.3.0";
const char kIfNumber[] = "1.3.6.1.2.1.2.1.0";
const BYTE kBroadcast[4] = {255, 255, 255, 255};

std::vector<BYTE> addressBytes(const std::string& text) {
  std::vector<BYTE> bytes;
  size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    bytes.push_back(static_cast<BYTE>(std::stoi(text.substr(start))));
    start = text.find('.', start) + 1;
  }
  return bytes;
}

// A buffer with guard bytes behind it, everything filled with a pattern first.
class Guarded {
 public:
  explicit Guarded(size_t size) : bytes_(size + kGuard, kPattern), size_(size) {}
  BYTE* data() { return bytes_.data(); }
  char* text() { return reinterpret_cast<char*>(bytes_.data()); }
  size_t size() const { return size_; }
  bool guardIntact() const {
    for (size_t i = size_; i < bytes_.size(); ++i) {
      if (bytes_[i] != kPattern) return false;
    }
    return true;
  }
  bool untouched() const {
    for (BYTE b : bytes_) {
      if (b != kPattern) return false;
    }
    return true;
  }

 private:
  static constexpr size_t kGuard = 64;
  static constexpr BYTE kPattern = 0xCD;
  std::vector<BYTE> bytes_;
  size_t size_;
};

// One request of one binding, as the plug-ins make it.
struct Query {
  Query(const char* oid, size_t identifierSize, size_t valueSize, const char* community = "quartz",
        DWORD version = VARNEL_SNMP_V2C)
      : identifier(identifierSize), value(valueSize), community_(community) {
    std::memcpy(identifier.text(), oid, std::strlen(oid) + 1);
    binding.identifierLength = static_cast<DWORD>(identifierSize);
    binding.identifier = identifier.text();
    binding.valueLength = static_cast<DWORD>(valueSize);
    binding.valueType = 5;
    binding.value = value.data();
    request.version = version;
    request.community = &community_[0];
    request.bindingCount = 1;
    request.bindings = &binding;
  }
  std::string valueText() const {
    return std::string(reinterpret_cast<const char*>(binding.value), binding.valueLength);
  }
  unsigned long long number() const {
    unsigned long long n = 0;
    for (DWORD i = binding.valueLength; i-- > 0;) n = (n << 8) | binding.value[i];
    return n;
  }
  Guarded identifier;
  Guarded value;
  VarnelSnmpBinding binding{};
  VarnelSnmpRequest request{};

 private:
  std::string community_;
};

class Channel {
 public:
  Channel(DWORD mode, const BYTE* address) { result = VarnelOpen(mode, address, &handle); }
  explicit Channel(const std::string& address)
      : Channel(VARNEL_CHANNEL_DEVICE, addressBytes(address).data()) {}
  ~Channel() {
    if (handle) VarnelClose(handle);
  }
  int result;
  VARNEL_HANDLE handle = nullptr;
};

class VarnelSnmp : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!network_.snmpMissing().empty()) GTEST_SKIP() << network_.snmpMissing();
    network_.configureLibrary(network_.restrictedAgent() + "," + network_.fullAgent());
  }
  LoopbackNetwork network_;
};

TEST_F(VarnelSnmp, GetAnswersWithTheValueAndItsType) {
  Channel channel(network_.fullAgent());
  ASSERT_EQ(channel.result, VARNEL_OK);
  for (DWORD version : {VARNEL_SNMP_V1, VARNEL_SNMP_V2C}) {
    Query description(kSysDescr, std::strlen(kSysDescr), 512, "quartz", version);
    ASSERT_EQ(VarnelSnmpGet(channel.handle, 3, 1, &description.request), VARNEL_OK) << version;
    EXPECT_EQ(description.valueText(), "NoxInfo full agent on loopback");
    EXPECT_EQ(description.binding.valueType, 4u);
    EXPECT_STREQ(description.identifier.text(), kSysDescr) << "a get leaves the identifier";
  }
  struct Row {
    const char* oid;
    const char* community;
    DWORD type;
    DWORD length;
    unsigned long long value;  // ~0: not compared
  } rows[] = {
      {kSysUpTime, "quartz", 67, 4, ~0ull},
      {kIfNumber, "quartz", 2, 4, ~0ull},
      {"1.3.6.1.4.1.32473.9.2.0", "velvetry", 66, 4, 0xFFFFFFFFull},  // five BER bytes on the wire
      {"1.3.6.1.4.1.32473.9.4.0", "velvetry", 2, 4, 0xFFFFFFFEull},
      {"1.3.6.1.2.1.31.1.1.1.6.1", "quartz", 70, 8, ~0ull},  // Counter64
      {"1.3.6.1.2.1.4.20.1.1.127.0.0.1", "quartz", 64, 4, 0x0100007Full},
  };
  for (const Row& row : rows) {
    Query query(row.oid, std::strlen(row.oid), 16, row.community);
    ASSERT_EQ(VarnelSnmpGet(channel.handle, 3, 1, &query.request), VARNEL_OK) << row.oid;
    EXPECT_EQ(query.binding.valueType, row.type) << row.oid;
    EXPECT_EQ(query.binding.valueLength, row.length) << row.oid;
    if (row.value != ~0ull) {
      EXPECT_EQ(query.number(), row.value) << row.oid;
    }
    EXPECT_TRUE(query.value.guardIntact()) << row.oid;
  }
  Query identifier("1.3.6.1.2.1.1.2.0", 17, 64);
  ASSERT_EQ(VarnelSnmpGet(channel.handle, 3, 1, &identifier.request), VARNEL_OK);
  EXPECT_EQ(identifier.binding.valueType, 6u);
  EXPECT_EQ(identifier.valueText().compare(0, 14, "1.3.6.1.4.1.80"), 0) << identifier.valueText();
}

TEST_F(VarnelSnmp, GetNextReturnsTheFollowingIdentifierInTheBuffer) {
  Channel channel(network_.fullAgent());
  ASSERT_EQ(channel.result, VARNEL_OK);
  Query next("1.3.6.1.2.1.2.2", 256, 512);
  ASSERT_EQ(VarnelSnmpGetNext(channel.handle, 3, 1, &next.request), VARNEL_OK);
  EXPECT_STREQ(next.identifier.text(), "1.3.6.1.2.1.2.2.1.1.1");
  EXPECT_EQ(next.binding.valueType, 2u);
  EXPECT_EQ(next.number(), 1u);
  ASSERT_EQ(VarnelSnmpGetNext(channel.handle, 3, 1, &next.request), VARNEL_OK) << "walks on from the answer";
  EXPECT_STREQ(next.identifier.text(), "1.3.6.1.2.1.2.2.1.1.2");

  Query firmware("1.3.6.1.4.1.32473.3.2.1.2.21.1.2.1.1", 256, 512, "velvetry");
  ASSERT_EQ(VarnelSnmpGetNext(channel.handle, 3, 1, &firmware.request), VARNEL_OK);
  EXPECT_STREQ(firmware.identifier.text(), "1.3.6.1.4.1.32473.3.2.1.2.21.1.2.1.1.1");
  EXPECT_EQ(firmware.valueText(), "PRN 1.20");
}

// An answer longer than the caller's buffer, and an identifier longer than the
// 256-byte identifier buffer, are never written past the buffers: the call
// fails and says how much the value needs.
TEST_F(VarnelSnmp, AnswersLongerThanTheBuffersAreRefusedWithoutOverrun) {
  Channel channel(network_.fullAgent());
  ASSERT_EQ(channel.result, VARNEL_OK);
  Query tooLong("1.3.6.1.4.1.32473.9.1.0", 23, 512, "velvetry");
  EXPECT_EQ(VarnelSnmpGet(channel.handle, 3, 1, &tooLong.request), VARNEL_E_BUFFER_TOO_SMALL);
  EXPECT_EQ(tooLong.binding.valueLength, 600u) << "the length the value needs";
  EXPECT_TRUE(tooLong.value.untouched());
  Query fits("1.3.6.1.4.1.32473.9.1.0", 23, 600, "velvetry");
  ASSERT_EQ(VarnelSnmpGet(channel.handle, 3, 1, &fits.request), VARNEL_OK);
  EXPECT_EQ(fits.valueText(), std::string(600, 'v'));
  EXPECT_TRUE(fits.value.guardIntact());

  // The identifier after 9.5 has 30 more arcs of ten digits: 351 characters.
  Query farIdentifier("1.3.6.1.4.1.32473.9.5", 256, 512, "velvetry");
  const std::string before(farIdentifier.identifier.text());
  EXPECT_EQ(VarnelSnmpGetNext(channel.handle, 3, 1, &farIdentifier.request), VARNEL_E_BUFFER_TOO_SMALL);
  EXPECT_EQ(std::string(farIdentifier.identifier.text()), before) << "identifier buffer left as it was";
  EXPECT_TRUE(farIdentifier.identifier.guardIntact());
  EXPECT_TRUE(farIdentifier.value.untouched());
  Query roomy("1.3.6.1.4.1.32473.9.5", 400, 512, "velvetry");
  ASSERT_EQ(VarnelSnmpGetNext(channel.handle, 3, 1, &roomy.request), VARNEL_OK);
  EXPECT_EQ(std::strlen(roomy.identifier.text()), 351u);
  EXPECT_EQ(roomy.valueText(), "far");
  EXPECT_TRUE(roomy.identifier.guardIntact());
}

TEST_F(VarnelSnmp, FailuresHaveTheirOwnResults) {
  Channel full(network_.fullAgent());
  ASSERT_EQ(full.result, VARNEL_OK);
  Query missing("1.3.6.1.2.1.1.99.0", 18, 64);
  EXPECT_EQ(VarnelSnmpGet(full.handle, 3, 1, &missing.request), VARNEL_E_NO_SUCH_OBJECT);
  EXPECT_EQ(missing.binding.valueType, 0x80u);
  Query missingV1("1.3.6.1.2.1.1.99.0", 18, 64, "quartz", VARNEL_SNMP_V1);
  EXPECT_EQ(VarnelSnmpGet(full.handle, 3, 1, &missingV1.request), VARNEL_E_NO_SUCH_OBJECT);
  Query pastTheEnd("1.3.6.1.4.1.32473.9.9", 256, 64, "velvetry");
  EXPECT_EQ(VarnelSnmpGetNext(full.handle, 3, 1, &pastTheEnd.request), VARNEL_E_END_OF_MIB);
  Query refused(kSysDescr, 17, 512, "public");
  const DWORD start = GetTickCount();
  EXPECT_EQ(VarnelSnmpGet(full.handle, 2, 1, &refused.request), VARNEL_E_TIMEOUT) << "the agent stays silent";
  EXPECT_GE(GetTickCount() - start, 350u) << "two tries of 200 ms (VARNELAPI_SNMP_TIMEOUT_MS)";

  Channel closed(network_.nobody());
  ASSERT_EQ(closed.result, VARNEL_OK);
  Query unanswered(kSysDescr, 17, 512);
  const int result = VarnelSnmpGet(closed.handle, 3, 1, &unanswered.request);
  // Windows reports the ICMP port-unreachable of a closed port; Wine does not
  // pass it on, so there the tries simply run out.
  EXPECT_TRUE(result == VARNEL_E_UNREACHABLE || result == VARNEL_E_TIMEOUT) << result;
}

TEST_F(VarnelSnmp, BroadcastCollectsEveryAnswerInTheCallersBuffer) {
  Channel channel(VARNEL_CHANNEL_BROADCAST, kBroadcast);
  ASSERT_EQ(channel.result, VARNEL_OK);
  std::vector<BYTE> buffer(512000);
  BYTE* result = buffer.data();
  DWORD count = 99, size = static_cast<DWORD>(buffer.size());
  Query query(kSysDescr, 17, 512);
  query.binding.valueType = 4;
  ASSERT_EQ(VarnelSnmpBroadcastGet(channel.handle, 3, &query.request, &result, &count, &size), VARNEL_OK);
  ASSERT_EQ(count, 2u);
  const auto* records = reinterpret_cast<const VarnelSnmpDevice*>(buffer.data());
  const std::vector<BYTE> restricted = addressBytes(network_.restrictedAgent());
  const std::vector<BYTE> full = addressBytes(network_.fullAgent());
  EXPECT_EQ(std::memcmp(records[0].address, restricted.data(), 4), 0);
  EXPECT_EQ(records[0].status, static_cast<DWORD>(VARNEL_E_NO_SUCH_OBJECT)) << "sysDescr is outside its view";
  EXPECT_EQ(records[0].answer->bindingCount, 0u);
  EXPECT_EQ(std::memcmp(records[1].address, full.data(), 4), 0);
  EXPECT_EQ(records[1].status, static_cast<DWORD>(VARNEL_OK));
  EXPECT_EQ(records[1].snmpVersion, static_cast<DWORD>(VARNEL_SNMP_V2C));
  const VarnelSnmpRequest* answer = records[1].answer;
  ASSERT_NE(answer, nullptr);
  const BYTE* end = buffer.data() + buffer.size();
  EXPECT_TRUE(reinterpret_cast<const BYTE*>(answer) > buffer.data() &&
              reinterpret_cast<const BYTE*>(answer) < end);
  EXPECT_STREQ(answer->community, "quartz");
  ASSERT_EQ(answer->bindingCount, 1u);
  const VarnelSnmpBinding& binding = answer->bindings[0];
  EXPECT_STREQ(binding.identifier, kSysDescr);
  EXPECT_EQ(binding.valueType, 4u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(binding.value), binding.valueLength),
            "NoxInfo full agent on loopback");
  EXPECT_TRUE(binding.value > buffer.data() && binding.value + binding.valueLength <= end);

  // A buffer with room for the first device only.
  std::vector<BYTE> small(200, 0xCD);
  BYTE* smallResult = small.data();
  DWORD smallSize = 120;
  EXPECT_EQ(VarnelSnmpBroadcastGet(channel.handle, 3, &query.request, &smallResult, &count, &smallSize),
            VARNEL_E_BUFFER_TOO_SMALL);
  EXPECT_EQ(count, 1u);
  EXPECT_GT(smallSize, 120u) << "the size all answers need";
  for (size_t i = 120; i < small.size(); ++i) ASSERT_EQ(small[i], 0xCD) << "written past the size at " << i;

  Query refused(kSysDescr, 17, 512, "public");
  EXPECT_EQ(VarnelSnmpBroadcastGet(channel.handle, 1, &refused.request, &result, &count, &size),
            VARNEL_E_TIMEOUT);
  EXPECT_EQ(count, 0u);
}

TEST_F(VarnelSnmp, ArgumentsOutsideTheContractAreRefused) {
  VARNEL_HANDLE handle = nullptr;
  const std::vector<BYTE> address = addressBytes(network_.fullAgent());
  EXPECT_EQ(VarnelOpen(0x00020002, address.data(), &handle), VARNEL_E_PARAMETER);
  EXPECT_EQ(VarnelOpen(VARNEL_CHANNEL_DEVICE, nullptr, &handle), VARNEL_E_PARAMETER);
  Channel device(network_.fullAgent());
  Channel broadcast(VARNEL_CHANNEL_BROADCAST, kBroadcast);
  Query query(kSysDescr, 17, 512);
  EXPECT_EQ(VarnelSnmpGet(broadcast.handle, 3, 1, &query.request), VARNEL_E_PARAMETER);
  BYTE* result = nullptr;
  DWORD count = 0, size = 0;
  EXPECT_EQ(VarnelSnmpBroadcastGet(device.handle, 3, &query.request, &result, &count, &size),
            VARNEL_E_PARAMETER);
  Query notAnIdentifier("1.3.sysDescr", 12, 512);
  EXPECT_EQ(VarnelSnmpGet(device.handle, 3, 1, &notAnIdentifier.request), VARNEL_E_PARAMETER);
  Query version3(kSysDescr, 17, 512, "quartz", 3);
  EXPECT_EQ(VarnelSnmpGet(device.handle, 3, 1, &version3.request), VARNEL_E_PARAMETER);
  EXPECT_TRUE(query.value.untouched());

  VARNEL_HANDLE closed = nullptr;
  ASSERT_EQ(VarnelOpen(VARNEL_CHANNEL_DEVICE, address.data(), &closed), VARNEL_OK);
  EXPECT_EQ(VarnelClose(closed), VARNEL_OK);
  EXPECT_EQ(VarnelClose(closed), VARNEL_E_HANDLE);
  EXPECT_EQ(VarnelSnmpGet(closed, 3, 1, &query.request), VARNEL_E_HANDLE);

  SetEnvironmentVariableA("VARNELAPI_SNMP_PORT", "161x");
  EXPECT_EQ(VarnelOpen(VARNEL_CHANNEL_DEVICE, address.data(), &handle), VARNEL_E_CONFIGURATION);
  SetEnvironmentVariableA("VARNELAPI_SNMP_PORT", network_.port().c_str());
  SetEnvironmentVariableA("VARNELAPI_SNMP_BROADCAST", "127.0.0.1,localhost");
  EXPECT_EQ(VarnelOpen(VARNEL_CHANNEL_BROADCAST, kBroadcast, &handle), VARNEL_E_CONFIGURATION);
}

// An agent of the test's own on 127.0.0.1 and a port of its own: it answers
// each request with the datagrams `reply` makes of it, right or wrong. (Wine
// binds an address it does not list as an interface, such as the block's, as
// the any-address, so an agent there would answer from 127.0.0.1.)
class ScriptedAgent {
 public:
  using Reply = std::function<std::vector<std::vector<uint8_t>>(const varnel::snmp::Message&)>;
  explicit ScriptedAgent(Reply reply) : reply_(std::move(reply)) {
    WSADATA data;
    WSAStartup(MAKEWORD(1, 1), &data);
    socket_ = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = inet_addr("127.0.0.1");
    int length = sizeof at;
    bound_ = bind(socket_, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0 &&
             getsockname(socket_, reinterpret_cast<sockaddr*>(&at), &length) == 0;
    if (!bound_) error_ = WSAGetLastError();
    port_ = std::to_string(ntohs(at.sin_port));
    thread_ = std::thread([this] { serve(); });
  }
  ~ScriptedAgent() {
    stop_ = true;
    thread_.join();
    closesocket(socket_);
    WSACleanup();
  }
  bool bound() const { return bound_; }
  int error() const { return error_; }
  const std::string& port() const { return port_; }

 private:
  void serve() {
    std::vector<char> buffer(65536);
    while (!stop_) {
      fd_set readable;
      FD_ZERO(&readable);
      FD_SET(socket_, &readable);
      timeval wait{0, 50000};
      if (select(0, &readable, nullptr, nullptr, &wait) <= 0) continue;
      sockaddr_in from{};
      int length = sizeof from;
      const int n = recvfrom(socket_, buffer.data(), static_cast<int>(buffer.size()), 0,
                             reinterpret_cast<sockaddr*>(&from), &length);
      varnel::snmp::Message request;
      if (n <= 0 ||
          varnel::snmp::decode(reinterpret_cast<const uint8_t*>(buffer.data()), static_cast<size_t>(n),
                               request) != varnel::snmp::DecodeStatus::kOk) {
        continue;
      }
      for (const std::vector<uint8_t>& datagram : reply_(request)) {
        sendto(socket_, reinterpret_cast<const char*>(datagram.data()), static_cast<int>(datagram.size()), 0,
               reinterpret_cast<sockaddr*>(&from), length);
      }
    }
  }
  Reply reply_;
  SOCKET socket_ = INVALID_SOCKET;
  bool bound_ = false;
  int error_ = 0;
  std::string port_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

std::vector<uint8_t> encoded(const varnel::snmp::Message& message) {
  std::vector<uint8_t> out;
  varnel::snmp::encode(message, out);
  return out;
}

// The answer an honest agent gives: the request's names with octet strings.
varnel::snmp::Message answerTo(const varnel::snmp::Message& request) {
  varnel::snmp::Message answer = request;
  answer.pduType = varnel::ber::kResponse;
  for (varnel::snmp::VarBind& binding : answer.bindings) {
    binding.value.type = varnel::ber::kOctetString;
    binding.value.bytes = {'o', 'k'};
  }
  return answer;
}

TEST_F(VarnelSnmp, AnswersOfAMisbehavingAgentAreNeverTakenForGood) {
  using varnel::snmp::Message;
  struct Row {
    const char* what;
    bool next;
    ScriptedAgent::Reply reply;
    int result;
  } rows[] = {
      {"garbage only", false,
       [](const Message&) {
         return std::vector<std::vector<uint8_t>>{{0x30, 0x03, 1, 2}};
       },
       VARNEL_E_DECODE},
      {"a stale answer first", false,
       [](const Message& request) {
         Message stale = answerTo(request);
         stale.requestId ^= 0x100;
         stale.bindings[0].value.bytes = {'o', 'l', 'd'};
         return std::vector<std::vector<uint8_t>>{encoded(stale), encoded(answerTo(request))};
       },
       VARNEL_OK},
      {"a request instead of an answer", false,
       [](const Message& request) { return std::vector<std::vector<uint8_t>>{encoded(request)}; },
       VARNEL_E_TIMEOUT},
      {"tooBig", false,
       [](const Message& request) {
         Message answer = answerTo(request);
         answer.errorStatus = 1;
         return std::vector<std::vector<uint8_t>>{encoded(answer)};
       },
       VARNEL_E_SNMP_ERROR},
      {"two bindings for one", false,
       [](const Message& request) {
         Message answer = answerTo(request);
         answer.bindings.push_back(answer.bindings[0]);
         return std::vector<std::vector<uint8_t>>{encoded(answer)};
       },
       VARNEL_E_DECODE},
      {"an integer of five bytes", false,
       [](const Message& request) {
         // Encoded as Opaque 01 00 00 00 00, then its tag turned into INTEGER.
         Message answer = answerTo(request);
         answer.bindings[0].value.type = varnel::ber::kOpaque;
         answer.bindings[0].value.bytes = {0x01, 0x00, 0x00, 0x00, 0x00};
         std::vector<uint8_t> datagram = encoded(answer);
         datagram[datagram.size() - 7] = varnel::ber::kInteger;
         return std::vector<std::vector<uint8_t>>{datagram};
       },
       VARNEL_E_DECODE},
      {"a get-next that stands still", true,
       [](const Message& request) { return std::vector<std::vector<uint8_t>>{encoded(answerTo(request))}; },
       VARNEL_E_SNMP_ERROR},
  };
  for (const Row& row : rows) {
    ScriptedAgent agent(row.reply);
    ASSERT_TRUE(agent.bound()) << "Winsock error " << agent.error();
    SetEnvironmentVariableA("VARNELAPI_SNMP_PORT", agent.port().c_str());
    Channel channel("127.0.0.1");
    ASSERT_EQ(channel.result, VARNEL_OK);
    Query query(kSysDescr, row.next ? 256 : 17, 64);
    const int result = row.next ? VarnelSnmpGetNext(channel.handle, 2, 1, &query.request)
                                : VarnelSnmpGet(channel.handle, 2, 1, &query.request);
    EXPECT_EQ(result, row.result) << row.what;
    if (result == VARNEL_OK) {
      EXPECT_EQ(query.valueText(), "ok") << row.what;
    } else {
      EXPECT_TRUE(query.value.untouched()) << row.what;
    }
  }
}

// ---- device calls, from description files written by the tests ----

class VarnelDevices : public ::testing::Test {
 protected:
  void TearDown() override {
    SetEnvironmentVariableA("VARNELAPI_DEVICES", nullptr);
    DeleteFileA(path_.c_str());
  }
  void describe(const std::string& text) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    path_ = std::string(folder) + "varnel-devices-" + std::to_string(GetCurrentProcessId()) + ".txt";
    std::ofstream(path_, std::ios::binary) << text;
    SetEnvironmentVariableA("VARNELAPI_DEVICES", path_.c_str());
  }
  static int discover(VARNEL_HANDLE& handle, DWORD& count, VarnelDeviceRecord**& list) {
    VarnelDiscoveryRequest request{};
    request.method = VARNEL_DISCOVERY_METHOD;
    request.localSegment = 1;
    request.resolveNames = 1;
    return VarnelDiscoverDevices(VARNEL_DISCOVERY_VERSION, &request, 0, &handle, &count, &list);
  }
  std::string path_;
};

TEST_F(VarnelDevices, DiscoveryListsTheDescribedDevicesInOrder) {
  VARNEL_HANDLE handle = nullptr;
  DWORD count = 7;
  VarnelDeviceRecord** list = nullptr;
  SetEnvironmentVariableA("VARNELAPI_DEVICES", nullptr);
  ASSERT_EQ(discover(handle, count, list), VARNEL_OK) << "no description: no device";
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(VarnelReleaseDiscovery(handle), VARNEL_OK);

  describe("[device 192.0.2.20]\nmodel = NX-1\nfunctions = fax\n[device 192.0.2.21]\n");
  ASSERT_EQ(discover(handle, count, list), VARNEL_OK);
  ASSERT_EQ(count, 2u);
  EXPECT_STREQ(list[0]->address, "192.0.2.20");
  EXPECT_STREQ(list[0]->model, "NX-1");
  EXPECT_EQ(list[0]->functions, static_cast<DWORD>(VARNEL_FUNCTION_FAX));
  EXPECT_STREQ(list[1]->address, "192.0.2.21");
  EXPECT_EQ(VarnelReleaseDiscovery(handle), VARNEL_OK);
  EXPECT_EQ(VarnelReleaseDiscovery(handle), VARNEL_E_HANDLE);

  describe("[discovery]\nfail = yes\n");
  EXPECT_EQ(discover(handle, count, list), VARNEL_E_DEVICE);
  describe("[device 192.0.2.20]\ncolour = red\n");
  EXPECT_EQ(discover(handle, count, list), VARNEL_E_CONFIGURATION);
  SetEnvironmentVariableA("VARNELAPI_DEVICES", "C:\\no\\such\\folder\\devices.txt");
  EXPECT_EQ(discover(handle, count, list), VARNEL_E_CONFIGURATION);
  VarnelDiscoveryRequest wrong{};
  EXPECT_EQ(VarnelDiscoverDevices(VARNEL_DISCOVERY_VERSION, &wrong, 0, &handle, &count, &list),
            VARNEL_E_PARAMETER);
}

TEST_F(VarnelDevices, DeviceInformationAndFunctionsAsDescribed) {
  describe(
      "[device 192.0.2.30]\nname = NOX-30\nmac = 00-80-77-00-00-1e\nfunctions = printer copier\n"
      "status.copier = Sleep\nstorage = 4000000000 12\nfail = copier\n"
      "[device 192.0.2.31]\nsystem = no\nnetwork = no\nfunctions = scanner\nfail = functions\n"
      "[device 192.0.2.32]\nfail = info\n[device 192.0.2.33]\nfail = open\n");
  VARNEL_HANDLE device = nullptr;
  ASSERT_EQ(VarnelOpenDevice("192.0.2.30", -1, 0, &device), VARNEL_OK);
  VarnelDeviceInformation* information = nullptr;
  ASSERT_EQ(VarnelGetDeviceInformation(device, 561, 0, 1, 0, 0, &information), VARNEL_OK);
  ASSERT_NE(information->system, nullptr);
  EXPECT_STREQ(information->system->machineName, "NOX-30");
  ASSERT_NE(information->network, nullptr);
  EXPECT_EQ(std::memcmp(information->network->address, "\xC0\x00\x02\x1E", 4), 0);
  ASSERT_NE(information->nic, nullptr);
  EXPECT_EQ(std::memcmp(information->nic->physicalAddress, "\x00\x80\x77\x00\x00\x1e", 6), 0);
  ASSERT_NE(information->storage, nullptr);
  EXPECT_EQ(information->storage->totalSize, 4000000000u);
  EXPECT_EQ(information->storage->usedSize, 12u);
  EXPECT_EQ(VarnelReleaseDeviceInformation(information, 1, 0), VARNEL_OK);
  EXPECT_EQ(VarnelReleaseDeviceInformation(information, 1, 0), VARNEL_E_HANDLE);
  ASSERT_EQ(VarnelGetDeviceInformation(device, VARNEL_INFO_STORAGE, 0, 1, 0, 0, &information), VARNEL_OK);
  EXPECT_EQ(information->system, nullptr) << "only what was asked for";
  EXPECT_NE(information->storage, nullptr);
  VarnelReleaseDeviceInformation(information, 1, 0);

  DWORD functions = 0xFFFFFF00;
  ASSERT_EQ(VarnelGetSupportedFunctions(device, 0, 0, &functions), VARNEL_OK);
  EXPECT_EQ(functions & 0xFF, static_cast<DWORD>(VARNEL_FUNCTION_PRINTER | VARNEL_FUNCTION_COPIER));
  VarnelFunctionInformation* function = nullptr;
  ASSERT_EQ(VarnelGetFunctionInformation(device, VARNEL_FUNCTION_PRINTER, 1, 0, 1, 0, 0, &function),
            VARNEL_OK);
  EXPECT_STREQ(function->status->text, "Ready");
  EXPECT_EQ(VarnelReleaseFunctionInformation(VARNEL_FUNCTION_COPIER, function, 1, 0), VARNEL_E_PARAMETER)
      << "released under another function's code";
  EXPECT_EQ(VarnelReleaseFunctionInformation(VARNEL_FUNCTION_PRINTER, function, 1, 0), VARNEL_OK);
  EXPECT_EQ(VarnelGetFunctionInformation(device, VARNEL_FUNCTION_COPIER, 1, 0, 1, 0, 0, &function),
            VARNEL_E_DEVICE);
  EXPECT_EQ(VarnelGetFunctionInformation(device, VARNEL_FUNCTION_FAX, 1, 0, 1, 0, 0, &function),
            VARNEL_E_NOT_SUPPORTED);
  EXPECT_EQ(VarnelGetFunctionInformation(device, 3, 1, 0, 1, 0, 0, &function), VARNEL_E_PARAMETER);
  EXPECT_EQ(VarnelGetDeviceInformation(device, 561, 0, 2, 0, 0, &information), VARNEL_E_PARAMETER);
  EXPECT_EQ(VarnelCloseDevice(device, 0), VARNEL_OK);
  EXPECT_EQ(VarnelCloseDevice(device, 0), VARNEL_E_HANDLE);

  ASSERT_EQ(VarnelOpenDevice("192.0.2.31", -1, 0, &device), VARNEL_OK);
  ASSERT_EQ(VarnelGetDeviceInformation(device, 561, 0, 1, 0, 0, &information), VARNEL_OK);
  EXPECT_EQ(information->system, nullptr);
  EXPECT_EQ(information->network, nullptr);
  EXPECT_EQ(information->nic, nullptr);
  EXPECT_EQ(information->storage, nullptr);
  VarnelReleaseDeviceInformation(information, 1, 0);
  EXPECT_EQ(VarnelGetSupportedFunctions(device, 0, 0, &functions), VARNEL_E_DEVICE);
  VarnelCloseDevice(device, 0);

  ASSERT_EQ(VarnelOpenDevice("192.0.2.32", -1, 0, &device), VARNEL_OK);
  EXPECT_EQ(VarnelGetDeviceInformation(device, 561, 0, 1, 0, 0, &information), VARNEL_E_DEVICE);
  VarnelCloseDevice(device, 0);
  EXPECT_EQ(VarnelOpenDevice("192.0.2.33", -1, 0, &device), VARNEL_E_DEVICE);
  EXPECT_EQ(VarnelOpenDevice("192.0.2.34", -1, 0, &device), VARNEL_E_NOT_FOUND);
}

}  // namespace
