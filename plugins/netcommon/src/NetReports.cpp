#include "netcommon/NetReports.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

#include "netcommon/NetDiagApi.h"
#include "nox/Configration.h"
#include "pchelpers/SocketApi.h"

namespace netreport {

std::string firstFieldValue(Observation& root) {
  IConfigrations& forms = root.getConfigrations();
  if (forms.getCount() == 0) return "";
  IConfigrationEntries& fields = forms.getItem(0).getConfigrationEntries();
  if (fields.getCount() == 0) return "";
  const char* value = fields.getItem(0).getValue().getData();
  return value ? value : "";
}

std::vector<std::string> splitAtTabs(const std::string& text) {
  std::vector<std::string> pieces;
  size_t start = 0;
  for (;;) {
    size_t tab = text.find('\t', start);
    pieces.push_back(text.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return pieces;
    start = tab + 1;
  }
}

std::string format(const char* pattern, ...) {
  char text[512];
  va_list arguments;
  va_start(arguments, pattern);
  std::vsnprintf(text, sizeof text, pattern, arguments);
  va_end(arguments);
  return text;
}

Report& addError(Report& parent, const char* name, const std::string& text) {
  Report& node = addNode(parent, name);
  node.setErrorText(text.c_str());
  node.setSuccess(false);
  return node;
}

bool nothingAnswered(const PingResult& result) {
  return std::string(result.hostName) == "NA" && std::string(result.address) == "NA";
}

void addPingValues(Report& parent, const PingResult& result) {
  addText(parent, "hostName", result.hostName);
  addText(parent, "ipAddress", result.address);
  addNumber(parent, "packetsTransmitted", static_cast<unsigned long>(result.sent));
  addNumber(parent, "packetsReceived", static_cast<unsigned long>(result.received));
  addNumber(parent, "packetsLoss", static_cast<unsigned long>(result.lost));
  addNumber(parent, "minRoundTripTime(ms)", static_cast<unsigned long>(result.minimum));
  addNumber(parent, "maxRoundTripTime(ms)", static_cast<unsigned long>(result.maximum));
  addNumber(parent, "averageRoundTripTime(ms)", static_cast<unsigned long>(result.average));
}

int dnsLookup(const char* type, const char* name, std::string& text) {
  HGLOBAL block = nullptr;
  int result = currentNetDiag().NetDiagDNSLookup(type, name, &block);
  if (block) {
    if (result > 0) {
      const char* data = static_cast<const char*>(::GlobalLock(block));
      text = data ? data : "";
      ::GlobalUnlock(block);
    }
    ::GlobalFree(block);
  }
  return result;
}

bool ping(const char* target, PingResult& result, std::string& errorText) {
  std::memset(&result, 0, sizeof result);
  int code = currentNetDiag().NetDiagPing(target, &result);
  if (code != 0) {
    errorText = format("NetDiagPing failed (%ld)", static_cast<long>(code));
    return false;
  }
  if (nothingAnswered(result)) {
    errorText = "Request timed out";
    return false;
  }
  return true;
}

void addTrace(Report& parent, const char* target) {
  std::unique_ptr<TraceResult> trace(new TraceResult());
  int result = currentNetDiag().NetDiagTraceroute(target, trace.get());
  if (result != 0) {
    addError(parent, "hops", format("NetDiagTraceroute failed (%ld)", static_cast<long>(result)));
    return;
  }
  if (nothingAnswered(trace->hops[0])) {
    addError(parent, "hops", "Destination host is unreachable");
    return;
  }
  int count = trace->hopCount > kNetDiagMaxHops ? kNetDiagMaxHops : trace->hopCount;
  Report& hops = addNumber(parent, "hops", static_cast<unsigned long>(trace->hopCount));
  for (int k = 1; k <= count; ++k) {
    Report& hop = addNode(hops, "hop");
    addAttribute(hop, "index", std::to_string(k).c_str());
    addPingValues(hop, trace->hops[k - 1]);
  }
}

WinsockUser::WinsockUser() {
  WSADATA data;
  ready_ = currentSockets().WSAStartup(MAKEWORD(1, 1), &data) == 0;
}

WinsockUser::~WinsockUser() {
  if (ready_) currentSockets().WSACleanup();
}

}  // namespace netreport
