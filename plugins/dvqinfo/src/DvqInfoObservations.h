#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "nox/PluginModule.h"

namespace dvqinfo {

// What the report reaches beyond the platform seams: the registry export of
// NoxUtil and the work folder. Tests put their own in force.
struct InfoHooks {
  void (*exportRegistry)(HKEY root, const char* subKey, const char* fileName, char* resultPath,
                         int resultSize);
  const char* (*workFolder)();
};
InfoHooks& infoHooks();

// What every sub-observation shares with the root: the product mask of this
// run and the hosts registered in the product's data files.
struct InfoState {
  unsigned long mask = 0;
  std::vector<std::string> hosts;
  bool wow64 = false;
};

// The product mask: which products the registry names.
unsigned long productMask();

// The six parts, each filling its own report.
void fillInstalledProducts(Report& report, const InfoState& state);
void fillRegistries(Report& report);
void fillConfigrations(Report& report, InfoState& state);
void fillBatchFiles(Report& report);
void fillFileLists(Report& report, const InfoState& state);
void fillRegisteredHosts(Report& report, const InfoState& state);

// The root "dvqInformation": computes the mask and starts a new host list
// before its six sub-observations run.
class DvqInfoRoot : public PluginRootObservation {
 public:
  DvqInfoRoot();
  void observe(Report& report) override;
  InfoState& state() { return state_; }

 private:
  InfoState state_;
};

}  // namespace dvqinfo
