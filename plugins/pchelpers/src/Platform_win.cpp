// The real platform: each call goes straight to Windows.
#include <cpuid.h>
#include <x86intrin.h>

#include "pchelpers/Platform.h"

namespace {

template <class Fn>
Fn entryAs(FARPROC entry) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(entry));
}

class Win32Platform final : public Platform {
 public:
  HMODULE LoadLibraryA(LPCSTR name) override { return ::LoadLibraryA(name); }
  BOOL FreeLibrary(HMODULE module) override { return ::FreeLibrary(module); }
  FARPROC GetProcAddress(HMODULE module, LPCSTR name) override { return ::GetProcAddress(module, name); }
  HMODULE GetModuleHandleA(LPCSTR name) override { return ::GetModuleHandleA(name); }
  DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) override {
    return ::GetModuleFileNameA(module, buffer, size);
  }
  DWORD GetLastError() override { return ::GetLastError(); }

  LONG RegOpenKeyExA(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY result) override {
    return ::RegOpenKeyExA(root, path, options, access, result);
  }
  LONG RegCloseKey(HKEY key) override { return ::RegCloseKey(key); }
  LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPSTR className,
                     LPDWORD classSize, PFILETIME lastWrite) override {
    return ::RegEnumKeyExA(key, index, name, nameSize, reserved, className, classSize, lastWrite);
  }
  LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPDWORD type,
                     LPBYTE data, LPDWORD dataSize) override {
    return ::RegEnumValueA(key, index, name, nameSize, reserved, type, data, dataSize);
  }
  LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                        LPDWORD dataSize) override {
    return ::RegQueryValueExA(key, name, reserved, type, data, dataSize);
  }

  BOOL GetVersionExA(LPOSVERSIONINFOA info) override { return ::GetVersionExA(info); }
  BOOL GetProductInfo(FARPROC entry, DWORD major, DWORD minor, DWORD spMajor, DWORD spMinor,
                      PDWORD productType) override {
    return entryAs<BOOL(WINAPI*)(DWORD, DWORD, DWORD, DWORD, PDWORD)>(entry)(major, minor, spMajor, spMinor,
                                                                             productType);
  }
  void GetSystemInfo(LPSYSTEM_INFO info) override {
    ::GetSystemInfo(info);
#ifdef _WIN64
    // The product ships as a 32-bit program, which on 64-bit Windows sees an x86
    // processor; the 64-bit build (used for tests) reports what it would see.
    if (info->wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64) {
      info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_INTEL;
    }
#endif
  }
  void GetNativeSystemInfo(FARPROC entry, LPSYSTEM_INFO info) override {
    entryAs<void(WINAPI*)(LPSYSTEM_INFO)>(entry)(info);
  }
  int GetSystemMetrics(int index) override { return ::GetSystemMetrics(index); }
  BOOL GlobalMemoryStatusEx(FARPROC entry, LPMEMORYSTATUSEX status) override {
    return entryAs<BOOL(WINAPI*)(LPMEMORYSTATUSEX)>(entry)(status);
  }
  void GlobalMemoryStatus(LPMEMORYSTATUS status) override { ::GlobalMemoryStatus(status); }
  DWORD ExpandEnvironmentStringsA(LPCSTR pattern, LPSTR buffer, DWORD size) override {
    return ::ExpandEnvironmentStringsA(pattern, buffer, size);
  }

  bool cpuidSupported() override {
    // On 32-bit x86 this toggles the ID bit of the flags register.
    return __get_cpuid_max(0, nullptr) != 0;
  }
  void cpuid(unsigned int leaf, unsigned int registers[4]) override {
    __cpuid(leaf, registers[0], registers[1], registers[2], registers[3]);
  }
  unsigned long long readTimeStampCounter() override { return __rdtsc(); }
  DWORD timeGetTime() override { return ::timeGetTime(); }

  HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) override {
    return ::FindFirstFileA(pattern, data);
  }
  BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data) override { return ::FindNextFileA(find, data); }
  BOOL FindClose(HANDLE find) override { return ::FindClose(find); }
  DWORD GetFileVersionInfoSizeA(LPCSTR path, LPDWORD handle) override {
    return ::GetFileVersionInfoSizeA(path, handle);
  }
  BOOL GetFileVersionInfoA(LPCSTR path, DWORD handle, DWORD size, LPVOID block) override {
    return ::GetFileVersionInfoA(path, handle, size, block);
  }
  BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT length) override {
    return ::VerQueryValueA(block, subBlock, buffer, length);
  }
  UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) override { return ::GetWindowsDirectoryA(buffer, size); }
  UINT GetSystemDirectoryA(LPSTR buffer, UINT size) override { return ::GetSystemDirectoryA(buffer, size); }
  HRESULT SHGetFolderPathA(FARPROC entry, HWND owner, int folder, HANDLE token, DWORD flags,
                           LPSTR path) override {
    return entryAs<HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR)>(entry)(owner, folder, token, flags,
                                                                             path);
  }
  DWORD GetLogicalDriveStringsA(DWORD size, LPSTR buffer) override {
    return ::GetLogicalDriveStringsA(size, buffer);
  }
  UINT GetDriveTypeA(LPCSTR root) override { return ::GetDriveTypeA(root); }
  BOOL GetVolumeInformationA(LPCSTR root, LPSTR volumeName, DWORD volumeNameSize, LPDWORD serial,
                             LPDWORD maxComponent, LPDWORD flags, LPSTR fileSystem,
                             DWORD fileSystemSize) override {
    return ::GetVolumeInformationA(root, volumeName, volumeNameSize, serial, maxComponent, flags, fileSystem,
                                   fileSystemSize);
  }
  BOOL GetDiskFreeSpaceA(LPCSTR root, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector, LPDWORD freeClusters,
                         LPDWORD totalClusters) override {
    return ::GetDiskFreeSpaceA(root, sectorsPerCluster, bytesPerSector, freeClusters, totalClusters);
  }
  BOOL GetDiskFreeSpaceExA(FARPROC entry, LPCSTR root, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER total,
                           PULARGE_INTEGER totalFree) override {
    return entryAs<BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER)>(entry)(
        root, freeToCaller, total, totalFree);
  }

  HANDLE GetCurrentProcess() override { return ::GetCurrentProcess(); }
  DWORD GetPriorityClass(HANDLE process) override { return ::GetPriorityClass(process); }
  BOOL SetPriorityClass(HANDLE process, DWORD priorityClass) override {
    return ::SetPriorityClass(process, priorityClass);
  }
  HANDLE OpenProcess(DWORD access, BOOL inherit, DWORD processId) override {
    return ::OpenProcess(access, inherit, processId);
  }
  BOOL CloseHandle(HANDLE handle) override { return ::CloseHandle(handle); }
  HANDLE CreateToolhelp32Snapshot(FARPROC entry, DWORD flags, DWORD processId) override {
    return entryAs<HANDLE(WINAPI*)(DWORD, DWORD)>(entry)(flags, processId);
  }
  BOOL Process32First(FARPROC entry, HANDLE snapshot, LPPROCESSENTRY32 process) override {
    return entryAs<BOOL(WINAPI*)(HANDLE, LPPROCESSENTRY32)>(entry)(snapshot, process);
  }
  BOOL Process32Next(FARPROC entry, HANDLE snapshot, LPPROCESSENTRY32 process) override {
    return entryAs<BOOL(WINAPI*)(HANDLE, LPPROCESSENTRY32)>(entry)(snapshot, process);
  }
  BOOL EnumProcesses(FARPROC entry, DWORD* processIds, DWORD size, DWORD* returned) override {
    return entryAs<BOOL(WINAPI*)(DWORD*, DWORD, DWORD*)>(entry)(processIds, size, returned);
  }
  BOOL EnumProcessModules(FARPROC entry, HANDLE process, HMODULE* modules, DWORD size,
                          LPDWORD needed) override {
    return entryAs<BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, LPDWORD)>(entry)(process, modules, size, needed);
  }
  DWORD GetModuleFileNameExA(FARPROC entry, HANDLE process, HMODULE module, LPSTR name, DWORD size) override {
    return entryAs<DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD)>(entry)(process, module, name, size);
  }
  DWORD GetModuleBaseNameA(FARPROC entry, HANDLE process, HMODULE module, LPSTR name, DWORD size) override {
    return entryAs<DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD)>(entry)(process, module, name, size);
  }

  SC_HANDLE OpenSCManagerA(LPCSTR machine, LPCSTR database, DWORD access) override {
    return ::OpenSCManagerA(machine, database, access);
  }
  BOOL EnumServicesStatusA(SC_HANDLE manager, DWORD type, DWORD state, LPENUM_SERVICE_STATUSA services,
                           DWORD size, LPDWORD needed, LPDWORD returned, LPDWORD resume) override {
    return ::EnumServicesStatusA(manager, type, state, services, size, needed, returned, resume);
  }
  BOOL CloseServiceHandle(SC_HANDLE handle) override { return ::CloseServiceHandle(handle); }

  NTSTATUS LsaOpenPolicy(FARPROC entry, PLSA_UNICODE_STRING system, PLSA_OBJECT_ATTRIBUTES attributes,
                         ACCESS_MASK access, PLSA_HANDLE policy) override {
    return entryAs<NTSTATUS(WINAPI*)(PLSA_UNICODE_STRING, PLSA_OBJECT_ATTRIBUTES, ACCESS_MASK, PLSA_HANDLE)>(
        entry)(system, attributes, access, policy);
  }
  NTSTATUS LsaQueryInformationPolicy(FARPROC entry, LSA_HANDLE policy, POLICY_INFORMATION_CLASS kind,
                                     PVOID* buffer) override {
    return entryAs<NTSTATUS(WINAPI*)(LSA_HANDLE, POLICY_INFORMATION_CLASS, PVOID*)>(entry)(policy, kind,
                                                                                           buffer);
  }
  NTSTATUS LsaFreeMemory(FARPROC entry, PVOID buffer) override {
    return entryAs<NTSTATUS(WINAPI*)(PVOID)>(entry)(buffer);
  }
  NTSTATUS LsaClose(FARPROC entry, LSA_HANDLE policy) override {
    return entryAs<NTSTATUS(WINAPI*)(LSA_HANDLE)>(entry)(policy);
  }

  DWORD GetProfileStringA(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR buffer, DWORD size) override {
    return ::GetProfileStringA(section, key, fallback, buffer, size);
  }
  BOOL EnumPortsA(LPSTR server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                  LPDWORD returned) override {
    return ::EnumPortsA(server, level, buffer, size, needed, returned);
  }
  BOOL EnumMonitorsA(LPSTR server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                     LPDWORD returned) override {
    return ::EnumMonitorsA(server, level, buffer, size, needed, returned);
  }
  BOOL EnumPrinterDriversA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer, DWORD size,
                           LPDWORD needed, LPDWORD returned) override {
    return ::EnumPrinterDriversA(server, environment, level, buffer, size, needed, returned);
  }
  BOOL EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                     LPDWORD returned) override {
    return ::EnumPrintersA(flags, name, level, buffer, size, needed, returned);
  }
};

}  // namespace

Platform& Platform::real() {
  static Win32Platform platform;
  return platform;
}
