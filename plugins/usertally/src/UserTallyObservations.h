#pragma once

#include "nox/PluginModule.h"
#include "pchelpers/DirectoryApi.h"

// UserTally.nxo: the number of user accounts and groups of this computer's
// domain, as its primary domain controller lists them, with the time each
// count took.
namespace usertally {

// Counts the entries of one level of NetQueryDisplayInformation on `server`
// (null: this computer), asking for 100 at a time. Returns 0, or the error
// code that ended the count; ERROR_MORE_DATA when the server said there was
// more but the next request would not get further. `count` holds what was
// counted until then.
DWORD countEntries(DirectoryApi& api, LPCWSTR server, DWORD level, unsigned long& count);

// The "userTally" report.
void fillUserTally(Report& report);

class UserTallyObservation : public Observation {
 public:
  void observe(Report& report) override { fillUserTally(report); }
};

// "domainUser" with its one sub-observation.
class UserTallyRoot : public PluginRootObservation {
 public:
  UserTallyRoot() { addSubObservation<UserTallyObservation>(); }
  void observe(Report& report) override { report.setName("domainUser"); }
};

}  // namespace usertally
