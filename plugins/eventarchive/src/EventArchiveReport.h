#pragma once

#include "nox/PluginModule.h"

namespace eventarchive {

// What backing up one log came to.
enum class Backup {
  Written,  // the backup file exists
  Failed,   // the log did not open, or the backup call failed
  NoFile,   // the backup call reported success, but there is no file
};

// Backs up the event log `log` of this computer into the file `path`.
Backup backUpLog(const char* log, const char* path);

// The report "eventArchive": a path leaf per log backed up into the work
// folder ("application", then "system"). A log that cannot be backed up gets
// no leaf; one whose backup reported success without writing a file gets an
// unsuccessful leaf saying so (kNoBackupFile).
void fillEventArchiveReport(Report& report);

extern const char kNoBackupFile[];

class EventArchiveRoot : public PluginRootObservation {
 public:
  void observe(Report& report) override { fillEventArchiveReport(report); }
};

}  // namespace eventarchive
