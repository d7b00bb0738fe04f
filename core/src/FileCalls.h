#pragma once

#include <windows.h>

// 64-bit file positions and sizes through the calls every Windows has
// (SetFilePointerEx and GetFileSizeEx came with Windows 2000).

inline bool seekTo(HANDLE file, unsigned long long offset) {
  LONG high = static_cast<LONG>(offset >> 32);
  DWORD low = SetFilePointer(file, static_cast<LONG>(offset & 0xFFFFFFFFu), &high, FILE_BEGIN);
  return low != INVALID_SET_FILE_POINTER || GetLastError() == NO_ERROR;
}

inline bool sizeOf(HANDLE file, unsigned long long& size) {
  DWORD high = 0;
  DWORD low = GetFileSize(file, &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
  size = (static_cast<unsigned long long>(high) << 32) | low;
  return true;
}
