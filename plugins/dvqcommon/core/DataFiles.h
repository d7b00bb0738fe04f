#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Host names registered in the document server's data files. Portable: the
// caller reads the files. All integers are little-endian. Every count, offset
// and skip length is checked against the file's size: one that points past the
// end ends the reading, and nothing outside the file is read. Empty names are
// left out.
namespace dvq {

// TwCtrl.dat: an 8-byte header (u32 record count at 4), then 488-byte records,
// each followed by as many bytes as the u32 values at record offsets 208, 212
// and 484 add up to. A record of kind 201 to 204 (u32 at 204) names a host at
// record offset 410.
std::vector<std::string> controlFileHosts(const unsigned char* data, size_t size);

// devroll.dir and devroll.tdb: the directory's first 96 bytes hold the table
// position (u16 at 0), the entry count (u16 at 2) and the gap after each entry
// (u16 at 62); each entry is the u32 offset of a 364-byte record in devroll.tdb,
// whose host name stands at 64, or at 136 when that one is empty. An entry whose
// record does not fit in devroll.tdb is passed over.
std::vector<std::string> deviceRollHosts(const unsigned char* directory, size_t directorySize,
                                         const unsigned char* records, size_t recordsSize);

constexpr size_t kControlRecordSize = 488;
constexpr size_t kDeviceDirectoryHeader = 96;
constexpr size_t kDeviceRecordSize = 364;

}  // namespace dvq
