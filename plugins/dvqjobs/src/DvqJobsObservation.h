#pragma once

#include <string>

#include "nox/PluginModule.h"

namespace dvqjobs {

// The registry values the report starts from.
constexpr char kFamilyKey[] = "Software\\Varco\\Tessaro";
// The edition D key of the product family (as DVQInfo.nxo names it).
constexpr char kEditionDKey[] = "Software\\Varco\\Tessaro\\Gimlet";
constexpr char kOptionKey[] = "Software\\Varco\\Tessaro\\Common\\Option";

constexpr char kFormTitle[] = "DVQ Job Details";
constexpr char kRetrieveAllFiles[] = "Retrieve all files";

// The flag's value as the form holds it: a decimal number (leading blanks and
// a sign allowed, reading stops at the first non-digit); nonzero is on.
bool flagValue(const char* text);

// The report "dvqJobDetails": the job folders of the installation and the data
// folder, the output folder of the PDF printer and the folders joblist.txt
// names, each listed with its files' times and sizes, or, with "Retrieve all
// files", carried into the result whole.
void fillJobDetails(Report& report, bool retrieveAll);

class DvqJobsRoot : public PluginRootObservation {
 public:
  DvqJobsRoot();
  void observe(Report& report) override;
};

}  // namespace dvqjobs
