#include "SystemEcho.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "EchoRules.h"
#include "Text.h"
#include "pchelpers/Platform.h"
#include "pchelpers/SocketApi.h"

namespace netdiag {

namespace {

constexpr DWORD kReplyBufferSize = 8216;
constexpr int kProbesPerHop = 3;
constexpr DWORD kHopProbePause = 100;

// ICMP.DLL and its entry points, looked up on first use and kept for the life of
// the process. A recorded platform in a test is asked again on every call.
struct Binding {
  bool kept = false;
  HMODULE module = nullptr;
  FARPROC create = nullptr;
  FARPROC close = nullptr;
  FARPROC send = nullptr;
  std::vector<uint8_t> payload;
  alignas(8) unsigned char reply[kReplyBufferSize];
};
Binding binding;

bool bind() {
  Platform& platform = currentPlatform();
  bool real = &platform == &Platform::real();
  if (real && binding.kept) return binding.create && binding.close && binding.send;
  binding.kept = false;
  binding.create = binding.close = binding.send = nullptr;
  binding.module = platform.LoadLibraryA("ICMP.DLL");
  binding.kept = real && binding.module;
  if (!binding.module) return false;
  binding.create = platform.GetProcAddress(binding.module, "IcmpCreateFile");
  binding.close = platform.GetProcAddress(binding.module, "IcmpCloseHandle");
  binding.send = platform.GetProcAddress(binding.module, "IcmpSendEcho");
  return binding.create && binding.close && binding.send;
}

bool targetAddress(SocketApi& net, const char* address, IPAddr& out) {
  unsigned long value = net.inet_addr(address);
  if ((value == INADDR_NONE && std::strcmp(address, "255.255.255.255") != 0) || value == 0) {
    hostent* host = net.gethostbyname(address);
    if (!host || !host->h_addr_list || !host->h_addr_list[0]) return false;
    std::memcpy(&value, host->h_addr_list[0], 4);
  }
  out = static_cast<IPAddr>(value);
  return true;
}

std::string dotted(IPAddr address) {
  const unsigned char* b = reinterpret_cast<const unsigned char*>(&address);
  char text[16];
  std::snprintf(text, sizeof text, "%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
  return text;
}

const char* reverseName(SocketApi& net, IPAddr address) {
  hostent* host = net.gethostbyaddr(reinterpret_cast<const char*>(&address), 4, AF_INET);
  return host && host->h_name ? host->h_name : nullptr;
}

struct RoundTrips {
  int32_t minimum = kNoMinimum;
  int32_t maximum = -1;
  int32_t sum = 0;
  void add(ULONG rtt) {
    int32_t value = static_cast<int32_t>(rtt);
    if (value > maximum) maximum = value;
    if (value < minimum) minimum = value;
    sum += value;
  }
  void store(PingResult& record) const {
    record.minimum = minimum;
    record.maximum = maximum;
    record.average = sum / record.received;
  }
};

DWORD sendEcho(SocketApi& net, HANDLE handle, IPAddr address, int size, IP_OPTION_INFORMATION& options,
               int timeoutMs) {
  return net.IcmpSendEcho(binding.send, handle, address, binding.payload.data(), static_cast<WORD>(size),
                          &options, binding.reply, kReplyBufferSize, static_cast<DWORD>(timeoutMs));
}

const ICMP_ECHO_REPLY& lastReply() { return *reinterpret_cast<const ICMP_ECHO_REPLY*>(binding.reply); }

}  // namespace

void systemPing(const char* address, int timeoutMs, int size, int pauseMs, int count, PingResult& out) {
  std::memset(&out, 0, sizeof out);
  SocketApi& net = currentSockets();
  if (!bind()) return;
  copyField(out.address, "NA");
  copyField(out.hostName, "NA");
  IPAddr target;
  if (!targetAddress(net, address, target)) return;
  if (const char* name = reverseName(net, target)) copyField(out.hostName, name);
  binding.payload = systemEchoPayload(static_cast<size_t>(size));
  HANDLE handle = net.IcmpCreateFile(binding.create);
  if (handle == INVALID_HANDLE_VALUE) return;
  IP_OPTION_INFORMATION options = {};
  options.Ttl = 64;
  options.Flags = 2;
  RoundTrips times;
  for (int j = 0; j < count; ++j) {
    out.sent += 1;
    if (j > 0) net.SleepEx(static_cast<DWORD>(pauseMs), TRUE);
    if (sendEcho(net, handle, target, size, options, timeoutMs) == 0) {
      out.lost += 1;
      continue;
    }
    copyField(out.address, dotted(lastReply().Address));
    out.received += 1;
    times.add(lastReply().RoundTripTime);
  }
  if (out.received > 0) times.store(out);
  net.IcmpCloseHandle(binding.close, handle);
}

void systemTrace(const char* address, int timeoutMs, int size, int maxHops, TraceResult& out) {
  std::memset(&out, 0, sizeof out);
  SocketApi& net = currentSockets();
  if (!bind()) return;
  IPAddr target;
  if (!targetAddress(net, address, target)) return;
  HANDLE handle = net.IcmpCreateFile(binding.create);
  if (handle == INVALID_HANDLE_VALUE) return;
  binding.payload = systemEchoPayload(static_cast<size_t>(size));
  IP_OPTION_INFORMATION options = {};
  options.Flags = 2;
  if (maxHops > kNetDiagMaxHops) maxHops = kNetDiagMaxHops;
  for (int h = 0; h < maxHops; ++h) {
    options.Ttl = static_cast<UCHAR>(options.Ttl + 1);
    PingResult& hop = out.hops[h];
    copyField(hop.address, "NA");
    copyField(hop.hostName, "NA");
    ULONG status = 11003;
    RoundTrips times;
    for (int k = 0; k < kProbesPerHop; ++k) {
      hop.sent += 1;
      if (k > 0) net.SleepEx(kHopProbePause, TRUE);
      if (sendEcho(net, handle, target, size, options, timeoutMs) == 0) {
        hop.lost += 1;
        continue;
      }
      if (k == 0) {
        copyField(hop.address, dotted(lastReply().Address));
        if (const char* name = reverseName(net, lastReply().Address)) copyField(hop.hostName, name);
      }
      hop.received += 1;
      status = lastReply().Status;
      times.add(lastReply().RoundTripTime);
    }
    if (hop.received > 0) {
      times.store(hop);
      out.hopCount = h + 1;
    } else if (out.hopCount == 0) {
      out.hopCount = 1;
    }
    if (status == 0) break;
  }
  net.IcmpCloseHandle(binding.close, handle);
}

}  // namespace netdiag
