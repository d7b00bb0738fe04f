// DeviceProbe.nxo: the office devices VarnelApi discovers, and their sysinfo.xml.
#include "DeviceProbeObservations.h"

NOX_OBSERVATION_PLUGIN(kPluginDeviceProbe, deviceprobe::DeviceProbeRootObservation)
