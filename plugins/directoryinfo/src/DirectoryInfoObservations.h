#pragma once

#include <string>

#include "nox/PluginModule.h"
#include "pchelpers/DirectoryApi.h"

// DirectoryInfo.nxo: the directory of this computer's Windows domain, reached
// over LDAP on its primary domain controller with the user name and password
// entered beforehand: the root entry, the domain controllers and the member
// computers. The root connects; its three sub-observations share the
// connection, and the last of them to finish closes it.
namespace directoryinfo {

// Results of the connection sequence.
enum Status {
  kConnected = 0,
  kNoController = -1,
  kNoDomain = -2,
  kNoConnection = -3,
  kBindRefused = -4,
  kNoRootEntry = -5,
  kNoBaseDn = -6,
};

// The error text of a status; null for kConnected.
const char* statusText(int status);

// One kind of computer list: where to search and how the nodes are named.
struct ComputerList {
  const char* reportName;
  const char* basePrefix;
  const char* filter;
  const char* listNode;
  const char* entryNode;
};
extern const ComputerList kDomainControllers;
extern const ComputerList kMemberComputers;

class DirectoryInfoRoot : public PluginRootObservation {
 public:
  DirectoryInfoRoot();
  ~DirectoryInfoRoot() override;
  void observe(Report& report) override;

  // What the sub-observations share.
  int status() const { return status_; }
  const std::string& controller() const { return controller_; }
  const std::string& baseDn() const { return baseDn_; }
  LDAP* connection() const { return connection_; }
  // A sub-observation is done with the connection; the last one closes it.
  void giveUpConnection();

 private:
  int connect(const std::string& user, const std::string& password);
  void closeConnection();

  Configration* form_ = nullptr;
  std::string controller_;
  LDAP* connection_ = nullptr;
  int status_ = kConnected;
  std::string baseDn_;
  int useCount_ = 0;
  int subObservations_ = 0;
};

// "rootSchema": the server, the base DN and every attribute of the root entry.
class RootSchemaObservation : public Observation {
 public:
  explicit RootSchemaObservation(DirectoryInfoRoot& root) : root_(root) {}
  void observe(Report& report) override;

 private:
  DirectoryInfoRoot& root_;
};

// "domainControllers" and "memberComputer": the computers of one container.
class ComputerListObservation : public Observation {
 public:
  ComputerListObservation(DirectoryInfoRoot& root, const ComputerList& list) : root_(root), list_(list) {}
  void observe(Report& report) override;

 private:
  DirectoryInfoRoot& root_;
  const ComputerList& list_;
};

}  // namespace directoryinfo
