#pragma once

#include <cstddef>

#include "pchelpers/Platform.h"

// A short-lived value: helpers make one per operation. It forwards to the
// platform in force and binds at run time the entry points older Windows
// versions lack; the modules it loads for them are released with it.
//
// Optional operations differ in what a missing module or entry point means:
// some raise ("throwNoModule", ID 2; "throwNoFunction", ID 1), the others
// return their failure value (0, or 31 for the LSA calls).
class Win32ApiWrapper {
 public:
  Win32ApiWrapper();
  ~Win32ApiWrapper();
  Win32ApiWrapper(const Win32ApiWrapper&) = delete;
  Win32ApiWrapper& operator=(const Win32ApiWrapper&) = delete;

  Platform& platform() const { return platform_; }

  // Forwarding operations.
  BOOL CloseHandle(HANDLE handle);
  BOOL CloseServiceHandle(SC_HANDLE handle);
  BOOL EnumServicesStatusA(SC_HANDLE manager, DWORD type, DWORD state, LPENUM_SERVICE_STATUSA services,
                           DWORD size, LPDWORD needed, LPDWORD returned, LPDWORD resume);
  HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data);
  BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data);
  BOOL FindClose(HANDLE find);
  BOOL FileTimeToLocalFileTime(const FILETIME* fileTime, LPFILETIME localTime);
  BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime);
  BOOL FreeLibrary(HMODULE module);
  HANDLE GetCurrentProcess();
  BOOL GetDiskFreeSpaceA(LPCSTR root, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector, LPDWORD freeClusters,
                         LPDWORD totalClusters);
  DWORD GetLastError();
  BOOL GetFileVersionInfoA(LPCSTR path, DWORD handle, DWORD size, LPVOID block);
  DWORD GetFileVersionInfoSizeA(LPCSTR path, LPDWORD handle);
  DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size);
  HMODULE GetModuleHandleA(LPCSTR name);
  DWORD GetPriorityClass(HANDLE process);
  FARPROC GetProcAddress(HMODULE module, LPCSTR name);
  UINT GetSystemDirectoryA(LPSTR buffer, UINT size);
  void GetSystemInfo(LPSYSTEM_INFO info);
  BOOL GetVersionExA(LPOSVERSIONINFOA info);
  BOOL GetVolumeInformationA(LPCSTR root, LPSTR volumeName, DWORD volumeNameSize, LPDWORD serial,
                             LPDWORD maxComponent, LPDWORD flags, LPSTR fileSystem, DWORD fileSystemSize);
  UINT GetWindowsDirectoryA(LPSTR buffer, UINT size);
  LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T size);
  BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID block);
  HMODULE LoadLibraryA(LPCSTR name);
  HANDLE OpenProcess(DWORD access, BOOL inherit, DWORD processId);
  SC_HANDLE OpenSCManagerA(LPCSTR machine, LPCSTR database, DWORD access);
  LONG RegCloseKey(HKEY key);
  LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPSTR className,
                     LPDWORD classSize, PFILETIME lastWrite);
  LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPDWORD type,
                     LPBYTE data, LPDWORD dataSize);
  LONG RegOpenKeyExA(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY result);
  LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataSize);
  BOOL SetPriorityClass(HANDLE process, DWORD priorityClass);
  HRESULT SHGetFolderPathA(HWND owner, int folder, HANDLE token, DWORD flags, LPSTR path);
  DWORD timeGetTime();
  BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT length);
  int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int textLength, LPSTR buffer, int size,
                          LPCSTR defaultChar, LPBOOL usedDefault);

  // The run-time heap.
  void* allocate(size_t size);
  void free(void* block);
  void fill(void* block, size_t size, int value);
  void zero(void* block, size_t size);

  // Optional operations.
  BOOL GetDiskFreeSpaceExA(LPCSTR root, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER total,
                           PULARGE_INTEGER totalFree);
  BOOL GetProductInfo(DWORD major, DWORD minor, DWORD spMajor, DWORD spMinor, PDWORD productType);
  HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD processId);
  BOOL Process32First(HANDLE snapshot, LPPROCESSENTRY32 process);
  BOOL Process32Next(HANDLE snapshot, LPPROCESSENTRY32 process);
  BOOL EnumProcesses(DWORD* processIds, DWORD size, DWORD* returned);
  BOOL EnumProcessModules(HANDLE process, HMODULE* modules, DWORD size, LPDWORD needed);
  DWORD GetModuleFileNameExA(HANDLE process, HMODULE module, LPSTR name, DWORD size);
  NTSTATUS LsaOpenPolicy(PLSA_UNICODE_STRING system, PLSA_OBJECT_ATTRIBUTES attributes, ACCESS_MASK access,
                         PLSA_HANDLE policy);
  NTSTATUS LsaQueryInformationPolicy(LSA_HANDLE policy, POLICY_INFORMATION_CLASS kind, PVOID* buffer);
  NTSTATUS LsaFreeMemory(PVOID buffer);
  NTSTATUS LsaClose(LSA_HANDLE policy);

  // What an LSA call gives when Advapi32.DLL or its entry point is missing.
  static const NTSTATUS kLsaMissing = 31;

 private:
  enum Library { KERNEL32, PSAPI, ADVAPI32, SHELL32, SHFOLDER, LIBRARY_COUNT };
  enum Entry {
    ENTRY_GET_DISK_FREE_SPACE_EX,
    ENTRY_GET_PRODUCT_INFO,
    ENTRY_CREATE_TOOLHELP32_SNAPSHOT,
    ENTRY_PROCESS32_FIRST,
    ENTRY_PROCESS32_NEXT,
    ENTRY_ENUM_PROCESSES,
    ENTRY_ENUM_PROCESS_MODULES,
    ENTRY_GET_MODULE_FILE_NAME_EX,
    ENTRY_LSA_OPEN_POLICY,
    ENTRY_LSA_QUERY_INFORMATION_POLICY,
    ENTRY_LSA_FREE_MEMORY,
    ENTRY_LSA_CLOSE,
    ENTRY_SH_GET_FOLDER_PATH,
    ENTRY_COUNT
  };

  // The entry point, or null when it cannot be had. With `raise`, a module that
  // cannot be loaded or an entry point that is missing throws instead.
  FARPROC entry(Entry which, Library library, const char* name, bool raise);
  [[noreturn]] void throwNoModule();
  [[noreturn]] void throwNoFunction();

  Platform& platform_;
  HMODULE modules_[LIBRARY_COUNT] = {};
  FARPROC entries_[ENTRY_COUNT] = {};
};
