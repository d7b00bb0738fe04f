#pragma once

#include <string>

#include "SNMPEntries.h"
#include "nox/PluginModule.h"
#include "snmp/VarnelCalls.h"

namespace snmp {

// MIB-II objects, as dotted text for the library.
constexpr char kSysDescr[] = "1.3.6.1.2.1.1.1.0";
constexpr char kSysUpTime[] = "1.3.6.1.2.1.1.3.0";
constexpr char kIfNumber[] = "1.3.6.1.2.1.2.1.0";
constexpr char kIfTable[] = "1.3.6.1.2.1.2.2";
constexpr char kIfIndex[] = "1.3.6.1.2.1.2.2.1.1";
constexpr char kIfSpeed[] = "1.3.6.1.2.1.2.2.1.5";
constexpr char kIfPhysAddress[] = "1.3.6.1.2.1.2.2.1.6";
constexpr char kIpAddrTable[] = "1.3.6.1.2.1.4.20";
constexpr char kIpAdEntAddr[] = "1.3.6.1.2.1.4.20.1.1";
constexpr char kIpAdEntIfIndex[] = "1.3.6.1.2.1.4.20.1.2";

// A device reporting more interfaces than this gets its first ones listed: an
// answer of two billion must not exhaust the memory of the snapshot.
constexpr long kMaxInterfaces = 4096;

// Value text of a binding by its returned type: integers "%d", octet strings
// as "%02x" pairs joined by "-", IP addresses dotted, opaque bytes as text.
std::string valueText(DWORD type, const BYTE* value, DWORD length);

// "%d days %d hours %d minutes %d seconds" of an up-time in hundredths of a second.
std::string upTimeText(unsigned long hundredths);

// The interfaces of one device, from its ifNumber and the entries of its walks.
void fillInterfaces(Report& nicInformation, long ifNumber, const SNMPEntries& entries);

class SnmpRootObservation;

// "snmpInformation": the devices that answer a broadcast of sysDescr.
class SnmpInformationObservation : public Observation {
 public:
  explicit SnmpInformationObservation(SnmpRootObservation& root) : root_(root) {}
  void observe(Report& report) override;

 private:
  void addDevice(Report& report, unsigned int index, const VarnelSnmpDevice& record,
                 const std::string& community);
  SnmpRootObservation& root_;
};

// "snmp", with the form that asks for the read community.
class SnmpRootObservation : public PluginRootObservation {
 public:
  SnmpRootObservation();
  void observe(Report& report) override { report.setName("snmp"); }
  // The value of the form's first field; empty when none is set.
  std::string community();
};

}  // namespace snmp
