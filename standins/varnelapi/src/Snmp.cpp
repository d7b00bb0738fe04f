// The SNMP side of the library: channels, get, get-next and the broadcast get,
// spoken over UDP with the codec of varnel/SnmpMessage.h.
#include <algorithm>
#include <cstring>
#include <vector>

#include "Library.h"
#include "varnel/Addresses.h"
#include "varnel/SnmpMessage.h"

namespace varnel {
namespace {

// Where a broadcast goes and how long the library waits. Read when a channel
// is opened (see README.md): VARNELAPI_SNMP_BROADCAST, VARNELAPI_SNMP_PORT,
// VARNELAPI_SNMP_TIMEOUT_MS, VARNELAPI_SNMP_WINDOW_MS.
struct SnmpSettings {
  std::vector<Ipv4> broadcastTargets{Ipv4{127, 0, 0, 1}};
  unsigned short port = 161;
  DWORD timeoutMs = 0;  // 0: as the caller asks
  DWORD windowMs = 1000;
};

bool positiveNumber(const std::string& text, DWORD limit, DWORD& value) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  const unsigned long parsed = std::stoul(text);
  if (parsed == 0 || parsed > limit) return false;
  value = parsed;
  return true;
}

bool readSettings(SnmpSettings& settings) {
  const std::string targets = environment("VARNELAPI_SNMP_BROADCAST");
  if (!targets.empty() && !parseIpv4List(targets, settings.broadcastTargets)) return false;
  const std::string port = environment("VARNELAPI_SNMP_PORT");
  DWORD number = 0;
  if (!port.empty()) {
    if (!positiveNumber(port, 65535, number)) return false;
    settings.port = static_cast<unsigned short>(number);
  }
  const std::string timeout = environment("VARNELAPI_SNMP_TIMEOUT_MS");
  if (!timeout.empty() && !positiveNumber(timeout, 600000, settings.timeoutMs)) return false;
  const std::string window = environment("VARNELAPI_SNMP_WINDOW_MS");
  if (!window.empty() && !positiveNumber(window, 600000, settings.windowMs)) return false;
  return true;
}

struct Channel {
  bool broadcast = false;
  Ipv4 address{};
  SnmpSettings settings;
  SOCKET socket = INVALID_SOCKET;
  ~Channel() {
    if (socket != INVALID_SOCKET) closesocket(socket);
    WSACleanup();
  }
};

sockaddr_in socketAddress(const Ipv4& address, unsigned short port) {
  sockaddr_in result{};
  result.sin_family = AF_INET;
  result.sin_port = htons(port);
  std::memcpy(&result.sin_addr, address.data(), 4);
  return result;
}

bool isBroadcastAddress(const Ipv4& address) { return address[3] == 255; }

int32_t nextRequestId() {
  static CriticalSection section;
  static int32_t id = static_cast<int32_t>(GetTickCount() & 0x3FFFFFFF);
  Locked lock(section);
  id = id >= 0x7FFFFFF0 ? 1 : id + 1;
  return id;
}

// Waits until the socket has a datagram; 1 ready, 0 time is up, -1 failure.
int waitReadable(SOCKET s, DWORD milliseconds) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(s, &readable);
  timeval wait{static_cast<long>(milliseconds / 1000), static_cast<long>((milliseconds % 1000) * 1000)};
  const int ready = select(0, &readable, nullptr, nullptr, &wait);
  return ready == SOCKET_ERROR ? -1 : ready > 0 ? 1 : 0;
}

struct ParsedRequest {
  int32_t version = snmp::kVersion2c;
  std::string community;
  std::vector<std::vector<uint32_t>> names;
};

int parseRequest(const VarnelSnmpRequest* request, ParsedRequest& parsed) {
  if (!request || !request->community || !request->bindings || request->bindingCount == 0 ||
      request->bindingCount > 64) {
    return VARNEL_E_PARAMETER;
  }
  if (request->version == VARNEL_SNMP_V1) {
    parsed.version = snmp::kVersion1;
  } else if (request->version == VARNEL_SNMP_V2C) {
    parsed.version = snmp::kVersion2c;
  } else {
    return VARNEL_E_PARAMETER;
  }
  parsed.community = request->community;
  for (DWORD i = 0; i < request->bindingCount; ++i) {
    const VarnelSnmpBinding& binding = request->bindings[i];
    if (!binding.identifier || binding.identifierLength == 0 || (binding.valueLength && !binding.value)) {
      return VARNEL_E_PARAMETER;
    }
    // The text ends at its NUL or at the end of the buffer, whichever comes first.
    const char* end = static_cast<const char*>(std::memchr(binding.identifier, 0, binding.identifierLength));
    const size_t length = end ? static_cast<size_t>(end - binding.identifier) : binding.identifierLength;
    std::vector<uint32_t> name;
    if (!ber::parseObjectIdentifier(std::string(binding.identifier, length), name)) return VARNEL_E_PARAMETER;
    parsed.names.push_back(name);
  }
  return VARNEL_OK;
}

int exceptionResult(uint8_t type) {
  return type == ber::kEndOfMibView ? VARNEL_E_END_OF_MIB : VARNEL_E_NO_SUCH_OBJECT;
}

bool isException(uint8_t type) {
  return type == ber::kNoSuchObject || type == ber::kNoSuchInstance || type == ber::kEndOfMibView;
}

int errorStatusResult(int32_t status) {
  return status == snmp::kNoSuchName ? VARNEL_E_NO_SUCH_OBJECT : VARNEL_E_SNMP_ERROR;
}

// One request and its answer on a device channel (a connected socket).
int exchange(Channel& channel, const snmp::Message& request, DWORD tries, DWORD perTryMs,
             snmp::Message& answer) {
  std::vector<uint8_t> datagram;
  if (!snmp::encode(request, datagram)) return VARNEL_E_PARAMETER;
  std::vector<char> buffer(65536);
  bool garbled = false;
  for (DWORD attempt = 0; attempt < tries; ++attempt) {
    if (send(channel.socket, reinterpret_cast<const char*>(datagram.data()),
             static_cast<int>(datagram.size()), 0) == SOCKET_ERROR) {
      return VARNEL_E_SOCKET;
    }
    const DWORD start = GetTickCount();
    for (DWORD elapsed = 0; elapsed < perTryMs; elapsed = GetTickCount() - start) {
      const int ready = waitReadable(channel.socket, perTryMs - elapsed);
      if (ready < 0) return VARNEL_E_SOCKET;
      if (ready == 0) break;
      const int received = recv(channel.socket, buffer.data(), static_cast<int>(buffer.size()), 0);
      if (received == SOCKET_ERROR) {
        const int error = WSAGetLastError();
        if (error == WSAECONNRESET || error == WSAECONNREFUSED) return VARNEL_E_UNREACHABLE;
        if (error == WSAEMSGSIZE) {
          garbled = true;
          continue;
        }
        return VARNEL_E_SOCKET;
      }
      snmp::Message message;
      if (snmp::decode(reinterpret_cast<const uint8_t*>(buffer.data()), static_cast<size_t>(received),
                       message) != snmp::DecodeStatus::kOk) {
        garbled = true;
        continue;
      }
      if (message.pduType != ber::kResponse || message.requestId != request.requestId) continue;
      answer = std::move(message);
      return VARNEL_OK;
    }
  }
  return garbled ? VARNEL_E_DECODE : VARNEL_E_TIMEOUT;
}

// Copies an answer into the caller's bindings. A binding whose identifier or
// value does not fit its buffer gets neither; its valueLength receives the
// length the value needs.
int fillBindings(VarnelSnmpRequest& request, const snmp::Message& answer, bool withIdentifier) {
  if (answer.errorStatus != snmp::kNoError) return errorStatusResult(answer.errorStatus);
  if (answer.bindings.size() != request.bindingCount) return VARNEL_E_DECODE;
  int result = VARNEL_OK;
  for (DWORD i = 0; i < request.bindingCount; ++i) {
    const snmp::VarBind& answered = answer.bindings[i];
    VarnelSnmpBinding& binding = request.bindings[i];
    binding.valueType = answered.value.type;
    if (isException(answered.value.type)) {
      binding.valueLength = 0;
      if (result == VARNEL_OK) result = exceptionResult(answered.value.type);
      continue;
    }
    const std::string identifier = ber::formatObjectIdentifier(answered.name);
    const std::vector<uint8_t> bytes = snmp::valueBytes(answered.value);
    const bool identifierFits = !withIdentifier || identifier.size() < binding.identifierLength;
    if (!identifierFits || bytes.size() > binding.valueLength) {
      binding.valueLength = static_cast<DWORD>(bytes.size());
      if (result == VARNEL_OK) result = VARNEL_E_BUFFER_TOO_SMALL;
      continue;
    }
    if (withIdentifier) std::memcpy(binding.identifier, identifier.c_str(), identifier.size() + 1);
    if (!bytes.empty()) std::memcpy(binding.value, bytes.data(), bytes.size());
    binding.valueLength = static_cast<DWORD>(bytes.size());
  }
  return result;
}

int getOrNext(VARNEL_HANDLE handle, DWORD tries, DWORD secondsPerTry, VarnelSnmpRequest* request,
              uint8_t pdu) {
  Channel* channel = live<Channel>().find(handle);
  if (!channel) return VARNEL_E_HANDLE;
  if (channel->broadcast) return VARNEL_E_PARAMETER;
  ParsedRequest parsed;
  if (const int invalid = parseRequest(request, parsed)) return invalid;
  const DWORD perTryMs = channel->settings.timeoutMs ? channel->settings.timeoutMs
                         : secondsPerTry             ? secondsPerTry * 1000
                                                     : 1000;
  const snmp::Message message =
      snmp::request(pdu, parsed.version, parsed.community, nextRequestId(), parsed.names);
  snmp::Message answer;
  if (const int failed = exchange(*channel, message, tries ? tries : 1, perTryMs, answer)) return failed;
  if (pdu == ber::kGetNextRequest && answer.errorStatus == snmp::kNoError &&
      answer.bindings.size() == parsed.names.size()) {
    // An agent that does not move forward would keep a walk going for ever.
    for (size_t i = 0; i < parsed.names.size(); ++i) {
      if (!isException(answer.bindings[i].value.type) && !(parsed.names[i] < answer.bindings[i].name)) {
        return VARNEL_E_SNMP_ERROR;
      }
    }
  }
  return fillBindings(*request, answer, pdu == ber::kGetNextRequest);
}

// ---- broadcast ----

struct Answer {
  Ipv4 address{};
  size_t target = 0;  // position of its target in the settings, for a stable order
  snmp::Message message;
};

// What a device's answer is worth as a record.
DWORD answerStatus(const Answer& answer, const VarnelSnmpRequest& request) {
  const snmp::Message& m = answer.message;
  if (m.errorStatus != snmp::kNoError) return static_cast<DWORD>(errorStatusResult(m.errorStatus));
  if (m.bindings.size() != request.bindingCount) return VARNEL_E_DECODE;
  for (DWORD i = 0; i < request.bindingCount; ++i) {
    if (isException(m.bindings[i].value.type))
      return static_cast<DWORD>(exceptionResult(m.bindings[i].value.type));
    if (snmp::valueBytes(m.bindings[i].value).size() > request.bindings[i].valueLength) {
      return VARNEL_E_BUFFER_TOO_SMALL;
    }
  }
  return VARNEL_OK;
}

size_t aligned(size_t n) { return (n + alignof(void*) - 1) & ~(alignof(void*) - 1); }

// Lays the answers out in the caller's buffer: the records, then each answer
// with its bindings, texts and values. Returns the size all of them need;
// `placed` receives how many records fit.
size_t layOut(const std::vector<Answer>& answers, const VarnelSnmpRequest& request, BYTE* buffer, size_t size,
              DWORD& placed) {
  struct Block {
    DWORD status;
    std::string community;
    std::vector<std::string> identifiers;
    std::vector<std::vector<uint8_t>> values;
    size_t length;
  };
  std::vector<Block> blocks;
  for (const Answer& answer : answers) {
    Block block{answerStatus(answer, request), answer.message.community, {}, {}, 0};
    block.length = aligned(sizeof(VarnelSnmpRequest)) + aligned(block.community.size() + 1);
    if (block.status == VARNEL_OK) {
      block.length += aligned(sizeof(VarnelSnmpBinding) * answer.message.bindings.size());
      for (const snmp::VarBind& binding : answer.message.bindings) {
        block.identifiers.push_back(ber::formatObjectIdentifier(binding.name));
        block.values.push_back(snmp::valueBytes(binding.value));
        block.length += aligned(block.identifiers.back().size() + 1) + aligned(block.values.back().size());
      }
    }
    blocks.push_back(std::move(block));
  }
  const size_t recordsLength = aligned(sizeof(VarnelSnmpDevice) * answers.size());
  size_t needed = recordsLength;
  for (const Block& block : blocks) needed += block.length;

  placed = 0;
  // Records that fit, each with its answer behind all the records.
  size_t fitting = 0, dataLength = 0;
  while (fitting < blocks.size() &&
         aligned(sizeof(VarnelSnmpDevice) * (fitting + 1)) + dataLength + blocks[fitting].length <= size) {
    dataLength += blocks[fitting].length;
    ++fitting;
  }
  BYTE* data = buffer + aligned(sizeof(VarnelSnmpDevice) * fitting);
  auto take = [&data](size_t length) {
    BYTE* at = data;
    data += aligned(length);
    return at;
  };
  for (size_t i = 0; i < fitting; ++i) {
    const Answer& answer = answers[i];
    const Block& block = blocks[i];
    VarnelSnmpDevice& record = reinterpret_cast<VarnelSnmpDevice*>(buffer)[i];
    std::memcpy(record.address, answer.address.data(), 4);
    record.snmpVersion = answer.message.version == snmp::kVersion1 ? VARNEL_SNMP_V1 : VARNEL_SNMP_V2C;
    record.errorStatus = static_cast<DWORD>(answer.message.errorStatus);
    record.errorIndex = static_cast<DWORD>(answer.message.errorIndex);
    record.status = block.status;
    auto* reply = reinterpret_cast<VarnelSnmpRequest*>(take(sizeof(VarnelSnmpRequest)));
    record.answer = reply;
    reply->version = record.snmpVersion;
    reply->community = reinterpret_cast<char*>(take(block.community.size() + 1));
    std::memcpy(reply->community, block.community.c_str(), block.community.size() + 1);
    reply->bindingCount = static_cast<DWORD>(block.identifiers.size());
    reply->bindings = nullptr;
    if (block.identifiers.empty()) continue;
    reply->bindings =
        reinterpret_cast<VarnelSnmpBinding*>(take(sizeof(VarnelSnmpBinding) * block.identifiers.size()));
    for (size_t b = 0; b < block.identifiers.size(); ++b) {
      VarnelSnmpBinding& binding = reply->bindings[b];
      binding.identifierLength = static_cast<DWORD>(block.identifiers[b].size());
      binding.identifier = reinterpret_cast<char*>(take(block.identifiers[b].size() + 1));
      std::memcpy(binding.identifier, block.identifiers[b].c_str(), block.identifiers[b].size() + 1);
      binding.valueLength = static_cast<DWORD>(block.values[b].size());
      binding.valueType = answer.message.bindings[b].value.type;
      binding.value = take(block.values[b].size());
      if (!block.values[b].empty())
        std::memcpy(binding.value, block.values[b].data(), block.values[b].size());
      binding.reserved = 0;
    }
  }
  placed = static_cast<DWORD>(fitting);
  return needed;
}

int broadcastGet(Channel& channel, DWORD tries, const ParsedRequest& parsed, std::vector<Answer>& answers) {
  const std::vector<Ipv4>& targets = channel.settings.broadcastTargets;
  const bool everyTargetOneDevice =
      std::none_of(targets.begin(), targets.end(), [](const Ipv4& t) { return isBroadcastAddress(t); });
  const snmp::Message message =
      snmp::request(ber::kGetRequest, parsed.version, parsed.community, nextRequestId(), parsed.names);
  std::vector<uint8_t> datagram;
  if (!snmp::encode(message, datagram)) return VARNEL_E_PARAMETER;
  std::vector<char> buffer(65536);
  for (DWORD attempt = 0; attempt < tries; ++attempt) {
    bool sent = false;
    for (const Ipv4& target : targets) {
      const bool answered =
          std::any_of(answers.begin(), answers.end(), [&](const Answer& a) { return a.address == target; });
      if (answered && everyTargetOneDevice) continue;
      const sockaddr_in to = socketAddress(target, channel.settings.port);
      if (sendto(channel.socket, reinterpret_cast<const char*>(datagram.data()),
                 static_cast<int>(datagram.size()), 0, reinterpret_cast<const sockaddr*>(&to),
                 sizeof to) != SOCKET_ERROR) {
        sent = true;
      }
    }
    if (!sent && answers.empty()) return VARNEL_E_SOCKET;
    const DWORD window = channel.settings.windowMs;
    const DWORD start = GetTickCount();
    for (DWORD elapsed = 0; elapsed < window; elapsed = GetTickCount() - start) {
      if (everyTargetOneDevice && answers.size() == targets.size()) return VARNEL_OK;
      const int ready = waitReadable(channel.socket, window - elapsed);
      if (ready < 0) return VARNEL_E_SOCKET;
      if (ready == 0) break;
      sockaddr_in from{};
      int fromLength = sizeof from;
      const int received = recvfrom(channel.socket, buffer.data(), static_cast<int>(buffer.size()), 0,
                                    reinterpret_cast<sockaddr*>(&from), &fromLength);
      if (received == SOCKET_ERROR) continue;  // an ICMP error of one target; the others may still answer
      Answer answer;
      std::memcpy(answer.address.data(), &from.sin_addr, 4);
      if (ntohs(from.sin_port) != channel.settings.port) continue;
      if (std::any_of(answers.begin(), answers.end(),
                      [&](const Answer& a) { return a.address == answer.address; })) {
        continue;
      }
      if (snmp::decode(reinterpret_cast<const uint8_t*>(buffer.data()), static_cast<size_t>(received),
                       answer.message) != snmp::DecodeStatus::kOk ||
          answer.message.pduType != ber::kResponse || answer.message.requestId != message.requestId) {
        continue;
      }
      const auto target = std::find(targets.begin(), targets.end(), answer.address);
      answer.target = static_cast<size_t>(target - targets.begin());
      answers.push_back(std::move(answer));
    }
    if (everyTargetOneDevice && answers.size() == targets.size()) break;
  }
  return VARNEL_OK;
}

}  // namespace
}  // namespace varnel

using namespace varnel;

VARNELAPI_API int VARNELAPI_CALL VarnelOpen(DWORD mode, const BYTE* address, VARNEL_HANDLE* handle) {
  return guarded([&]() -> int {
    if (!address || !handle || (mode != VARNEL_CHANNEL_DEVICE && mode != VARNEL_CHANNEL_BROADCAST)) {
      return VARNEL_E_PARAMETER;
    }
    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0) return VARNEL_E_SOCKET;
    // From here on the channel's destructor closes what was opened and ends Winsock.
    auto channel = std::make_unique<Channel>();
    channel->broadcast = mode == VARNEL_CHANNEL_BROADCAST;
    std::memcpy(channel->address.data(), address, 4);
    if (!readSettings(channel->settings)) return VARNEL_E_CONFIGURATION;
    channel->socket = socket(AF_INET, SOCK_DGRAM, 0);
    if (channel->socket == INVALID_SOCKET) return VARNEL_E_SOCKET;
    if (channel->broadcast) {
      const BOOL on = TRUE;
      setsockopt(channel->socket, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on), sizeof on);
    } else {
      // Connected, so that a closed port shows as an error instead of a timeout.
      const sockaddr_in to = socketAddress(channel->address, channel->settings.port);
      if (connect(channel->socket, reinterpret_cast<const sockaddr*>(&to), sizeof to) == SOCKET_ERROR) {
        return VARNEL_E_SOCKET;
      }
    }
    Channel* key = channel.get();
    *handle = live<Channel>().add(std::move(channel), key);
    return VARNEL_OK;
  });
}

VARNELAPI_API int VARNELAPI_CALL VarnelSnmpGet(VARNEL_HANDLE channel, DWORD tries, DWORD secondsPerTry,
                                               VarnelSnmpRequest* request) {
  return guarded(
      [&]() -> int { return getOrNext(channel, tries, secondsPerTry, request, ber::kGetRequest); });
}

VARNELAPI_API int VARNELAPI_CALL VarnelSnmpGetNext(VARNEL_HANDLE channel, DWORD tries, DWORD secondsPerTry,
                                                   VarnelSnmpRequest* request) {
  return guarded(
      [&]() -> int { return getOrNext(channel, tries, secondsPerTry, request, ber::kGetNextRequest); });
}

VARNELAPI_API int VARNELAPI_CALL VarnelClose(VARNEL_HANDLE channel) {
  return guarded([&]() -> int { return live<Channel>().take(channel) ? VARNEL_OK : VARNEL_E_HANDLE; });
}

VARNELAPI_API int VARNELAPI_CALL VarnelSnmpBroadcastGet(VARNEL_HANDLE handle, DWORD tries,
                                                        VarnelSnmpRequest* request, BYTE** result,
                                                        DWORD* count, DWORD* resultSize) {
  return guarded([&]() -> int {
    Channel* channel = live<Channel>().find(handle);
    if (!channel) return VARNEL_E_HANDLE;
    if (!channel->broadcast || !result || !*result || !count || !resultSize) return VARNEL_E_PARAMETER;
    ParsedRequest parsed;
    if (const int invalid = parseRequest(request, parsed)) return invalid;
    *count = 0;
    std::vector<Answer> answers;
    if (const int failed = broadcastGet(*channel, tries ? tries : 1, parsed, answers)) return failed;
    if (answers.empty()) return VARNEL_E_TIMEOUT;
    std::stable_sort(answers.begin(), answers.end(),
                     [](const Answer& a, const Answer& b) { return a.target < b.target; });
    DWORD placed = 0;
    const size_t needed = layOut(answers, *request, *result, *resultSize, placed);
    *count = placed;
    if (placed < answers.size()) {
      *resultSize = static_cast<DWORD>(needed);
      return VARNEL_E_BUFFER_TOO_SMALL;
    }
    return VARNEL_OK;
  });
}
