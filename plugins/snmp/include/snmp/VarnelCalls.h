#pragma once

// The device-management library VarnelApi as the SNMP and DeviceProbe plug-ins
// see it: its entry points with their own names and arguments, behind two
// seams (SNMP and devices), so that the report logic also runs against
// recorded answers laid out as the library lays them out. Plug-ins call
// varnelSnmp() and varnelDevices(); tests put theirs in force with
// ScopedSeam<VarnelSnmpCalls> or ScopedSeam<VarnelDeviceCalls>.

#include <string>
#include <vector>

#include "VarnelApi.h"
#include "pchelpers/Seam.h"

// The SNMP calls (ordinals 120 to 125).
class VarnelSnmpCalls {
 public:
  virtual ~VarnelSnmpCalls() = default;
  // The library itself, imported by ordinal.
  static VarnelSnmpCalls& real();

  virtual int VarnelOpen(DWORD mode, const BYTE* address, VARNEL_HANDLE* channel) = 0;
  virtual int VarnelSnmpGet(VARNEL_HANDLE channel, DWORD tries, DWORD secondsPerTry,
                            VarnelSnmpRequest* request) = 0;
  virtual int VarnelSnmpGetNext(VARNEL_HANDLE channel, DWORD tries, DWORD secondsPerTry,
                                VarnelSnmpRequest* request) = 0;
  virtual int VarnelClose(VARNEL_HANDLE channel) = 0;
  virtual int VarnelSnmpBroadcastGet(VARNEL_HANDLE channel, DWORD tries, VarnelSnmpRequest* request,
                                     BYTE** result, DWORD* count, DWORD* resultSize) = 0;
};

// The device calls (ordinals 2100 to 2671). A module that never uses them
// does not import them.
class VarnelDeviceCalls {
 public:
  virtual ~VarnelDeviceCalls() = default;
  static VarnelDeviceCalls& real();

  virtual int VarnelDiscoverDevices(DWORD version, const VarnelDiscoveryRequest* request, DWORD flags,
                                    VARNEL_HANDLE* discovery, DWORD* count,
                                    VarnelDeviceRecord*** devices) = 0;
  virtual int VarnelReleaseDiscovery(VARNEL_HANDLE discovery) = 0;
  virtual int VarnelOpenDevice(const char* address, int timeout, DWORD flags, VARNEL_HANDLE* device) = 0;
  virtual int VarnelGetSupportedFunctions(VARNEL_HANDLE device, DWORD reserved1, DWORD reserved2,
                                          DWORD* functions) = 0;
  virtual int VarnelGetDeviceInformation(VARNEL_HANDLE device, DWORD what, DWORD reserved1, DWORD version,
                                         DWORD reserved2, DWORD reserved3,
                                         VarnelDeviceInformation** information) = 0;
  virtual int VarnelReleaseDeviceInformation(VarnelDeviceInformation* information, DWORD version,
                                             DWORD reserved) = 0;
  virtual int VarnelGetFunctionInformation(VARNEL_HANDLE device, DWORD function, DWORD version,
                                           DWORD reserved1, DWORD detail, DWORD reserved2, DWORD reserved3,
                                           VarnelFunctionInformation** information) = 0;
  virtual int VarnelReleaseFunctionInformation(DWORD function, VarnelFunctionInformation* information,
                                               DWORD version, DWORD reserved) = 0;
  virtual int VarnelCloseDevice(VARNEL_HANDLE device, DWORD flags) = 0;
};

inline VarnelSnmpCalls& varnelSnmp() { return Seam<VarnelSnmpCalls>::current(); }
inline VarnelDeviceCalls& varnelDevices() { return Seam<VarnelDeviceCalls>::current(); }

// An SNMP channel of the library, closed (ordinal 124) when it goes out of scope.
class VarnelChannel {
 public:
  VarnelChannel() = default;
  ~VarnelChannel() { close(); }
  VarnelChannel(const VarnelChannel&) = delete;
  VarnelChannel& operator=(const VarnelChannel&) = delete;

  // Ordinal 120; true on success.
  bool open(DWORD mode, const BYTE* address) {
    close();
    return varnelSnmp().VarnelOpen(mode, address, &handle_) == VARNEL_OK ? true : (handle_ = nullptr, false);
  }
  void close() {
    if (handle_) varnelSnmp().VarnelClose(handle_);
    handle_ = nullptr;
  }
  VARNEL_HANDLE handle() const { return handle_; }

 private:
  VARNEL_HANDLE handle_ = nullptr;
};

// One request of one variable binding, as both plug-ins make it: version 2,
// the community, the identifier (in a 256-byte buffer for get-next, by its
// length for get), a value buffer of `valueSize` bytes, type 5.
class SnmpQuery {
 public:
  static constexpr DWORD kIdentifierBuffer = 256;

  SnmpQuery(const std::string& community, const char* identifier, DWORD valueSize);

  // Ordinal 121 and 122 with the constants 3 and 1; true on success. Before
  // each call the value fields are reset to the buffer size and type 5.
  bool get(VARNEL_HANDLE channel);
  bool getNext(VARNEL_HANDLE channel);

  VarnelSnmpRequest& request() { return request_; }
  VarnelSnmpBinding& binding() { return binding_; }
  // The identifier in the buffer: never read past the buffer's 256 bytes.
  std::string identifier() const;
  DWORD valueType() const { return binding_.valueType; }
  // The value bytes the library reported, never more than the buffer holds.
  const BYTE* value() const { return value_.data(); }
  DWORD valueLength() const;

 private:
  void prepare(bool walk);
  std::string community_;
  std::vector<char> identifier_;
  std::vector<BYTE> value_;
  VarnelSnmpBinding binding_{};
  VarnelSnmpRequest request_{};
};

// The little-endian integer of a value of 1, 2 or 4 bytes; 0 for any other length.
long snmpInteger(const BYTE* value, DWORD length);
bool isSnmpIntegerType(DWORD type);
