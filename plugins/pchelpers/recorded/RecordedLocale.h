#pragma once

#include "RecordedPlatform.h"
#include "pchelpers/LocaleApi.h"

// The code page and time zone of a recorded machine. Install with
// ScopedSeam<LocaleApi>. Section:
//   [locale]  acp = the ANSI code page (default 1252)
//             bias = minutes to add to local time to get UTC, as Windows
//                    keeps it (default 0; Tokyo is -540, New York 300)
//             daylight, standard = when daylight time begins and ends:
//                    "month,day of week,week[,hour[,minute]]" (week 5 is the
//                    last; New York: 3,0,2,2 and 11,0,1,2); none by default
//             daylightbias, standardbias = minutes added to bias while that
//                    time runs (defaults -60 and 0)
// Conversions use this machine's real tables with the recorded code page in
// place of CP_ACP.
class RecordedLocale : public LocaleApi {
 public:
  explicit RecordedLocale(RecordedPlatform& machine) : machine_(machine) {}

  UINT GetACP() override;
  int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR wide,
                          int wideLength) override;
  int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideLength, LPSTR text, int length,
                          LPCSTR defaultChar, LPBOOL usedDefault) override;
  DWORD GetTimeZoneInformation(LPTIME_ZONE_INFORMATION zone) override;
  DWORD GetLastError() override { return lastError_; }

 private:
  UINT codePage(UINT asked) { return asked == CP_ACP ? GetACP() : asked; }
  RecordedPlatform& machine_;
  DWORD lastError_ = 0;
};
