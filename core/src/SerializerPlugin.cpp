#include "CoreRaise.h"
#include "nox/PluginLoader.h"

SerializerPlugin::SerializerPlugin() : getSerializer_(nullptr) {}

void SerializerPlugin::load(const char* path) {
  Plugin::load(path);
  getSerializer_ = noxPluginExport<NoxGetSerializerFunction>(getModule(), NOX_EXPORT_GET_SERIALIZER);
  if (!getSerializer_) {
    const DWORD lastError = GetLastError();
    abandon();
    CORE_RAISE_WITH(NOX_ERR_KEY, lastError, "SerializerPlugin", "load");
  }
}

void SerializerPlugin::unload() {
  getSerializer_ = nullptr;
  Plugin::unload();
}

ISerializer* SerializerPlugin::getSerializer() {
  if (!isLoaded() || !getSerializer_) CORE_RAISE(NOX_ERR_MODULE, "Plugin", "getSerializer");
  return getSerializer_();
}
