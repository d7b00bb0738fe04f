// Sections "execApplication", "installedApplication", "runApplication" and
// "service": what runs, what is installed and what starts with Windows.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "InventorySections.h"
#include "nox/ReportLeaves.h"
#include "nox/Sections.h"
#include "pchelpers/Registry.h"
#include "pchelpers/SystemInformation.h"

namespace pc {

namespace {

// Windows 9x: the Toolhelp snapshot. False when no snapshot can be taken.
bool listToolhelpProcesses(Report& section) {
  Win32ApiWrapper api;
  HANDLE snapshot = api.CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  // The snapshot is released however the walk ends.
  struct Release {
    Win32ApiWrapper& api;
    HANDLE handle;
    ~Release() { api.CloseHandle(handle); }
  } release{api, snapshot};
  PROCESSENTRY32 process;
  std::memset(&process, 0, sizeof process);
  process.dwSize = sizeof process;  // 296 in the 32-bit layout
  for (BOOL more = api.Process32First(snapshot, &process); more;
       more = api.Process32Next(snapshot, &process)) {
    Report& node = addNode(section, "execApplicationInformation");
    char id[16];
    std::snprintf(id, sizeof id, "0x%lx", static_cast<unsigned long>(process.th32ProcessID));
    addText(node, "processID", id);
    addText(node, "idPath", process.szExeFile);
  }
  return true;
}

// The first module's file of a process; "" when the process or its modules cannot be read.
void processPath(Win32ApiWrapper& api, DWORD id, char (&path)[260]) {
  path[0] = '\0';
  HANDLE process = api.OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id);
  if (!process) return;
  HMODULE module = nullptr;
  DWORD needed = 0;
  if (!api.EnumProcessModules(process, &module, sizeof module, &needed) ||
      api.GetModuleFileNameExA(process, module, path, sizeof path) == 0) {
    path[0] = '\0';
  }
  path[sizeof path - 1] = '\0';
  api.CloseHandle(process);
}

// NT: the process status functions. False when the IDs cannot be listed.
bool listProcessStatusProcesses(Report& section) {
  Win32ApiWrapper api;
  HANDLE heap = ::GetProcessHeap();
  DWORD size = 1024;
  DWORD* ids = static_cast<DWORD*>(api.HeapAlloc(heap, 0, size));
  if (!ids) return false;
  struct Release {
    Win32ApiWrapper& api;
    HANDLE heap;
    DWORD*& ids;
    ~Release() {
      if (ids) api.HeapFree(heap, 0, ids);
    }
  } release{api, heap, ids};
  DWORD returned = 0;
  for (;;) {
    if (!api.EnumProcesses(ids, size, &returned)) return false;
    // A count past the buffer is not believed: only what the buffer holds is read.
    if (returned > size) {
      returned = size;
      break;
    }
    // A full buffer may have cut the list short: ask again with twice the room.
    if (returned != size) break;
    api.HeapFree(heap, 0, ids);
    size *= 2;
    ids = static_cast<DWORD*>(api.HeapAlloc(heap, 0, size));
    if (!ids) return false;
  }
  for (DWORD i = 0; i < returned / sizeof(DWORD); ++i) {
    char path[260];
    processPath(api, ids[i], path);
    Report& node = addNode(section, "execApplicationInformation");
    addNumber(node, "processID", ids[i]);
    addText(node, "idPath", path);
  }
  return true;
}

struct StartupKey {
  const char* path;
  const char* name;
};
const StartupKey kStartupKeys[] = {
    {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "run"},
    {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "runOnce"},
    {"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnceEx", "runOnceEx"},
};

const char* const kServiceStates[] = {"[unknown]", "[stopped]", "[starting]", "[stopping]",
                                      "[running]", "[pending]", "[pausing]",  "[paused]"};

}  // namespace

const char* serviceStateText(DWORD state) {
  return state < sizeof kServiceStates / sizeof kServiceStates[0] ? kServiceStates[state] : kServiceStates[0];
}

void fillExecApplicationSection(Report& section) {
  bool listed = false;
  bool ok = guarded([&] {
    switch (SystemInformation().getPlatform()) {
      case 1:
        listed = listToolhelpProcesses(section);
        break;
      case 2:
        listed = listProcessStatusProcesses(section);
        break;
      default:
        break;
    }
  });
  if (!ok || !listed) section.setSuccess(false);
}

void fillInstalledApplicationSection(Report& section) {
  // A raised error ends the walk; what was found stays and the section keeps its success.
  guarded([&] {
    RegistryKey uninstall;
    uninstall.open(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    for (RegistryKey entry = uninstall.nextSubKey(); entry.getPath().length() > 0;
         entry = uninstall.nextSubKey()) {
      entry.reopen();
      if (!entry.isOpen()) continue;
      RegistryValue name = entry.queryValue("DisplayName");
      if (!name.isValid()) continue;
      Report& node = addNode(section, "installedApplicationInformation");
      const String& text = name.getStringValue();
      if (text.length() > 0) addText(node, "applicationName", text.getData());
    }
  });
}

void fillRunApplicationSection(Report& section) {
  for (const StartupKey& startup : kStartupKeys) {
    Report& type = addNode(section, "runInfomationType");
    addAttribute(type, "name", startup.name);
    bool ok = guarded([&] {
      RegistryKey key;
      key.open(HKEY_LOCAL_MACHINE, startup.path);
      // The walk ends at the first value the reader does not keep (REG_EXPAND_SZ among them).
      for (RegistryValue value = key.nextValue(); value.isValid(); value = key.nextValue()) {
        if (value.getKind() != RegistryValue::KIND_STRING) continue;
        Report& entry = addNode(type, "runInfomation");
        addText(entry, "displayName", value.getName().getData());
        addText(entry, "commandLine", value.getStringValue().getData());
      }
    });
    if (!ok) type.setSuccess(false);
  }
}

void fillServiceSection(Report& section) {
  bool listed = true;
  bool ok = guarded([&] {
    if (SystemInformation().getPlatform() == 1) return;
    Win32ApiWrapper api;
    SC_HANDLE manager = api.OpenSCManagerA(nullptr, nullptr, GENERIC_READ | SC_MANAGER_ENUMERATE_SERVICE);
    if (!manager) {
      listed = false;
      return;
    }
    struct Release {
      Win32ApiWrapper& api;
      SC_HANDLE handle;
      ~Release() { api.CloseServiceHandle(handle); }
    } release{api, manager};
    DWORD needed = 0, returned = 0, resume = 0;
    // Learn the size over drivers and Win32 services alike (0x3B), then list the Win32 ones.
    api.EnumServicesStatusA(manager, 0x3B, SERVICE_STATE_ALL, nullptr, 0, &needed, &returned, &resume);
    const DWORD size = needed ? needed : 1;
    void* buffer = api.allocate(size);
    if (!buffer) {
      listed = false;
      return;
    }
    struct Free {
      Win32ApiWrapper& api;
      void* block;
      ~Free() { api.free(block); }
    } free{api, buffer};
    auto* services = static_cast<ENUM_SERVICE_STATUSA*>(buffer);
    resume = 0;
    if (!api.EnumServicesStatusA(manager, SERVICE_WIN32, SERVICE_STATE_ALL, services, size, &needed,
                                 &returned, &resume)) {
      listed = false;
      return;
    }
    // Never more records than the buffer holds, whatever the count says.
    const DWORD count = std::min<DWORD>(returned, size / sizeof(ENUM_SERVICE_STATUSA));
    for (DWORD i = 0; i < count; ++i) {
      Report& node = addNode(section, "serviceInformation");
      addText(node, "serviceName", services[i].lpServiceName ? services[i].lpServiceName : "");
      addText(node, "displayName", services[i].lpDisplayName ? services[i].lpDisplayName : "");
      addText(node, "serviceStatus", serviceStateText(services[i].ServiceStatus.dwCurrentState));
    }
  });
  if (!ok || !listed) section.setSuccess(false);
}

}  // namespace pc
