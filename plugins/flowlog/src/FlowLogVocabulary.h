#pragma once

// What FlowLog.nxo exports, reads and names, in one place.
namespace flowlog {

struct LogExport {
  const char* node;  // report node and CSV base name
  const char* table;
  const char* docType;  // empty: the whole table
};

// In report order.
constexpr LogExport kLogExports[] = {
    {"ScanDeliverLog", "DeliverLog", "SCN"},
    {"FaxDeliverLog", "DeliverLog", "FXR"},
    {"DocDeliverLog", "DeliverLog", "IMP"},
    {"MailDeliverLog", "DeliverLog", "MLC"},
    {"CopyCaptureLog", "CaptureLog", "CPY"},
    {"FaxCaptureLog", "CaptureLog", "FXS"},
    {"PrintCaptureLog", "CaptureLog", "PRN"},
    {"ScanCaptureLog", "CaptureLog", "SCN"},
    {"ErrorLog", "ErrorLog", ""},
};

constexpr char kRootReport[] = "flowLogs";
constexpr char kExportsReport[] = "flowLogsInformation";

// The product's settings files, in the settings folder (Pellard ordinal 6, kind 3).
constexpr int kSettingsFolderKind = 3;
constexpr char kConnectionFile[] = "qvdlog4s.cnf";
constexpr char kConnectionSection[] = "Connection";
constexpr char kRegistryPathKey[] = "regpath";
constexpr char kHostKey[] = "host";
constexpr char kPortKey[] = "port";
constexpr char kLayoutFile[] = "QvdLog.ldf";
constexpr char kFieldCountKey[] = "FIELDCOUNT";
constexpr char kFieldKey[] = "FIELD%d";

constexpr char kDatabaseName[] = "QvdLog";
constexpr char kDocTypeColumn[] = "docType";
constexpr char kDateType[] = "DATE";
constexpr char kStringType[] = "STRING";

// Pellard: the code page of the database texts, and the display names.
constexpr char kGeneralSection[] = "General";
constexpr char kCodePageKey[] = "CodePage";
constexpr char kPluginsSection[] = "Plugins";
constexpr unsigned long kDisplayNameSize = 128;
constexpr unsigned long kMessageSize = 2048;
constexpr unsigned long kDecodedSize = 2048;

}  // namespace flowlog
