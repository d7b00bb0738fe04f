#pragma once

#include "netcommon/NetReports.h"
#include "nox/PluginModule.h"

namespace dns {

// The root "dns": its form asks for the targets; host/IP lookup, ping and
// traceroute follow as sub-observations. Winsock stays started while it lives.
class DnsRoot : public PluginRootObservation {
 public:
  DnsRoot();
  void observe(Report& report) override;
  // The targets as the user gave them, TAB-separated.
  std::string targets() { return netreport::firstFieldValue(*this); }

 private:
  netreport::WinsockUser winsock_;
};

class TargetObservation : public Observation {
 public:
  TargetObservation(DnsRoot& root, const char* name, bool stopAtEmpty)
      : root_(root), name_(name), stopAtEmpty_(stopAtEmpty) {}
  void observe(Report& report) override;

 protected:
  // Fills the "target" node of one target.
  virtual void observeTarget(Report& target, const std::string& text) = 0;

 private:
  DnsRoot& root_;
  const char* name_;
  bool stopAtEmpty_;
};

class HostIpObservation : public TargetObservation {
 public:
  explicit HostIpObservation(DnsRoot& root) : TargetObservation(root, "hostIp", true) {}

 protected:
  void observeTarget(Report& target, const std::string& text) override;
};

class PingObservation : public TargetObservation {
 public:
  explicit PingObservation(DnsRoot& root) : TargetObservation(root, "ping", false) {}

 protected:
  void observeTarget(Report& target, const std::string& text) override;
};

class TraceObservation : public TargetObservation {
 public:
  explicit TraceObservation(DnsRoot& root) : TargetObservation(root, "traceroute", false) {}

 protected:
  void observeTarget(Report& target, const std::string& text) override;
};

// Digits, blanks and dots only, with at most three dots (an empty text passes).
bool looksLikeAddress(const std::string& text);

}  // namespace dns
