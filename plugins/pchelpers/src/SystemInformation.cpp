#include "pchelpers/SystemInformation.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "nox/Error.h"
#include "nox/Module.h"

namespace {
const char kSource[] = "Plugins\\PCPlugin\\Src\\SystemInformation";

const WORD SUITE_SMALL_BUSINESS = 0x0001;
const WORD SUITE_ENTERPRISE = 0x0002;
const WORD SUITE_DATA_CENTER = 0x0080;
const WORD SUITE_PERSONAL = 0x0200;
const WORD SUITE_BLADE = 0x0400;

String numberText(unsigned long n) {
  String text;
  text.format("%d", static_cast<int>(n));
  return text;
}
}  // namespace

SystemInformation::SystemInformation() {
  std::memset(&info_, 0, sizeof info_);
  std::memset(&infoEx_, 0, sizeof infoEx_);
}

const OSVERSIONINFOA& SystemInformation::getOSVERSIONINFO() {
  if (info_.dwOSVersionInfoSize == 0) {
    OSVERSIONINFOA fresh;
    std::memset(&fresh, 0, sizeof fresh);
    fresh.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    if (!api_.GetVersionExA(&fresh)) {
      DWORD error = api_.GetLastError();
      throwException(1, error, error, noxThisModule(), kSource, 680, "SystemInformation", "getOSVERSIONINFO");
    }
    info_ = fresh;
  }
  return info_;
}

const OSVERSIONINFOEXA& SystemInformation::getOSVERSIONINFOEX() {
  if (infoEx_.dwOSVersionInfoSize == 0) {
    OSVERSIONINFOEXA fresh;
    std::memset(&fresh, 0, sizeof fresh);
    fresh.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
    if (!api_.GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&fresh))) {
      DWORD error = api_.GetLastError();
      throwException(1, error, error, noxThisModule(), kSource, 699, "SystemInformation",
                     "getOSVERSIONINFOEX");
    }
    infoEx_ = fresh;
  }
  return infoEx_;
}

int SystemInformation::getPlatform() {
  DWORD id = getOSVERSIONINFO().dwPlatformId;
  return id == 1 ? 1 : id == 2 ? 2 : 0;
}

int SystemInformation::getWindowsKind() {
  const OSVERSIONINFOA& v = getOSVERSIONINFO();
  if (v.dwPlatformId == 1) return v.dwMinorVersion == 0 ? 1 : v.dwMinorVersion == 10 ? 2 : 3;
  if (v.dwPlatformId != 2) return 0;
  switch (v.dwMajorVersion) {
    case 4:
      return 4;
    case 5:
      return v.dwMinorVersion <= 2 ? 5 + static_cast<int>(v.dwMinorVersion) : 0;
    case 6:
      return 8;
    default:
      return 0;
  }
}

int SystemInformation::getEditionCode() {
  // Windows 9x and NT 4 before Service Pack 6 refuse the extended record, and
  // their edition is 0 anyway: decide that from the basic record first.
  const OSVERSIONINFOA& basic = getOSVERSIONINFO();
  if (basic.dwMajorVersion != 4 && basic.dwMajorVersion != 5) return 0;
  if (basic.dwMajorVersion == 4 && std::strcmp(basic.szCSDVersion, "Service Pack 6") != 0) return 0;
  const OSVERSIONINFOEXA& v = getOSVERSIONINFOEX();
  BYTE type = v.wProductType;
  WORD suite = v.wSuiteMask;
  if (v.dwMajorVersion == 4) {
    if (std::strcmp(v.szCSDVersion, "Service Pack 6") != 0) return 0;
    return type == 1 ? 1 : type == 2 ? 3 : type == 3 ? 2 : 0;
  }
  if (v.dwMajorVersion != 5) return 0;
  if (v.dwMinorVersion == 0) {
    if (type == 1) return 4;
    if (type != 3) return 5;
    if (suite & SUITE_SMALL_BUSINESS) return 9;
    if (suite & SUITE_ENTERPRISE) return 7;
    if (suite & SUITE_DATA_CENTER) return 8;
    return 6;
  }
  if (type == 1) {
    if (suite & SUITE_PERSONAL) return 10;
    return v.dwMinorVersion == 1 ? 11 : 12;
  }
  if (suite & SUITE_BLADE) return 16;
  if (suite & SUITE_ENTERPRISE) return 14;
  if (suite & SUITE_DATA_CENTER) return 15;
  return 13;
}

DWORD SystemInformation::getProductType() {
  const OSVERSIONINFOEXA& v = getOSVERSIONINFOEX();
  DWORD type = 0;
  if (!api_.GetProductInfo(v.dwMajorVersion, v.dwMinorVersion, v.wServicePackMajor, v.wServicePackMinor,
                           &type)) {
    return 0;
  }
  return type;
}

String SystemInformation::getMajorVersionText() { return numberText(getOSVERSIONINFO().dwMajorVersion); }

String SystemInformation::getMinorVersionText() { return numberText(getOSVERSIONINFO().dwMinorVersion); }

String SystemInformation::getBuildNumberText() {
  const OSVERSIONINFOA& v = getOSVERSIONINFO();
  if (getPlatform() == 1) return numberText(v.dwBuildNumber & 0xFFFF);
  if (getPlatform() == 2) return numberText(v.dwBuildNumber);
  return String();
}

String SystemInformation::getServicePackText() { return String(getOSVERSIONINFO().szCSDVersion); }

BYTE SystemInformation::getNtProductType() { return getOSVERSIONINFOEX().wProductType; }

WORD SystemInformation::getSuiteMask() { return getOSVERSIONINFOEX().wSuiteMask; }

bool SystemInformation::isFirstWindows95Release() {
  const OSVERSIONINFOA& v = getOSVERSIONINFO();
  return v.dwPlatformId == 1 && v.dwMinorVersion == 0 && (v.dwBuildNumber & 0xFFFF) < 1080;
}

// ---- FileInformation

namespace FileInformation {

String getFileVersionText(const char* path, bool cutAtSpace) {
  Win32ApiWrapper api;
  DWORD handle = 0;
  DWORD size = api.GetFileVersionInfoSizeA(path, &handle);
  if (size == 0) return String();
  std::vector<unsigned char> block(size);
  String text;
  if (api.GetFileVersionInfoA(path, handle, size, block.data())) {
    static const char kKey[] = "FileVersion";
    static const wchar_t kWideKey[] = L"FileVersion";
    for (DWORD offset = 0; 11 + offset < size; ++offset) {
      const unsigned char* at = block.data() + offset;
      if (std::memcmp(at, kKey, 11) == 0) {
        // The narrow text may run to the end of the block without a terminator.
        const char* start = reinterpret_cast<const char*>(at + 12);
        size_t room = offset + 12 < size ? size - offset - 12 : 0;
        text = String(std::string(start, strnlen(start, room)).c_str());
        break;
      }
      if (offset + 22 <= size && std::memcmp(at, kWideKey, 22) == 0) {
        if (offset + 26 >= size) continue;
        // Copy out the UTF-16 text within the block, so an unterminated one stays in bounds.
        std::vector<wchar_t> wide;
        for (DWORD p = offset + 26; p + 1 < size; p += 2) {
          wchar_t c = static_cast<wchar_t>(block[p] | (block[p + 1] << 8));
          if (c == 0) break;
          wide.push_back(c);
        }
        wide.push_back(0);
        int length = api.WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, nullptr, 0, nullptr, nullptr);
        if (length != 0) {
          std::vector<char> narrow(static_cast<size_t>(length));
          api.WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, narrow.data(), length, nullptr, nullptr);
          text = narrow.data();
          break;
        }
      }
    }
  }
  unsigned int blank = 0;
  if (cutAtSpace && text.find(' ', blank)) text = text.left(blank);
  return text;
}

void getFileLastWriteTime(const char* path, SYSTEMTIME& time) {
  Win32ApiWrapper api;
  WIN32_FIND_DATAA data;
  HANDLE find = api.FindFirstFileA(path, &data);
  if (find == INVALID_HANDLE_VALUE) return;
  api.FindClose(find);
  FILETIME local;
  api.FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
  api.FileTimeToSystemTime(&local, &time);
}

String getFileTimeStampText(const char* path) {
  SYSTEMTIME time = {};
  getFileLastWriteTime(path, time);
  String text;
  text.format("%02d/%02d/%d %d:%02d", time.wMonth, time.wDay, time.wYear, time.wHour, time.wMinute);
  return text;
}

String getModuleFolder(const char* name) {
  Win32ApiWrapper api;
  HMODULE module = api.GetModuleHandleA(name);
  if (!module) return String();
  char path[260] = {};
  api.GetModuleFileNameA(module, path, sizeof path - 1);
  String text(path);
  unsigned int slash = 0;
  if (!text.reverseFind('\\', slash)) return String();
  return text.left(slash + 1);
}

String getWindowsFolder() {
  Win32ApiWrapper api;
  UINT size = api.GetWindowsDirectoryA(nullptr, 0);
  if (size == 0) return String();
  std::vector<char> buffer(size + 1);
  api.GetWindowsDirectoryA(buffer.data(), size);
  return String(buffer.data());
}

bool getFixedFileInfo(const char* path, VS_FIXEDFILEINFO& info) {
  Win32ApiWrapper api;
  DWORD handle = 0;
  DWORD size = api.GetFileVersionInfoSizeA(path, &handle);
  if (size == 0) return false;
  std::vector<BYTE> block(size);
  if (!api.GetFileVersionInfoA(path, handle, size, block.data())) return false;
  void* fixed = nullptr;
  UINT length = 0;
  if (!api.VerQueryValueA(block.data(), "\\", &fixed, &length) || !fixed || length < sizeof(VS_FIXEDFILEINFO))
    return false;
  info = *static_cast<const VS_FIXEDFILEINFO*>(fixed);
  return true;
}

String queryFileVersion(const void* versionBlock) {
  Win32ApiWrapper api;
  void* translation = nullptr;
  UINT length = 0;
  if (!api.VerQueryValueA(versionBlock, "\\VarFileInfo\\Translation", &translation, &length) || length < 4) {
    return String();
  }
  DWORD code = *static_cast<DWORD*>(translation);
  code = (code << 16) | (code >> 16);
  char query[64];
  std::snprintf(query, sizeof query, "\\StringFileInfo\\%08lx\\%s", static_cast<unsigned long>(code),
                "FileVersion");
  void* text = nullptr;
  if (!api.VerQueryValueA(versionBlock, query, &text, &length) || !text) return String();
  return String(static_cast<const char*>(text));
}

}  // namespace FileInformation
