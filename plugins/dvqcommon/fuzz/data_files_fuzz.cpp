// libFuzzer target: any bytes as the document server's files. The first byte
// chooses the reader: 0, TwCtrl.dat (the rest of the input); 1, devroll.dir
// and devroll.tdb (a 16-bit length, that many bytes of the directory, the rest
// the records); 2, the control files; 3, a settings file. A name longer than
// its record, or reading outside the input, is a failure.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "ControlFile.h"
#include "DataFiles.h"
#include "ProfileText.h"

namespace {

void controlFiles(const std::string& text) {
  for (const std::string& line : dvq::controlLines(text)) {
    if (line.size() > dvq::kControlLineLimit || (!line.empty() && line[0] == '#')) std::abort();
  }
  dvq::registryBranchLines(text);
  dvq::sourceLines(text, false, dvq::noLeadBytes);
  dvq::sourceLines(text, true, dvq::noLeadBytes);
  dvq::listingLines(text, dvq::noLeadBytes);
  dvq::environmentLines(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // Copies of exactly the input's size, so that reading past them is caught.
  switch (data[0] % 4) {
    case 0: {
      std::vector<unsigned char> file(data + 1, data + size);
      for (const std::string& host : dvq::controlFileHosts(file.data(), file.size())) {
        if (host.empty() || host.size() > dvq::kControlRecordSize - 410) std::abort();
      }
      return 0;
    }
    case 2:
      controlFiles(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
      return 0;
    case 3: {
      std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
      if (dvq::profileValue(text, "path", "data", "", 259).size() > 259) std::abort();
      return 0;
    }
    default:
      break;
  }
  size_t rest = size - 1;
  const uint8_t* p = data + 1;
  size_t directorySize = rest >= 2 ? (p[0] | p[1] << 8) : 0;
  if (rest >= 2) {
    p += 2;
    rest -= 2;
  }
  if (directorySize > rest) directorySize = rest;
  std::vector<unsigned char> directory(p, p + directorySize);
  std::vector<unsigned char> records(p + directorySize, p + rest);
  for (const std::string& host :
       dvq::deviceRollHosts(directory.data(), directory.size(), records.data(), records.size())) {
    if (host.empty() || host.size() > dvq::kDeviceRecordSize - 64) std::abort();
  }
  return 0;
}
