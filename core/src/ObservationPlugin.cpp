#include "CoreRaise.h"
#include "nox/PluginLoader.h"

ObservationPlugin::ObservationPlugin() : getObservation_(nullptr) {}

void ObservationPlugin::load(const char* path) {
  Plugin::load(path);
  getObservation_ = noxPluginExport<NoxGetObservationFunction>(getModule(), NOX_EXPORT_GET_OBSERVATION);
  if (!getObservation_) {
    const DWORD lastError = GetLastError();
    abandon();
    CORE_RAISE_WITH(NOX_ERR_MODULE, lastError, "ObservationPlugin", "load");
  }
}

void ObservationPlugin::unload() {
  getObservation_ = nullptr;
  Plugin::unload();
}

IObservation* ObservationPlugin::getObservation() {
  if (!isLoaded() || !getObservation_) CORE_RAISE(NOX_ERR_MODULE, "Plugin", "getObservation");
  return getObservation_();
}
