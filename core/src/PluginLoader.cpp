#include "nox/PluginLoader.h"
#include "CoreRaise.h"
#include "nox/Memory.h"

namespace {
String folderOf(HMODULE module) {
  char path[MAX_PATH + 1] = {};
  const DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
  path[n < MAX_PATH ? n : MAX_PATH] = '\0';
  String folder(path);
  unsigned int slash = 0;
  return folder.reverseFind('\\', slash) ? folder.left(slash + 1) : String();
}

// The folder search also matches a name by its short 8.3 alias, so that
// "*.nxo" would find "Old.nxo1" through "OLD~1.NXO". Only a real ".ext" ending
// counts.
bool hasExtension(const char* fileName, const char* extension) {
  const size_t nameLength = lstrlenA(fileName);
  const size_t extensionLength = lstrlenA(extension);
  if (nameLength <= extensionLength + 1) return false;
  const char* dot = fileName + nameLength - extensionLength - 1;
  return *dot == '.' && lstrcmpiA(dot + 1, extension) == 0;
}
}  // namespace

PluginLoader::PluginLoader() : searchFolder_(folderOf(noxThisModule())) {}

PluginLoader::~PluginLoader() { unloadAll(); }

void PluginLoader::loadAll() {
  loadPlugins("nxo", observationPlugins_);
  loadPlugins("nxw", serializerPlugins_);
}

void PluginLoader::unloadAll() {
  unloadPlugins(observationPlugins_);
  unloadPlugins(serializerPlugins_);
}

void PluginLoader::unloadPlugins(Plugins& list) {
  const unsigned int count = list.getCount();
  for (unsigned int i = 0; i < count; ++i) list.getItem(i)->unload();
  list.removeAll();
}

Plugins& PluginLoader::getObservationPlugins() { return observationPlugins_; }

Plugins& PluginLoader::getSerializerPlugins() { return serializerPlugins_; }

const IString& PluginLoader::getSearchFolder() const { return searchFolder_; }

void PluginLoader::setSearchFolder(const char* folder) { searchFolder_ = folder; }

void PluginLoader::loadPlugins(const char* extension, Plugins& list) {
  const bool observation = lstrcmpiA(extension, "nxo") == 0;
  const unsigned int missingId = observation ? NOX_ERR_NO_OBSERVATION_PLUGIN : NOX_ERR_NO_SERIALIZER_PLUGIN;
  String pattern;
  pattern.format("%s*.%s", searchFolder_.getData(), extension);

  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(pattern.getData(), &found);
  if (search == INVALID_HANDLE_VALUE) CORE_RAISE(missingId, "SerializerPlugin", "load");

  bool anyMatch = false;
  try {
    do {
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !hasExtension(found.cFileName, extension))
        continue;
      anyMatch = true;
      String path;
      path.format("%s%s", searchFolder_.getData(), found.cFileName);

      Plugin* plugin = observation ? static_cast<Plugin*>(noxNew<ObservationPlugin>())
                                   : static_cast<Plugin*>(noxNew<SerializerPlugin>());
      if (!plugin) CORE_RAISE_MEMORY("PluginLoader", "loadPlugins");
      // A file that is no usable module is skipped without a word, whatever its
      // initialisation threw: the modules after it still load.
      bool loaded = false;
      try {
        plugin->load(path.getData());
        loaded = true;
      } catch (IException* e) {
        e->release();
      } catch (...) {
      }
      if (!loaded) {
        noxDelete(plugin);
        continue;
      }
      try {
        list.add(plugin);
      } catch (...) {
        noxDelete(plugin);
        throw;
      }
    } while (FindNextFileA(search, &found));
  } catch (...) {
    FindClose(search);
    throw;
  }
  FindClose(search);
  if (!anyMatch) CORE_RAISE_WITH(missingId, ERROR_FILE_NOT_FOUND, "SerializerPlugin", "load");
}
