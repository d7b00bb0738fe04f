#pragma once

#include <windows.h>

#include "pchelpers/Seam.h"

// Code pages and time zone of the machine: the ANSI code page, conversions
// between it (or another code page) and UTF-16, and the time zone with its
// daylight time rules. The methods keep the Windows names, arguments and results.
class LocaleApi {
 public:
  virtual ~LocaleApi() = default;
  static LocaleApi& real();

  virtual UINT GetACP() = 0;
  virtual int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR wide,
                                  int wideLength) = 0;
  virtual int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideLength, LPSTR text,
                                  int length, LPCSTR defaultChar, LPBOOL usedDefault) = 0;
  virtual DWORD GetTimeZoneInformation(LPTIME_ZONE_INFORMATION zone) = 0;
  virtual DWORD GetLastError() = 0;
};
