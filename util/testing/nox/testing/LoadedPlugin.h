#pragma once

// A plug-in module loaded from beside the test program, initialised for the
// object's lifetime, with its exports at hand.

#include <windows.h>

#include "nox/PluginModule.h"

namespace nox_testing {

class LoadedPlugin {
 public:
  explicit LoadedPlugin(const char* file) : module_(LoadLibraryA(file)) {
    if (module_) noxPluginExport<NoxInitializePluginFunction>(module_, NOX_EXPORT_INITIALIZE_PLUGIN)();
  }
  ~LoadedPlugin() {
    if (!module_) return;
    noxPluginExport<NoxUninitializePluginFunction>(module_, NOX_EXPORT_UNINITIALIZE_PLUGIN)();
    FreeLibrary(module_);
  }
  LoadedPlugin(const LoadedPlugin&) = delete;
  LoadedPlugin& operator=(const LoadedPlugin&) = delete;

  // Null when the module (or a library it imports) could not be loaded.
  HMODULE module() const { return module_; }
  IPluginInformation* information() const {
    return noxPluginExport<NoxGetPluginInformationFunction>(module_, NOX_EXPORT_GET_PLUGIN_INFORMATION)();
  }
  IObservation* observation() const {
    return noxPluginExport<NoxGetObservationFunction>(module_, NOX_EXPORT_GET_OBSERVATION)();
  }

 private:
  HMODULE module_;
};

}  // namespace nox_testing
