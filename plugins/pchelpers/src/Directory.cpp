#include "pchelpers/Directory.h"

#include <cstring>
#include <vector>

#include "nox/String.h"
#include "pchelpers/Win32ApiWrapper.h"

namespace directory {

std::string ansiText(const WCHAR* text, int length, size_t maxBytes) {
  if (!text || length == 0 || maxBytes == 0) return "";
  int size = ::WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return "";
  std::vector<char> bytes(static_cast<size_t>(size));
  ::WideCharToMultiByte(CP_ACP, 0, text, length, bytes.data(), size, nullptr, nullptr);
  size_t end = length < 0 ? std::strlen(bytes.data()) : static_cast<size_t>(size);
  return cutText(std::string(bytes.data(), end), maxBytes);
}

std::string cutText(const std::string& text, size_t maxBytes) {
  // Whole characters only: a lead byte whose trail byte does not fit stays out.
  size_t kept = 0;
  while (kept < text.size()) {
    size_t width = noxIsLeadByte(static_cast<unsigned char>(text[kept])) && kept + 1 < text.size() ? 2 : 1;
    if (kept + width > maxBytes) break;
    kept += width;
  }
  return text.substr(0, kept);
}

std::wstring wideText(const std::string& text) {
  if (text.empty()) return L"";
  int size = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (size <= 0) return L"";
  std::wstring wide(static_cast<size_t>(size), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], size);
  return wide;
}

std::wstring serverArgument(const std::string& name, size_t maxChars) {
  std::wstring server = wideText(name);
  if (server.compare(0, 2, L"\\\\") != 0) server.insert(0, L"\\\\");
  if (maxChars > 0 && server.size() > maxChars - 1) server.resize(maxChars - 1);
  return server;
}

DWORD primaryDomainController(std::string& name) {
  name.clear();
  NetBuffer buffer;
  NET_API_STATUS status = Seam<DirectoryApi>::current().NetGetDCName(nullptr, nullptr, buffer.out());
  if (status != NERR_Success) return status;
  if (buffer.as<WCHAR>()) name = ansiText(buffer.as<WCHAR>(), -1, MAX_PATH - 1);
  return 0;
}

PrimaryDomain primaryDomain(size_t maxNameBytes) {
  PrimaryDomain domain;
  Win32ApiWrapper lsa;
  LSA_OBJECT_ATTRIBUTES attributes;
  std::memset(&attributes, 0, sizeof attributes);
  LSA_HANDLE policy = nullptr;
  domain.openStatus = lsa.LsaOpenPolicy(nullptr, &attributes, POLICY_VIEW_LOCAL_INFORMATION, &policy);
  if (domain.openStatus != 0) return domain;
  PVOID buffer = nullptr;
  domain.queryStatus = lsa.LsaQueryInformationPolicy(policy, PolicyPrimaryDomainInformation, &buffer);
  if (domain.queryStatus == 0 && buffer) {
    const auto* info = static_cast<const POLICY_PRIMARY_DOMAIN_INFO*>(buffer);
    domain.member = info->Sid != nullptr;
    domain.name = ansiText(info->Name.Buffer, info->Name.Length / sizeof(WCHAR), maxNameBytes);
  }
  if (buffer) lsa.LsaFreeMemory(buffer);
  lsa.LsaClose(policy);
  return domain;
}

std::string joinedValues(DirectoryApi& api, LDAP* ld, LDAPMessage* entry, PCHAR attribute) {
  PCHAR* values = api.ldap_get_values(ld, entry, attribute);
  if (!values) return "";
  std::string joined;
  try {
    for (size_t i = 0; values[i]; ++i) {
      if (i > 0) joined += ',';
      joined += values[i];
    }
  } catch (...) {
    api.ldap_value_free(values);
    throw;
  }
  api.ldap_value_free(values);
  return joined;
}

bool findAttribute(DirectoryApi& api, LDAP* ld, LDAPMessage* result, const char* name, std::string& values) {
  bool found = false;
  forEachEntry(api, ld, result, [&](LDAPMessage* entry) {
    forEachAttribute(api, ld, entry, [&](const std::string& attribute, const std::string& joined) {
      if (!found && attribute == name) {
        values = joined;
        found = true;
      }
    });
  });
  return found;
}

ULONG search(DirectoryApi& api, LDAP* ld, const std::string& base, ULONG scope, const char* filter,
             SearchResult& result) {
  return api.ldap_search_s(ld, const_cast<PCHAR>(base.c_str()), scope, const_cast<PCHAR>(filter), nullptr, 0,
                           result.out());
}

}  // namespace directory
