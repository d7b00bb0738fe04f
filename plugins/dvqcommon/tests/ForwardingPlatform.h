#pragma once

#include "pchelpers/Platform.h"

// A Platform that passes every call to another one; tests derive from it to
// answer a few calls otherwise (the file search from the real file system
// while the registry is recorded, say).
class ForwardingPlatform : public Platform {
 public:
  explicit ForwardingPlatform(Platform& inner) : inner_(inner) {}

  HMODULE LoadLibraryA(LPCSTR name) override { return inner_.LoadLibraryA(name); }
  BOOL FreeLibrary(HMODULE module) override { return inner_.FreeLibrary(module); }
  FARPROC GetProcAddress(HMODULE module, LPCSTR name) override { return inner_.GetProcAddress(module, name); }
  HMODULE GetModuleHandleA(LPCSTR name) override { return inner_.GetModuleHandleA(name); }
  DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) override {
    return inner_.GetModuleFileNameA(module, buffer, size);
  }
  DWORD GetLastError() override { return inner_.GetLastError(); }
  LONG RegOpenKeyExA(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY result) override {
    return inner_.RegOpenKeyExA(root, path, options, access, result);
  }
  LONG RegCloseKey(HKEY key) override { return inner_.RegCloseKey(key); }
  LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPSTR className,
                     LPDWORD classSize, PFILETIME lastWrite) override {
    return inner_.RegEnumKeyExA(key, index, name, nameSize, reserved, className, classSize, lastWrite);
  }
  LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPDWORD type,
                     LPBYTE data, LPDWORD dataSize) override {
    return inner_.RegEnumValueA(key, index, name, nameSize, reserved, type, data, dataSize);
  }
  LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                        LPDWORD dataSize) override {
    return inner_.RegQueryValueExA(key, name, reserved, type, data, dataSize);
  }
  BOOL GetVersionExA(LPOSVERSIONINFOA info) override { return inner_.GetVersionExA(info); }
  BOOL GetProductInfo(FARPROC entry, DWORD major, DWORD minor, DWORD spMajor, DWORD spMinor,
                      PDWORD productType) override {
    return inner_.GetProductInfo(entry, major, minor, spMajor, spMinor, productType);
  }
  void GetSystemInfo(LPSYSTEM_INFO info) override { inner_.GetSystemInfo(info); }
  void GetNativeSystemInfo(FARPROC entry, LPSYSTEM_INFO info) override {
    inner_.GetNativeSystemInfo(entry, info);
  }
  int GetSystemMetrics(int index) override { return inner_.GetSystemMetrics(index); }
  BOOL GlobalMemoryStatusEx(FARPROC entry, LPMEMORYSTATUSEX status) override {
    return inner_.GlobalMemoryStatusEx(entry, status);
  }
  void GlobalMemoryStatus(LPMEMORYSTATUS status) override { inner_.GlobalMemoryStatus(status); }
  DWORD ExpandEnvironmentStringsA(LPCSTR pattern, LPSTR buffer, DWORD size) override {
    return inner_.ExpandEnvironmentStringsA(pattern, buffer, size);
  }
  DWORD GetProfileStringA(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR buffer, DWORD size) override {
    return inner_.GetProfileStringA(section, key, fallback, buffer, size);
  }
  bool cpuidSupported() override { return inner_.cpuidSupported(); }
  void cpuid(unsigned int leaf, unsigned int registers[4]) override { inner_.cpuid(leaf, registers); }
  unsigned long long readTimeStampCounter() override { return inner_.readTimeStampCounter(); }
  DWORD timeGetTime() override { return inner_.timeGetTime(); }
  HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) override {
    return inner_.FindFirstFileA(pattern, data);
  }
  BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data) override {
    return inner_.FindNextFileA(find, data);
  }
  BOOL FindClose(HANDLE find) override { return inner_.FindClose(find); }
  DWORD GetFileVersionInfoSizeA(LPCSTR path, LPDWORD handle) override {
    return inner_.GetFileVersionInfoSizeA(path, handle);
  }
  BOOL GetFileVersionInfoA(LPCSTR path, DWORD handle, DWORD size, LPVOID block) override {
    return inner_.GetFileVersionInfoA(path, handle, size, block);
  }
  BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT length) override {
    return inner_.VerQueryValueA(block, subBlock, buffer, length);
  }
  UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) override {
    return inner_.GetWindowsDirectoryA(buffer, size);
  }
  UINT GetSystemDirectoryA(LPSTR buffer, UINT size) override {
    return inner_.GetSystemDirectoryA(buffer, size);
  }
  HRESULT SHGetFolderPathA(FARPROC entry, HWND owner, int folder, HANDLE token, DWORD flags,
                           LPSTR path) override {
    return inner_.SHGetFolderPathA(entry, owner, folder, token, flags, path);
  }
  DWORD GetLogicalDriveStringsA(DWORD size, LPSTR buffer) override {
    return inner_.GetLogicalDriveStringsA(size, buffer);
  }
  UINT GetDriveTypeA(LPCSTR root) override { return inner_.GetDriveTypeA(root); }
  BOOL GetVolumeInformationA(LPCSTR root, LPSTR volumeName, DWORD volumeNameSize, LPDWORD serial,
                             LPDWORD maxComponent, LPDWORD flags, LPSTR fileSystem,
                             DWORD fileSystemSize) override {
    return inner_.GetVolumeInformationA(root, volumeName, volumeNameSize, serial, maxComponent, flags,
                                        fileSystem, fileSystemSize);
  }
  BOOL GetDiskFreeSpaceA(LPCSTR root, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector, LPDWORD freeClusters,
                         LPDWORD totalClusters) override {
    return inner_.GetDiskFreeSpaceA(root, sectorsPerCluster, bytesPerSector, freeClusters, totalClusters);
  }
  BOOL GetDiskFreeSpaceExA(FARPROC entry, LPCSTR root, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER total,
                           PULARGE_INTEGER totalFree) override {
    return inner_.GetDiskFreeSpaceExA(entry, root, freeToCaller, total, totalFree);
  }
  HANDLE GetCurrentProcess() override { return inner_.GetCurrentProcess(); }
  DWORD GetPriorityClass(HANDLE process) override { return inner_.GetPriorityClass(process); }
  BOOL SetPriorityClass(HANDLE process, DWORD priorityClass) override {
    return inner_.SetPriorityClass(process, priorityClass);
  }
  HANDLE OpenProcess(DWORD access, BOOL inherit, DWORD processId) override {
    return inner_.OpenProcess(access, inherit, processId);
  }
  BOOL CloseHandle(HANDLE handle) override { return inner_.CloseHandle(handle); }
  HANDLE CreateToolhelp32Snapshot(FARPROC entry, DWORD flags, DWORD processId) override {
    return inner_.CreateToolhelp32Snapshot(entry, flags, processId);
  }
  BOOL Process32First(FARPROC entry, HANDLE snapshot, LPPROCESSENTRY32 process) override {
    return inner_.Process32First(entry, snapshot, process);
  }
  BOOL Process32Next(FARPROC entry, HANDLE snapshot, LPPROCESSENTRY32 process) override {
    return inner_.Process32Next(entry, snapshot, process);
  }
  BOOL EnumProcesses(FARPROC entry, DWORD* processIds, DWORD size, DWORD* returned) override {
    return inner_.EnumProcesses(entry, processIds, size, returned);
  }
  BOOL EnumProcessModules(FARPROC entry, HANDLE process, HMODULE* modules, DWORD size,
                          LPDWORD needed) override {
    return inner_.EnumProcessModules(entry, process, modules, size, needed);
  }
  DWORD GetModuleFileNameExA(FARPROC entry, HANDLE process, HMODULE module, LPSTR name, DWORD size) override {
    return inner_.GetModuleFileNameExA(entry, process, module, name, size);
  }
  DWORD GetModuleBaseNameA(FARPROC entry, HANDLE process, HMODULE module, LPSTR name, DWORD size) override {
    return inner_.GetModuleBaseNameA(entry, process, module, name, size);
  }
  SC_HANDLE OpenSCManagerA(LPCSTR machine, LPCSTR database, DWORD access) override {
    return inner_.OpenSCManagerA(machine, database, access);
  }
  BOOL EnumServicesStatusA(SC_HANDLE manager, DWORD type, DWORD state, LPENUM_SERVICE_STATUSA services,
                           DWORD size, LPDWORD needed, LPDWORD returned, LPDWORD resume) override {
    return inner_.EnumServicesStatusA(manager, type, state, services, size, needed, returned, resume);
  }
  BOOL CloseServiceHandle(SC_HANDLE handle) override { return inner_.CloseServiceHandle(handle); }
  NTSTATUS LsaOpenPolicy(FARPROC entry, PLSA_UNICODE_STRING system, PLSA_OBJECT_ATTRIBUTES attributes,
                         ACCESS_MASK access, PLSA_HANDLE policy) override {
    return inner_.LsaOpenPolicy(entry, system, attributes, access, policy);
  }
  NTSTATUS LsaQueryInformationPolicy(FARPROC entry, LSA_HANDLE policy, POLICY_INFORMATION_CLASS kind,
                                     PVOID* buffer) override {
    return inner_.LsaQueryInformationPolicy(entry, policy, kind, buffer);
  }
  NTSTATUS LsaFreeMemory(FARPROC entry, PVOID buffer) override { return inner_.LsaFreeMemory(entry, buffer); }
  NTSTATUS LsaClose(FARPROC entry, LSA_HANDLE policy) override { return inner_.LsaClose(entry, policy); }
  BOOL EnumPortsA(LPSTR server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                  LPDWORD returned) override {
    return inner_.EnumPortsA(server, level, buffer, size, needed, returned);
  }
  BOOL EnumMonitorsA(LPSTR server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                     LPDWORD returned) override {
    return inner_.EnumMonitorsA(server, level, buffer, size, needed, returned);
  }
  BOOL EnumPrinterDriversA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer, DWORD size,
                           LPDWORD needed, LPDWORD returned) override {
    return inner_.EnumPrinterDriversA(server, environment, level, buffer, size, needed, returned);
  }
  BOOL EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                     LPDWORD returned) override {
    return inner_.EnumPrintersA(flags, name, level, buffer, size, needed, returned);
  }

 protected:
  Platform& inner_;
};
