#include "SystemSections.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "PcVocabulary.h"
#include "nox/ReportLeaves.h"
#include "pchelpers/SystemInformation.h"

namespace pc {

namespace {

std::string editionName(int kind, int edition) {
  switch (kind) {
    case 4:
      switch (edition) {
        case 1:
          return "Windows NT WorkStation";
        case 2:
          return "Windows NT Server";
        case 3:
          return "Windows NT Server(Domain Contoroller)";
        default:
          return "Windows NT";
      }
    case 5:
      switch (edition) {
        case 4:
          return "Windows 2000 Professional";
        case 5:
          return "Windows 2000 Server(Domain Contoroller)";
        case 6:
          return "Windows 2000 Server";
        case 7:
          return "Windows 2000 Advanced Server";
        case 8:
          return "Windows 2000 DataCenter Server";
        case 9:
          return "Microsoft Small Business Server";
        default:
          return "Windows 2000";
      }
    case 6:
      switch (edition) {
        case 10:
          return "Windows XP Home Edition";
        case 11:
          return "Windows XP Professional";
        case 12:
          return "Windows XP Professional x64 Edition";
        default:
          return "Windows XP";
      }
    default:
      return "";
  }
}

WORD nativeArchitecture(Platform& platform) {
  SYSTEM_INFO info;
  std::memset(&info, 0, sizeof info);
  HMODULE kernel = platform.LoadLibraryA("kernel32.dll");
  FARPROC entry = kernel ? platform.GetProcAddress(kernel, "GetNativeSystemInfo") : nullptr;
  if (entry) {
    platform.GetNativeSystemInfo(entry, &info);
  } else {
    platform.GetSystemInfo(&info);
  }
  if (kernel) platform.FreeLibrary(kernel);
  return info.wProcessorArchitecture;
}

std::string server2003Name(SystemInformation& system) {
  Platform& platform = currentPlatform();
  std::string name = "Windows Server 2003 ";
  if (platform.GetSystemMetrics(SM_SERVERR2) != 0) name += "R2 ";
  switch (system.getEditionCode()) {
    case 13:
      name += "Standard Edition";
      break;
    case 14:
      name += "Enterprise Edition";
      break;
    case 15:
      name += "Datacenter Edition";
      break;
    case 16:
      name += "Web Edition";
      break;
    default:
      break;
  }
  switch (nativeArchitecture(platform)) {
    case PROCESSOR_ARCHITECTURE_IA64:
      name += " (Itanium-based Systems)";
      break;
    case PROCESSOR_ARCHITECTURE_AMD64:
      name += " (x64-based Systems)";
      break;
    default:
      break;
  }
  return name;
}

std::string windows6Name(SystemInformation& system) {
  int minor = std::atoi(system.getMinorVersionText().getData());
  std::string name;
  if (system.getNtProductType() == VER_NT_WORKSTATION) {
    name = minor == 1 ? "Windows 7" : "Windows Vista";
  } else {
    name = "Windows Server 2008";
    if (minor == 1) name += "R2 ";
  }
  return name + productTypeText(system.getProductType());
}

// A registry text read into its own 1024-byte buffer; "" when unreadable.
std::string internetExplorerValue(HKEY key, const char* name) {
  char buffer[1025] = {};
  DWORD size = 1024;  // one byte kept back so the text always ends
  if (currentPlatform().RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                                         &size) != ERROR_SUCCESS) {
    return "";
  }
  return buffer;
}

}  // namespace

std::string windowsName() {
  SystemInformation system;
  int kind = system.getWindowsKind();
  switch (kind) {
    case 1:
      return "Windows 95";
    case 2:
      return "Windows 98";
    case 3:
      return "Windows Me";
    case 4:
    case 5:
    case 6:
      return editionName(kind, system.getEditionCode());
    case 7:
      return server2003Name(system);
    case 8:
      return windows6Name(system);
    default:
      return "unknown";
  }
}

void fillOsVersionSection(Report& section) {
  SystemInformation system;
  std::string text = windowsName() + " " + system.getMajorVersionText().getData() + "." +
                     system.getMinorVersionText().getData() + "." + system.getBuildNumberText().getData() +
                     " " + system.getServicePackText().getData();
  addText(section, "osVersionInfomation", text.c_str());

  Platform& platform = currentPlatform();
  HKEY key = nullptr;
  std::string version, build;
  if (platform.RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Internet Explorer", 0, KEY_READ,
                             &key) == ERROR_SUCCESS) {
    version = internetExplorerValue(key, "Version");
    build = internetExplorerValue(key, "Build");
    platform.RegCloseKey(key);
  }
  addText(section, "ieVersion", version.empty() ? "unknown" : ("IE " + version).c_str());
  addText(section, "ieBuidNumber", build.empty() ? "unknown" : build.c_str());
}

void fillMemorySection(Report& section) {
  Platform& platform = currentPlatform();
  unsigned long long figures[6] = {};
  bool haveEx = false;
  HMODULE kernel = platform.LoadLibraryA("kernel32.dll");
  if (kernel) {
    FARPROC entry = platform.GetProcAddress(kernel, "GlobalMemoryStatusEx");
    MEMORYSTATUSEX status;
    std::memset(&status, 0, sizeof status);
    status.dwLength = 64;
    if (entry && platform.GlobalMemoryStatusEx(entry, &status) && status.ullTotalPhys != 0) {
      unsigned long long ex[6] = {status.ullTotalPhys,    status.ullAvailPhys,     status.ullTotalVirtual,
                                  status.ullAvailVirtual, status.ullTotalPageFile, status.ullAvailPageFile};
      std::memcpy(figures, ex, sizeof figures);
      haveEx = true;
    }
    platform.FreeLibrary(kernel);
  }
  if (!haveEx) {
    MEMORYSTATUS status;
    std::memset(&status, 0, sizeof status);
    status.dwLength = sizeof status;
    platform.GlobalMemoryStatus(&status);
    unsigned long long old[6] = {status.dwTotalPhys,    status.dwAvailPhys,     status.dwTotalVirtual,
                                 status.dwAvailVirtual, status.dwTotalPageFile, status.dwAvailPageFile};
    std::memcpy(figures, old, sizeof figures);
  }
  static const char* const names[6] = {
      "totalPhysicalMemoryInformation", "availablePhysicalMemoryInformation", "totalVirtualMemory",
      "availableVirtualMemory",         "totalPageFileInformation",           "availablePageFileInformation"};
  for (int i = 0; i < 6; ++i) addText(section, names[i], sizeText(figures[i]).c_str());
}

void fillEnvironmentSection(Report& section) {
  Platform& platform = currentPlatform();
  for (const EnvironmentVariable& variable : kEnvironmentVariables) {
    char probe[1];
    DWORD size = platform.ExpandEnvironmentStringsA(variable.pattern, probe, 1);
    std::string value;
    if (size != 0) {
      std::vector<char> buffer(size + 1, '\0');
      DWORD written = platform.ExpandEnvironmentStringsA(variable.pattern, buffer.data(), size);
      if (written != 0 && written <= size) value = buffer.data();
    }
    addText(section, variable.node, value.c_str());
  }
}

namespace {
void addDiskSpace(Report& drive, const char* root) {
  Win32ApiWrapper api;
  unsigned long long total = 0, free = 0;
  bool known = false;
  if (!SystemInformation().isFirstWindows95Release()) {
    ULARGE_INTEGER toCaller, totalBytes, totalFree;
    if (api.GetDiskFreeSpaceExA(root, &toCaller, &totalBytes, &totalFree)) {
      total = totalBytes.QuadPart;
      free = toCaller.QuadPart;
      known = true;
    }
  }
  if (!known) {
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (api.GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters)) {
      // In 64 bits: the 32-bit product wraps for volumes of 4 GiB and more.
      unsigned long long cluster = 1ull * sectorsPerCluster * bytesPerSector;
      total = cluster * totalClusters;
      free = cluster * freeClusters;
      known = true;
    }
  }
  if (!known) {
    addText(drive, "totakDiskSpace", "size unknown").setSuccess(false);
    return;
  }
  addText(drive, "totakDiskSpace", sizeText(total).c_str());
  addText(drive, "freeDiskSpace", sizeText(free).c_str());
}
}  // namespace

void fillDriveSection(Report& section) {
  Platform& platform = currentPlatform();
  DWORD length = platform.GetLogicalDriveStringsA(0, nullptr);
  if (length == 0) {
    addNode(section, "driveInfomation").setSuccess(false);
  } else {
    // Room for the list, its closing terminator and one more, in case it grew meanwhile.
    std::vector<char> list(length + 2, '\0');
    DWORD got = platform.GetLogicalDriveStringsA(length + 1, list.data());
    if (got > length + 1) got = 0;  // it grew past the buffer: walk only what is certainly there
    int index = 0;
    Win32ApiWrapper api;
    for (const char* root = list.data(); *root && root < list.data() + got; root += std::strlen(root) + 1) {
      Report& drive = addNode(section, "driveInfomation");
      char number[16];
      std::snprintf(number, sizeof number, "%d", index++);
      addAttribute(drive, "index", number);
      addText(drive, "driveName", root);
      UINT type = platform.GetDriveTypeA(root);
      addText(drive, "driveType", driveTypeText(type));
      char fileSystem[32] = {};
      if (api.GetVolumeInformationA(root, nullptr, 0, nullptr, nullptr, nullptr, fileSystem,
                                    sizeof fileSystem) &&
          fileSystem[0]) {
        addText(drive, "fileSystem", fileSystem);
      }
      if (type == DRIVE_FIXED) addDiskSpace(drive, root);
    }
  }
  char windows[261] = {};
  platform.GetWindowsDirectoryA(windows, 260);
  addText(section, "windowsDirectory", windows);
}

}  // namespace pc
