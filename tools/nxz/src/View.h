#pragma once

// nxz view: one self-contained HTML page of a result. A header (machine, date,
// time zone, tool and plug-in versions), the findings first, the whole report as
// a tree with a search box, and the side files with their sizes, text ones
// readable inline. The document streams through once; the page does not load
// anything from anywhere.

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>

#include "Result.h"

namespace nox::nxz {

struct ViewOptions {
  unsigned int codePage = 0;            // 0: the document's own
  size_t inlineLimit = 256 * 1024;      // per text side file
  uint64_t inlineBudget = 16ull << 20;  // for all of them together
};

struct ViewSummary {
  uint64_t nodes = 0;
  size_t findings = 0;
  size_t errors = 0;
  size_t sideFiles = 0;
  bool documentComplete = true;
  std::string documentProblem;
};

// Writes the page for the result to html. Always writes a page once the result
// is open; a broken document shows as far as it could be read, with a finding
// saying where it broke.
ViewSummary writeView(Result& result, std::ostream& html, const ViewOptions& options);

// The header facts of a result, gathered as the document streams past.
struct ResultHeader {
  std::string date, timeZone, toolVersion;
  struct Fact {
    std::string label, value;
  };
  std::vector<Fact> machine;
  struct Plugin {
    std::string kind, name, fileName, version;
  };
  std::vector<Plugin> plugins;
};

}  // namespace nox::nxz
