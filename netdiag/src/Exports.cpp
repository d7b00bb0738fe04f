// The four exports of NetDiag.dll.
#include <cstring>
#include <string>
#include <vector>

#include "Adapters.h"
#include "DnsResolver.h"
#include "EchoClient.h"
#include "SystemEcho.h"
#include "Text.h"
#include "WinsockDnsTransport.h"
#include "netdiag/NetDiag.h"

namespace {

constexpr int kTimeoutMs = 1000;
constexpr int kPayload = 32;
constexpr int kPauseMs = 500;
constexpr int kRequests = 3;
constexpr int kTimeoutLimit = 6;
constexpr int kTracePasses = 3;
constexpr size_t kMaxAddressText = 28;

HINSTANCE instance = nullptr;

// The target as a dotted address: as given when it is one, else resolved.
bool targetAddress(netdiag::EchoClient& client, const char* target, std::string& dotted) {
  if (!target) return false;
  if (currentSockets().inet_addr(target) != INADDR_NONE || std::strcmp(target, "255.255.255.255") == 0) {
    dotted = target;
    return true;
  }
  return client.resolve(target, dotted, kMaxAddressText);
}

HGLOBAL globalText(const std::vector<char>& bytes) {
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.size());
  if (!block) return nullptr;
  void* memory = ::GlobalLock(block);
  if (!memory) {
    ::GlobalFree(block);
    return nullptr;
  }
  std::memcpy(memory, bytes.data(), bytes.size());
  ::GlobalUnlock(block);
  return block;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) instance = module;
  return TRUE;
}

NETDIAG_API int NetDiagGetAdapterInfo(HGLOBAL* out) {
  int family = netdiag::windowsFamily();
  if (family >= 1 && family <= 3) return kNetDiagNoAdapterInfo;
  return netdiag::readAdapters(out);
}

NETDIAG_API int NetDiagPing(const char* target, PingResult* out) {
  netdiag::EchoClient client;
  std::string dotted;
  if (!targetAddress(client, target, dotted)) return kNetDiagBadTarget;
  if (!out) return kNetDiagBadTarget;
  if (!client.isOpen()) {
    netdiag::systemPing(dotted.c_str(), kTimeoutMs, kPayload, kPauseMs, kRequests, *out);
  } else {
    client.setNameResolution(true);
    client.setTimeoutLimit(kTimeoutLimit);
    client.runSeries(dotted.c_str(), kTimeoutMs, kPayload, kPauseMs, kRequests);
    client.finishSeries(*out);
  }
  return kNetDiagOk;
}

NETDIAG_API int NetDiagTraceroute(const char* target, TraceResult* out) {
  netdiag::EchoClient client;
  if (!out) return kNetDiagBadTarget;
  out->hopCount = 0;
  std::string dotted;
  if (!targetAddress(client, target, dotted)) return kNetDiagBadTarget;
  if (!client.isOpen()) {
    netdiag::systemTrace(dotted.c_str(), kTimeoutMs, kPayload, kNetDiagMaxHops, *out);
  } else {
    client.setNameResolution(true);
    client.setTimeoutLimit(kTimeoutLimit);
    for (int pass = 0; pass < kTracePasses; ++pass)
      client.runTracePass(dotted.c_str(), kTimeoutMs, kPayload, kNetDiagMaxHops);
    client.finishTrace(*out);
  }
  return kNetDiagOk;
}

NETDIAG_API int NetDiagDNSLookup(const char* type, const char* name, HGLOBAL* out) {
  std::string server;
  std::string domain;
  HGLOBAL adapters = nullptr;
  int count = NetDiagGetAdapterInfo(&adapters);
  if (count > 0 && adapters) {
    const AdapterRecord* records = static_cast<const AdapterRecord*>(::GlobalLock(adapters));
    for (int i = 0; records && i < count; ++i) {
      if (server.empty()) server = netdiag::fieldText(records[i].firstDnsServer);
      if (domain.empty()) domain = netdiag::fieldText(records[i].dnsDomain);
    }
    if (records) ::GlobalUnlock(adapters);
  }
  if (adapters) ::GlobalFree(adapters);

  netdiag::WinsockDnsTransport transport;
  std::vector<std::string> answers;
  netdiag::LookupStatus status =
      netdiag::dnsLookup(transport, type, name, server, domain, answers,
                         [](const std::string& n) { ::OutputDebugStringA(n.c_str()); });
  if (status == netdiag::LookupStatus::kFailed) return kNetDiagDnsFailed;
  if (!out) return kNetDiagNoMemory;
  if (status == netdiag::LookupStatus::kNoAnswer) {
    *out = nullptr;
    return kNetDiagDnsFailed;
  }
  HGLOBAL block = globalText(netdiag::answerBlock(answers));
  *out = block;
  if (!block) return kNetDiagNoMemory;
  return static_cast<int>(answers.size());
}
