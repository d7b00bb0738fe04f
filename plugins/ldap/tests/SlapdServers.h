#pragma once

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "ReportProbe.h"

// The directory servers the CTest fixture slapd-directory.sh started, as it
// wrote them to slapd-directory.txt beside the test programs.
struct SlapdServers {
  std::string unavailable;  // why there are none; empty when they run
  std::string domain;       // a Windows-like domain, anonymous logins accepted, port 389
  std::string domainPort;   // the domain server's second port
  std::string refusing;     // a domain without computers that refuses anonymous logins
  std::string plain;        // an LDAP server without defaultNamingContext and without entries
  std::string down;         // an address where nothing listens

  static SlapdServers load() {
    SlapdServers servers;
    std::ifstream file("slapd-directory.txt");
    std::string line;
    while (std::getline(file, line)) {
      if (line.rfind("unavailable", 0) == 0) servers.unavailable = line;
      size_t equals = line.find('=');
      if (equals == std::string::npos) continue;
      std::string name = line.substr(0, equals), value = line.substr(equals + 1);
      if (name == "domain") servers.domain = value;
      if (name == "domainPort") servers.domainPort = value;
      if (name == "refusing") servers.refusing = value;
      if (name == "plain") servers.plain = value;
      if (name == "down") servers.down = value;
    }
    if (servers.unavailable.empty() && servers.domain.empty()) {
      servers.unavailable = "the slapd_directory fixture did not run";
    }
    return servers;
  }
};

// A test that needs the servers skips, saying why, when they do not run.
#define NOX_REQUIRE_SLAPD(servers) \
  if (!(servers).unavailable.empty()) GTEST_SKIP() << "no directory servers: " << (servers).unavailable

// UTF-16 text in the ANSI code page, as the LDAP client hands values over.
inline std::string inAnsiCodePage(const wchar_t* text) {
  char bytes[256] = {};
  WideCharToMultiByte(CP_ACP, 0, text, -1, bytes, sizeof bytes, nullptr, nullptr);
  return bytes;
}

inline bool runningUnderWine() {
  return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

// Attribute names and joined values of the "schema" nodes below a node, in order.
using Schema = std::vector<std::pair<std::string, std::string>>;

inline Schema schemaOf(const IReport& parent) {
  Schema schema;
  for (unsigned int i = 0; const IReport* node = probe::find(parent, "schema", i); ++i) {
    schema.emplace_back(probe::attribute(*node, "attributeType"), static_cast<const char*>(node->getValue()));
  }
  return schema;
}

// The second description of the domain server's root entry, a value of
// 1806 characters: longer than any name or path buffer, it arrives whole.
inline std::string longSiteList() {
  std::string text = "Sites:";
  char site[16];
  for (int i = 1; i <= 200; ++i) {
    std::snprintf(site, sizeof site, " Site-%03d", i);
    text += site;
  }
  return text;
}

// The root entry of the domain server (slapd/domain-root.ldif as slapd gives
// it), every attribute in order.
inline Schema domainRootEntry() {
  return {
      {"objectClass", "top,OpenLDAProotDSE,adRootDSE"},
      {"defaultNamingContext", "DC=nox,DC=test"},
      {"rootDomainNamingContext", "DC=nox,DC=test"},
      {"configurationNamingContext", "CN=Configuration,DC=nox,DC=test"},
      {"schemaNamingContext", "CN=Schema,CN=Configuration,DC=nox,DC=test"},
      {"dsServiceName",
       "CN=NTDS "
       "Settings,CN=DC01,CN=Servers,CN=Default-First-Site-Name,CN=Sites,CN=Configuration,DC=nox,DC=test"},
      {"ldapServiceName", "nox.test:dc01$@NOX.TEST"},
      {"dNSHostName", "dc01.nox.test"},
      {"domainFunctionality", "3"},
      {"isGlobalCatalogReady", "TRUE"},
      {"supportedCapabilities", "1.2.840.113556.1.4.800,1.2.840.113556.1.4.1670,1.2.840.113556.1.4.1791"},
      {"description", inAnsiCodePage(L"Dom\u00e4ne NOX") + "," + longSiteList()},
  };
}
