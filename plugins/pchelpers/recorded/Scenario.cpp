#include "Scenario.h"

#include <windows.h>

std::unique_ptr<RecordedPlatform> loadScenario(const std::string& name) {
  char exe[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string folder(exe);
  folder = folder.substr(0, folder.find_last_of('\\'));
  return RecordedPlatform::fromFile(folder + "\\scenarios\\" + name + ".scn");
}
