#pragma once

// The records NetDiag.dll exchanges with its callers as raw memory. Separately
// built modules read them, so the layout is fixed to the byte; no Windows header
// is needed to read them.
#include <cstddef>
#include <cstdint>

extern "C" {

#pragma pack(push, 1)

// One echo series, or one hop of a trace. Texts are zero-terminated and cut to
// fit; "NA" stands for a node that never answered.
struct PingResult {
  char address[64];
  char hostName[1024];
  int32_t sent;
  int32_t received;
  int32_t lost;
  int32_t minimum;  // milliseconds; 0 when nothing was received
  int32_t maximum;
  int32_t average;  // sum / received, truncated
};

enum { kNetDiagMaxHops = 30 };

// Hop record i holds the probes sent with time-to-live i + 1; only the first
// hopCount records mean anything.
struct TraceResult {
  int32_t hopCount;
  PingResult hops[kNetDiagMaxHops];
};

enum { kAdapterRecordSize = 904 };

// The computer's first adapter as the ipconfig listing describes it.
struct AdapterRecord {
  int32_t recordSize;  // always kAdapterRecordSize
  char description[256];
  char ipAddress[64];
  char subnetMask[64];
  char defaultGateway[64];
  char firstDnsServer[64];
  char furtherDnsServers[64];  // "/"-separated
  char physicalAddress[64];
  uint8_t dhcpEnabled;  // 1 or 0
  char dnsDomain[256];
  uint8_t padding[3];
};

#pragma pack(pop)
}

static_assert(sizeof(PingResult) == 1112, "PingResult layout");
static_assert(offsetof(PingResult, hostName) == 64 && offsetof(PingResult, sent) == 1088 &&
                  offsetof(PingResult, received) == 1092 && offsetof(PingResult, lost) == 1096 &&
                  offsetof(PingResult, minimum) == 1100 && offsetof(PingResult, maximum) == 1104 &&
                  offsetof(PingResult, average) == 1108,
              "PingResult offsets");
static_assert(sizeof(TraceResult) == 33364 && offsetof(TraceResult, hops) == 4, "TraceResult layout");
static_assert(sizeof(AdapterRecord) == kAdapterRecordSize, "AdapterRecord layout");
static_assert(offsetof(AdapterRecord, description) == 4 && offsetof(AdapterRecord, ipAddress) == 260 &&
                  offsetof(AdapterRecord, subnetMask) == 324 &&
                  offsetof(AdapterRecord, defaultGateway) == 388 &&
                  offsetof(AdapterRecord, firstDnsServer) == 452 &&
                  offsetof(AdapterRecord, furtherDnsServers) == 516 &&
                  offsetof(AdapterRecord, physicalAddress) == 580 &&
                  offsetof(AdapterRecord, dhcpEnabled) == 644 && offsetof(AdapterRecord, dnsDomain) == 645 &&
                  offsetof(AdapterRecord, padding) == 901,
              "AdapterRecord offsets");

// Return codes of the exports.
enum NetDiagResult {
  kNetDiagOk = 0,
  kNetDiagNoAdapterInfo = -1,  // Windows 95/98/Me, or ipconfig did not run to completion
  kNetDiagBadTarget = -2,      // neither a dotted address nor a resolvable name (trace: or no record)
  kNetDiagNoMemory = -4,       // result block not allocated or locked; adapter listing without entries
  kNetDiagDnsFailed = -5,      // the query failed or gave no answer text
};
