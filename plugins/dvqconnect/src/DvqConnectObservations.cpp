#include "DvqConnectObservations.h"

#include <cstdio>
#include <memory>

#include "DvqConnectVocabulary.h"
#include "QSvrInfo.h"
#include "nox/ReportLeaves.h"
#include "pchelpers/ComApi.h"
#include "pchelpers/LocaleApi.h"

namespace dvqconnect {

namespace {

void markError(Report& node, const char* text) {
  node.setSuccess(false);
  node.setErrorText(text);
}

std::string numberText(unsigned long number) {
  char text[16];
  std::snprintf(text, sizeof text, "%lu", number);
  return text;
}

unsigned long setBits(unsigned char flags) {
  unsigned long count = 0;
  for (; flags; flags &= static_cast<unsigned char>(flags - 1)) ++count;
  return count;
}

// The host name in UTF-16 for COSERVERINFO, from the system code page.
std::wstring wideHostName(const char* host) {
  if (!host || !*host) return std::wstring();
  LocaleApi& locale = Seam<LocaleApi>::current();
  int length = locale.MultiByteToWideChar(CP_ACP, 0, host, -1, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  length = locale.MultiByteToWideChar(CP_ACP, 0, host, -1, &wide[0], length);
  wide.resize(length > 0 ? static_cast<size_t>(length - 1) : 0);
  return wide;
}

// "success", or "failed (0x...)" with the activation's code.
std::string activate(ComApi& com, const Edition& edition, COSERVERINFO& server) {
  MULTI_QI query = {&kProductInterface, nullptr, S_OK};
  HRESULT result = com.CoCreateInstanceEx(*edition.classId, nullptr, kActivationContext, &server, 1, &query);
  if (FAILED(result)) {
    char text[32];
    std::snprintf(text, sizeof text, "%s (0x%x)", kFailed, static_cast<unsigned int>(result));
    return text;
  }
  if (query.pItf) query.pItf->Release();
  return kSuccess;
}

// Releases a record of NoxRecvServer however the server node ends.
struct ServerRecord {
  ServerInfo* record = nullptr;
  ~ServerRecord() {
    if (record) NoxFreeServerInfoList(record, 1);
  }
};

void examineServer(Report& servers, unsigned long index, const std::string& name, ComApi& com) {
  Report& server = addNode(servers, kServerReport);
  addAttribute(server, kIndexAttribute, numberText(index).c_str());
  addText(server, kServerNameNode, name.c_str());

  std::unique_ptr<Report> interfaces(new Report());
  interfaces->setName(kInterfacesNode);
  std::vector<char> nameCopy(name.begin(), name.end());
  nameCopy.push_back('\0');
  ServerRecord info;
  if (NoxRecvServer(nameCopy.data(), &info.record) != 0 || !info.record) {
    info.record = nullptr;  // a failure leaves nothing to release
    markError(*interfaces, kServerInfoFailed);
    server.getSubReportsImpl().addItem(interfaces.release());
    return;
  }

  const unsigned char editions = info.record->editions;
  const unsigned long installed = setBits(editions);
  if (installed == 0) {
    markError(*interfaces, kNotInstalled);
    server.getSubReportsImpl().addItem(interfaces.release());
    return;
  }
  interfaces->setType(IReport::REPORT_INTEGER);
  int count = static_cast<int>(installed);
  interfaces->setValue(&count, sizeof count);
  Report& interfacesNode = *interfaces;
  server.getSubReportsImpl().addItem(interfaces.release());

  std::wstring host = wideHostName(info.record->hostName);
  COSERVERINFO serverInfo = {0, &host[0], nullptr, 0};
  unsigned long interfaceIndex = 0;
  for (const Edition& edition : kEditions) {
    if (!(editions & edition.bit)) continue;
    Report& node = addNode(interfacesNode, kInterfaceNode);
    addAttribute(node, kIndexAttribute, numberText(++interfaceIndex).c_str());
    addText(node, kNameNode, edition.displayName);
    addText(node, kResultNode, activate(com, edition, serverInfo).c_str());
  }
}

// Leaves the apartment however the report ends.
struct Apartment {
  ComApi& com;
  ~Apartment() { com.CoUninitialize(); }
};

}  // namespace

std::vector<std::string> splitServerList(const std::string& list) {
  std::vector<std::string> names;
  size_t start = 0;
  while (start < list.size()) {
    size_t tab = list.find('\t', start);
    if (tab == std::string::npos) {
      names.push_back(list.substr(start));
      break;
    }
    names.push_back(list.substr(start, tab - start));
    start = tab + 1;
  }
  return names;
}

unsigned long serverListCount(const std::string& list) {
  unsigned long count = 1;
  for (char c : list) count += c == '\t';
  return count;
}

std::string ServerConnectObservation::serverList() {
  IConfigrations& forms = root_.getConfigrations();
  if (forms.getCount() == 0) return std::string();
  IConfigrationEntries& entries = forms.getItem(0).getConfigrationEntries();
  if (entries.getCount() == 0) return std::string();
  return entries.getItem(0).getValue().getData();
}

void ServerConnectObservation::observe(Report& report) {
  report.setName(kServerReport);
  ComApi& com = Seam<ComApi>::current();
  if (FAILED(com.CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    markError(report, kComFailed);
    return;
  }
  Apartment apartment{com};

  std::string list = serverList();
  if (list.empty()) return;
  Report& servers = addNumber(report, kServersNode, serverListCount(list));
  unsigned long index = 0;
  for (const std::string& name : splitServerList(list)) examineServer(servers, ++index, name, com);
}

DvqConnectRoot::DvqConnectRoot() {
  Configration& form = addConfigration(kFormTitle, IConfigration::CONFIG_TYPE_TARGET);
  addEntry(form, kTargetEntry, IConfigrationEntry::ENTRY_HOST);
  addSubObservation<ServerConnectObservation>(*this);
}

void DvqConnectRoot::observe(Report& report) { report.setName(kRootReport); }

}  // namespace dvqconnect
