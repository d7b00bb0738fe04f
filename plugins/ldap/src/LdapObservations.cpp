#include "LdapObservations.h"

#include "pchelpers/Directory.h"
#include "pchelpers/DirectoryReport.h"

namespace ldapserver {

namespace {

// The plug-in's texts.
const char kFormTitle[] = "LDAP Information";
const char kTargetPrompt[] =
    "Target LDAP server\n"
    "When changing the LDAP port number, input the port number with the following structure.(LDAP server "
    "name:LDAP port)\n"
    "For example: LDAP:389";
const char kInvalidInput[] = "User Input Value Is InValid";
const char kAnonymousAccepted[] = "support";
const char kAnonymousRefused[] = "notSupport";
const char kSearchFailed[] = "LDAP Search Failed";
const char kNoBaseDn[] = "Get BaseDN Failed";
const char kCountFailed[] = "Count Entries Failed";
const char kRootFilter[] = "(objectClass=*)";
const char kBaseDnAttribute[] = "defaultNamingContext";
const unsigned long kDefaultPort = LDAP_PORT;

// An open connection, unbound once when it goes.
class Connection {
 public:
  Connection(DirectoryApi& api, LDAP* ld) : api_(api), ld_(ld) {}
  ~Connection() {
    if (ld_) api_.ldap_unbind(ld_);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  LDAP* get() const { return ld_; }

 private:
  DirectoryApi& api_;
  LDAP* ld_;
};

bool allDigits(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

ServerSpec parseServerSpec(const std::string& text) {
  ServerSpec spec;
  size_t colon = text.find(':');
  if (colon == std::string::npos) {
    spec.host = text;
    spec.port = kDefaultPort;
    spec.valid = !text.empty();
    return spec;
  }
  if (text.find(':', colon + 1) != std::string::npos) return spec;
  std::string host = text.substr(0, colon);
  std::string port = text.substr(colon + 1);
  // Port numbers end at 65535; longer digit strings would wrap to another port.
  if (host.empty() || !allDigits(port) || port.size() > 5) return spec;
  unsigned long number = std::stoul(port);
  if (number == 0 || number > 65535) return spec;
  spec.host = host;
  spec.port = number;
  spec.valid = true;
  return spec;
}

unsigned int countServers(const std::string& value) {
  if (value.empty()) return 0;
  unsigned int count = 1;
  for (char c : value) count += c == '\t';
  return count;
}

std::vector<std::string> splitServers(const std::string& value) {
  std::vector<std::string> specs;
  size_t at = 0;
  while (at < value.size()) {
    size_t tab = value.find('\t', at);
    if (tab == std::string::npos) {
      specs.push_back(value.substr(at));
      break;
    }
    specs.push_back(value.substr(at, tab - at));
    at = tab + 1;
  }
  return specs;
}

void fillServerEntry(Report& entry, const std::string& text) {
  ServerSpec spec = parseServerSpec(text);
  if (!spec.valid) {
    directory::addFailed(entry, "ldapServerName", kInvalidInput);
    return;
  }
  addText(entry, "ldapServerName", spec.host.c_str());
  addNumber(entry, "ldapPort", spec.port);

  DirectoryApi& api = Seam<DirectoryApi>::current();
  Connection connection(api, api.ldap_open(const_cast<PCHAR>(spec.host.c_str()), spec.port));
  LDAP* ld = connection.get();
  if (!ld || api.ldap_simple_bind_s(ld, nullptr, nullptr) != LDAP_SUCCESS) {
    addText(entry, "anonymousLogin", kAnonymousRefused);
    return;
  }
  addText(entry, "anonymousLogin", kAnonymousAccepted);

  directory::SearchResult result(api);
  ULONG code = directory::search(api, ld, "", LDAP_SCOPE_BASE, kRootFilter, result);
  if (code != LDAP_SUCCESS) {
    directory::addFailed(entry, "baseDN", directory::codeText(kSearchFailed, code));
    return;
  }

  std::string baseDn;
  bool found = directory::findAttribute(api, ld, result.get(), kBaseDnAttribute, baseDn);
  if (found) {
    addText(entry, "baseDN", baseDn.c_str());
  } else {
    directory::addFailed(entry, "baseDN", directory::codeText(kNoBaseDn, 0));
  }

  Report& schema = addNode(entry, "rootSchema");
  if (api.ldap_count_entries(ld, result.get()) == static_cast<ULONG>(-1)) {
    directory::markFailed(schema, directory::codeText(kCountFailed, api.LdapGetLastError()));
    return;
  }
  directory::addSchemaNodes(schema, api, ld, result.get());
}

void LdapServerObservation::observe(Report& report) {
  report.setName("ldapServer");
  std::string value = root_.targets();
  if (value.empty()) return;
  Report& servers = addNumber(report, "ldapServers", countServers(value));
  int index = 0;
  for (const std::string& spec : splitServers(value)) {
    Report& entry = addNode(servers, "ldapServer");
    addAttribute(entry, "index", directory::formatted("%d", ++index).c_str());
    fillServerEntry(entry, spec);
  }
}

LdapRootObservation::LdapRootObservation() {
  Configration& form = addConfigration(kFormTitle, IConfigration::CONFIG_TYPE_TARGET);
  addEntry(form, kTargetPrompt, IConfigrationEntry::ENTRY_HOST);
  addSubObservation<LdapServerObservation>(*this);
}

std::string LdapRootObservation::targets() const {
  IConfigrations& forms = const_cast<LdapRootObservation*>(this)->getConfigrations();
  if (forms.getCount() == 0) return "";
  IConfigrationEntries& entries = forms.getItem(0).getConfigrationEntries();
  if (entries.getCount() == 0) return "";
  return entries.getItem(0).getValue().getData();
}

}  // namespace ldapserver
