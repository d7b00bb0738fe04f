#pragma once

// QSvrInfo.dll, the document server product's server information library, as
// its callers see it: two plain C functions (the caller removes the
// arguments), bound by name at load time (QSvrInfo.names).

#ifdef QSVRINFO_BUILDING
#define QSVRINFO_API extern "C"
#else
#define QSVRINFO_API extern "C" __declspec(dllimport)
#endif

// One server's record. Only hostName and editions are relied upon; the other
// members belong to the library. On x86 hostName is at offset 4 and editions
// at offset 16.
struct ServerInfo {
  unsigned long recordSize;
  char* hostName;  // NUL-terminated, system code page
  unsigned long reserved1;
  unsigned long reserved2;
  unsigned char editions;  // bit values 1, 2 and 4: one installed edition each
};

#if !defined(_WIN64)
static_assert(__builtin_offsetof(ServerInfo, hostName) == 4, "host name at offset 4");
static_assert(__builtin_offsetof(ServerInfo, editions) == 16, "edition flags at offset 16");
#endif

// 0: *list receives one record, to be released with NoxFreeServerInfoList(list, 1).
// Any other value: failure, nothing to release.
QSVRINFO_API int __cdecl NoxRecvServer(char* serverName, ServerInfo** list);
QSVRINFO_API int __cdecl NoxFreeServerInfoList(ServerInfo* list, int count);
