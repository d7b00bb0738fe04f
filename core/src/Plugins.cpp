#include "CoreRaise.h"
#include "nox/Memory.h"
#include "nox/PluginLoader.h"

namespace {
void destroyPlugin(void* plugin) { noxDelete(static_cast<Plugin*>(plugin)); }
}  // namespace

Plugins::Plugins() : impl_(nullptr) {}

Plugins::~Plugins() { noxListDestroy(&impl_, destroyPlugin); }

unsigned int Plugins::getCount() const {
  return noxListCollection(&impl_, noxThisModule(), "Plugins")->getCount();
}

Plugin* Plugins::getItem(unsigned int index) const {
  return static_cast<Plugin*>(noxListCollection(&impl_, noxThisModule(), "Plugins")->getItem(index));
}

void Plugins::add(Plugin* plugin) { noxListCollection(&impl_, noxThisModule(), "Plugins")->addItem(plugin); }

void Plugins::removeAll() {
  noxListRemoveAllOwned(noxListCollection(&impl_, noxThisModule(), "Plugins"), destroyPlugin);
}

Plugin* Plugins::removeItem(unsigned int index) {
  return static_cast<Plugin*>(noxListCollection(&impl_, noxThisModule(), "Plugins")->removeItem(index));
}

Plugin* Plugins::findByFileName(const char* name) const {
  const String wanted(name);
  const unsigned int count = getCount();
  for (unsigned int i = 0; i < count; ++i) {
    Plugin* plugin = getItem(i);
    const String path(plugin->getPath());
    unsigned int slash = 0;
    const String fileName = path.reverseFind('\\', slash) ? path.right(path.length() - slash - 1) : path;
    if (fileName.compareNoCase(wanted) == 0) return plugin;
  }
  return nullptr;
}
