#include "pchelpers/Win32ApiWrapper.h"

#include <cstdlib>
#include <cstring>

#include "nox/Error.h"
#include "nox/Module.h"

namespace {
const char* const kLibraryNames[] = {"Kernel32.DLL", "PSAPI.DLL", "Advapi32.DLL", "SHELL32.DLL",
                                     "SHFOLDER.DLL"};
const char kSourceName[] = "Plugins\\PCPlugin\\Src\\Win32ApiWrapper";
}  // namespace

Win32ApiWrapper::Win32ApiWrapper() : platform_(currentPlatform()) {}

Win32ApiWrapper::~Win32ApiWrapper() {
  for (HMODULE module : modules_) {
    if (module) platform_.FreeLibrary(module);
  }
}

void Win32ApiWrapper::throwNoFunction() {
  throwException(1, 0, platform_.GetLastError(), noxThisModule(), kSourceName, 966, "Win32ApiWrapper",
                 "throwNoFunction");
}

void Win32ApiWrapper::throwNoModule() {
  throwException(2, 0, platform_.GetLastError(), noxThisModule(), kSourceName, 975, "Win32ApiWrapper",
                 "throwNoModule");
}

FARPROC Win32ApiWrapper::entry(Entry which, Library library, const char* name, bool raise) {
  if (entries_[which]) return entries_[which];
  if (!modules_[library]) {
    modules_[library] = platform_.LoadLibraryA(kLibraryNames[library]);
    if (!modules_[library]) {
      if (raise) throwNoModule();
      return nullptr;
    }
  }
  entries_[which] = platform_.GetProcAddress(modules_[library], name);
  if (!entries_[which] && raise) throwNoFunction();
  return entries_[which];
}

BOOL Win32ApiWrapper::GetDiskFreeSpaceExA(LPCSTR root, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER total,
                                          PULARGE_INTEGER totalFree) {
  FARPROC fn = entry(ENTRY_GET_DISK_FREE_SPACE_EX, KERNEL32, "GetDiskFreeSpaceExA", true);
  return platform_.GetDiskFreeSpaceExA(fn, root, freeToCaller, total, totalFree);
}

BOOL Win32ApiWrapper::GetProductInfo(DWORD major, DWORD minor, DWORD spMajor, DWORD spMinor,
                                     PDWORD productType) {
  FARPROC fn = entry(ENTRY_GET_PRODUCT_INFO, KERNEL32, "GetProductInfo", false);
  if (!fn) return 0;
  return platform_.GetProductInfo(fn, major, minor, spMajor, spMinor, productType);
}

HANDLE Win32ApiWrapper::CreateToolhelp32Snapshot(DWORD flags, DWORD processId) {
  FARPROC fn = entry(ENTRY_CREATE_TOOLHELP32_SNAPSHOT, KERNEL32, "CreateToolhelp32Snapshot", true);
  return platform_.CreateToolhelp32Snapshot(fn, flags, processId);
}

BOOL Win32ApiWrapper::Process32First(HANDLE snapshot, LPPROCESSENTRY32 process) {
  FARPROC fn = entry(ENTRY_PROCESS32_FIRST, KERNEL32, "Process32First", true);
  return platform_.Process32First(fn, snapshot, process);
}

BOOL Win32ApiWrapper::Process32Next(HANDLE snapshot, LPPROCESSENTRY32 process) {
  FARPROC fn = entry(ENTRY_PROCESS32_NEXT, KERNEL32, "Process32Next", false);
  if (!fn) return 0;
  return platform_.Process32Next(fn, snapshot, process);
}

BOOL Win32ApiWrapper::EnumProcesses(DWORD* processIds, DWORD size, DWORD* returned) {
  FARPROC fn = entry(ENTRY_ENUM_PROCESSES, PSAPI, "EnumProcesses", false);
  if (!fn) return 0;
  return platform_.EnumProcesses(fn, processIds, size, returned);
}

BOOL Win32ApiWrapper::EnumProcessModules(HANDLE process, HMODULE* modules, DWORD size, LPDWORD needed) {
  FARPROC fn = entry(ENTRY_ENUM_PROCESS_MODULES, PSAPI, "EnumProcessModules", false);
  if (!fn) return 0;
  return platform_.EnumProcessModules(fn, process, modules, size, needed);
}

DWORD Win32ApiWrapper::GetModuleFileNameExA(HANDLE process, HMODULE module, LPSTR name, DWORD size) {
  FARPROC fn = entry(ENTRY_GET_MODULE_FILE_NAME_EX, PSAPI, "GetModuleFileNameExA", false);
  if (!fn) return 0;
  return platform_.GetModuleFileNameExA(fn, process, module, name, size);
}

NTSTATUS Win32ApiWrapper::LsaOpenPolicy(PLSA_UNICODE_STRING system, PLSA_OBJECT_ATTRIBUTES attributes,
                                        ACCESS_MASK access, PLSA_HANDLE policy) {
  FARPROC fn = entry(ENTRY_LSA_OPEN_POLICY, ADVAPI32, "LsaOpenPolicy", false);
  if (!fn) return kLsaMissing;
  return platform_.LsaOpenPolicy(fn, system, attributes, access, policy);
}

NTSTATUS Win32ApiWrapper::LsaQueryInformationPolicy(LSA_HANDLE policy, POLICY_INFORMATION_CLASS kind,
                                                    PVOID* buffer) {
  FARPROC fn = entry(ENTRY_LSA_QUERY_INFORMATION_POLICY, ADVAPI32, "LsaQueryInformationPolicy", false);
  if (!fn) return kLsaMissing;
  return platform_.LsaQueryInformationPolicy(fn, policy, kind, buffer);
}

NTSTATUS Win32ApiWrapper::LsaFreeMemory(PVOID buffer) {
  FARPROC fn = entry(ENTRY_LSA_FREE_MEMORY, ADVAPI32, "LsaFreeMemory", false);
  if (!fn) return kLsaMissing;
  return platform_.LsaFreeMemory(fn, buffer);
}

NTSTATUS Win32ApiWrapper::LsaClose(LSA_HANDLE policy) {
  FARPROC fn = entry(ENTRY_LSA_CLOSE, ADVAPI32, "LsaClose", false);
  if (!fn) return kLsaMissing;
  return platform_.LsaClose(fn, policy);
}

// ---- forwarding

BOOL Win32ApiWrapper::CloseHandle(HANDLE handle) { return platform_.CloseHandle(handle); }
BOOL Win32ApiWrapper::CloseServiceHandle(SC_HANDLE handle) { return platform_.CloseServiceHandle(handle); }
BOOL Win32ApiWrapper::EnumServicesStatusA(SC_HANDLE manager, DWORD type, DWORD state,
                                          LPENUM_SERVICE_STATUSA services, DWORD size, LPDWORD needed,
                                          LPDWORD returned, LPDWORD resume) {
  return platform_.EnumServicesStatusA(manager, type, state, services, size, needed, returned, resume);
}
HANDLE Win32ApiWrapper::FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
  return platform_.FindFirstFileA(pattern, data);
}
BOOL Win32ApiWrapper::FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data) {
  return platform_.FindNextFileA(find, data);
}
BOOL Win32ApiWrapper::FindClose(HANDLE find) { return platform_.FindClose(find); }
// Pure conversions: no machine state to record.
BOOL Win32ApiWrapper::FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localTime) {
  return ::FileTimeToLocalFileTime(fileTime, localTime);
}
BOOL Win32ApiWrapper::FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime) {
  return ::FileTimeToSystemTime(fileTime, systemTime);
}
BOOL Win32ApiWrapper::FreeLibrary(HMODULE module) { return platform_.FreeLibrary(module); }
HANDLE Win32ApiWrapper::GetCurrentProcess() { return platform_.GetCurrentProcess(); }
BOOL Win32ApiWrapper::GetDiskFreeSpaceA(LPCSTR root, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector,
                                        LPDWORD freeClusters, LPDWORD totalClusters) {
  return platform_.GetDiskFreeSpaceA(root, sectorsPerCluster, bytesPerSector, freeClusters, totalClusters);
}
DWORD Win32ApiWrapper::GetLastError() { return platform_.GetLastError(); }
BOOL Win32ApiWrapper::GetFileVersionInfoA(LPCSTR path, DWORD handle, DWORD size, LPVOID block) {
  return platform_.GetFileVersionInfoA(path, handle, size, block);
}
DWORD Win32ApiWrapper::GetFileVersionInfoSizeA(LPCSTR path, LPDWORD handle) {
  return platform_.GetFileVersionInfoSizeA(path, handle);
}
DWORD Win32ApiWrapper::GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) {
  return platform_.GetModuleFileNameA(module, buffer, size);
}
HMODULE Win32ApiWrapper::GetModuleHandleA(LPCSTR name) { return platform_.GetModuleHandleA(name); }
DWORD Win32ApiWrapper::GetPriorityClass(HANDLE process) { return platform_.GetPriorityClass(process); }
FARPROC Win32ApiWrapper::GetProcAddress(HMODULE module, LPCSTR name) {
  return platform_.GetProcAddress(module, name);
}
UINT Win32ApiWrapper::GetSystemDirectoryA(LPSTR buffer, UINT size) {
  return platform_.GetSystemDirectoryA(buffer, size);
}
void Win32ApiWrapper::GetSystemInfo(LPSYSTEM_INFO info) { platform_.GetSystemInfo(info); }
BOOL Win32ApiWrapper::GetVersionExA(LPOSVERSIONINFOA info) { return platform_.GetVersionExA(info); }
BOOL Win32ApiWrapper::GetVolumeInformationA(LPCSTR root, LPSTR volumeName, DWORD volumeNameSize,
                                            LPDWORD serial, LPDWORD maxComponent, LPDWORD flags,
                                            LPSTR fileSystem, DWORD fileSystemSize) {
  return platform_.GetVolumeInformationA(root, volumeName, volumeNameSize, serial, maxComponent, flags,
                                         fileSystem, fileSystemSize);
}
UINT Win32ApiWrapper::GetWindowsDirectoryA(LPSTR buffer, UINT size) {
  return platform_.GetWindowsDirectoryA(buffer, size);
}
LPVOID Win32ApiWrapper::HeapAlloc(HANDLE heap, DWORD flags, SIZE_T size) {
  return ::HeapAlloc(heap, flags, size);
}
BOOL Win32ApiWrapper::HeapFree(HANDLE heap, DWORD flags, LPVOID block) {
  return ::HeapFree(heap, flags, block);
}
HMODULE Win32ApiWrapper::LoadLibraryA(LPCSTR name) { return platform_.LoadLibraryA(name); }
HANDLE Win32ApiWrapper::OpenProcess(DWORD access, BOOL inherit, DWORD processId) {
  return platform_.OpenProcess(access, inherit, processId);
}
SC_HANDLE Win32ApiWrapper::OpenSCManagerA(LPCSTR machine, LPCSTR database, DWORD access) {
  return platform_.OpenSCManagerA(machine, database, access);
}
LONG Win32ApiWrapper::RegCloseKey(HKEY key) { return platform_.RegCloseKey(key); }
LONG Win32ApiWrapper::RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved,
                                    LPSTR className, LPDWORD classSize, PFILETIME lastWrite) {
  return platform_.RegEnumKeyExA(key, index, name, nameSize, reserved, className, classSize, lastWrite);
}
LONG Win32ApiWrapper::RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved,
                                    LPDWORD type, LPBYTE data, LPDWORD dataSize) {
  return platform_.RegEnumValueA(key, index, name, nameSize, reserved, type, data, dataSize);
}
LONG Win32ApiWrapper::RegOpenKeyExA(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY result) {
  return platform_.RegOpenKeyExA(root, path, options, access, result);
}
LONG Win32ApiWrapper::RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                       LPDWORD dataSize) {
  return platform_.RegQueryValueExA(key, name, reserved, type, data, dataSize);
}
BOOL Win32ApiWrapper::SetPriorityClass(HANDLE process, DWORD priorityClass) {
  return platform_.SetPriorityClass(process, priorityClass);
}
// SHELL32 has it from version 5.0 (Windows 2000, Me, or an Internet Explorer
// 5 desktop update); older systems may have it in SHFOLDER.DLL, which comes
// with later redistributables. Without either the query fails and leaves the
// caller's buffer as it was.
HRESULT Win32ApiWrapper::SHGetFolderPathA(HWND owner, int folder, HANDLE token, DWORD flags, LPSTR path) {
  FARPROC fn = entry(ENTRY_SH_GET_FOLDER_PATH, SHELL32, "SHGetFolderPathA", false);
  if (!fn) {
    entries_[ENTRY_SH_GET_FOLDER_PATH] = nullptr;
    if (!modules_[SHFOLDER]) modules_[SHFOLDER] = platform_.LoadLibraryA(kLibraryNames[SHFOLDER]);
    if (modules_[SHFOLDER])
      fn = entries_[ENTRY_SH_GET_FOLDER_PATH] =
          platform_.GetProcAddress(modules_[SHFOLDER], "SHGetFolderPathA");
  }
  if (!fn) return E_NOTIMPL;
  return platform_.SHGetFolderPathA(fn, owner, folder, token, flags, path);
}
DWORD Win32ApiWrapper::timeGetTime() { return platform_.timeGetTime(); }
BOOL Win32ApiWrapper::VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT length) {
  return platform_.VerQueryValueA(block, subBlock, buffer, length);
}
int Win32ApiWrapper::WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int textLength,
                                         LPSTR buffer, int size, LPCSTR defaultChar, LPBOOL usedDefault) {
  return ::WideCharToMultiByte(codePage, flags, text, textLength, buffer, size, defaultChar, usedDefault);
}

void* Win32ApiWrapper::allocate(size_t size) { return std::malloc(size); }
void Win32ApiWrapper::free(void* block) { std::free(block); }
void Win32ApiWrapper::fill(void* block, size_t size, int value) { std::memset(block, value, size); }
void Win32ApiWrapper::zero(void* block, size_t size) { std::memset(block, 0, size); }
