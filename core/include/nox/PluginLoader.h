#pragma once

#include <windows.h>

#include "nox/Collection.h"
#include "nox/Observation.h"
#include "nox/PluginInformation.h"
#include "nox/PluginModule.h"
#include "nox/String.h"

class ISerializer;

// The core's wrapper of one plug-in module. Every accessor calls into the module
// anew; on a wrapper that is not loaded it raises error ID 0 instead.
class Plugin {
 public:
  Plugin();
  // Unloads the module when it is still loaded.
  virtual ~Plugin();
  NOX_NON_COPYABLE(Plugin);

  // Loads the module, binds its three common exports and calls initializePlugin.
  // Any failure raises error ID 0 and leaves the wrapper unloaded: a module that
  // was loaded is uninitialised (when it got that far) and freed again.
  virtual void load(const char* path);
  // Calls uninitializePlugin and frees the module; nothing when not loaded.
  virtual void unload();
  virtual bool isLoaded();
  virtual IPluginInformation* getInformation();

  // The path the module was loaded from.
  const IString& getPath() const;

 protected:
  HMODULE getModule() const;
  // Releases a module that failed to load completely.
  void abandon();

 private:
  HMODULE module_;
  String path_;
  NoxInitializePluginFunction initializePlugin_;
  NoxUninitializePluginFunction uninitializePlugin_;
  NoxGetPluginInformationFunction getPluginInformation_;
};

class ObservationPlugin : public Plugin {
 public:
  ObservationPlugin();
  // A module without getObservation raises error ID 0.
  void load(const char* path) override;
  void unload() override;
  virtual IObservation* getObservation();

 private:
  NoxGetObservationFunction getObservation_;
};

typedef ISerializer* (*NoxGetSerializerFunction)();

class SerializerPlugin : public Plugin {
 public:
  SerializerPlugin();
  // A module without getSerializer raises error ID 4.
  void load(const char* path) override;
  void unload() override;
  virtual ISerializer* getSerializer();

 private:
  NoxGetSerializerFunction getSerializer_;
};

// The wrappers of one kind in load order. The list owns its wrappers: removeAll
// and the destructor destroy them (which unloads their modules).
class Plugins {
 public:
  Plugins();
  virtual ~Plugins();
  NOX_NON_COPYABLE(Plugins);

  virtual unsigned int getCount() const;
  virtual Plugin* getItem(unsigned int index) const;

  void add(Plugin* plugin);
  void removeAll();
  // Hands the wrapper back; the caller owns it from then on.
  Plugin* removeItem(unsigned int index);
  // The first wrapper whose module file name (the part of its path after the
  // last backslash) equals name ignoring case; null when there is none.
  Plugin* findByFileName(const char* name) const;

 private:
  mutable Collection* impl_;
};

// Loads every plug-in module of the core library's own folder: the observation
// modules (*.nxo) first, then the serializer modules (*.nxw).
class PluginLoader {
 public:
  PluginLoader();
  // Unloads everything.
  virtual ~PluginLoader();
  NOX_NON_COPYABLE(PluginLoader);

  // A kind with no file at all raises error ID 65537 (nxo) or 65538 (nxw);
  // since observation modules come first, a folder without any nxo file loads
  // nothing. Files that fail to load are skipped silently.
  void loadAll();
  void unloadAll();
  Plugins& getObservationPlugins();
  Plugins& getSerializerPlugins();

  // The folder searched, with its trailing backslash: by default that of the
  // module this code is linked into. Tests point it elsewhere.
  const IString& getSearchFolder() const;
  void setSearchFolder(const char* folder);

 private:
  void loadPlugins(const char* extension, Plugins& list);
  static void unloadPlugins(Plugins& list);

  Plugins observationPlugins_;
  Plugins serializerPlugins_;
  String searchFolder_;
};
