// UserTally.nxo: user accounts and groups of the domain, and how long counting took.
#include "UserTallyObservations.h"

NOX_OBSERVATION_PLUGIN(kPluginUserTally, usertally::UserTallyRoot)
