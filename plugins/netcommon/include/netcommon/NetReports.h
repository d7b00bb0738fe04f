#pragma once

#include <string>
#include <vector>

#include "netdiag/NetDiagRecords.h"
#include "nox/Observation.h"
#include "nox/ReportLeaves.h"

namespace netreport {

// The value of the first field of the first form of `root`; empty without one.
std::string firstFieldValue(Observation& root);

// The pieces of a TAB-separated list, empty ones included.
std::vector<std::string> splitAtTabs(const std::string& text);

std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

// An unsuccessful node without a value.
Report& addError(Report& parent, const char* name, const std::string& text);

// A result in which neither address nor host name is known: nothing answered.
bool nothingAnswered(const PingResult& result);

// "hostName", "ipAddress" and the six counters of an echo series or a hop.
void addPingValues(Report& parent, const PingResult& result);

// NetDiagDNSLookup(type, name): its result, with the answer block's text in
// `text` when it is positive (the block is released either way).
int dnsLookup(const char* type, const char* name, std::string& text);

// The echo series of `target` (NetDiagPing). False, with the text of the
// error node, when the call failed ("NetDiagPing failed (%ld)") or nothing
// answered ("Request timed out").
bool ping(const char* target, PingResult& result, std::string& errorText);

// "hops" with one "hop" per hop of the trace of `target` (NetDiagTraceroute),
// or "hops" as an error node.
void addTrace(Report& parent, const char* target);

// Starts Winsock 1.1 for the life of the object, through the network seam.
class WinsockUser {
 public:
  WinsockUser();
  ~WinsockUser();
  WinsockUser(const WinsockUser&) = delete;
  WinsockUser& operator=(const WinsockUser&) = delete;
  bool ready() const { return ready_; }

 private:
  bool ready_;
};

}  // namespace netreport
