#pragma once

#include <windows.h>

namespace netdiag {

// 1 Windows 95, 2 98, 3 Me, 0 any other. A failing GetVersionExA throws an
// NxInfoException pointer.
int windowsFamily();

// Runs "ipconfig.exe /All" and builds the adapter record from its listing:
// the count (0 or 1) with the block in *out, or -1, -4 (*out untouched).
int readAdapters(HGLOBAL* out);

}  // namespace netdiag
