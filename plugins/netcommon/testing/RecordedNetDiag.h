#pragma once

#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "netcommon/NetDiagApi.h"

// NetDiag results by target for the report tests of the network plug-ins; an
// unknown target fails as the library fails for it. Every call is listed.
class RecordedNetDiag : public NetDiagApi {
 public:
  std::map<std::string, std::pair<int, std::string>> lookups;  // name ("" for null) -> result, answer text
  std::map<std::string, PingResult> pings;
  std::map<std::string, TraceResult> traces;
  std::vector<std::string> calls;

  int NetDiagPing(const char* target, PingResult* out) override {
    calls.push_back(std::string("ping ") + target);
    auto found = pings.find(target);
    if (found == pings.end()) return -2;
    *out = found->second;
    return 0;
  }
  int NetDiagTraceroute(const char* target, TraceResult* out) override {
    calls.push_back(std::string("trace ") + target);
    auto found = traces.find(target);
    if (found == traces.end()) return -2;
    *out = found->second;
    return 0;
  }
  int NetDiagDNSLookup(const char* type, const char* name, HGLOBAL* out) override {
    calls.push_back(std::string("lookup ") + (type ? type : "(null)") + " " + (name ? name : "(null)"));
    auto found = lookups.find(name ? name : "");
    if (found == lookups.end()) return -5;
    if (found->second.first > 0) {
      *out = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, found->second.second.size() + 2);
      std::memcpy(::GlobalLock(*out), found->second.second.c_str(), found->second.second.size());
      ::GlobalUnlock(*out);
    }
    return found->second.first;
  }
};

// An echo series of three requests; nothing received gives zero times.
inline PingResult recordedPing(const char* address, const char* name, int received) {
  PingResult r = {};
  std::strcpy(r.address, address);
  std::strcpy(r.hostName, name);
  r.sent = 3;
  r.received = received;
  r.lost = 3 - received;
  r.minimum = r.maximum = r.average = received ? 4 : 0;
  return r;
}
