#pragma once

#include <string>
#include <vector>

#include "nox/PluginModule.h"

// LDAP.nxo: for each LDAP server the user names, its name and port, whether it
// accepts an anonymous login, its base DN and the attributes of its root entry.
namespace ldapserver {

// One server of the target field: "host" (port 389) or "host:port".
struct ServerSpec {
  bool valid = false;
  std::string host;
  unsigned long port = 0;
};
// Invalid: an empty text, an empty host, a port that is not 1 to 65535 in
// decimal digits, more than one colon.
ServerSpec parseServerSpec(const std::string& text);

// The number the field counts: 1 for a non-empty value plus 1 per TAB.
unsigned int countServers(const std::string& value);
// The server specifications, split at TABs from left to right; a trailing
// TAB counts (countServers) but yields no specification.
std::vector<std::string> splitServers(const std::string& value);

// Fills one "ldapServer" entry node for one specification.
void fillServerEntry(Report& entry, const std::string& spec);

class LdapRootObservation;

// "ldapServer": every server of the root's target field.
class LdapServerObservation : public Observation {
 public:
  explicit LdapServerObservation(LdapRootObservation& root) : root_(root) {}
  void observe(Report& report) override;

 private:
  LdapRootObservation& root_;
};

// "ldap", with the target form and the one sub-observation.
class LdapRootObservation : public PluginRootObservation {
 public:
  LdapRootObservation();
  void observe(Report& report) override { report.setName("ldap"); }
  // The value of the target field.
  std::string targets() const;
};

}  // namespace ldapserver
