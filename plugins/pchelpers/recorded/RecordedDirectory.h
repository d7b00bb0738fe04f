#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "RecordedPlatform.h"
#include "pchelpers/DirectoryApi.h"

// Directory answers from the same scenario text as the machine's
// RecordedPlatform: the domain as this computer sees it (controllers, master
// browsers, trusts, account lists), in the memory layouts Windows uses (the
// records first, their texts after them, in one buffer NetApiBufferFree or
// LsaFreeMemory releases). Missing libraries and entry points come from the
// machine's [missing] section ("netapi32.dll", "netapi32.dll!NetGetDCName",
// "advapi32.dll!LsaEnumerateTrustedDomains", "wldap32.dll").
//
// LDAP calls go on to another DirectoryApi, by default the real client, so
// that a recorded machine can talk to a directory server a test starts; the
// [ldap] section adds what that server cannot show.
//
// Sections:
//   [domain]           pdc (NetGetDCName's answer, "\\NAME"; without it the
//                      call fails with pdcError, default 2453 NERR_DCNotFound),
//                      serversError (NetServerEnum fails with it), serversMore
//                      (yes: NetServerEnum answers 234 more data with the
//                      list), trusts (names of the trusted domains, blank
//                      separated), trustOpen (NTSTATUS: opening the
//                      controller's policy fails), trustStatus (NTSTATUS of
//                      LsaEnumerateTrustedDomains; default 0, or
//                      STATUS_NO_MORE_ENTRIES when there are no trusts)
//   [computer NAME]    a computer of the network: type (SV_TYPE_* bits for
//                      NetServerEnum), platform (default 500), langroup,
//                      version ("5.2"), wksta (NetWkstaGetInfo fails with it);
//                      NetWkstaGetInfo of a computer without a section fails
//                      with 53 (ERROR_BAD_NETPATH)
//   [display users]    NetQueryDisplayInformation level 1 (groups: level 3,
//   [display groups]   machines: level 2): count (entries the server holds),
//   [display machines] page (most entries in one answer), fail (every call
//                      fails with it; with failAt = N only the Nth call on),
//                      stall (yes: "more data" without entries), loop (yes:
//                      the next index of each page leads back to the start),
//                      untouched (yes: success with the output arguments left
//                      as they were, as Wine answers levels 2 and 3),
//                      msPerCall (the tick counter advances by it per call)
//   [ldap]             open (fail: ldap_open gives no connection, as Windows
//                      does when nothing answers), countError (ldap_count_entries
//                      fails and LdapGetLastError gives this code), searchError
//                      (ldap_search_s answers this code, still handing back the
//                      server's result for the caller to free), ntlm (a DN
//                      pattern with %s: an NTLM bind is answered by a simple
//                      bind of that DN with the user name and the password of
//                      the credentials, when their domain is the directory's:
//                      domain, by default the [lsa] domain; the stand-in for a
//                      server that speaks NTLM)
class RecordedDirectory : public DirectoryApi {
 public:
  explicit RecordedDirectory(RecordedPlatform& machine, DirectoryApi& ldap = DirectoryApi::real());
  ~RecordedDirectory() override;

  // What the code under test did and left behind.
  const std::vector<std::string>& calls() const { return calls_; }
  // How often a call was made exactly as `line` records it.
  int callsLike(const std::string& line) const;
  int netBuffers() const { return static_cast<int>(netBlocks_.size()); }
  int lsaBuffers() const { return static_cast<int>(lsaBlocks_.size()); }
  int openPolicies() const { return static_cast<int>(policies_.size()); }
  int openConnections() const { return connections_; }
  int searchResults() const { return results_; }

  NET_API_STATUS NetGetDCName(LPCWSTR server, LPCWSTR domain, LPBYTE* buffer) override;
  NET_API_STATUS NetServerEnum(LPCWSTR server, DWORD level, LPBYTE* buffer, DWORD preferredMaximum,
                               LPDWORD entriesRead, LPDWORD totalEntries, DWORD serverType, LPCWSTR domain,
                               LPDWORD resume) override;
  NET_API_STATUS NetWkstaGetInfo(LPWSTR server, DWORD level, LPBYTE* buffer) override;
  NET_API_STATUS NetQueryDisplayInformation(LPCWSTR server, DWORD level, DWORD index, DWORD entriesRequested,
                                            DWORD preferredMaximum, LPDWORD returnedCount,
                                            PVOID* buffer) override;
  NET_API_STATUS NetApiBufferFree(LPVOID buffer) override;

  NTSTATUS LsaOpenPolicy(PLSA_UNICODE_STRING system, PLSA_OBJECT_ATTRIBUTES attributes, ACCESS_MASK access,
                         PLSA_HANDLE policy) override;
  NTSTATUS LsaEnumerateTrustedDomains(LSA_HANDLE policy, PLSA_ENUMERATION_HANDLE context, PVOID* buffer,
                                      ULONG preferredMaximum, PULONG count) override;
  NTSTATUS LsaFreeMemory(PVOID buffer) override;
  NTSTATUS LsaClose(LSA_HANDLE policy) override;
  ULONG LsaNtStatusToWinError(NTSTATUS status) override;

  LDAP* ldap_open(PCHAR host, ULONG port) override;
  ULONG ldap_bind_s(LDAP* ld, PCHAR dn, PCHAR credentials, ULONG method) override;
  ULONG ldap_simple_bind_s(LDAP* ld, PCHAR dn, PCHAR password) override;
  ULONG ldap_search_s(LDAP* ld, PCHAR base, ULONG scope, PCHAR filter, PCHAR attributes[],
                      ULONG attributesOnly, LDAPMessage** result) override;
  ULONG ldap_count_entries(LDAP* ld, LDAPMessage* result) override;
  LDAPMessage* ldap_first_entry(LDAP* ld, LDAPMessage* result) override;
  LDAPMessage* ldap_next_entry(LDAP* ld, LDAPMessage* entry) override;
  PCHAR ldap_first_attribute(LDAP* ld, LDAPMessage* entry, BerElement** position) override;
  PCHAR ldap_next_attribute(LDAP* ld, LDAPMessage* entry, BerElement* position) override;
  PCHAR* ldap_get_values(LDAP* ld, LDAPMessage* entry, PCHAR attribute) override;
  ULONG ldap_value_free(PCHAR* values) override;
  VOID ldap_memfree(PCHAR block) override;
  VOID ber_free(BerElement* position, INT freeBuffer) override;
  ULONG ldap_msgfree(LDAPMessage* result) override;
  ULONG ldap_unbind(LDAP* ld) override;
  ULONG LdapGetLastError() override;

  DWORD GetTickCount() override { return clock_; }

 private:
  // A block the caller frees, holding `size` zeroed bytes.
  unsigned char* allocate(std::set<void*>& owner, size_t size);
  bool release(std::set<void*>& owner, void* block);
  // The error code when the scenario marks the library or entry point missing, else 0.
  DWORD missing(const char* library, const char* entry) const;
  void log(const std::string& line) { calls_.push_back(line); }

  RecordedPlatform& machine_;
  DirectoryApi& ldap_;
  std::vector<std::string> calls_;
  std::set<void*> netBlocks_;
  std::set<void*> lsaBlocks_;
  std::set<void*> policies_;
  std::map<std::string, int> displayCalls_;
  int connections_ = 0;
  int results_ = 0;
  ULONG ldapError_ = 0;  // the error of a failure the scenario made, until the next forwarded call
  DWORD clock_ = 100000;
};

// A recorded machine with its directory, installed for the lifetime of a test.
class ScenarioDirectory {
 public:
  explicit ScenarioDirectory(std::unique_ptr<RecordedPlatform> machine,
                             DirectoryApi& ldap = DirectoryApi::real());
  explicit ScenarioDirectory(const std::string& text, DirectoryApi& ldap = DirectoryApi::real())
      : ScenarioDirectory(RecordedPlatform::fromText(text), ldap) {}

  RecordedPlatform& machine() { return *machine_; }
  RecordedDirectory& directory() { return directory_; }
  const RecordedDirectory& directory() const { return directory_; }

 private:
  std::unique_ptr<RecordedPlatform> machine_;
  ScopedPlatform machineScope_;
  RecordedDirectory directory_;
  ScopedSeam<DirectoryApi> directoryScope_;
};
