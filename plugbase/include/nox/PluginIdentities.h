#pragma once

#include "nox/PluginInformation.h"

// Identity of a plug-in module as the core sees it through getPluginInformation,
// and the name its root observation gives its report.
struct NoxPluginIdentity {
  unsigned int id;
  const char* name;
  IPluginInformation::PluginType type;
  unsigned int version;
  const char* rootReportName;  // null for the serializer
};

// Every module of this release reports the same version.
constexpr unsigned int kNoxPluginVersion = 2;

#define NOX_OBSERVATION_IDENTITY(id, name, root) \
  NoxPluginIdentity { id, name, IPluginInformation::PLUGIN_OBSERVATION, kNoxPluginVersion, root }

// The one table of module identities. FlowLog and DVQJobs have always shared
// ID 51; the core does not rely on IDs being unique.
constexpr NoxPluginIdentity kPluginPC = NOX_OBSERVATION_IDENTITY(0, "PC Plugin", "PC");
constexpr NoxPluginIdentity kPluginDriver = NOX_OBSERVATION_IDENTITY(1, "Driver Plugin", "printerDriver");
constexpr NoxPluginIdentity kPluginBirch =
    NOX_OBSERVATION_IDENTITY(2, "Quillon Link/NetSentry Plugin", "birch");
constexpr NoxPluginIdentity kPluginWinMisc =
    NOX_OBSERVATION_IDENTITY(4, "Windows Misc info. Plugin", "winMisc");
constexpr NoxPluginIdentity kPluginEventArchive =
    NOX_OBSERVATION_IDENTITY(5, "EventArchive Plugin", "eventArchive");
constexpr NoxPluginIdentity kPluginDomainScan =
    NOX_OBSERVATION_IDENTITY(16, "DomainScan Plugin", "domainScan");
constexpr NoxPluginIdentity kPluginDirectoryInfo =
    NOX_OBSERVATION_IDENTITY(17, "DirectoryInfo Plugin", "directoryInfo");
constexpr NoxPluginIdentity kPluginUserTally = NOX_OBSERVATION_IDENTITY(18, "UserTally Plugin", "domainUser");
constexpr NoxPluginIdentity kPluginDNS = NOX_OBSERVATION_IDENTITY(32, "DNS Plugin", "dns");
constexpr NoxPluginIdentity kPluginSMTP = NOX_OBSERVATION_IDENTITY(33, "SMTP Plugin", "smtp");
constexpr NoxPluginIdentity kPluginLDAP = NOX_OBSERVATION_IDENTITY(34, "LDAP Plugin", "ldap");
constexpr NoxPluginIdentity kPluginSNMP = NOX_OBSERVATION_IDENTITY(35, "SNMP Plugin", "snmp");
constexpr NoxPluginIdentity kPluginConnTable = NOX_OBSERVATION_IDENTITY(37, "ConnTable Plugin", "conntable");
constexpr NoxPluginIdentity kPluginDVQInfo =
    NOX_OBSERVATION_IDENTITY(48, "DVQ Information Plugin", "dvqInformation");
constexpr NoxPluginIdentity kPluginDVQLogs = NOX_OBSERVATION_IDENTITY(49, "DVQLogs Plugin", "dvqLogs");
constexpr NoxPluginIdentity kPluginDVQConnect =
    NOX_OBSERVATION_IDENTITY(50, "DVQConnect Plugin", "dvqConnect");
constexpr NoxPluginIdentity kPluginFlowLog = NOX_OBSERVATION_IDENTITY(51, "Flow Logs Plugin", "flowLogs");
constexpr NoxPluginIdentity kPluginDVQJobs =
    NOX_OBSERVATION_IDENTITY(51, "DVQ Job Detail Plugin", "dvqJobDetails");
constexpr NoxPluginIdentity kPluginDeviceProbe =
    NOX_OBSERVATION_IDENTITY(64, "DeviceProbe Plugin", "deviceProbe");
constexpr NoxPluginIdentity kPluginXML = {65536, "XML Plugin", IPluginInformation::PLUGIN_SERIALIZER,
                                          kNoxPluginVersion, nullptr};

#undef NOX_OBSERVATION_IDENTITY

// All of them, in the order above (for listings and tests).
constexpr NoxPluginIdentity kAllPluginIdentities[] = {
    kPluginPC,         kPluginDriver,        kPluginBirch,     kPluginWinMisc,     kPluginEventArchive,
    kPluginDomainScan, kPluginDirectoryInfo, kPluginUserTally, kPluginDNS,         kPluginSMTP,
    kPluginLDAP,       kPluginSNMP,          kPluginConnTable, kPluginDVQInfo,     kPluginDVQLogs,
    kPluginDVQConnect, kPluginFlowLog,       kPluginDVQJobs,   kPluginDeviceProbe, kPluginXML,
};
