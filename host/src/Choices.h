#pragma once

#include <string>
#include <vector>

// The categories and plug-ins a run calls, as the hosts show and change them.
// Portable: no Windows header.
namespace host {

struct PluginChoice {
  std::string name;
  bool selected = false;
  bool hasObservation = false;
  int parameters = -1;  // index into Catalogue::parameters(), -1 when it has none
};

struct CategoryChoice {
  std::string name;
  bool selected = false;
  std::vector<PluginChoice> plugins;
};

}  // namespace host
