#pragma once

#include "nox/String.h"
#include "pchelpers/Win32ApiWrapper.h"

// Answers about the running Windows version from two records filled once on
// first use. A failed GetVersionExA raises ID 1 and leaves the record empty,
// so the next question asks again.
class SystemInformation {
 public:
  SystemInformation();

  const OSVERSIONINFOA& getOSVERSIONINFO();
  const OSVERSIONINFOEXA& getOSVERSIONINFOEX();

  // 1 for Windows 9x, 2 for NT, else 0.
  int getPlatform();
  // 1 95, 2 98, 3 Me, 4 NT 4, 5 2000, 6 XP, 7 Server 2003, 8 Windows 6.x; 0 unknown.
  int getWindowsKind();
  int getEditionCode();
  DWORD getProductType();
  String getMajorVersionText();
  String getMinorVersionText();
  String getBuildNumberText();
  String getServicePackText();
  BYTE getNtProductType();
  WORD getSuiteMask();
  bool isFirstWindows95Release();

 private:
  Win32ApiWrapper api_;
  OSVERSIONINFOA info_;
  OSVERSIONINFOEXA infoEx_;
};

// File facts: version text, time stamps, folders.
namespace FileInformation {
// The "FileVersion" text of the file's version resource; empty without one.
// With cutAtSpace, only the part before the first blank.
String getFileVersionText(const char* path, bool cutAtSpace);
// Local last-write time; a missing file leaves `time` untouched.
void getFileLastWriteTime(const char* path, SYSTEMTIME& time);
String getFileTimeStampText(const char* path);
// Folder of a loaded module, with its trailing backslash; empty when not loaded.
String getModuleFolder(const char* name);
String getWindowsFolder();
// The fixed record (VS_FIXEDFILEINFO) of the file's version resource; false,
// with `info` untouched, when the file has none or it cannot be read.
bool getFixedFileInfo(const char* path, VS_FIXEDFILEINFO& info);
// "FileVersion" of the first translation of a version block; empty on failure.
String queryFileVersion(const void* versionBlock);
}  // namespace FileInformation
