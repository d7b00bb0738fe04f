// The real directory calls, bound at run time: NETAPI32.DLL, the LSA calls of
// ADVAPI32.DLL and WLDAP32.DLL are each missing on some Windows this runs on.
#include "pchelpers/DirectoryApi.h"

namespace {

const NTSTATUS kStatusNotImplemented = static_cast<NTSTATUS>(0xC0000002L);
const ULONG kNotSupported = LDAP_NOT_SUPPORTED;

template <class F>
struct Bound {
  F fn;
  DWORD missing;
};

// One library, loaded on first use and kept for the life of the process: LDAP
// connections outlive any one call, and a library must not be freed while a
// module unloads.
class Library {
 public:
  explicit Library(const char* name) : name_(name) {}

  // The entry point as F; null when the library or the entry is missing, and
  // `missing` says which (ERROR_MOD_NOT_FOUND or ERROR_PROC_NOT_FOUND).
  template <class F>
  Bound<F> bind(const char* name) {
    if (!loaded_) {
      module_ = ::LoadLibraryA(name_);
      loaded_ = true;
    }
    if (!module_) return {nullptr, ERROR_MOD_NOT_FOUND};
    FARPROC address = ::GetProcAddress(module_, name);
    return {reinterpret_cast<F>(reinterpret_cast<void (*)()>(address)), address ? 0UL : ERROR_PROC_NOT_FOUND};
  }

 private:
  const char* name_;
  HMODULE module_ = nullptr;
  bool loaded_ = false;
};

// Each call resolves its entry point once; the typedefs come from the SDK
// declarations, so calling conventions match on x86 (WINAPI for NETAPI32 and
// the LSA, cdecl for the LDAP client).
#define NOX_ENTRY(library, function)                                                                   \
  static const Bound<decltype(&::function)> entry_ = (library).bind<decltype(&::function)>(#function); \
  auto fn_ = entry_.fn

class Win32Directory final : public DirectoryApi {
 public:
  NET_API_STATUS NetGetDCName(LPCWSTR server, LPCWSTR domain, LPBYTE* buffer) override {
    NOX_ENTRY(netapi_, NetGetDCName);
    return fn_ ? fn_(server, domain, buffer) : entry_.missing;
  }
  NET_API_STATUS NetServerEnum(LPCWSTR server, DWORD level, LPBYTE* buffer, DWORD preferredMaximum,
                               LPDWORD entriesRead, LPDWORD totalEntries, DWORD serverType, LPCWSTR domain,
                               LPDWORD resume) override {
    NOX_ENTRY(netapi_, NetServerEnum);
    return fn_ ? fn_(server, level, buffer, preferredMaximum, entriesRead, totalEntries, serverType, domain,
                     resume)
               : entry_.missing;
  }
  NET_API_STATUS NetWkstaGetInfo(LPWSTR server, DWORD level, LPBYTE* buffer) override {
    NOX_ENTRY(netapi_, NetWkstaGetInfo);
    return fn_ ? fn_(server, level, buffer) : entry_.missing;
  }
  NET_API_STATUS NetQueryDisplayInformation(LPCWSTR server, DWORD level, DWORD index, DWORD entriesRequested,
                                            DWORD preferredMaximum, LPDWORD returnedCount,
                                            PVOID* buffer) override {
    NOX_ENTRY(netapi_, NetQueryDisplayInformation);
    return fn_ ? fn_(server, level, index, entriesRequested, preferredMaximum, returnedCount, buffer)
               : entry_.missing;
  }
  NET_API_STATUS NetApiBufferFree(LPVOID buffer) override {
    NOX_ENTRY(netapi_, NetApiBufferFree);
    return fn_ ? fn_(buffer) : entry_.missing;
  }

  NTSTATUS LsaOpenPolicy(PLSA_UNICODE_STRING system, PLSA_OBJECT_ATTRIBUTES attributes, ACCESS_MASK access,
                         PLSA_HANDLE policy) override {
    NOX_ENTRY(advapi_, LsaOpenPolicy);
    return fn_ ? fn_(system, attributes, access, policy) : kStatusNotImplemented;
  }
  NTSTATUS LsaEnumerateTrustedDomains(LSA_HANDLE policy, PLSA_ENUMERATION_HANDLE context, PVOID* buffer,
                                      ULONG preferredMaximum, PULONG count) override {
    NOX_ENTRY(advapi_, LsaEnumerateTrustedDomains);
    return fn_ ? fn_(policy, context, buffer, preferredMaximum, count) : kStatusNotImplemented;
  }
  NTSTATUS LsaFreeMemory(PVOID buffer) override {
    NOX_ENTRY(advapi_, LsaFreeMemory);
    return fn_ ? fn_(buffer) : kStatusNotImplemented;
  }
  NTSTATUS LsaClose(LSA_HANDLE policy) override {
    NOX_ENTRY(advapi_, LsaClose);
    return fn_ ? fn_(policy) : kStatusNotImplemented;
  }
  ULONG LsaNtStatusToWinError(NTSTATUS status) override {
    NOX_ENTRY(advapi_, LsaNtStatusToWinError);
    return fn_ ? fn_(status) : statusWithoutConverter(status);
  }

  LDAP* ldap_open(PCHAR host, ULONG port) override {
    NOX_ENTRY(wldap_, ldap_open);
    return fn_ ? fn_(host, port) : nullptr;
  }
  ULONG ldap_bind_s(LDAP* ld, PCHAR dn, PCHAR credentials, ULONG method) override {
    NOX_ENTRY(wldap_, ldap_bind_s);
    return fn_ ? fn_(ld, dn, credentials, method) : kNotSupported;
  }
  ULONG ldap_simple_bind_s(LDAP* ld, PCHAR dn, PCHAR password) override {
    NOX_ENTRY(wldap_, ldap_simple_bind_s);
    return fn_ ? fn_(ld, dn, password) : kNotSupported;
  }
  ULONG ldap_search_s(LDAP* ld, PCHAR base, ULONG scope, PCHAR filter, PCHAR attributes[],
                      ULONG attributesOnly, LDAPMessage** result) override {
    NOX_ENTRY(wldap_, ldap_search_s);
    return fn_ ? fn_(ld, base, scope, filter, attributes, attributesOnly, result) : kNotSupported;
  }
  ULONG ldap_count_entries(LDAP* ld, LDAPMessage* result) override {
    NOX_ENTRY(wldap_, ldap_count_entries);
    return fn_ ? fn_(ld, result) : static_cast<ULONG>(-1);
  }
  LDAPMessage* ldap_first_entry(LDAP* ld, LDAPMessage* result) override {
    NOX_ENTRY(wldap_, ldap_first_entry);
    return fn_ ? fn_(ld, result) : nullptr;
  }
  LDAPMessage* ldap_next_entry(LDAP* ld, LDAPMessage* entry) override {
    NOX_ENTRY(wldap_, ldap_next_entry);
    return fn_ ? fn_(ld, entry) : nullptr;
  }
  PCHAR ldap_first_attribute(LDAP* ld, LDAPMessage* entry, BerElement** position) override {
    NOX_ENTRY(wldap_, ldap_first_attribute);
    return fn_ ? fn_(ld, entry, position) : nullptr;
  }
  PCHAR ldap_next_attribute(LDAP* ld, LDAPMessage* entry, BerElement* position) override {
    NOX_ENTRY(wldap_, ldap_next_attribute);
    return fn_ ? fn_(ld, entry, position) : nullptr;
  }
  PCHAR* ldap_get_values(LDAP* ld, LDAPMessage* entry, PCHAR attribute) override {
    NOX_ENTRY(wldap_, ldap_get_values);
    return fn_ ? fn_(ld, entry, attribute) : nullptr;
  }
  ULONG ldap_value_free(PCHAR* values) override {
    NOX_ENTRY(wldap_, ldap_value_free);
    return fn_ ? fn_(values) : kNotSupported;
  }
  VOID ldap_memfree(PCHAR block) override {
    NOX_ENTRY(wldap_, ldap_memfree);
    if (fn_) fn_(block);
  }
  VOID ber_free(BerElement* position, INT freeBuffer) override {
    NOX_ENTRY(wldap_, ber_free);
    if (fn_) fn_(position, freeBuffer);
  }
  ULONG ldap_msgfree(LDAPMessage* result) override {
    NOX_ENTRY(wldap_, ldap_msgfree);
    return fn_ ? fn_(result) : kNotSupported;
  }
  ULONG ldap_unbind(LDAP* ld) override {
    NOX_ENTRY(wldap_, ldap_unbind);
    return fn_ ? fn_(ld) : kNotSupported;
  }
  ULONG LdapGetLastError() override {
    NOX_ENTRY(wldap_, LdapGetLastError);
    return fn_ ? fn_() : kNotSupported;
  }

  DWORD GetTickCount() override { return ::GetTickCount(); }

 private:
  Library netapi_{"NETAPI32.DLL"};
  Library advapi_{"ADVAPI32.DLL"};
  Library wldap_{"WLDAP32.DLL"};
};

#undef NOX_ENTRY

}  // namespace

ULONG DirectoryApi::statusWithoutConverter(NTSTATUS status) {
  ULONG code = static_cast<ULONG>(status);
  if (code == 0) return 0;
  if (status == kStatusNotImplemented) return ERROR_CALL_NOT_IMPLEMENTED;
  if ((code & 0xC0000000UL) == 0) return code;
  return ERROR_MR_MID_NOT_FOUND;
}

DirectoryApi& DirectoryApi::real() {
  static Win32Directory directory;
  return directory;
}
