#pragma once

#include <windows.h>
// clang-format off
#include <lm.h>
#include <ntsecapi.h>
#include <winldap.h>
#include <winber.h>
// clang-format on

#include "pchelpers/Seam.h"

// The directory calls of the plug-ins, with their Windows names, arguments and
// results: network management (NETAPI32.DLL), the trusted domains of another
// computer's security policy (ADVAPI32.DLL) and the C LDAP API of the Windows
// LDAP client (WLDAP32.DLL). The machine's own LSA policy is on Platform.
// Plug-ins call Seam<DirectoryApi>::current(); tests put a recorded one in
// force with ScopedSeam<DirectoryApi>.
//
// Every one of these libraries is missing on some supported Windows (Windows
// 95 and 98 have a NETAPI32.DLL with another set of calls and no LSA; the LDAP
// client came with Windows 2000 or the directory client add-on), so the real
// implementation binds them at run time. A call whose library or entry point
// is missing fails soundly: a network management call returns
// ERROR_MOD_NOT_FOUND or ERROR_PROC_NOT_FOUND, an LSA call STATUS_NOT_IMPLEMENTED,
// ldap_open a null connection (LdapGetLastError then gives LDAP_NOT_SUPPORTED)
// and the freeing calls do nothing.
class DirectoryApi {
 public:
  virtual ~DirectoryApi() = default;
  // The implementation that calls Windows.
  static DirectoryApi& real();

  // Network management. Buffers are freed with NetApiBufferFree.
  virtual NET_API_STATUS NetGetDCName(LPCWSTR server, LPCWSTR domain, LPBYTE* buffer) = 0;
  virtual NET_API_STATUS NetServerEnum(LPCWSTR server, DWORD level, LPBYTE* buffer, DWORD preferredMaximum,
                                       LPDWORD entriesRead, LPDWORD totalEntries, DWORD serverType,
                                       LPCWSTR domain, LPDWORD resume) = 0;
  virtual NET_API_STATUS NetWkstaGetInfo(LPWSTR server, DWORD level, LPBYTE* buffer) = 0;
  virtual NET_API_STATUS NetQueryDisplayInformation(LPCWSTR server, DWORD level, DWORD index,
                                                    DWORD entriesRequested, DWORD preferredMaximum,
                                                    LPDWORD returnedCount, PVOID* buffer) = 0;
  virtual NET_API_STATUS NetApiBufferFree(LPVOID buffer) = 0;

  // Trusted domains of a security policy, also of another computer. Buffers
  // are freed with this LsaFreeMemory.
  virtual NTSTATUS LsaOpenPolicy(PLSA_UNICODE_STRING system, PLSA_OBJECT_ATTRIBUTES attributes,
                                 ACCESS_MASK access, PLSA_HANDLE policy) = 0;
  virtual NTSTATUS LsaEnumerateTrustedDomains(LSA_HANDLE policy, PLSA_ENUMERATION_HANDLE context,
                                              PVOID* buffer, ULONG preferredMaximum, PULONG count) = 0;
  virtual NTSTATUS LsaFreeMemory(PVOID buffer) = 0;
  virtual NTSTATUS LsaClose(LSA_HANDLE policy) = 0;
  virtual ULONG LsaNtStatusToWinError(NTSTATUS status) = 0;

  // LDAP client (the ANSI calls).
  virtual LDAP* ldap_open(PCHAR host, ULONG port) = 0;
  virtual ULONG ldap_bind_s(LDAP* ld, PCHAR dn, PCHAR credentials, ULONG method) = 0;
  virtual ULONG ldap_simple_bind_s(LDAP* ld, PCHAR dn, PCHAR password) = 0;
  // Even a failed search may hand back a result, which the caller frees.
  virtual ULONG ldap_search_s(LDAP* ld, PCHAR base, ULONG scope, PCHAR filter, PCHAR attributes[],
                              ULONG attributesOnly, LDAPMessage** result) = 0;
  // (ULONG)-1 on failure; LdapGetLastError says why.
  virtual ULONG ldap_count_entries(LDAP* ld, LDAPMessage* result) = 0;
  virtual LDAPMessage* ldap_first_entry(LDAP* ld, LDAPMessage* result) = 0;
  virtual LDAPMessage* ldap_next_entry(LDAP* ld, LDAPMessage* entry) = 0;
  // The walk over an entry's attributes keeps its place in `position`, which
  // the caller releases with ber_free(position, 0) when it is done.
  virtual PCHAR ldap_first_attribute(LDAP* ld, LDAPMessage* entry, BerElement** position) = 0;
  virtual PCHAR ldap_next_attribute(LDAP* ld, LDAPMessage* entry, BerElement* position) = 0;
  virtual PCHAR* ldap_get_values(LDAP* ld, LDAPMessage* entry, PCHAR attribute) = 0;
  virtual ULONG ldap_value_free(PCHAR* values) = 0;
  virtual VOID ldap_memfree(PCHAR block) = 0;
  virtual VOID ber_free(BerElement* position, INT freeBuffer) = 0;
  virtual ULONG ldap_msgfree(LDAPMessage* result) = 0;
  virtual ULONG ldap_unbind(LDAP* ld) = 0;
  virtual ULONG LdapGetLastError() = 0;

  // The millisecond tick counter that times the directory queries.
  virtual DWORD GetTickCount() = 0;

  // What LsaNtStatusToWinError gives where ADVAPI32.DLL lacks it: success stays
  // 0, STATUS_NOT_IMPLEMENTED becomes ERROR_CALL_NOT_IMPLEMENTED, a code that is
  // no NTSTATUS (a Windows error already) is kept, anything else becomes
  // ERROR_MR_MID_NOT_FOUND as Windows answers for a status it does not know.
  static ULONG statusWithoutConverter(NTSTATUS status);
};
