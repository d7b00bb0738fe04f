#pragma once

#include <string>
#include <vector>

#include "Choices.h"
#include "Outcome.h"
#include "Parameters.h"
#include "nox/Configration.h"
#include "nox/SystemReporter.h"

// The categories, plug-ins and parameters as a host shows and edits them:
// plain copies of what the core offers, written back with commit() right
// before a run, so that a window can edit them on another thread than the one
// that drives the core.
namespace host {

class Catalogue {
 public:
  // Reads the categories of an initialised reporter and the forms of their plug-ins.
  explicit Catalogue(ISystemReporter& reporter);

  std::vector<CategoryChoice>& categories() { return categories_; }
  const std::vector<CategoryChoice>& categories() const { return categories_; }
  // One record per plug-in (a plug-in in two categories has one).
  std::vector<PluginParameters>& parameters() { return parameters_; }
  const std::vector<PluginParameters>& parameters() const { return parameters_; }

  // Selects or deselects a category (selecting one selects all its plug-ins)
  // or a plug-in (selecting one selects its category too), by name with case
  // ignored. Throws std::invalid_argument for an unknown name.
  void select(const std::string& name, bool on);
  // Exactly these categories or plug-ins.
  void selectOnly(const std::vector<std::string>& names);
  // Settings whose values are given (not --set-env or --ask any more); see
  // host::applySettings.
  std::vector<std::string> applySettings(const std::vector<ParameterSetting>& settings);

  // The plug-ins a run will call, in order.
  std::vector<PluginRun> plan() const;

  // Writes the selection into the categories and every changed value into its
  // form (whose status becomes CONFIG_STATUS_OK). Call on the core's thread.
  void commit();

  // Writes the selection into NxInfo.ini ("Select" of each category section,
  // a trailing '-' on the key of each plug-in that is not selected). Keys of
  // plug-ins that are not loaded are left as they are. Throws
  // std::runtime_error with a sentence when the file cannot be written.
  void saveSelection(const std::string& settingsFile) const;

 private:
  struct Field {
    IConfigration* form;
    IConfigrationEntry* entry;
  };
  ISystemReporter& reporter_;
  std::vector<CategoryChoice> categories_;
  std::vector<PluginParameters> parameters_;
  std::vector<std::vector<Field>> fields_;  // beside parameters_
};

}  // namespace host
