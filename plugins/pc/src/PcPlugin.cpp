// PC.nxo: the personal computer the snapshot is taken on.
#include "PcObservations.h"

NOX_OBSERVATION_PLUGIN(kPluginPC, pc::PcRootObservation)
