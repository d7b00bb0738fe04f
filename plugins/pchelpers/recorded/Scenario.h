#pragma once

#include <memory>
#include <string>

#include "RecordedPlatform.h"

// Loads scenarios/<name>.scn from beside the test program (the build copies them there).
std::unique_ptr<RecordedPlatform> loadScenario(const std::string& name);

// A recorded machine installed for the lifetime of a test.
class ScenarioMachine {
 public:
  explicit ScenarioMachine(std::unique_ptr<RecordedPlatform> platform)
      : platform_(std::move(platform)), scope_(*platform_) {}
  explicit ScenarioMachine(const std::string& name) : ScenarioMachine(loadScenario(name)) {}
  static ScenarioMachine fromText(const std::string& text) {
    return ScenarioMachine(RecordedPlatform::fromText(text));
  }

  RecordedPlatform& platform() { return *platform_; }

 private:
  std::unique_ptr<RecordedPlatform> platform_;
  ScopedPlatform scope_;
};
