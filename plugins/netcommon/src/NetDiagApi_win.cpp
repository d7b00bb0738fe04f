#include "netcommon/NetDiagApi.h"

#include "netdiag/NetDiag.h"

namespace {

class ImportedNetDiag final : public NetDiagApi {
 public:
  int NetDiagPing(const char* target, PingResult* out) override { return ::NetDiagPing(target, out); }
  int NetDiagTraceroute(const char* target, TraceResult* out) override {
    return ::NetDiagTraceroute(target, out);
  }
  int NetDiagDNSLookup(const char* type, const char* name, HGLOBAL* out) override {
    return ::NetDiagDNSLookup(type, name, out);
  }
};

}  // namespace

NetDiagApi& NetDiagApi::real() {
  static ImportedNetDiag imported;
  return imported;
}
