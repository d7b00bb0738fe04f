#pragma once

#include <windows.h>

// For tests that mark where Wine answers differently from Windows.
inline bool runningUnderWine() {
  return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}
