#pragma once

#include <windows.h>

// The module (DLL or program) this code is linked into. Every module passes its
// own handle with the failures it raises, so the error record names the file.
extern "C" IMAGE_DOS_HEADER __ImageBase;

inline HMODULE noxThisModule() { return reinterpret_cast<HMODULE>(&__ImageBase); }
