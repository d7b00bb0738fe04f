#include "RecordedLocale.h"

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

BOOL RecordedLocale::FileTimeToLocalFileTime(const FILETIME* utc, LPFILETIME local) {
  if (!utc || !local) {
    lastError_ = ERROR_INVALID_PARAMETER;
    return FALSE;
  }
  long long bias = static_cast<long long>(machine_.number("locale", "bias", 0));
  ULARGE_INTEGER time;
  time.LowPart = utc->dwLowDateTime;
  time.HighPart = utc->dwHighDateTime;
  time.QuadPart -= static_cast<unsigned long long>(bias * 60 * 10000000LL);
  local->dwLowDateTime = time.LowPart;
  local->dwHighDateTime = time.HighPart;
  return TRUE;
}

BOOL RecordedLocale::FileTimeToSystemTime(const FILETIME* time, LPSYSTEMTIME system) {
  BOOL result = ::FileTimeToSystemTime(time, system);
  lastError_ = result ? 0 : ::GetLastError();
  return result;
}
