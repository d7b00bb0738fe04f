// DVQConnect.nxo: which document server editions the named servers carry, and
// whether their components can be created from this machine.
#include "DvqConnectObservations.h"

NOX_OBSERVATION_PLUGIN(kPluginDVQConnect, dvqconnect::DvqConnectRoot)
