// WinMisc.nxo: a handful of Windows facts and the setup logs of the Windows folder.
#include "WinMiscReport.h"

NOX_OBSERVATION_PLUGIN(kPluginWinMisc, winmisc::WinMiscRoot)
