// SNMP.nxo: the SNMP devices of the local network, found through VarnelApi.
#include "SnmpObservations.h"

NOX_OBSERVATION_PLUGIN(kPluginSNMP, snmp::SnmpRootObservation)
