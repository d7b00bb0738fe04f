// The real locale seam: each call goes straight to Windows.
#include "pchelpers/LocaleApi.h"

namespace {

class Win32Locale final : public LocaleApi {
 public:
  UINT GetACP() override { return ::GetACP(); }
  int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR wide,
                          int wideLength) override {
    return ::MultiByteToWideChar(codePage, flags, text, length, wide, wideLength);
  }
  int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideLength, LPSTR text, int length,
                          LPCSTR defaultChar, LPBOOL usedDefault) override {
    return ::WideCharToMultiByte(codePage, flags, wide, wideLength, text, length, defaultChar, usedDefault);
  }
  DWORD GetTimeZoneInformation(LPTIME_ZONE_INFORMATION zone) override {
    return ::GetTimeZoneInformation(zone);
  }
  DWORD GetLastError() override { return ::GetLastError(); }
};

}  // namespace

LocaleApi& LocaleApi::real() {
  static Win32Locale locale;
  return locale;
}
