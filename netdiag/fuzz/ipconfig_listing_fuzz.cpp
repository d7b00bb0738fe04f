// libFuzzer target: any text as the ipconfig listing, parsed and turned into
// the adapter record; the record's texts must stay terminated inside their fields.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "IpconfigListing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > netdiag::kListingLimit) size = netdiag::kListingLimit;
  netdiag::ListingEntries entries = netdiag::parseListing(reinterpret_cast<const char*>(data), size);
  AdapterRecord record;
  if (netdiag::buildAdapterRecord(entries, record) == 1) {
    if (record.recordSize != kAdapterRecordSize) std::abort();
    if (strnlen(record.description, sizeof record.description) == sizeof record.description) std::abort();
    if (strnlen(record.dnsDomain, sizeof record.dnsDomain) == sizeof record.dnsDomain) std::abort();
    if (strnlen(record.furtherDnsServers, 64) == 64 || strnlen(record.physicalAddress, 64) == 64)
      std::abort();
  }
  return 0;
}
