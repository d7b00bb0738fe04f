// DomainScan.nxo: the workgroup or domain, controllers, master browsers and trusts.
#include "DomainScanObservations.h"

NOX_OBSERVATION_PLUGIN(kPluginDomainScan, domainscan::DomainScanRoot)
