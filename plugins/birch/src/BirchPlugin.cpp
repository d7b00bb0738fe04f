// Birch.nxo: the installation of the Quillon Link port monitor and its client.
#include "BirchReport.h"

NOX_OBSERVATION_PLUGIN(kPluginBirch, birch::BirchRoot)
