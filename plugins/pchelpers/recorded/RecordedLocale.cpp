#include "RecordedLocale.h"

#include <cstdlib>

UINT RecordedLocale::GetACP() { return static_cast<UINT>(machine_.number("locale", "acp", 1252)); }

int RecordedLocale::MultiByteToWideChar(UINT page, DWORD flags, LPCSTR text, int length, LPWSTR wide,
                                        int wideLength) {
  int result = ::MultiByteToWideChar(codePage(page), flags, text, length, wide, wideLength);
  lastError_ = result ? 0 : ::GetLastError();
  return result;
}

int RecordedLocale::WideCharToMultiByte(UINT page, DWORD flags, LPCWSTR wide, int wideLength, LPSTR text,
                                        int length, LPCSTR defaultChar, LPBOOL usedDefault) {
  int result =
      ::WideCharToMultiByte(codePage(page), flags, wide, wideLength, text, length, defaultChar, usedDefault);
  lastError_ = result ? 0 : ::GetLastError();
  return result;
}

namespace {

long signedNumber(RecordedPlatform& machine, const char* key, long fallback) {
  const std::string text = machine.get("locale", key);
  return text.empty() ? fallback : std::strtol(text.c_str(), nullptr, 10);
}

// "month,day of week,week[,hour[,minute]]"; month 0 (no change) when absent.
SYSTEMTIME zoneChange(RecordedPlatform& machine, const char* key) {
  SYSTEMTIME change = {};
  int fields[5] = {};
  const std::string text = machine.get("locale", key);
  const char* at = text.c_str();
  for (int& field : fields) {
    if (!*at) break;
    char* end = nullptr;
    field = static_cast<int>(std::strtol(at, &end, 10));
    at = *end == ',' ? end + 1 : end;
  }
  change.wMonth = static_cast<WORD>(fields[0]);
  change.wDayOfWeek = static_cast<WORD>(fields[1]);
  change.wDay = static_cast<WORD>(fields[2]);
  change.wHour = static_cast<WORD>(fields[3]);
  change.wMinute = static_cast<WORD>(fields[4]);
  return change;
}

}  // namespace

DWORD RecordedLocale::GetTimeZoneInformation(LPTIME_ZONE_INFORMATION zone) {
  if (!zone) {
    lastError_ = ERROR_INVALID_PARAMETER;
    return TIME_ZONE_ID_INVALID;
  }
  *zone = TIME_ZONE_INFORMATION();
  zone->Bias = signedNumber(machine_, "bias", 0);
  zone->StandardDate = zoneChange(machine_, "standard");
  zone->DaylightDate = zoneChange(machine_, "daylight");
  zone->StandardBias = signedNumber(machine_, "standardbias", 0);
  zone->DaylightBias = signedNumber(machine_, "daylightbias", zone->DaylightDate.wMonth ? -60 : 0);
  lastError_ = 0;
  return zone->DaylightDate.wMonth ? TIME_ZONE_ID_STANDARD : TIME_ZONE_ID_UNKNOWN;
}
