#include "UserTallyObservations.h"

#include <set>
#include <string>

#include "pchelpers/Directory.h"
#include "pchelpers/DirectoryReport.h"

namespace usertally {

namespace {

const char kNoController[] = " Failed to get PDC's name (0x%08lx)";
const char kCountFailed[] = "Failed to count users. (0x%08lx)";
const DWORD kUserLevel = 1;
const DWORD kGroupLevel = 3;
const DWORD kEntriesPerRequest = 100;

// Where the next request starts: the next index of the last entry of a page.
DWORD nextIndex(DWORD level, const directory::NetBuffer& page, DWORD returned) {
  switch (level) {
    case 1:
      return page.as<NET_DISPLAY_USER>()[returned - 1].usri1_next_index;
    case 2:
      return page.as<NET_DISPLAY_MACHINE>()[returned - 1].usri2_next_index;
    default:
      return page.as<NET_DISPLAY_GROUP>()[returned - 1].grpi3_next_index;
  }
}

// Adds "count" and, when it succeeded, "accesstime(ms)" below `parent`.
void addCount(Report& parent, DirectoryApi& api, const std::wstring& server, DWORD level) {
  DWORD start = api.GetTickCount();
  unsigned long count = 0;
  DWORD error = countEntries(api, server.c_str(), level, count);
  Report& node = addNode(parent, "count");
  if (error != 0) {
    directory::markFailed(node, directory::formatted(kCountFailed, static_cast<unsigned long>(error)));
    return;
  }
  directory::setNumber(node, count);
  addNumber(parent, "accesstime(ms)", api.GetTickCount() - start);
}

}  // namespace

DWORD countEntries(DirectoryApi& api, LPCWSTR server, DWORD level, unsigned long& count) {
  count = 0;
  DWORD index = 0;
  // A server that answers "more data" but leads back to an index already
  // asked for, or sends nothing, would be asked for ever.
  std::set<DWORD> asked;
  for (;;) {
    asked.insert(index);
    directory::NetBuffer page;
    DWORD returned = 0;
    NET_API_STATUS status = api.NetQueryDisplayInformation(server, level, index, kEntriesPerRequest,
                                                           MAX_PREFERRED_LENGTH, &returned, page.outVoid());
    if (status != NERR_Success && status != ERROR_MORE_DATA) return status;
    // Wine answers some levels with success and no buffer: an empty page.
    if (!page.get()) returned = 0;
    count += returned;
    if (status == NERR_Success) return 0;
    if (returned == 0) return ERROR_MORE_DATA;
    index = nextIndex(level, page, returned);
    if (asked.count(index)) return ERROR_MORE_DATA;
  }
}

void fillUserTally(Report& report) {
  report.setName("userTally");
  std::string controller;
  if (DWORD error = directory::primaryDomainController(controller)) {
    directory::markFailed(report, directory::formatted(kNoController, static_cast<unsigned long>(error)));
    return;
  }
  DirectoryApi& api = Seam<DirectoryApi>::current();
  std::wstring server = directory::serverArgument(controller, MAX_PATH);
  addCount(addNode(report, "user"), api, server, kUserLevel);
  addCount(addNode(report, "group"), api, server, kGroupLevel);
}

}  // namespace usertally
