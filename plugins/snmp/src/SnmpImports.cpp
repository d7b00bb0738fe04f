// What SNMP.nxo imports from VarnelApi.dll, by ordinal: 120, 121, 122, 124, 125.
#include "snmp/VarnelCalls.h"

namespace {

class ImportedSnmp final : public VarnelSnmpCalls {
 public:
  int VarnelOpen(DWORD mode, const BYTE* address, VARNEL_HANDLE* channel) override {
    return ::VarnelOpen(mode, address, channel);
  }
  int VarnelSnmpGet(VARNEL_HANDLE channel, DWORD tries, DWORD seconds, VarnelSnmpRequest* request) override {
    return ::VarnelSnmpGet(channel, tries, seconds, request);
  }
  int VarnelSnmpGetNext(VARNEL_HANDLE channel, DWORD tries, DWORD seconds,
                        VarnelSnmpRequest* request) override {
    return ::VarnelSnmpGetNext(channel, tries, seconds, request);
  }
  int VarnelClose(VARNEL_HANDLE channel) override { return ::VarnelClose(channel); }
  int VarnelSnmpBroadcastGet(VARNEL_HANDLE channel, DWORD tries, VarnelSnmpRequest* request, BYTE** result,
                             DWORD* count, DWORD* resultSize) override {
    return ::VarnelSnmpBroadcastGet(channel, tries, request, result, count, resultSize);
  }
};

}  // namespace

VarnelSnmpCalls& VarnelSnmpCalls::real() {
  static ImportedSnmp library;
  return library;
}
