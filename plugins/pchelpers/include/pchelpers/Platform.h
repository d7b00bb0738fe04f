#pragma once

#include <windows.h>
// clang-format off
#include <ntsecapi.h>
#include <tlhelp32.h>
#include <winspool.h>
#include <winsvc.h>
// clang-format on

#include "pchelpers/Seam.h"

// Every Windows call a plug-in makes about the machine it runs on goes through
// one Platform. Plug-ins use the real one; tests install a recorded one with
// ScopedPlatform, so the report logic runs against Windows 95, NT 4, XP, 2008 R2
// ... answers as well as for real under Wine.
//
// The methods keep the Windows names, arguments and results. Optional entry
// points that older Windows versions lack are resolved by the caller (through
// LoadLibraryA/GetProcAddress of this Platform) and passed in as `entry`; the
// real platform calls it, a recorded one answers for it.
//
// Areas that only some plug-ins need (the network, the directory services ...)
// have seams of their own beside this one (see Seam.h).
class Platform {
 public:
  virtual ~Platform() = default;
  // The platform that calls Windows.
  static Platform& real();

  // Modules and entry points.
  virtual HMODULE LoadLibraryA(LPCSTR name) = 0;
  virtual BOOL FreeLibrary(HMODULE module) = 0;
  virtual FARPROC GetProcAddress(HMODULE module, LPCSTR name) = 0;
  virtual HMODULE GetModuleHandleA(LPCSTR name) = 0;
  virtual DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) = 0;
  virtual DWORD GetLastError() = 0;

  // Registry.
  virtual LONG RegOpenKeyExA(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY result) = 0;
  virtual LONG RegCloseKey(HKEY key) = 0;
  virtual LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved,
                             LPSTR className, LPDWORD classSize, PFILETIME lastWrite) = 0;
  virtual LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved,
                             LPDWORD type, LPBYTE data, LPDWORD dataSize) = 0;
  virtual LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                LPDWORD dataSize) = 0;

  // Version and system.
  virtual BOOL GetVersionExA(LPOSVERSIONINFOA info) = 0;
  virtual BOOL GetProductInfo(FARPROC entry, DWORD major, DWORD minor, DWORD spMajor, DWORD spMinor,
                              PDWORD productType) = 0;
  virtual void GetSystemInfo(LPSYSTEM_INFO info) = 0;
  virtual void GetNativeSystemInfo(FARPROC entry, LPSYSTEM_INFO info) = 0;
  virtual int GetSystemMetrics(int index) = 0;
  virtual BOOL GlobalMemoryStatusEx(FARPROC entry, LPMEMORYSTATUSEX status) = 0;
  virtual void GlobalMemoryStatus(LPMEMORYSTATUS status) = 0;
  virtual DWORD ExpandEnvironmentStringsA(LPCSTR pattern, LPSTR buffer, DWORD size) = 0;
  virtual DWORD GetProfileStringA(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR buffer, DWORD size) = 0;

  // Processor: whether the CPUID instruction exists, its answers, the time-stamp counter.
  virtual bool cpuidSupported() = 0;
  virtual void cpuid(unsigned int leaf, unsigned int registers[4]) = 0;
  virtual unsigned long long readTimeStampCounter() = 0;
  virtual DWORD timeGetTime() = 0;

  // Files, folders and drives.
  virtual HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) = 0;
  virtual BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data) = 0;
  virtual BOOL FindClose(HANDLE find) = 0;
  virtual DWORD GetFileVersionInfoSizeA(LPCSTR path, LPDWORD handle) = 0;
  virtual BOOL GetFileVersionInfoA(LPCSTR path, DWORD handle, DWORD size, LPVOID block) = 0;
  virtual BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT length) = 0;
  virtual UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) = 0;
  virtual UINT GetSystemDirectoryA(LPSTR buffer, UINT size) = 0;
  virtual HRESULT SHGetFolderPathA(FARPROC entry, HWND owner, int folder, HANDLE token, DWORD flags,
                                   LPSTR path) = 0;
  virtual DWORD GetLogicalDriveStringsA(DWORD size, LPSTR buffer) = 0;
  virtual UINT GetDriveTypeA(LPCSTR root) = 0;
  virtual BOOL GetVolumeInformationA(LPCSTR root, LPSTR volumeName, DWORD volumeNameSize, LPDWORD serial,
                                     LPDWORD maxComponent, LPDWORD flags, LPSTR fileSystem,
                                     DWORD fileSystemSize) = 0;
  virtual BOOL GetDiskFreeSpaceA(LPCSTR root, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector,
                                 LPDWORD freeClusters, LPDWORD totalClusters) = 0;
  virtual BOOL GetDiskFreeSpaceExA(FARPROC entry, LPCSTR root, PULARGE_INTEGER freeToCaller,
                                   PULARGE_INTEGER total, PULARGE_INTEGER totalFree) = 0;

  // Processes.
  virtual HANDLE GetCurrentProcess() = 0;
  virtual DWORD GetPriorityClass(HANDLE process) = 0;
  virtual BOOL SetPriorityClass(HANDLE process, DWORD priorityClass) = 0;
  virtual HANDLE OpenProcess(DWORD access, BOOL inherit, DWORD processId) = 0;
  virtual BOOL CloseHandle(HANDLE handle) = 0;
  // Toolhelp (Windows 9x and later) and process status (PSAPI.DLL, NT).
  virtual HANDLE CreateToolhelp32Snapshot(FARPROC entry, DWORD flags, DWORD processId) = 0;
  virtual BOOL Process32First(FARPROC entry, HANDLE snapshot, LPPROCESSENTRY32 process) = 0;
  virtual BOOL Process32Next(FARPROC entry, HANDLE snapshot, LPPROCESSENTRY32 process) = 0;
  virtual BOOL EnumProcesses(FARPROC entry, DWORD* processIds, DWORD size, DWORD* returned) = 0;
  virtual BOOL EnumProcessModules(FARPROC entry, HANDLE process, HMODULE* modules, DWORD size,
                                  LPDWORD needed) = 0;
  virtual DWORD GetModuleFileNameExA(FARPROC entry, HANDLE process, HMODULE module, LPSTR name,
                                     DWORD size) = 0;
  virtual DWORD GetModuleBaseNameA(FARPROC entry, HANDLE process, HMODULE module, LPSTR name, DWORD size) = 0;

  // Services.
  virtual SC_HANDLE OpenSCManagerA(LPCSTR machine, LPCSTR database, DWORD access) = 0;
  virtual BOOL EnumServicesStatusA(SC_HANDLE manager, DWORD type, DWORD state,
                                   LPENUM_SERVICE_STATUSA services, DWORD size, LPDWORD needed,
                                   LPDWORD returned, LPDWORD resume) = 0;
  virtual BOOL CloseServiceHandle(SC_HANDLE handle) = 0;

  // LSA policy (Advapi32.DLL); results are NTSTATUS codes.
  virtual NTSTATUS LsaOpenPolicy(FARPROC entry, PLSA_UNICODE_STRING system, PLSA_OBJECT_ATTRIBUTES attributes,
                                 ACCESS_MASK access, PLSA_HANDLE policy) = 0;
  virtual NTSTATUS LsaQueryInformationPolicy(FARPROC entry, LSA_HANDLE policy, POLICY_INFORMATION_CLASS kind,
                                             PVOID* buffer) = 0;
  virtual NTSTATUS LsaFreeMemory(FARPROC entry, PVOID buffer) = 0;
  virtual NTSTATUS LsaClose(FARPROC entry, LSA_HANDLE policy) = 0;

  // Print spooler. Each enumeration fills `buffer` with its records followed
  // by the texts they point to; a buffer too small gives the size in `needed`.
  virtual BOOL EnumPortsA(LPSTR server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                          LPDWORD returned) = 0;
  virtual BOOL EnumMonitorsA(LPSTR server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                             LPDWORD returned) = 0;
  virtual BOOL EnumPrinterDriversA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer, DWORD size,
                                   LPDWORD needed, LPDWORD returned) = 0;
  virtual BOOL EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                             LPDWORD returned) = 0;
};

// The platform in force: the real one unless a ScopedPlatform is alive.
inline Platform& currentPlatform() { return Seam<Platform>::current(); }

// For its lifetime, every platform call of this module goes to `platform`.
class ScopedPlatform : public ScopedSeam<Platform> {
 public:
  explicit ScopedPlatform(Platform& platform) : ScopedSeam<Platform>(platform) {}
};
