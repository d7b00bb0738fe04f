#pragma once

// The text "ipconfig.exe /All" prints, read as (key, value) entries, and the one
// AdapterRecord built from them. Portable.
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "netdiag/NetDiagRecords.h"

namespace netdiag {

// How much of the program's output is kept.
constexpr size_t kListingLimit = 32000;

using ListingEntries = std::vector<std::pair<std::string, std::string>>;

// Entries in the order of the lines: indented "key . . . : value" lines start an
// entry, indented lines without a colon continue the last one ("/" between).
ListingEntries parseListing(const char* text, size_t length);

// Fills `record` from the first adapter of the listing: 1 when the entries have a
// "Physical Address" or a "DNS Servers" entry, else 0 (record left zero).
int buildAdapterRecord(const ListingEntries& entries, AdapterRecord& record);

}  // namespace netdiag
