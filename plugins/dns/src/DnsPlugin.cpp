// DNS.nxo: name resolution, echo series and traces of the targets the user names.
#include "DnsObservations.h"

NOX_OBSERVATION_PLUGIN(kPluginDNS, dns::DnsRoot)
