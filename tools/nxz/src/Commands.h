#pragma once

// The commands of nxz that read a result's document: view and diff.

#include <ostream>
#include <string>
#include <vector>

#include "Diff.h"

namespace nox::nxz {

// nxz view RESULT [-o FILE.html] [-c N] [--inline-limit KB]
int runView(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// nxz diff OLD NEW [--html FILE] [-c N]
int runDiff(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The page of a difference.
struct DiffSide {
  std::string path, date, machine;
};
void writeDiffPage(std::ostream& html, const DiffSide& older, const DiffSide& newer,
                   const std::vector<Change>& changes, const DiffCounts& counts);

}  // namespace nox::nxz
