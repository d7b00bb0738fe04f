#pragma once

#include <string>

#include "nox/PluginModule.h"

// DomainScan.nxo: the Windows network around this computer, its workgroup or
// domain, the domain's controllers, the master browsers and the trusted
// domains, each computer with its operating system type, version and LAN group.
namespace domainscan {

// The text of a platform identifier of the workstation information; null for
// an identifier the table lacks.
const char* osTypeText(unsigned long platform);

// Adds computerName, osType, version and lanGroup of one computer below `parent`.
void addComputerInformation(Report& parent, const std::string& name);

void fillNetworkEnvironment(Report& report);
void fillDomainController(Report& report);
void fillBrowseMaster(Report& report);
void fillTrustedDomain(Report& report);

// One sub-observation: names its report and fills it.
class SectionObservation : public Observation {
 public:
  SectionObservation(const char* name, void (*fill)(Report&)) : name_(name), fill_(fill) {}
  void observe(Report& report) override {
    report.setName(name_);
    fill_(report);
  }

 private:
  const char* name_;
  void (*fill_)(Report&);
};

// "domainScan" with its four sections in report order.
class DomainScanRoot : public PluginRootObservation {
 public:
  DomainScanRoot();
  void observe(Report& report) override { report.setName("domainScan"); }
};

}  // namespace domainscan
