#pragma once

#include <string>
#include <vector>

#include "nox/PluginModule.h"

namespace dvqconnect {

// The server names of the "Target server Name" list, split at TAB characters:
// every piece before a TAB is a name (an empty one too); a TAB at the very end
// starts no further name.
std::vector<std::string> splitServerList(const std::string& list);

// The number the report gives for a list: 1 + its TAB characters.
unsigned long serverListCount(const std::string& list);

// The sub-observation: its report "dvqConnectServer" holds every named
// server's editions and whether each edition's component can be created there.
class ServerConnectObservation : public Observation {
 public:
  explicit ServerConnectObservation(Observation& root) : root_(root) {}
  void observe(Report& report) override;

 private:
  std::string serverList();
  Observation& root_;
};

// The root "dvqConnect" with its form for the server names.
class DvqConnectRoot : public PluginRootObservation {
 public:
  DvqConnectRoot();
  void observe(Report& report) override;
};

}  // namespace dvqconnect
