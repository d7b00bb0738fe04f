// DirectoryInfo.nxo: root entry, domain controllers and member computers of the domain's directory.
#include "DirectoryInfoObservations.h"

NOX_OBSERVATION_PLUGIN(kPluginDirectoryInfo, directoryinfo::DirectoryInfoRoot)
