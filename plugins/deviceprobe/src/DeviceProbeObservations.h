#pragma once

#include <string>

#include "nox/PluginModule.h"
#include "snmp/VarnelCalls.h"

namespace deviceprobe {

// The device vendor's private MIB: enterprise 32473, and the firmware object
// of each function, in the order they are read (printer, scanner, fax, copier).
constexpr char kFirmwareCommunity[] = "velvetry";
constexpr const char* kFirmwareObjects[4] = {
    "1.3.6.1.4.1.32473.3.2.1.2.21.1.2.1.1",
    "1.3.6.1.4.1.32473.3.2.1.2.16.29.2.1.1",
    "1.3.6.1.4.1.32473.3.2.1.2.22.1.2.1.1",
    "1.3.6.1.4.1.32473.3.2.1.2.23.1.2.1.1",
};

// Functions in reporting order: bit, function code and name.
struct DeviceFunction {
  DWORD bit;
  const char* name;
};
constexpr DeviceFunction kFunctions[4] = {{1, "printer"}, {2, "scanner"}, {4, "fax"}, {8, "copier"}};

// Results of the download besides 0: the Windows calls that failed.
enum DownloadResult {
  kDownloaded = 0,
  kNoSocket = -1,
  kNoConnection = -2,
  kRequestNotSent = -3,
  kFileNotCreated = -4,
  kNoAnswer = -5,  // nothing arrived within kFirstDataSeconds
  kFileNotWritten = -6,
};
constexpr long kFirstDataSeconds = 30;

// Value text of a firmware binding: integers "%d", octet strings and opaque
// bytes as text, IP addresses dotted, anything else empty.
std::string firmwareText(DWORD type, const BYTE* value, DWORD length);

// The firmware texts of the four functions, read with get-next over SNMP.
void readFirmware(const char* address, std::string (&texts)[4]);

// Where the device's file goes: the work folder, a backslash, the address and
// ".sysinfo.xml"; characters a file name cannot hold become '_'. Empty
// without a work folder.
std::string sysinfoPath(const char* address);

// GET /Netfile/sysinfo.xml from port 80 of the device into `path`, without
// the HTTP header. Returns a DownloadResult.
int downloadSysinfo(const char* address, const std::string& path);

// "deviceIOInformation": the devices VarnelApi discovers.
class DeviceIOObservation : public Observation {
 public:
  void observe(Report& report) override;
};

// "deviceProbe": starts Windows sockets for its life; when they do not start,
// it reports that and has no sub-observation.
class DeviceProbeRootObservation : public PluginRootObservation {
 public:
  DeviceProbeRootObservation();
  ~DeviceProbeRootObservation() override;
  void observe(Report& report) override;

 private:
  bool winsockReady_ = false;
};

}  // namespace deviceprobe
