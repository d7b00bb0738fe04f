#pragma once

// The exports of NetDiag.dll. Importers link the ordinal import library
// (NetDiagByOrdinal), so they bind the exports by ordinal:
//   1 NetDiagGetAdapterInfo, 2 NetDiagPing, 3 NetDiagTraceroute, 4 NetDiagDNSLookup.
// Every call blocks; failures come back as the negative codes of NetDiagResult.
// Blocks handed out through `out` are movable global memory the caller locks,
// reads, unlocks and frees with GlobalFree.
#include <windows.h>

#include "netdiag/NetDiagRecords.h"

#ifdef NETDIAG_BUILDING
#define NETDIAG_API extern "C" __declspec(dllexport)
#else
#define NETDIAG_API extern "C" __declspec(dllimport)
#endif

// Count (0 or 1) of AdapterRecords in *out, or -1, -4.
NETDIAG_API int NetDiagGetAdapterInfo(HGLOBAL* out);
// 0 (the outcome is in *out, also when nothing answered), or -2.
NETDIAG_API int NetDiagPing(const char* target, PingResult* out);
NETDIAG_API int NetDiagTraceroute(const char* target, TraceResult* out);
// Number of TAB-terminated answer texts in *out, or -4, -5. Type null, empty or
// "PTR": the address or name lookup; "MX": the exchangers of the computer's domain.
NETDIAG_API int NetDiagDNSLookup(const char* type, const char* name, HGLOBAL* out);

// What NetDiag throws (as a pointer) when the running Windows cannot say which
// version it is; the exports do not catch it.
struct NxInfoException {
  int id;
  DWORD lastError;
  const char* method;
};
