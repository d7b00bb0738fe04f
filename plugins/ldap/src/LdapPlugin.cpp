// LDAP.nxo: the LDAP servers the user names.
#include "LdapObservations.h"

NOX_OBSERVATION_PLUGIN(kPluginLDAP, ldapserver::LdapRootObservation)
