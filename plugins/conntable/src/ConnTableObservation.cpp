#include "ConnTableObservation.h"

#include <cstdio>
#include <cstring>

#include "nox/ReportLeaves.h"
#include "pchelpers/Platform.h"
#include "pchelpers/SocketApi.h"

namespace conntable {

namespace {

const char* const kStateNames[] = {"CLOSED",  "LISTEN",    "SYN_SENT",  "SYN_RCVD",
                                   "ESTAB",   "FIN_WAIT1", "FIN_WAIT2", "CLOSE_WAIT",
                                   "CLOSING", "LAST_ACK",  "TIME_WAIT", "DELETE_TCB"};

constexpr DWORD kQueryAndRead = PROCESS_QUERY_INFORMATION | PROCESS_VM_READ;  // 0x0410
constexpr DWORD kSnapshotProcesses = 2;
constexpr int kBasicTableAttempts = 3;

// A module loaded for one lookup and released with it.
class LoadedModule {
 public:
  explicit LoadedModule(const std::string& name) : module_(currentPlatform().LoadLibraryA(name.c_str())) {}
  ~LoadedModule() {
    if (module_) currentPlatform().FreeLibrary(module_);
  }
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;
  FARPROC entry(const char* name) const {
    return module_ ? currentPlatform().GetProcAddress(module_, name) : nullptr;
  }

 private:
  HMODULE module_;
};

// A file of the system folder by full path ("\system32\<name>" below the
// Windows folder); empty when the Windows folder cannot be read.
std::string systemFile(const char* name) {
  char windows[MAX_PATH];
  UINT length = currentPlatform().GetWindowsDirectoryA(windows, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return "";
  std::string path(windows, length);
  if (path.back() == '\\') path.pop_back();
  return path + "\\system32\\" + name;
}

bool readExtended(Protocol protocol, ConnectionTable& table) {
  std::string path = systemFile("iphlpapi.dll");
  if (path.empty()) return false;
  LoadedModule iphlpapi(path);
  bool tcp = protocol == Protocol::kTcp;
  FARPROC entry =
      iphlpapi.entry(tcp ? "AllocateAndGetTcpExTableFromStack" : "AllocateAndGetUdpExTableFromStack");
  if (!entry) return false;
  SocketApi& net = currentSockets();
  HANDLE heap = net.GetProcessHeap();
  void* answer = nullptr;
  DWORD result = tcp ? net.AllocateAndGetTcpExTableFromStack(entry, &answer, TRUE, heap, 0, AF_INET)
                     : net.AllocateAndGetUdpExTableFromStack(entry, &answer, TRUE, heap, 0, AF_INET);
  if (result != NO_ERROR || !answer) return false;
  table.withOwners = true;
  if (tcp) {
    const MIB_TCPEXTABLE* rows = static_cast<const MIB_TCPEXTABLE*>(answer);
    for (DWORD i = 0; i < rows->dwNumEntries; ++i) {
      const MIB_TCPEXROW& r = rows->table[i];
      table.rows.push_back(
          {r.dwState, r.dwLocalAddr, r.dwLocalPort, r.dwRemoteAddr, r.dwRemotePort, r.dwProcessId});
    }
  } else {
    const MIB_UDPEXTABLE* rows = static_cast<const MIB_UDPEXTABLE*>(answer);
    for (DWORD i = 0; i < rows->dwNumEntries; ++i) {
      const MIB_UDPEXROW& r = rows->table[i];
      table.rows.push_back({0, r.dwLocalAddr, r.dwLocalPort, 0, 0, r.dwProcessId});
    }
  }
  net.HeapFree(heap, 0, answer);
  return true;
}

bool readBasic(Protocol protocol, ConnectionTable& table) {
  LoadedModule iphlpapi("iphlpapi.dll");
  bool tcp = protocol == Protocol::kTcp;
  FARPROC entry = iphlpapi.entry(tcp ? "GetTcpTable" : "GetUdpTable");
  if (!entry) return false;
  SocketApi& net = currentSockets();
  std::vector<DWORD> buffer;
  ULONG size = 0;
  DWORD result = ERROR_INSUFFICIENT_BUFFER;
  // The table may grow between asking for its size and reading it.
  for (int attempt = 0; attempt < kBasicTableAttempts && result == ERROR_INSUFFICIENT_BUFFER; ++attempt) {
    buffer.assign(size / sizeof(DWORD) + 1, 0);
    void* data = size ? buffer.data() : nullptr;
    result = tcp ? net.GetTcpTable(entry, static_cast<PMIB_TCPTABLE>(data), &size, TRUE)
                 : net.GetUdpTable(entry, static_cast<PMIB_UDPTABLE>(data), &size, TRUE);
    if (!data && result == NO_ERROR) result = ERROR_INSUFFICIENT_BUFFER;
  }
  if (result != NO_ERROR) return false;
  if (tcp) {
    const MIB_TCPTABLE* rows = reinterpret_cast<const MIB_TCPTABLE*>(buffer.data());
    for (DWORD i = 0; i < rows->dwNumEntries; ++i) {
      const MIB_TCPROW& r = rows->table[i];
      table.rows.push_back({r.dwState, r.dwLocalAddr, r.dwLocalPort, r.dwRemoteAddr, r.dwRemotePort, 0});
    }
  } else {
    const MIB_UDPTABLE* rows = reinterpret_cast<const MIB_UDPTABLE*>(buffer.data());
    for (DWORD i = 0; i < rows->dwNumEntries; ++i) {
      table.rows.push_back({0, rows->table[i].dwLocalAddr, rows->table[i].dwLocalPort, 0, 0, 0});
    }
  }
  return true;
}

std::string processStatusName(DWORD pid) {
  Platform& platform = currentPlatform();
  const std::string unknown = "unknown ";
  HANDLE process = platform.OpenProcess(kQueryAndRead, FALSE, pid);
  if (!process) return unknown;
  std::string name = unknown;
  LoadedModule psapi("psapi.dll");
  FARPROC enumModules = psapi.entry("EnumProcessModules");
  FARPROC baseName = psapi.entry("GetModuleBaseNameA");
  HMODULE first = nullptr;
  DWORD needed = 0;
  char text[MAX_PATH + 1] = {};
  if (enumModules && baseName &&
      platform.EnumProcessModules(enumModules, process, &first, sizeof first, &needed) &&
      platform.GetModuleBaseNameA(baseName, process, first, text, MAX_PATH) > 0) {
    name = text;
  }
  platform.CloseHandle(process);
  return name;
}

std::string toolhelpName(DWORD pid) {
  Platform& platform = currentPlatform();
  const std::string error = "error ";
  std::string path = systemFile("kernel32.dll");
  if (path.empty()) return error;
  LoadedModule kernel(path);
  FARPROC snapshotEntry = kernel.entry("CreateToolhelp32Snapshot");
  FARPROC firstEntry = kernel.entry("Process32First");
  FARPROC nextEntry = kernel.entry("Process32Next");
  if (!snapshotEntry || !firstEntry || !nextEntry) return error;
  HANDLE snapshot = platform.CreateToolhelp32Snapshot(snapshotEntry, kSnapshotProcesses, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return error;
  PROCESSENTRY32 entry;
  std::memset(&entry, 0, sizeof entry);
  entry.dwSize = sizeof entry;
  std::string name = error;
  if (platform.Process32First(firstEntry, snapshot, &entry)) {
    name = "Unknown";
    do {
      if (entry.th32ProcessID == pid) {
        name = std::string(entry.szExeFile, strnlen(entry.szExeFile, sizeof entry.szExeFile));
        break;
      }
    } while (platform.Process32Next(nextEntry, snapshot, &entry));
  }
  platform.CloseHandle(snapshot);
  return name;
}

void addEndpoint(Report& port, const char* address, const char* portName, DWORD addr, DWORD field) {
  addText(port, address, dottedAddress(addr).c_str());
  addNumber(port, portName, portNumber(field));
}

void addTable(Report& parent, const ConnectionTable& table, Protocol protocol, ProcessNames& names) {
  for (const Connection& row : table.rows) {
    Report& port = addNode(parent, "port");
    if (table.withOwners) {
      addNumber(port, "pid", row.pid);
      addText(port, "pname", names.of(row.pid).c_str());
    }
    addEndpoint(port, "localAddr", "localPort", row.localAddr, row.localPort);
    if (protocol == Protocol::kTcp) {
      addEndpoint(port, "remoteAddr", "remotePort", row.remoteAddr, row.remotePort);
      addText(port, "state", stateName(row.state));
    }
  }
}

}  // namespace

ConnectionTable readTable(Protocol protocol) {
  ConnectionTable table;
  if (!readExtended(protocol, table)) readBasic(protocol, table);
  return table;
}

const char* stateName(DWORD state) {
  if (state < 1 || state > sizeof kStateNames / sizeof kStateNames[0]) return "UNKNOWN";
  return kStateNames[state - 1];
}

std::string dottedAddress(DWORD networkOrder) {
  const unsigned char* b = reinterpret_cast<const unsigned char*>(&networkOrder);
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
  return text;
}

unsigned int portNumber(DWORD field) { return (field & 0xFF) << 8 | (field >> 8 & 0xFF); }

const std::string& ProcessNames::of(DWORD pid) {
  auto known = known_.find(pid);
  if (known != known_.end()) return known->second;
  OSVERSIONINFOA version;
  std::memset(&version, 0, sizeof version);
  version.dwOSVersionInfoSize = sizeof version;
  bool nt4 = currentPlatform().GetVersionExA(&version) && version.dwMajorVersion == 4;
  return known_[pid] = nt4 ? processStatusName(pid) : toolhelpName(pid);
}

void ConnTableObservation::observe(Report& report) {
  report.setName("conntable");
  ProcessNames names;
  addTable(addNode(report, "TCP"), readTable(Protocol::kTcp), Protocol::kTcp, names);
  addTable(addNode(report, "UDP"), readTable(Protocol::kUdp), Protocol::kUdp, names);
}

}  // namespace conntable
