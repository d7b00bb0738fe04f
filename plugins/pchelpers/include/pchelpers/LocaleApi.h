#pragma once

#include <windows.h>

#include "pchelpers/Seam.h"

// Code pages and local time of the machine: the ANSI code page, conversions
// between it (or another code page) and UTF-16, and UTC file times as local
// time. The methods keep the Windows names, arguments and results.
class LocaleApi {
 public:
  virtual ~LocaleApi() = default;
  static LocaleApi& real();

  virtual UINT GetACP() = 0;
  virtual int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR wide,
                                  int wideLength) = 0;
  virtual int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideLength, LPSTR text,
                                  int length, LPCSTR defaultChar, LPBOOL usedDefault) = 0;
  virtual BOOL FileTimeToLocalFileTime(const FILETIME* utc, LPFILETIME local) = 0;
  virtual BOOL FileTimeToSystemTime(const FILETIME* time, LPSYSTEMTIME system) = 0;
  virtual DWORD GetLastError() = 0;
};
