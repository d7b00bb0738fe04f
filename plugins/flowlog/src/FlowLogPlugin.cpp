// FlowLog.nxo: the document router's delivery, capture and error logs as CSV files.
#include "FlowLogObservations.h"

NOX_OBSERVATION_PLUGIN(kPluginFlowLog, flowlog::FlowLogRoot)
