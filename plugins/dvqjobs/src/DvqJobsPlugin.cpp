// DVQJobs.nxo: the job folders of the document server product.
#include "DvqJobsObservation.h"

NOX_OBSERVATION_PLUGIN(kPluginDVQJobs, dvqjobs::DvqJobsRoot)
