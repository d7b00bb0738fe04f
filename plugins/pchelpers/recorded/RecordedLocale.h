#pragma once

#include "RecordedPlatform.h"
#include "pchelpers/LocaleApi.h"

// The code page and time zone of a recorded machine. Install with
// ScopedSeam<LocaleApi>. Section:
//   [locale]  acp = the ANSI code page (default 1252)
//             bias = minutes to add to local time to get UTC, as Windows
//                    keeps it (default 0; Tokyo is -540, New York 300)
// Conversions use this machine's real tables with the recorded code page in
// place of CP_ACP; local time applies the bias.
class RecordedLocale : public LocaleApi {
 public:
  explicit RecordedLocale(RecordedPlatform& machine) : machine_(machine) {}

  UINT GetACP() override;
  int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR wide,
                          int wideLength) override;
  int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideLength, LPSTR text, int length,
                          LPCSTR defaultChar, LPBOOL usedDefault) override;
  BOOL FileTimeToLocalFileTime(const FILETIME* utc, LPFILETIME local) override;
  BOOL FileTimeToSystemTime(const FILETIME* time, LPSYSTEMTIME system) override;
  DWORD GetLastError() override { return lastError_; }

 private:
  UINT codePage(UINT asked) { return asked == CP_ACP ? GetACP() : asked; }
  RecordedPlatform& machine_;
  DWORD lastError_ = 0;
};
