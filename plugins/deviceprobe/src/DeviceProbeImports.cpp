// What DeviceProbe.nxo imports from VarnelApi.dll, by ordinal: the device
// calls 2100, 2101, 2660, 2661, 2665 to 2668, 2671 and the SNMP channel 120,
// get-next 122 and close 124. It makes no SNMP get or broadcast, so it does
// not import them.
#include "snmp/VarnelCalls.h"

namespace {

class ImportedSnmp final : public VarnelSnmpCalls {
 public:
  int VarnelOpen(DWORD mode, const BYTE* address, VARNEL_HANDLE* channel) override {
    return ::VarnelOpen(mode, address, channel);
  }
  int VarnelSnmpGet(VARNEL_HANDLE, DWORD, DWORD, VarnelSnmpRequest*) override { return VARNEL_E_PARAMETER; }
  int VarnelSnmpGetNext(VARNEL_HANDLE channel, DWORD tries, DWORD seconds,
                        VarnelSnmpRequest* request) override {
    return ::VarnelSnmpGetNext(channel, tries, seconds, request);
  }
  int VarnelClose(VARNEL_HANDLE channel) override { return ::VarnelClose(channel); }
  int VarnelSnmpBroadcastGet(VARNEL_HANDLE, DWORD, VarnelSnmpRequest*, BYTE**, DWORD*, DWORD*) override {
    return VARNEL_E_PARAMETER;
  }
};

class ImportedDevices final : public VarnelDeviceCalls {
 public:
  int VarnelDiscoverDevices(DWORD version, const VarnelDiscoveryRequest* request, DWORD flags,
                            VARNEL_HANDLE* discovery, DWORD* count, VarnelDeviceRecord*** devices) override {
    return ::VarnelDiscoverDevices(version, request, flags, discovery, count, devices);
  }
  int VarnelReleaseDiscovery(VARNEL_HANDLE discovery) override { return ::VarnelReleaseDiscovery(discovery); }
  int VarnelOpenDevice(const char* address, int timeout, DWORD flags, VARNEL_HANDLE* device) override {
    return ::VarnelOpenDevice(address, timeout, flags, device);
  }
  int VarnelGetSupportedFunctions(VARNEL_HANDLE device, DWORD reserved1, DWORD reserved2,
                                  DWORD* functions) override {
    return ::VarnelGetSupportedFunctions(device, reserved1, reserved2, functions);
  }
  int VarnelGetDeviceInformation(VARNEL_HANDLE device, DWORD what, DWORD reserved1, DWORD version,
                                 DWORD reserved2, DWORD reserved3,
                                 VarnelDeviceInformation** information) override {
    return ::VarnelGetDeviceInformation(device, what, reserved1, version, reserved2, reserved3, information);
  }
  int VarnelReleaseDeviceInformation(VarnelDeviceInformation* information, DWORD version,
                                     DWORD reserved) override {
    return ::VarnelReleaseDeviceInformation(information, version, reserved);
  }
  int VarnelGetFunctionInformation(VARNEL_HANDLE device, DWORD function, DWORD version, DWORD reserved1,
                                   DWORD detail, DWORD reserved2, DWORD reserved3,
                                   VarnelFunctionInformation** information) override {
    return ::VarnelGetFunctionInformation(device, function, version, reserved1, detail, reserved2, reserved3,
                                          information);
  }
  int VarnelReleaseFunctionInformation(DWORD function, VarnelFunctionInformation* information, DWORD version,
                                       DWORD reserved) override {
    return ::VarnelReleaseFunctionInformation(function, information, version, reserved);
  }
  int VarnelCloseDevice(VARNEL_HANDLE device, DWORD flags) override {
    return ::VarnelCloseDevice(device, flags);
  }
};

}  // namespace

VarnelSnmpCalls& VarnelSnmpCalls::real() {
  static ImportedSnmp library;
  return library;
}

VarnelDeviceCalls& VarnelDeviceCalls::real() {
  static ImportedDevices library;
  return library;
}
