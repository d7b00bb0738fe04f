// ConnTable.nxo: the TCP connections and UDP listeners of this computer.
#include "ConnTableObservation.h"

NOX_OBSERVATION_PLUGIN(kPluginConnTable, conntable::ConnTableObservation)
