#include "DnsObservations.h"

#include <cstring>

#include "pchelpers/SocketApi.h"

namespace dns {

namespace {

using netreport::addError;
using netreport::format;

const char kForward[] = "forwardlookupResult";
const char kReverse[] = "reverselookupResult";

std::string winsockFailure() {
  return format("winsocket lookup failed(%d)", currentSockets().WSAGetLastError());
}

std::string dotted(const char* address) {
  in_addr a;
  std::memcpy(&a, address, sizeof a);
  const char* text = currentSockets().inet_ntoa(a);
  return text ? text : "";
}

std::string addressList(const hostent& host) {
  std::string list;
  for (char** a = host.h_addr_list; a && *a; ++a) list += (list.empty() ? "" : ",") + dotted(*a);
  return list;
}

std::vector<std::string> namesOf(const hostent& host) {
  std::vector<std::string> names;
  if (host.h_name) names.push_back(host.h_name);
  for (char** alias = host.h_aliases; alias && *alias; ++alias) names.push_back(*alias);
  return names;
}

std::string joined(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& n : names) list += (list.empty() ? "" : ",") + n;
  return list;
}

void useWinSocket(Report& parent, const std::string& target) {
  SocketApi& net = currentSockets();
  if (looksLikeAddress(target)) {
    unsigned long address = net.inet_addr(target.c_str());
    if (address == INADDR_NONE) {
      addError(parent, kReverse, "Input IpAddress is invalid");
      return;
    }
    hostent* host = net.gethostbyaddr(reinterpret_cast<const char*>(&address), 4, AF_INET);
    if (!host) {
      addError(parent, kReverse, winsockFailure());
      return;
    }
    // The next lookups reuse Winsock's one record: keep the names first.
    std::vector<std::string> names = namesOf(*host);
    addText(parent, kReverse, (target + "->" + joined(names)).c_str());
    for (const std::string& name : names) {
      hostent* forward = net.gethostbyname(name.c_str());
      if (!forward) {
        addError(parent, kForward, winsockFailure());
        continue;
      }
      addText(parent, kForward, (name + "->" + addressList(*forward)).c_str());
    }
    return;
  }
  hostent* host = net.gethostbyname(target.c_str());
  if (!host) {
    addError(parent, kForward, winsockFailure());
    return;
  }
  std::vector<std::string> addresses;
  for (char** a = host->h_addr_list; a && *a; ++a) addresses.push_back(dotted(*a));
  addText(parent, kForward, (target + "->" + joined(addresses)).c_str());
  for (const std::string& address : addresses) {
    unsigned long value = net.inet_addr(address.c_str());
    hostent* reverse = net.gethostbyaddr(reinterpret_cast<const char*>(&value), 4, AF_INET);
    if (!reverse) {
      addError(parent, kReverse, winsockFailure());
      continue;
    }
    addText(parent, kReverse, (address + "->" + joined(namesOf(*reverse))).c_str());
  }
}

// NetDiagDNSLookup with type null: the answer block's text, or the error node's text.
int lookup(const std::string& name, std::string& text) {
  int result = netreport::dnsLookup(nullptr, name.c_str(), text);
  if (result < 0) text = format("NetDiagDNSLookup Failed (%ld)", static_cast<long>(result));
  if (result == 0) text = "Host can't be resolved";
  return result;
}

void followUp(Report& parent, const std::string& answer, const char* nodeName) {
  std::string text;
  if (lookup(answer, text) <= 0) {
    addError(parent, nodeName, text);
    return;
  }
  for (char& c : text) {
    if (c == '\t') c = ',';
  }
  while (!text.empty() && text.back() == ',') text.pop_back();
  addText(parent, nodeName, (answer + "->" + text).c_str());
}

void useDns(Report& parent, const std::string& target) {
  bool address = looksLikeAddress(target);
  const char* first = address ? kReverse : kForward;
  const char* then = address ? kForward : kReverse;
  std::string text;
  if (lookup(target, text) <= 0) {
    addError(parent, first, text);
    return;
  }
  addText(parent, first, (target + "->" + text).c_str());
  for (const std::string& answer : netreport::splitAtTabs(text)) {
    if (!answer.empty()) followUp(parent, answer, then);
  }
}

}  // namespace

bool looksLikeAddress(const std::string& text) {
  int dots = 0;
  for (char c : text) {
    if (c == '.') {
      ++dots;
    } else if (!(c >= '0' && c <= '9') && c != ' ') {
      return false;
    }
  }
  return dots <= 3;
}

DnsRoot::DnsRoot() {
  if (!winsock_.ready()) return;
  Configration& form = addConfigration("DNS Information", IConfigration::CONFIG_TYPE_TARGET);
  addEntry(form, "Target HostName or IPAddress", IConfigrationEntry::ENTRY_HOST);
  addSubObservation<HostIpObservation>(*this);
  addSubObservation<PingObservation>(*this);
  addSubObservation<TraceObservation>(*this);
}

void DnsRoot::observe(Report& report) {
  report.setName("dns");
  if (!winsock_.ready()) {
    report.setErrorText("WinSocket Dll Initialize Fail!");
    report.setSuccess(false);
  }
}

void TargetObservation::observe(Report& report) {
  report.setName(name_);
  std::string list = root_.targets();
  if (list.empty()) return;
  int index = 0;
  for (const std::string& piece : netreport::splitAtTabs(list)) {
    if (piece.empty() && stopAtEmpty_) break;
    Report& host = addNode(report, "host");
    addAttribute(host, "index", std::to_string(++index).c_str());
    Report& target = addText(host, "target", piece.c_str());
    observeTarget(target, piece);
  }
}

void HostIpObservation::observeTarget(Report& target, const std::string& text) {
  useWinSocket(addNode(target, "useWinSocket"), text);
  useDns(addNode(target, "useDNS"), text);
}

void PingObservation::observeTarget(Report& target, const std::string& text) {
  PingResult result;
  std::string error;
  if (netreport::ping(text.c_str(), result, error)) {
    netreport::addPingValues(target, result);
  } else {
    addError(target, "hostName", error);
  }
}

void TraceObservation::observeTarget(Report& target, const std::string& text) {
  netreport::addTrace(target, text.c_str());
}

}  // namespace dns
