#include "Adapters.h"

#include <cstring>
#include <string>

#include "IpconfigListing.h"
#include "netdiag/NetDiag.h"
#include "pchelpers/Platform.h"
#include "pchelpers/ProgramApi.h"

namespace netdiag {

namespace {

constexpr DWORD kProgramTimeLimitMs = 60000;
constexpr DWORD kPollMs = 50;

// Reads what waits in the pipe, keeping the first kListingLimit bytes; the rest
// is read and dropped so the program never blocks on a full pipe.
void readWaiting(ProgramApi& programs, HANDLE pipe, std::string& text) {
  char chunk[4096];
  DWORD available = 0;
  while (programs.PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
    DWORD read = 0;
    DWORD wanted = available < sizeof chunk ? available : static_cast<DWORD>(sizeof chunk);
    if (!programs.ReadFile(pipe, chunk, wanted, &read, nullptr) || read == 0) return;
    size_t room = kListingLimit - text.size();
    text.append(chunk, read < room ? read : room);
  }
}

}  // namespace

int windowsFamily() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  Platform& platform = currentPlatform();
  if (!platform.GetVersionExA(&info)) throw new NxInfoException{1, platform.GetLastError(), "GetVersionExA"};
  if (info.dwPlatformId != VER_PLATFORM_WIN32_WINDOWS) return 0;
  if (info.dwMinorVersion < 10) return 1;
  return info.dwMinorVersion < 90 ? 2 : 3;
}

int readAdapters(HGLOBAL* out) {
  ProgramApi& programs = currentPrograms();
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr;
  HANDLE writeEnd = nullptr;
  if (!programs.CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return kNetDiagNoAdapterInfo;

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_HIDE;
  startup.hStdOutput = writeEnd;
  PROCESS_INFORMATION process = {};
  char commandLine[] = "ipconfig.exe /All";
  bool startedProgram = programs.CreateProcessA(nullptr, commandLine, nullptr, nullptr, TRUE, 0, nullptr,
                                                nullptr, &startup, &process);
  // Only the program holds the write end now, so the pipe ends with it.
  programs.CloseHandle(writeEnd);
  if (!startedProgram) {
    programs.CloseHandle(readEnd);
    return kNetDiagNoAdapterInfo;
  }

  std::string text;
  bool finished = false;
  DWORD start = programs.GetTickCount();
  for (;;) {
    readWaiting(programs, readEnd, text);
    if (programs.WaitForSingleObject(process.hProcess, kPollMs) == WAIT_OBJECT_0) {
      readWaiting(programs, readEnd, text);
      finished = true;
      break;
    }
    if (programs.GetTickCount() - start >= kProgramTimeLimitMs) {
      programs.TerminateProcess(process.hProcess, 1);
      break;
    }
  }
  programs.CloseHandle(process.hThread);
  programs.CloseHandle(process.hProcess);
  programs.CloseHandle(readEnd);
  if (!finished) return kNetDiagNoAdapterInfo;

  ListingEntries entries = parseListing(text.data(), text.size());
  if (entries.empty()) return kNetDiagNoMemory;
  AdapterRecord record;
  int count = buildAdapterRecord(entries, record);
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(AdapterRecord));
  if (!block) return kNetDiagNoMemory;
  void* memory = ::GlobalLock(block);
  if (!memory) {
    ::GlobalFree(block);
    return kNetDiagNoMemory;
  }
  if (count > 0) std::memcpy(memory, &record, sizeof record);
  ::GlobalUnlock(block);
  *out = block;
  return count;
}

}  // namespace netdiag
