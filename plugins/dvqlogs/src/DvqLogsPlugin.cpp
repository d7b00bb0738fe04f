// DVQLogs.nxo: the log folders and files of the document server products.
#include "DvqLogsObservations.h"

NOX_OBSERVATION_PLUGIN(kPluginDVQLogs, dvqlogs::DvqLogsRoot)
