// Stand-in for QSvrInfo.dll: server records from a description file instead of
// asking the document server. See standins/README.md.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#define QSVRINFO_BUILDING
#include "QSvrInfo.h"
#include "StandinModule.h"

namespace {

// QSVRINFO_SERVERS names the description file; otherwise QSvrInfo.ini beside this library.
std::string descriptionFile() { return standin::environmentOrBeside("QSVRINFO_SERVERS", "QSvrInfo.ini"); }

std::string profileText(const std::string& file, const char* section, const char* key) {
  std::string buffer(256, '\0');
  for (;;) {
    DWORD length = GetPrivateProfileStringA(section, key, "", &buffer[0], static_cast<DWORD>(buffer.size()),
                                            file.c_str());
    if (length + 1 < buffer.size()) return buffer.substr(0, length);
    buffer.resize(buffer.size() * 2);
  }
}

LONG liveRecords = 0;

}  // namespace

QSVRINFO_API int __cdecl NoxRecvServer(char* serverName, ServerInfo** list) {
  if (!serverName || !list) return ERROR_INVALID_PARAMETER;
  std::string file = descriptionFile();
  if (file.empty() || GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES)
    return ERROR_FILE_NOT_FOUND;
  std::string editions = *serverName ? profileText(file, serverName, "Editions") : std::string();
  if (editions.empty()) return ERROR_BAD_NETPATH;
  std::string host = profileText(file, serverName, "HostName");
  if (host.empty()) host = serverName;

  ServerInfo* record = static_cast<ServerInfo*>(std::calloc(1, sizeof(ServerInfo)));
  char* hostName = static_cast<char*>(std::malloc(host.size() + 1));
  if (!record || !hostName) {
    std::free(record);
    std::free(hostName);
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  std::memcpy(hostName, host.c_str(), host.size() + 1);
  record->recordSize = sizeof(ServerInfo);
  record->hostName = hostName;
  record->editions = static_cast<unsigned char>(std::strtoul(editions.c_str(), nullptr, 0));
  InterlockedIncrement(&liveRecords);
  *list = record;
  return 0;
}

QSVRINFO_API int __cdecl NoxFreeServerInfoList(ServerInfo* list, int count) {
  if (!list || count < 1) return ERROR_INVALID_PARAMETER;
  for (int i = 0; i < count; ++i) {
    std::free(list[i].hostName);
    InterlockedDecrement(&liveRecords);
  }
  std::free(list);
  return 0;
}

// Not part of the vendor library: records handed out and not yet released, for tests.
extern "C" __declspec(dllexport) LONG __cdecl QSvrInfoStandinLiveRecords() { return liveRecords; }
