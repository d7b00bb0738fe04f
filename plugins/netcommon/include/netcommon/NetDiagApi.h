#pragma once

#include <windows.h>

#include "netdiag/NetDiagRecords.h"
#include "pchelpers/Seam.h"

// The exports of NetDiag.dll as the network plug-ins call them; tests put
// recorded results in force with ScopedSeam<NetDiagApi>.
class NetDiagApi {
 public:
  virtual ~NetDiagApi() = default;
  static NetDiagApi& real();

  virtual int NetDiagPing(const char* target, PingResult* out) = 0;
  virtual int NetDiagTraceroute(const char* target, TraceResult* out) = 0;
  virtual int NetDiagDNSLookup(const char* type, const char* name, HGLOBAL* out) = 0;
};

inline NetDiagApi& currentNetDiag() { return Seam<NetDiagApi>::current(); }
