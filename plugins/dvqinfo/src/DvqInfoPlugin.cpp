// DVQInfo.nxo: the document server products of this machine and the hosts they know.
#include "DvqInfoObservations.h"

NOX_OBSERVATION_PLUGIN(kPluginDVQInfo, dvqinfo::DvqInfoRoot)
