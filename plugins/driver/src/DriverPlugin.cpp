// Driver.nxo: the printer drivers of this machine, the device settings of its
// printers and the spooler's configuration as registry exports.
#include "DriverSections.h"

NOX_OBSERVATION_PLUGIN(kPluginDriver, driver::DriverRoot)
