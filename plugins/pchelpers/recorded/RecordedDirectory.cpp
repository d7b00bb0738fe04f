#include "RecordedDirectory.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <sstream>

#include "pchelpers/Directory.h"

namespace {

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool isYes(const std::string& text) {
  std::string t = lower(text);
  return t == "yes" || t == "true" || t == "1";
}

std::string narrow(LPCWSTR text, int length = -1) {
  return text ? directory::ansiText(text, length, 4096) : "(null)";
}

std::string hex(unsigned long value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08lx", value);
  return text;
}

std::vector<std::string> words(const std::string& text) {
  std::vector<std::string> list;
  std::stringstream parts(text);
  std::string word;
  while (parts >> word) list.push_back(word);
  return list;
}

const NTSTATUS kStatusNotImplemented = static_cast<NTSTATUS>(0xC0000002L);
const NTSTATUS kStatusInvalidHandle = static_cast<NTSTATUS>(0xC0000008L);
const NTSTATUS kStatusMoreEntries = static_cast<NTSTATUS>(0x00000105L);
const NTSTATUS kStatusNoMoreEntries = static_cast<NTSTATUS>(0x8000001AL);

// The first next-index value the recorded account lists hand out; entry p of a
// list carries kFirstIndex + p + 1, so an index names the entry it leads to.
const DWORD kFirstIndex = 1000;

// Records of one kind followed by the UTF-16 texts their pointers point to.
class WideTable {
 public:
  explicit WideTable(size_t recordSize) : recordSize_(recordSize) {}

  template <class Record>
  Record& add() {
    records_.emplace_back(recordSize_, 0);
    return *reinterpret_cast<Record*>(records_.back().data());
  }
  // The LPWSTR at `offset` of the last record points to `text`.
  void text(size_t offset, const std::string& value) {
    texts_.push_back({records_.size() - 1, offset, directory::wideText(value)});
  }
  size_t count() const { return records_.size(); }
  size_t size() const {
    size_t total = records_.size() * recordSize_;
    for (const Text& t : texts_) total += (t.text.size() + 1) * sizeof(WCHAR);
    return total;
  }
  void write(unsigned char* block) const {
    for (size_t i = 0; i < records_.size(); ++i) {
      std::memcpy(block + i * recordSize_, records_[i].data(), recordSize_);
    }
    unsigned char* at = block + records_.size() * recordSize_;
    for (const Text& t : texts_) {
      std::memcpy(at, t.text.c_str(), (t.text.size() + 1) * sizeof(WCHAR));
      std::memcpy(block + t.record * recordSize_ + t.offset, &at, sizeof at);
      at += (t.text.size() + 1) * sizeof(WCHAR);
    }
  }

 private:
  struct Text {
    size_t record;
    size_t offset;
    std::wstring text;
  };
  size_t recordSize_;
  std::vector<std::vector<unsigned char>> records_;
  std::vector<Text> texts_;
};

}  // namespace

RecordedDirectory::RecordedDirectory(RecordedPlatform& machine, DirectoryApi& ldap)
    : machine_(machine), ldap_(ldap) {}

RecordedDirectory::~RecordedDirectory() {
  for (void* block : netBlocks_) delete[] static_cast<unsigned char*>(block);
  for (void* block : lsaBlocks_) delete[] static_cast<unsigned char*>(block);
  for (void* policy : policies_) delete static_cast<int*>(policy);
}

int RecordedDirectory::callsLike(const std::string& line) const {
  return static_cast<int>(std::count(calls_.begin(), calls_.end(), line));
}

unsigned char* RecordedDirectory::allocate(std::set<void*>& owner, size_t size) {
  auto* block = new unsigned char[size == 0 ? 1 : size]();
  owner.insert(block);
  return block;
}

bool RecordedDirectory::release(std::set<void*>& owner, void* block) {
  if (!owner.erase(block)) return false;
  delete[] static_cast<unsigned char*>(block);
  return true;
}

DWORD RecordedDirectory::missing(const char* library, const char* entry) const {
  if (machine_.has("missing", lower(library))) return ERROR_MOD_NOT_FOUND;
  if (machine_.has("missing", lower(std::string(library) + "!" + entry))) return ERROR_PROC_NOT_FOUND;
  return 0;
}

// ---- network management

NET_API_STATUS RecordedDirectory::NetGetDCName(LPCWSTR server, LPCWSTR domain, LPBYTE* buffer) {
  if (DWORD error = missing("netapi32.dll", "NetGetDCName")) return error;
  log("NetGetDCName " + narrow(server) + " " + narrow(domain));
  if (!machine_.has("domain", "pdc"))
    return static_cast<NET_API_STATUS>(machine_.number("domain", "pdcError", 2453));
  std::wstring name = directory::wideText(machine_.get("domain", "pdc"));
  unsigned char* block = allocate(netBlocks_, (name.size() + 1) * sizeof(WCHAR));
  std::memcpy(block, name.c_str(), (name.size() + 1) * sizeof(WCHAR));
  *buffer = block;
  return NERR_Success;
}

NET_API_STATUS RecordedDirectory::NetServerEnum(LPCWSTR server, DWORD level, LPBYTE* buffer,
                                                DWORD preferredMaximum, LPDWORD entriesRead,
                                                LPDWORD totalEntries, DWORD serverType, LPCWSTR domain,
                                                LPDWORD) {
  if (DWORD error = missing("netapi32.dll", "NetServerEnum")) return error;
  log("NetServerEnum " + narrow(server) + " level " + std::to_string(level) + " max " +
      hex(preferredMaximum) + " type " + hex(serverType) + " domain " + narrow(domain));
  *entriesRead = 0;
  *totalEntries = 0;
  if (machine_.has("domain", "serversError")) {
    return static_cast<NET_API_STATUS>(machine_.number("domain", "serversError"));
  }
  if (level != 100) return ERROR_INVALID_LEVEL;
  WideTable table(sizeof(SERVER_INFO_100));
  for (const std::string& name : machine_.named("computer")) {
    std::string section = "computer " + name;
    if (!(machine_.number(section, "type", 0) & serverType)) continue;
    auto& record = table.add<SERVER_INFO_100>();
    record.sv100_platform_id = static_cast<DWORD>(machine_.number(section, "platform", PLATFORM_ID_NT));
    table.text(offsetof(SERVER_INFO_100, sv100_name), name);
  }
  unsigned char* block = allocate(netBlocks_, table.size());
  table.write(block);
  *buffer = block;
  *entriesRead = static_cast<DWORD>(table.count());
  *totalEntries = *entriesRead;
  return isYes(machine_.get("domain", "serversMore")) ? ERROR_MORE_DATA : NERR_Success;
}

NET_API_STATUS RecordedDirectory::NetWkstaGetInfo(LPWSTR server, DWORD level, LPBYTE* buffer) {
  if (DWORD error = missing("netapi32.dll", "NetWkstaGetInfo")) return error;
  std::string name = narrow(server);
  log("NetWkstaGetInfo " + name + " level " + std::to_string(level));
  if (name.compare(0, 2, "\\\\") == 0) name.erase(0, 2);
  std::string section = "computer " + name;
  const std::vector<std::string>& computers = machine_.named("computer");
  if (std::find(computers.begin(), computers.end(), name) == computers.end()) return ERROR_BAD_NETPATH;
  if (machine_.has(section, "wksta")) return static_cast<NET_API_STATUS>(machine_.number(section, "wksta"));
  if (level != 100) return ERROR_INVALID_LEVEL;
  WideTable table(sizeof(WKSTA_INFO_100));
  auto& record = table.add<WKSTA_INFO_100>();
  record.wki100_platform_id = static_cast<DWORD>(machine_.number(section, "platform", PLATFORM_ID_NT));
  unsigned major = 0, minor = 0;
  std::sscanf(machine_.get(section, "version", "5.0").c_str(), "%u.%u", &major, &minor);
  record.wki100_ver_major = major;
  record.wki100_ver_minor = minor;
  table.text(offsetof(WKSTA_INFO_100, wki100_computername), name);
  table.text(offsetof(WKSTA_INFO_100, wki100_langroup), machine_.get(section, "langroup", "WORKGROUP"));
  unsigned char* block = allocate(netBlocks_, table.size());
  table.write(block);
  *buffer = block;
  return NERR_Success;
}

NET_API_STATUS RecordedDirectory::NetQueryDisplayInformation(LPCWSTR server, DWORD level, DWORD index,
                                                             DWORD entriesRequested, DWORD preferredMaximum,
                                                             LPDWORD returnedCount, PVOID* buffer) {
  if (DWORD error = missing("netapi32.dll", "NetQueryDisplayInformation")) return error;
  log("NetQueryDisplayInformation " + narrow(server) + " level " + std::to_string(level) + " index " +
      std::to_string(index) + " entries " + std::to_string(entriesRequested) + " max " +
      hex(preferredMaximum));
  static const char* const kLists[] = {"", "users", "machines", "groups"};
  if (level < 1 || level > 3) return ERROR_INVALID_LEVEL;
  std::string section = std::string("display ") + kLists[level];
  clock_ += static_cast<DWORD>(machine_.number(section, "msPerCall", 0));
  unsigned long long call = ++displayCalls_[section];
  if (machine_.has(section, "fail") && call >= machine_.number(section, "failAt", 1)) {
    return static_cast<NET_API_STATUS>(machine_.number(section, "fail"));
  }
  if (isYes(machine_.get(section, "untouched"))) return NERR_Success;
  *returnedCount = 0;
  *buffer = nullptr;
  if (isYes(machine_.get(section, "stall"))) return ERROR_MORE_DATA;

  DWORD count = static_cast<DWORD>(machine_.number(section, "count", 0));
  DWORD first = index == 0 ? 0 : index - kFirstIndex;
  if (index != 0 && (index < kFirstIndex || first > count)) return ERROR_INVALID_PARAMETER;
  DWORD page = std::min<DWORD>(entriesRequested,
                               static_cast<DWORD>(machine_.number(section, "page", entriesRequested)));
  DWORD n = std::min(page, count - first);
  bool more = first + n < count;
  bool loop = isYes(machine_.get(section, "loop"));
  if (n == 0) return NERR_Success;

  static const size_t kRecordSizes[] = {0, sizeof(NET_DISPLAY_USER), sizeof(NET_DISPLAY_MACHINE),
                                        sizeof(NET_DISPLAY_GROUP)};
  WideTable table(kRecordSizes[level]);
  for (DWORD p = first; p < first + n; ++p) {
    DWORD next = loop ? 0 : kFirstIndex + p + 1;
    char name[32];
    if (level == 1) {
      auto& user = table.add<NET_DISPLAY_USER>();
      user.usri1_flags = UF_NORMAL_ACCOUNT;
      user.usri1_user_id = 1000 + p;
      user.usri1_next_index = next;
      std::snprintf(name, sizeof name, "user%04lu", static_cast<unsigned long>(p));
      table.text(offsetof(NET_DISPLAY_USER, usri1_name), name);
      table.text(offsetof(NET_DISPLAY_USER, usri1_comment), "");
      table.text(offsetof(NET_DISPLAY_USER, usri1_full_name), std::string("User ") + name);
    } else if (level == 2) {
      auto& machine = table.add<NET_DISPLAY_MACHINE>();
      machine.usri2_flags = UF_WORKSTATION_TRUST_ACCOUNT;
      machine.usri2_user_id = 3000 + p;
      machine.usri2_next_index = next;
      std::snprintf(name, sizeof name, "PC%04lu$", static_cast<unsigned long>(p));
      table.text(offsetof(NET_DISPLAY_MACHINE, usri2_name), name);
      table.text(offsetof(NET_DISPLAY_MACHINE, usri2_comment), "");
    } else {
      auto& group = table.add<NET_DISPLAY_GROUP>();
      group.grpi3_group_id = 5000 + p;
      group.grpi3_attributes = SE_GROUP_MANDATORY | SE_GROUP_ENABLED_BY_DEFAULT | SE_GROUP_ENABLED;
      group.grpi3_next_index = next;
      std::snprintf(name, sizeof name, "group%04lu", static_cast<unsigned long>(p));
      table.text(offsetof(NET_DISPLAY_GROUP, grpi3_name), name);
      table.text(offsetof(NET_DISPLAY_GROUP, grpi3_comment), "");
    }
  }
  unsigned char* block = allocate(netBlocks_, table.size());
  table.write(block);
  *buffer = block;
  *returnedCount = n;
  return more ? ERROR_MORE_DATA : NERR_Success;
}

NET_API_STATUS RecordedDirectory::NetApiBufferFree(LPVOID buffer) {
  if (DWORD error = missing("netapi32.dll", "NetApiBufferFree")) return error;
  if (!buffer) return NERR_Success;
  return release(netBlocks_, buffer) ? NERR_Success : ERROR_INVALID_PARAMETER;
}

// ---- trusted domains of a controller's security policy

NTSTATUS RecordedDirectory::LsaOpenPolicy(PLSA_UNICODE_STRING system, PLSA_OBJECT_ATTRIBUTES,
                                          ACCESS_MASK access, PLSA_HANDLE policy) {
  if (missing("advapi32.dll", "LsaOpenPolicy")) return kStatusNotImplemented;
  std::string name = system ? narrow(system->Buffer, system->Length / sizeof(WCHAR)) : "(local)";
  log("LsaOpenPolicy " + name + " access " + hex(access));
  if (machine_.has("domain", "trustOpen"))
    return static_cast<NTSTATUS>(machine_.number("domain", "trustOpen"));
  int* handle = new int(0);
  policies_.insert(handle);
  *policy = handle;
  return 0;
}

NTSTATUS RecordedDirectory::LsaEnumerateTrustedDomains(LSA_HANDLE policy, PLSA_ENUMERATION_HANDLE context,
                                                       PVOID* buffer, ULONG preferredMaximum, PULONG count) {
  if (missing("advapi32.dll", "LsaEnumerateTrustedDomains")) return kStatusNotImplemented;
  log("LsaEnumerateTrustedDomains context " + std::to_string(context ? *context : 0) + " max " +
      std::to_string(preferredMaximum));
  if (!policies_.count(policy)) return kStatusInvalidHandle;
  std::vector<std::string> names = words(machine_.get("domain", "trusts"));
  NTSTATUS status = static_cast<NTSTATUS>(
      machine_.number("domain", "trustStatus", names.empty() ? static_cast<ULONG>(kStatusNoMoreEntries) : 0));
  *count = 0;
  if (status != 0 && status != kStatusMoreEntries) return status;
  size_t size = names.size() * sizeof(LSA_TRUST_INFORMATION);
  for (const std::string& name : names) size += (name.size() + 1) * sizeof(WCHAR);
  unsigned char* block = allocate(lsaBlocks_, size);
  auto* records = reinterpret_cast<LSA_TRUST_INFORMATION*>(block);
  auto* text = reinterpret_cast<WCHAR*>(block + names.size() * sizeof(LSA_TRUST_INFORMATION));
  for (size_t i = 0; i < names.size(); ++i) {
    std::wstring wide = directory::wideText(names[i]);
    std::memcpy(text, wide.c_str(), (wide.size() + 1) * sizeof(WCHAR));
    records[i].Name.Buffer = text;
    records[i].Name.Length = static_cast<USHORT>(wide.size() * sizeof(WCHAR));
    records[i].Name.MaximumLength = static_cast<USHORT>((wide.size() + 1) * sizeof(WCHAR));
    text += wide.size() + 1;
  }
  *buffer = block;
  *count = static_cast<ULONG>(names.size());
  if (context) *context += *count;
  return status;
}

NTSTATUS RecordedDirectory::LsaFreeMemory(PVOID buffer) {
  if (missing("advapi32.dll", "LsaFreeMemory")) return kStatusNotImplemented;
  return release(lsaBlocks_, buffer) ? 0 : kStatusInvalidHandle;
}

NTSTATUS RecordedDirectory::LsaClose(LSA_HANDLE policy) {
  if (missing("advapi32.dll", "LsaClose")) return kStatusNotImplemented;
  if (!policies_.erase(policy)) return kStatusInvalidHandle;
  delete static_cast<int*>(policy);
  return 0;
}

ULONG RecordedDirectory::LsaNtStatusToWinError(NTSTATUS status) {
  if (missing("advapi32.dll", "LsaNtStatusToWinError")) return statusWithoutConverter(status);
  static const struct {
    ULONG status;
    ULONG error;
  } kErrors[] = {
      {0x00000000UL, ERROR_SUCCESS},        {0x00000105UL, ERROR_MORE_DATA},
      {0x8000001AUL, ERROR_NO_MORE_ITEMS},  {0xC0000002UL, ERROR_CALL_NOT_IMPLEMENTED},
      {0xC0000008UL, ERROR_INVALID_HANDLE}, {0xC0000017UL, ERROR_NOT_ENOUGH_MEMORY},
      {0xC0000022UL, ERROR_ACCESS_DENIED},  {0xC0000034UL, ERROR_FILE_NOT_FOUND},
      {0xC00000DFUL, ERROR_NO_SUCH_DOMAIN}, {0xC0020017UL, RPC_S_SERVER_UNAVAILABLE},
  };
  for (const auto& e : kErrors) {
    if (e.status == static_cast<ULONG>(status)) return e.error;
  }
  return ERROR_MR_MID_NOT_FOUND;
}

// ---- LDAP: on to the client given, with the scenario's faults

LDAP* RecordedDirectory::ldap_open(PCHAR host, ULONG port) {
  log(std::string("ldap_open ") + (host ? host : "(null)") + " " + std::to_string(port));
  if (missing("wldap32.dll", "ldap_open") || lower(machine_.get("ldap", "open")) == "fail") {
    ldapError_ = LDAP_SERVER_DOWN;
    return nullptr;
  }
  ldapError_ = 0;
  LDAP* ld = ldap_.ldap_open(host, port);
  if (ld) ++connections_;
  return ld;
}

ULONG RecordedDirectory::ldap_bind_s(LDAP* ld, PCHAR dn, PCHAR credentials, ULONG method) {
  ldapError_ = 0;
  std::string pattern = machine_.get("ldap", "ntlm");
  if (method != LDAP_AUTH_NTLM || pattern.empty()) return ldap_.ldap_bind_s(ld, dn, credentials, method);
  const auto* identity = reinterpret_cast<const SEC_WINNT_AUTH_IDENTITY_W*>(credentials);
  if (!identity || identity->Flags != SEC_WINNT_AUTH_IDENTITY_UNICODE) return LDAP_PARAM_ERROR;
  auto text = [](const unsigned short* chars, unsigned long length) {
    return length ? directory::ansiText(reinterpret_cast<const WCHAR*>(chars), static_cast<int>(length), 4096)
                  : std::string();
  };
  std::string user = text(identity->User, identity->UserLength);
  std::string domain = text(identity->Domain, identity->DomainLength);
  std::string password = text(identity->Password, identity->PasswordLength);
  log("ldap_bind_s NTLM " + domain + "\\" + user);
  if (lower(domain) != lower(machine_.get("ldap", "domain", machine_.get("lsa", "domain")))) {
    return LDAP_INVALID_CREDENTIALS;
  }
  std::string name = pattern;
  size_t at = name.find("%s");
  if (at != std::string::npos) name.replace(at, 2, user);
  return ldap_.ldap_simple_bind_s(ld, const_cast<PCHAR>(name.c_str()), const_cast<PCHAR>(password.c_str()));
}

ULONG RecordedDirectory::ldap_simple_bind_s(LDAP* ld, PCHAR dn, PCHAR password) {
  ldapError_ = 0;
  return ldap_.ldap_simple_bind_s(ld, dn, password);
}

ULONG RecordedDirectory::ldap_search_s(LDAP* ld, PCHAR base, ULONG scope, PCHAR filter, PCHAR attributes[],
                                       ULONG attributesOnly, LDAPMessage** result) {
  ldapError_ = 0;
  log(std::string("ldap_search_s \"") + (base ? base : "(null)") + "\" " + std::to_string(scope) + " " +
      (filter ? filter : "(null)"));
  ULONG code = ldap_.ldap_search_s(ld, base, scope, filter, attributes, attributesOnly, result);
  if (result && *result) ++results_;
  if (machine_.has("ldap", "searchError")) return static_cast<ULONG>(machine_.number("ldap", "searchError"));
  return code;
}

ULONG RecordedDirectory::ldap_count_entries(LDAP* ld, LDAPMessage* result) {
  if (machine_.has("ldap", "countError")) {
    ldapError_ = static_cast<ULONG>(machine_.number("ldap", "countError"));
    return static_cast<ULONG>(-1);
  }
  ldapError_ = 0;
  return ldap_.ldap_count_entries(ld, result);
}

LDAPMessage* RecordedDirectory::ldap_first_entry(LDAP* ld, LDAPMessage* result) {
  return ldap_.ldap_first_entry(ld, result);
}

LDAPMessage* RecordedDirectory::ldap_next_entry(LDAP* ld, LDAPMessage* entry) {
  return ldap_.ldap_next_entry(ld, entry);
}

PCHAR RecordedDirectory::ldap_first_attribute(LDAP* ld, LDAPMessage* entry, BerElement** position) {
  return ldap_.ldap_first_attribute(ld, entry, position);
}

PCHAR RecordedDirectory::ldap_next_attribute(LDAP* ld, LDAPMessage* entry, BerElement* position) {
  return ldap_.ldap_next_attribute(ld, entry, position);
}

PCHAR* RecordedDirectory::ldap_get_values(LDAP* ld, LDAPMessage* entry, PCHAR attribute) {
  return ldap_.ldap_get_values(ld, entry, attribute);
}

ULONG RecordedDirectory::ldap_value_free(PCHAR* values) { return ldap_.ldap_value_free(values); }

VOID RecordedDirectory::ldap_memfree(PCHAR block) { ldap_.ldap_memfree(block); }

VOID RecordedDirectory::ber_free(BerElement* position, INT freeBuffer) {
  ldap_.ber_free(position, freeBuffer);
}

ULONG RecordedDirectory::ldap_msgfree(LDAPMessage* result) {
  if (result) --results_;
  return ldap_.ldap_msgfree(result);
}

ULONG RecordedDirectory::ldap_unbind(LDAP* ld) {
  log("ldap_unbind");
  if (ld) --connections_;
  return ldap_.ldap_unbind(ld);
}

ULONG RecordedDirectory::LdapGetLastError() { return ldapError_ ? ldapError_ : ldap_.LdapGetLastError(); }

ScenarioDirectory::ScenarioDirectory(std::unique_ptr<RecordedPlatform> machine, DirectoryApi& ldap)
    : machine_(std::move(machine)),
      machineScope_(*machine_),
      directory_(*machine_, ldap),
      directoryScope_(directory_) {}
