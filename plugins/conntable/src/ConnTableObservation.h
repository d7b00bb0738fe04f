#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "nox/PluginModule.h"

namespace conntable {

// One row of a connection table as Windows keeps it: addresses in network
// byte order, ports in network byte order in the low 16 bits.
struct Connection {
  DWORD state = 0;  // TCP only
  DWORD localAddr = 0;
  DWORD localPort = 0;
  DWORD remoteAddr = 0;  // TCP only
  DWORD remotePort = 0;  // TCP only
  DWORD pid = 0;         // extended tables only
};

struct ConnectionTable {
  bool withOwners = false;  // from the extended table, which names each row's process
  std::vector<Connection> rows;
};

enum class Protocol { kTcp, kUdp };

// The extended table when IP Helper of the system folder has it (Windows XP and
// Server 2003), else the basic one (Windows 98, NT 4 SP4 and later); no rows
// when neither can be read.
ConnectionTable readTable(Protocol protocol);

// The state word of a numeric TCP state; "UNKNOWN" outside 1 to 12.
const char* stateName(DWORD state);

std::string dottedAddress(DWORD networkOrder);

// The port of a table field in host order.
unsigned int portNumber(DWORD field);

// Executable names of processes by identifier, looked up once per report:
// through the process-status functions on Windows NT 4, through Toolhelp on
// the others. Failures give "unknown " (process status), "error " (Toolhelp
// unavailable) or "Unknown" (no such process).
class ProcessNames {
 public:
  const std::string& of(DWORD pid);

 private:
  std::map<DWORD, std::string> known_;
};

// "conntable" with "TCP" and "UDP": one "port" per row of each table.
class ConnTableObservation : public PluginRootObservation {
 public:
  void observe(Report& report) override;
};

}  // namespace conntable
