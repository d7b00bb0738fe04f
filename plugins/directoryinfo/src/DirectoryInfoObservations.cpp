#include "DirectoryInfoObservations.h"

#include "pchelpers/Directory.h"
#include "pchelpers/DirectoryReport.h"

namespace directoryinfo {

namespace {

// The plug-in's texts and tables.
const char kFormTitle[] = "DirectoryInfo Information";
const char kUserEntry[] = "username";
const char kPasswordEntry[] = "password";

const struct {
  int status;
  const char* text;
} kStatusTexts[] = {
    {kNoController, "Getpdc Failed"},      {kNoDomain, "Getdomainname Failed"},
    {kNoConnection, "Ldapopen Failed"},    {kBindRefused, "Ldapbind Failed"},
    {kNoRootEntry, "Getrootschem Failed"}, {kNoBaseDn, "GetbaseDN Failed"},
};

// Directory attributes of a computer entry (exact names) and their report names.
const struct {
  const char* attribute;
  const char* node;
} kComputerAttributes[] = {
    {"cn", "computerName"},
    {"dNSHostName", "dnsHostName"},
    {"operatingSystem", "os"},
    {"operatingSystemVersion", "osVersion"},
};

const char kSearchFailed[] = "LDAP Search Failed";
const char kCountFailed[] = "Count Entries Failed";
const char kAnyObject[] = "(objectClass=*)";
const char kBaseDnAttribute[] = "defaultNamingContext";
const ULONG kPort = LDAP_PORT;
const size_t kMaxDomainName = 63;

// A sub-observation's use of the root's connection, given up however it ends.
class ConnectionUse {
 public:
  explicit ConnectionUse(DirectoryInfoRoot& root) : root_(root) {}
  ~ConnectionUse() { root_.giveUpConnection(); }
  ConnectionUse(const ConnectionUse&) = delete;
  ConnectionUse& operator=(const ConnectionUse&) = delete;

 private:
  DirectoryInfoRoot& root_;
};

}  // namespace

const ComputerList kDomainControllers = {"domainControllers", "OU=Domain Controllers,",
                                         "(objectClass=computer)", "domainControllers", "domainController"};
const ComputerList kMemberComputers = {"memberComputer", "CN=Computers,", kAnyObject, "computers",
                                       "computer"};

const char* statusText(int status) {
  for (const auto& entry : kStatusTexts) {
    if (entry.status == status) return entry.text;
  }
  return nullptr;
}

DirectoryInfoRoot::DirectoryInfoRoot() {
  form_ = &addConfigration(kFormTitle, IConfigration::CONFIG_TYPE_OPTION);
  addEntry(*form_, kUserEntry, IConfigrationEntry::ENTRY_TEXT);
  addEntry(*form_, kPasswordEntry, IConfigrationEntry::ENTRY_PASSWORD);
  addSubObservation<RootSchemaObservation>(*this);
  addSubObservation<ComputerListObservation>(*this, kDomainControllers);
  addSubObservation<ComputerListObservation>(*this, kMemberComputers);
  subObservations_ = 3;
}

DirectoryInfoRoot::~DirectoryInfoRoot() { closeConnection(); }

void DirectoryInfoRoot::observe(Report& report) {
  report.setName("directoryInfo");
  // Each report starts afresh: a connection an earlier report left open (one
  // that ended half-way) is closed, and every sub-observation gets its use.
  closeConnection();
  controller_.clear();
  baseDn_.clear();
  useCount_ = subObservations_;
  IConfigrationEntries& entries = form_->getConfigrationEntries();
  status_ = connect(entries.getItem(0).getValue().getData(), entries.getItem(1).getValue().getData());
}

int DirectoryInfoRoot::connect(const std::string& user, const std::string& password) {
  std::string name;
  if (directory::primaryDomainController(name) != 0) return kNoController;
  if (name.compare(0, 2, "\\\\") == 0) name.erase(0, 2);
  controller_ = name;

  directory::PrimaryDomain domain = directory::primaryDomain(kMaxDomainName);
  if (!domain.known() || !domain.member) return kNoDomain;

  DirectoryApi& api = Seam<DirectoryApi>::current();
  connection_ = api.ldap_open(const_cast<PCHAR>(controller_.c_str()), kPort);
  if (!connection_) return kNoConnection;

  std::wstring wideUser = directory::wideText(user);
  std::wstring wideDomain = directory::wideText(domain.name);
  std::wstring widePassword = directory::wideText(password);
  SEC_WINNT_AUTH_IDENTITY_W identity = {};
  identity.User = reinterpret_cast<unsigned short*>(&wideUser[0]);
  identity.UserLength = static_cast<unsigned long>(wideUser.size());
  identity.Domain = reinterpret_cast<unsigned short*>(&wideDomain[0]);
  identity.DomainLength = static_cast<unsigned long>(wideDomain.size());
  identity.Password = reinterpret_cast<unsigned short*>(&widePassword[0]);
  identity.PasswordLength = static_cast<unsigned long>(widePassword.size());
  identity.Flags = SEC_WINNT_AUTH_IDENTITY_UNICODE;
  ULONG bound = api.ldap_bind_s(connection_, nullptr, reinterpret_cast<PCHAR>(&identity), LDAP_AUTH_NTLM);
  SecureZeroMemory(&widePassword[0], widePassword.size() * sizeof(WCHAR));
  if (bound != LDAP_SUCCESS) return kBindRefused;

  directory::SearchResult result(api);
  if (directory::search(api, connection_, "", LDAP_SCOPE_BASE, kAnyObject, result) != LDAP_SUCCESS) {
    return kNoRootEntry;
  }
  bool found = directory::findAttribute(api, connection_, result.get(), kBaseDnAttribute, baseDn_);
  return found ? kConnected : kNoBaseDn;
}

void DirectoryInfoRoot::giveUpConnection() {
  if (useCount_ > 0 && --useCount_ == 0) closeConnection();
}

void DirectoryInfoRoot::closeConnection() {
  if (!connection_) return;
  LDAP* connection = connection_;
  connection_ = nullptr;
  Seam<DirectoryApi>::current().ldap_unbind(connection);
}

void RootSchemaObservation::observe(Report& report) {
  ConnectionUse use(root_);
  report.setName("rootSchema");
  int status = root_.status();
  if (status != kNoController) {
    addText(report, "serverName", root_.controller().c_str());
    addNumber(report, "portNumber", kPort);
  }
  if (status != kConnected) {
    directory::markFailed(report, statusText(status));
    return;
  }
  addText(report, "baseDN", root_.baseDn().c_str());

  DirectoryApi& api = Seam<DirectoryApi>::current();
  LDAP* ld = root_.connection();
  directory::SearchResult result(api);
  ULONG code = directory::search(api, ld, "", LDAP_SCOPE_BASE, kAnyObject, result);
  if (code != LDAP_SUCCESS) {
    directory::markFailed(report, directory::codeText(kSearchFailed, code));
    return;
  }
  Report& schema = addNode(report, "rootSchema");
  if (api.ldap_count_entries(ld, result.get()) == static_cast<ULONG>(-1)) {
    directory::markFailed(report, directory::codeText(kCountFailed, api.LdapGetLastError()));
    return;
  }
  directory::addSchemaNodes(schema, api, ld, result.get());
}

void ComputerListObservation::observe(Report& report) {
  ConnectionUse use(root_);
  report.setName(list_.reportName);
  int status = root_.status();
  if (status != kConnected) {
    directory::markFailed(report, statusText(status));
    return;
  }
  DirectoryApi& api = Seam<DirectoryApi>::current();
  LDAP* ld = root_.connection();
  directory::SearchResult result(api);
  ULONG code =
      directory::search(api, ld, list_.basePrefix + root_.baseDn(), LDAP_SCOPE_SUBTREE, list_.filter, result);
  if (code != LDAP_SUCCESS) {
    directory::markFailed(report, directory::codeText(kSearchFailed, code));
    return;
  }
  Report& list = addNode(report, list_.listNode);
  ULONG count = api.ldap_count_entries(ld, result.get());
  if (count == static_cast<ULONG>(-1)) {
    directory::markFailed(list, directory::codeText(kCountFailed, api.LdapGetLastError()));
    return;
  }
  directory::setNumber(list, count);
  int index = 0;
  directory::forEachEntry(api, ld, result.get(), [&](LDAPMessage* entry) {
    Report& computer = addNode(list, list_.entryNode);
    addAttribute(computer, "index", directory::formatted("%d", ++index).c_str());
    directory::forEachAttribute(api, ld, entry, [&](const std::string& name, const std::string& values) {
      for (const auto& mapped : kComputerAttributes) {
        if (name == mapped.attribute) addText(computer, mapped.node, values.c_str());
      }
    });
  });
}

}  // namespace directoryinfo
