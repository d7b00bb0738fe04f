#include "DomainScanObservations.h"

#include <cstring>
#include <vector>

#include "pchelpers/Directory.h"
#include "pchelpers/DirectoryReport.h"

namespace domainscan {

namespace {

const struct {
  unsigned long platform;
  const char* text;
} kOsTypes[] = {
    {PLATFORM_ID_DOS, "DOS"}, {PLATFORM_ID_OS2, "OS/2"}, {PLATFORM_ID_NT, "NT"},
    {PLATFORM_ID_OSF, "OSF"}, {PLATFORM_ID_VMS, "VMS"},
};

const char kNoWorkstationInfo[] = "Failed to get workstation info (0x%08lx)";
const char kUnknownOsType[] = "Unknown (%d)";
const char kLanGroup[] = "\n  Lan group: %s";
const char kNoPolicy[] = "LsaOpenPolicy failed (%ld)";
const char kNoPrimaryDomain[] = "LsaQueryInformationPolicy failed (%ld)";
const char kNoController[] = " Failed to get PDC's name (0x%08lx)";
const char kNoBackupControllers[] = "Failed to get BDCs' name (0x%08lx)";
const char kNoBrowseMasters[] = "Failed to get browse master's name (0x%08lx)";
const char kNoTrusts[] = "Failed to get trusted domains names (0x%08lx)";
const char kNoTrustsToList[] = "N/A";
const size_t kMaxDomainName = 63;
const ULONG kTrustBufferSize = 12000;
const NTSTATUS kStatusMoreEntries = static_cast<NTSTATUS>(0x00000105L);

// The computers of one kind in the primary domain; returns 0 or the error code
// (a "more data" answer too: the list would be incomplete).
DWORD listServers(DWORD serverType, std::vector<std::string>& names) {
  directory::NetBuffer buffer;
  DWORD read = 0, total = 0;
  NET_API_STATUS status = Seam<DirectoryApi>::current().NetServerEnum(
      nullptr, 100, buffer.out(), MAX_PREFERRED_LENGTH, &read, &total, serverType, nullptr, nullptr);
  if (status != NERR_Success) return status;
  const SERVER_INFO_100* servers = buffer.as<SERVER_INFO_100>();
  for (DWORD i = 0; servers && i < read; ++i) {
    names.push_back(directory::ansiText(servers[i].sv100_name, -1, std::string::npos));
  }
  return 0;
}

std::string indexText(unsigned long index) { return directory::formatted("%lu", index); }

}  // namespace

const char* osTypeText(unsigned long platform) {
  for (const auto& type : kOsTypes) {
    if (type.platform == platform) return type.text;
  }
  return nullptr;
}

void addComputerInformation(Report& parent, const std::string& name) {
  addText(parent, "computerName", name.c_str());
  std::wstring server = directory::serverArgument(name, 0);
  directory::NetBuffer buffer;
  NET_API_STATUS status = Seam<DirectoryApi>::current().NetWkstaGetInfo(&server[0], 100, buffer.out());
  const WKSTA_INFO_100* info = buffer.as<WKSTA_INFO_100>();
  if (status != NERR_Success || !info) {
    directory::addFailed(parent, "osType",
                         directory::formatted(kNoWorkstationInfo, static_cast<unsigned long>(status)));
    return;
  }
  if (const char* type = osTypeText(info->wki100_platform_id)) {
    addText(parent, "osType", type);
  } else {
    directory::addFailed(parent, "osType",
                         directory::formatted(kUnknownOsType, static_cast<int>(info->wki100_platform_id)));
  }
  addText(parent, "version",
          directory::formatted("%d.%d", static_cast<int>(info->wki100_ver_major),
                               static_cast<int>(info->wki100_ver_minor))
              .c_str());
  std::string group = directory::ansiText(info->wki100_langroup, -1, std::string::npos);
  addText(parent, "lanGroup", directory::formatted(kLanGroup, group.c_str()).c_str());
}

void fillNetworkEnvironment(Report& report) {
  Report& type = addNode(report, "type");
  directory::PrimaryDomain domain = directory::primaryDomain(kMaxDomainName);
  DirectoryApi& api = Seam<DirectoryApi>::current();
  if (domain.openStatus != 0) {
    directory::markFailed(
        type,
        directory::formatted(kNoPolicy, static_cast<long>(api.LsaNtStatusToWinError(domain.openStatus))));
    return;
  }
  if (domain.queryStatus != 0) {
    directory::markFailed(
        type, directory::formatted(kNoPrimaryDomain,
                                   static_cast<long>(api.LsaNtStatusToWinError(domain.queryStatus))));
    return;
  }
  directory::setText(type, domain.member ? "domain" : "workgroup");
  addText(report, "name", domain.name.c_str());
}

void fillDomainController(Report& report) {
  Report& primary = addNode(report, "primaryDomainController");
  std::string controller;
  if (DWORD error = directory::primaryDomainController(controller)) {
    directory::markFailed(primary, directory::formatted(kNoController, static_cast<unsigned long>(error)));
  } else {
    addComputerInformation(primary, controller);
  }

  Report& backups = addNode(report, "backupDomainControllers");
  std::vector<std::string> names;
  if (DWORD error = listServers(SV_TYPE_DOMAIN_BAKCTRL, names)) {
    directory::markFailed(backups,
                          directory::formatted(kNoBackupControllers, static_cast<unsigned long>(error)));
    return;
  }
  directory::setNumber(backups, names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    Report& node = addNode(backups, "controller");
    addAttribute(node, "index", indexText(i).c_str());
    addComputerInformation(node, names[i]);
  }
}

void fillBrowseMaster(Report& report) {
  std::vector<std::string> names;
  if (DWORD error = listServers(SV_TYPE_MASTER_BROWSER, names)) {
    directory::markFailed(report, directory::formatted(kNoBrowseMasters, static_cast<unsigned long>(error)));
    return;
  }
  Report& masters = addNumber(report, "browseMasters", names.size());
  for (size_t i = 0; i < names.size(); ++i) {
    Report& node = addNode(masters, "browseMaster");
    addAttribute(node, "index", indexText(i + 1).c_str());
    addComputerInformation(node, names[i]);
  }
}

void fillTrustedDomain(Report& report) {
  Report& trusts = addNode(report, "trustedDomains");
  std::string controller;
  if (DWORD error = directory::primaryDomainController(controller)) {
    directory::markFailed(trusts, directory::formatted(kNoController, static_cast<unsigned long>(error)));
    return;
  }

  DirectoryApi& api = Seam<DirectoryApi>::current();
  std::wstring system = directory::wideText(controller);
  LSA_UNICODE_STRING systemName;
  systemName.Buffer = &system[0];
  systemName.Length = static_cast<USHORT>(system.size() * sizeof(WCHAR));
  systemName.MaximumLength = static_cast<USHORT>((system.size() + 1) * sizeof(WCHAR));
  LSA_OBJECT_ATTRIBUTES attributes;
  std::memset(&attributes, 0, sizeof attributes);
  LSA_HANDLE policy = nullptr;
  PVOID buffer = nullptr;
  ULONG count = 0;
  ULONG error = 0;
  NTSTATUS status = api.LsaOpenPolicy(&systemName, &attributes, POLICY_VIEW_LOCAL_INFORMATION, &policy);
  if (status != 0) {
    error = api.LsaNtStatusToWinError(status);
  } else {
    LSA_ENUMERATION_HANDLE context = 0;
    status = api.LsaEnumerateTrustedDomains(policy, &context, &buffer, kTrustBufferSize, &count);
    if (status != 0 && status != kStatusMoreEntries) error = api.LsaNtStatusToWinError(status);
    api.LsaClose(policy);
  }
  struct Release {
    DirectoryApi& api;
    PVOID buffer;
    ~Release() {
      if (buffer) api.LsaFreeMemory(buffer);
    }
  } release{api, buffer};

  if (error == ERROR_NO_MORE_ITEMS) {
    directory::setText(trusts, kNoTrustsToList);
    return;
  }
  if (error != 0) {
    directory::markFailed(trusts, directory::formatted(kNoTrusts, static_cast<unsigned long>(error)));
    return;
  }
  const auto* domains = static_cast<const LSA_TRUST_INFORMATION*>(buffer);
  if (!domains) count = 0;
  directory::setNumber(trusts, count);
  for (ULONG i = 0; i < count; ++i) {
    Report& node = addNode(trusts, "trustedDomain");
    addAttribute(node, "index", indexText(i).c_str());
    addText(
        node, "domainName",
        directory::ansiText(domains[i].Name.Buffer, domains[i].Name.Length / sizeof(WCHAR), std::string::npos)
            .c_str());
  }
}

DomainScanRoot::DomainScanRoot() {
  addSubObservation<SectionObservation>("netWorkEnviroment", fillNetworkEnvironment);
  addSubObservation<SectionObservation>("domainController", fillDomainController);
  addSubObservation<SectionObservation>("browseMaster", fillBrowseMaster);
  addSubObservation<SectionObservation>("trustedDomain", fillTrustedDomain);
}

}  // namespace domainscan
