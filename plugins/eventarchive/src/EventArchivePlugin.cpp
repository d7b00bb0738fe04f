// EventArchive.nxo: backups of the application and system event logs.
#include "EventArchiveReport.h"

NOX_OBSERVATION_PLUGIN(kPluginEventArchive, eventarchive::EventArchiveRoot)
