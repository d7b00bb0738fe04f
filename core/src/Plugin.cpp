#include "CoreRaise.h"
#include "nox/PluginLoader.h"

Plugin::Plugin()
    : module_(nullptr),
      initializePlugin_(nullptr),
      uninitializePlugin_(nullptr),
      getPluginInformation_(nullptr) {}

Plugin::~Plugin() { Plugin::unload(); }

void Plugin::load(const char* path) {
  if (module_) unload();

  module_ = LoadLibraryA(path);
  if (!module_) CORE_RAISE(NOX_ERR_MODULE, "Plugin", "load");

  getPluginInformation_ =
      noxPluginExport<NoxGetPluginInformationFunction>(module_, NOX_EXPORT_GET_PLUGIN_INFORMATION);
  initializePlugin_ = noxPluginExport<NoxInitializePluginFunction>(module_, NOX_EXPORT_INITIALIZE_PLUGIN);
  uninitializePlugin_ =
      noxPluginExport<NoxUninitializePluginFunction>(module_, NOX_EXPORT_UNINITIALIZE_PLUGIN);
  if (!getPluginInformation_ || !initializePlugin_ || !uninitializePlugin_) {
    const DWORD lastError = GetLastError();
    // Never initialised, so there is nothing to uninitialise.
    uninitializePlugin_ = nullptr;
    abandon();
    CORE_RAISE_WITH(NOX_ERR_MODULE, lastError, "Plugin", "load");
  }

  // A module is unloaded only once what it threw is handled: an exception of its
  // own (no IException) keeps its type and destructor in the module's code.
  IException* failure = nullptr;
  bool failed = false;
  try {
    initializePlugin_();
  } catch (IException* e) {
    failure = e;
    failed = true;
  } catch (...) {
    failed = true;
  }
  if (failed) {
    abandon();
    if (failure) throw failure;
    CORE_RAISE(NOX_ERR_MODULE, "Plugin", "load");
  }
  path_ = path;
}

void Plugin::abandon() {
  Plugin::unload();
  path_.empty();
}

void Plugin::unload() {
  if (!module_) return;
  if (uninitializePlugin_) {
    try {
      uninitializePlugin_();
    } catch (IException* e) {
      // The module goes regardless; a failure to tidy up inside it changes
      // nothing for the core.
      e->release();
    } catch (...) {
    }
  }
  FreeLibrary(module_);
  module_ = nullptr;
  initializePlugin_ = nullptr;
  uninitializePlugin_ = nullptr;
  getPluginInformation_ = nullptr;
}

bool Plugin::isLoaded() { return module_ != nullptr; }

IPluginInformation* Plugin::getInformation() {
  if (!module_ || !getPluginInformation_) CORE_RAISE(NOX_ERR_MODULE, "Plugin", "getInformation");
  return getPluginInformation_();
}

const IString& Plugin::getPath() const { return path_; }

HMODULE Plugin::getModule() const { return module_; }
