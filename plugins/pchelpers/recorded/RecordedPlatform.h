#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "pchelpers/Platform.h"

// A Platform that answers from a scenario: a readable text file recording what
// one machine (Windows 95, NT 4, XP, 2008 R2, a domain member ...) says. Tests
// install it with ScopedPlatform. Nothing here touches the machine it runs on.
//
// Scenario text: "[section]" lines, "key = value" lines, '#' starts a comment
// line; "@include NAME.scn" (scenario files only) reads another scenario of the
// same folder in its place, so a machine can be extended for one area without
// copying it. "[KIND NAME]" sections of any kind are listed by named(KIND).
// Sections:
//   [version]      platform major minor build servicePack servicePackMajor
//                  servicePackMinor productType suiteMask productInfo
//                  fail (GetVersionExA fails) lastError
//   [system]       architecture processors nativeArchitecture metric.<n>
//   [missing]      lines "Module.dll" (cannot be loaded) or "Module.dll!Entry"
//   [cpu]          cpuid (yes/no) leaf.<hex> = eax ebx ecx edx, mhz
//   [memory]       ex (yes/no/fail) totalPhys availPhys totalVirtual
//                  availVirtual totalPageFile availPageFile
//   [environment]  NAME = value
//   [folders]      windows system commonFiles (a missing key makes the call fail)
//   [modules]      name = full path of a loaded module
//   [drive X:\]    type fileSystem total free ex (yes/fail) sectorsPerCluster
//                  bytesPerSector freeClusters totalClusters (0 clusters: fails)
//   [file PATH]    version written (YYYY-MM-DD HH:MM:SS) narrow (yes: the key
//                  stands as narrow text in the version block) product (the
//                  fixed record's product version, when not the file's); other keys are
//                  kept for the recorded seams of other areas (RecordedFileApi)
//   [profile APP]  KEY = text (GetProfileStringA of win.ini section APP)
//   [spooler]      fail = words out of ports monitors drivers printers (that
//                  enumeration fails); environment (default driver environment);
//                  returned.ports (.monitors .drivers .printers) = the count that
//                  enumeration reports, whatever it wrote
//   [port NAME]    monitor description type (PORT_INFO_1/2, in file order)
//   [monitor NAME] environment dll (MONITOR_INFO_1/2; level 2 fails on 9x)
//   [driver NAME]  version environment path data config help monitor datatype
//                  dependent (names "a, b": pDependentFiles; dependentEnd = open
//                  leaves off its terminators)
//   [printer NAME] scopes (words out of local connections name: the
//                  EnumPrintersA flags that list it), server share port driver
//                  comment location sepFile printProcessor datatype parameters
//                  attributes priority defaultPriority status jobs; a text key
//                  left out gives a null pointer in PRINTER_INFO_2; devMode = yes
//                  with dm.* keys gives pDevMode (see RecordedSpoolerData.h)
//   [processes]    snapshot (fail: CreateToolhelp32Snapshot fails), enum (fail:
//                  EnumProcesses fails), returned (the byte count EnumProcesses
//                  reports, whatever it wrote)
//   [process ID]   exe (Toolhelp file name; else the base of path), path (first
//                  module's file; its base name is GetModuleBaseNameA's answer),
//                  open (no: OpenProcess is denied), modules (no:
//                  EnumProcessModules fails)
//   [services]     manager (fail: OpenSCManagerA denied), enum (fail), returned
//                  (the count EnumServicesStatusA reports, whatever it wrote)
//   [service NAME] display state type (0x10 own process unless given)
//   [lsa]          open (fail), query (fail), domain (primary domain name),
//                  sid (yes: the domain record carries a SID, as for a member)
//   [HKEY_...\path] registry values in the registry-editor export syntax:
//                  "name"="text", "name"=dword:0000000a, "name"=hex:01,02,
//                  "name"=hex(7):61,00,00, "name"=multi:"a","b", @="default"
class RecordedPlatform : public Platform {
 public:
  // Throws std::runtime_error naming the line when the text cannot be read.
  static std::unique_ptr<RecordedPlatform> fromText(const std::string& text);
  static std::unique_ptr<RecordedPlatform> fromFile(const std::string& path);

  RecordedPlatform();
  ~RecordedPlatform() override;

  // What the code under test left behind, for leak checks.
  int openRegistryKeys() const { return openKeys_; }
  int loadedModules() const { return loadedModules_; }
  const std::vector<DWORD>& priorityClassesSet() const { return prioritySets_; }
  // Process, snapshot, service manager and LSA handles still open; LSA buffers not freed.
  int openHandles() const { return openHandles_; }
  int lsaBuffers() const { return static_cast<int>(lsaBuffers_.size()); }

  HMODULE LoadLibraryA(LPCSTR name) override;
  BOOL FreeLibrary(HMODULE module) override;
  FARPROC GetProcAddress(HMODULE module, LPCSTR name) override;
  HMODULE GetModuleHandleA(LPCSTR name) override;
  DWORD GetModuleFileNameA(HMODULE module, LPSTR buffer, DWORD size) override;
  DWORD GetLastError() override { return lastError_; }

  LONG RegOpenKeyExA(HKEY root, LPCSTR path, DWORD options, REGSAM access, PHKEY result) override;
  LONG RegCloseKey(HKEY key) override;
  LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPSTR className,
                     LPDWORD classSize, PFILETIME lastWrite) override;
  LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPDWORD type,
                     LPBYTE data, LPDWORD dataSize) override;
  LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                        LPDWORD dataSize) override;

  BOOL GetVersionExA(LPOSVERSIONINFOA info) override;
  BOOL GetProductInfo(FARPROC entry, DWORD major, DWORD minor, DWORD spMajor, DWORD spMinor,
                      PDWORD productType) override;
  void GetSystemInfo(LPSYSTEM_INFO info) override;
  void GetNativeSystemInfo(FARPROC entry, LPSYSTEM_INFO info) override;
  int GetSystemMetrics(int index) override;
  BOOL GlobalMemoryStatusEx(FARPROC entry, LPMEMORYSTATUSEX status) override;
  void GlobalMemoryStatus(LPMEMORYSTATUS status) override;
  DWORD ExpandEnvironmentStringsA(LPCSTR pattern, LPSTR buffer, DWORD size) override;

  bool cpuidSupported() override;
  void cpuid(unsigned int leaf, unsigned int registers[4]) override;
  unsigned long long readTimeStampCounter() override;
  DWORD timeGetTime() override;

  HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) override;
  BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data) override;
  BOOL FindClose(HANDLE find) override;
  DWORD GetFileVersionInfoSizeA(LPCSTR path, LPDWORD handle) override;
  BOOL GetFileVersionInfoA(LPCSTR path, DWORD handle, DWORD size, LPVOID block) override;
  BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT length) override;
  UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) override;
  UINT GetSystemDirectoryA(LPSTR buffer, UINT size) override;
  HRESULT SHGetFolderPathA(FARPROC entry, HWND owner, int folder, HANDLE token, DWORD flags,
                           LPSTR path) override;
  DWORD GetLogicalDriveStringsA(DWORD size, LPSTR buffer) override;
  UINT GetDriveTypeA(LPCSTR root) override;
  BOOL GetVolumeInformationA(LPCSTR root, LPSTR volumeName, DWORD volumeNameSize, LPDWORD serial,
                             LPDWORD maxComponent, LPDWORD flags, LPSTR fileSystem,
                             DWORD fileSystemSize) override;
  BOOL GetDiskFreeSpaceA(LPCSTR root, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector, LPDWORD freeClusters,
                         LPDWORD totalClusters) override;
  BOOL GetDiskFreeSpaceExA(FARPROC entry, LPCSTR root, PULARGE_INTEGER freeToCaller, PULARGE_INTEGER total,
                           PULARGE_INTEGER totalFree) override;

  HANDLE GetCurrentProcess() override;
  DWORD GetPriorityClass(HANDLE process) override;
  BOOL SetPriorityClass(HANDLE process, DWORD priorityClass) override;
  HANDLE OpenProcess(DWORD access, BOOL inherit, DWORD processId) override;
  BOOL CloseHandle(HANDLE handle) override;

  SC_HANDLE OpenSCManagerA(LPCSTR machine, LPCSTR database, DWORD access) override;
  BOOL EnumServicesStatusA(SC_HANDLE manager, DWORD type, DWORD state, LPENUM_SERVICE_STATUSA services,
                           DWORD size, LPDWORD needed, LPDWORD returned, LPDWORD resume) override;
  BOOL CloseServiceHandle(SC_HANDLE handle) override;

  HANDLE CreateToolhelp32Snapshot(FARPROC entry, DWORD flags, DWORD processId) override;
  BOOL Process32First(FARPROC entry, HANDLE snapshot, LPPROCESSENTRY32 process) override;
  BOOL Process32Next(FARPROC entry, HANDLE snapshot, LPPROCESSENTRY32 process) override;
  BOOL EnumProcesses(FARPROC entry, DWORD* processIds, DWORD size, DWORD* returned) override;
  BOOL EnumProcessModules(FARPROC entry, HANDLE process, HMODULE* modules, DWORD size,
                          LPDWORD needed) override;
  DWORD GetModuleFileNameExA(FARPROC entry, HANDLE process, HMODULE module, LPSTR name, DWORD size) override;
  DWORD GetModuleBaseNameA(FARPROC entry, HANDLE process, HMODULE module, LPSTR name, DWORD size) override;

  NTSTATUS LsaOpenPolicy(FARPROC entry, PLSA_UNICODE_STRING system, PLSA_OBJECT_ATTRIBUTES attributes,
                         ACCESS_MASK access, PLSA_HANDLE policy) override;
  NTSTATUS LsaQueryInformationPolicy(FARPROC entry, LSA_HANDLE policy, POLICY_INFORMATION_CLASS kind,
                                     PVOID* buffer) override;
  NTSTATUS LsaFreeMemory(FARPROC entry, PVOID buffer) override;
  NTSTATUS LsaClose(FARPROC entry, LSA_HANDLE policy) override;

  DWORD GetProfileStringA(LPCSTR section, LPCSTR key, LPCSTR fallback, LPSTR buffer, DWORD size) override;
  BOOL EnumPortsA(LPSTR server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                  LPDWORD returned) override;
  BOOL EnumMonitorsA(LPSTR server, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                     LPDWORD returned) override;
  BOOL EnumPrinterDriversA(LPSTR server, LPSTR environment, DWORD level, LPBYTE buffer, DWORD size,
                           LPDWORD needed, LPDWORD returned) override;
  BOOL EnumPrintersA(DWORD flags, LPSTR name, DWORD level, LPBYTE buffer, DWORD size, LPDWORD needed,
                     LPDWORD returned) override;

  struct RegistryNode;
  using Section = std::map<std::string, std::string>;

  // The scenario as read, for the recorded seams of other areas (network,
  // directory ...), which keep their sections in the same file and report
  // failures through this machine's GetLastError.
  const Section& section(const std::string& name) const;
  std::string get(const std::string& sectionName, const std::string& key,
                  const std::string& fallback = "") const;
  unsigned long long number(const std::string& sectionName, const std::string& key,
                            unsigned long long fallback = 0) const;
  bool has(const std::string& sectionName, const std::string& key) const;
  // A scenario time "YYYY-MM-DD HH:MM:SS" (local time) as a file time (UTC).
  static FILETIME fileTime(const std::string& text);
  // Names of the "[KIND NAME]" sections of one kind, in file order.
  const std::vector<std::string>& named(const std::string& kind) const;
  // Sets the last error and returns false.
  bool fail(DWORD error);
  void setLastError(DWORD error) { lastError_ = error; }

 private:
  struct FileRecord;
  bool spoolerFails(const std::string& what);
  struct RecordTable;
  BOOL answer(const RecordTable& table, LPBYTE buffer, DWORD size, LPDWORD needed, LPDWORD returned);
  BOOL spoolerAnswer(const std::string& what, const RecordTable& table, LPBYTE buffer, DWORD size,
                     LPDWORD needed, LPDWORD returned);
  RegistryNode* node(HKEY key);
  const FileRecord* file(const std::string& path) const;
  void parse(const std::string& text);

  std::map<std::string, Section> sections_;
  std::vector<std::string> driveOrder_;
  std::map<std::string, std::vector<std::string>> named_;
  std::map<void*, size_t> snapshots_;  // open snapshot -> position of its walk
  std::vector<void*> lsaBuffers_;
  std::map<std::string, std::unique_ptr<FileRecord>> files_;
  std::map<HKEY, std::unique_ptr<RegistryNode>> roots_;
  DWORD lastError_ = 0;
  int openKeys_ = 0;
  int openHandles_ = 0;
  int loadedModules_ = 0;
  DWORD clock_ = 1000;
  DWORD priorityClass_ = NORMAL_PRIORITY_CLASS;
  std::vector<DWORD> prioritySets_;
  std::vector<std::unique_ptr<std::string>> modulesByHandle_;
};
