// SMTP.nxo: conversations, echo series and traces of the mail servers this
// computer would use.
#include "SmtpObservations.h"

NOX_OBSERVATION_PLUGIN(kPluginSMTP, smtp::SmtpRoot)
