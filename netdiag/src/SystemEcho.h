#pragma once

#include "netdiag/NetDiagRecords.h"

namespace netdiag {

// The echo engine of Windows' ICMP echo service (ICMP.DLL), for when a raw
// socket cannot be opened. Its binding and buffers are module-wide: one ping or
// trace at a time per process.
void systemPing(const char* address, int timeoutMs, int size, int pauseMs, int count, PingResult& out);
void systemTrace(const char* address, int timeoutMs, int size, int maxHops, TraceResult& out);

}  // namespace netdiag
