#pragma once

// The contract every plug-in module fulfils, written once. A plug-in module's
// main source file ends with one line:
//
//   NOX_OBSERVATION_PLUGIN(kPluginDNS, DnsObservation)      // a .nxo module
//   NOX_SERIALIZER_PLUGIN(kPluginXML, XmlSerializer, ISerializer)  // the .nxw module
//
// which defines the module's plain exports:
//
//   initializePlugin      creates the main object, then the PluginInformation;
//                         each step does nothing if its object already exists
//   getPluginInformation  the PluginInformation, null while not initialised
//   getObservation        the root observation (observation modules only)
//   getSerializer         the serializer object (the serializer module only)
//   uninitializePlugin    destroys the main object, then the information
//
// The main class is default-constructed and builds everything it needs in its
// constructor: a root observation derives from PluginRootObservation and creates
// its sub-observations (in report order) and its forms there. Start-up such as
// Windows sockets also goes into the constructor, and shutting it down into the
// destructor, so that it ends when the main object is released.
//
// An allocation failure in a step raises the out-of-memory exception with this
// module's handle, an empty class name and the step's name as method name
// ("initializeObservation", "initializeSerializer",
// "initializePluginInformation"). A failed step leaves nothing of itself behind,
// so a later initializePlugin simply runs it again; a step that succeeded stays.

#include <utility>

#include "nox/Configration.h"
#include "nox/Error.h"
#include "nox/Memory.h"
#include "nox/Module.h"
#include "nox/Observation.h"
#include "nox/PluginIdentities.h"
#include "nox/PluginInformation.h"

// Names under which the core resolves the exports.
#define NOX_EXPORT_INITIALIZE_PLUGIN "initializePlugin"
#define NOX_EXPORT_GET_PLUGIN_INFORMATION "getPluginInformation"
#define NOX_EXPORT_GET_OBSERVATION "getObservation"
#define NOX_EXPORT_GET_SERIALIZER "getSerializer"
#define NOX_EXPORT_UNINITIALIZE_PLUGIN "uninitializePlugin"

typedef void (*NoxInitializePluginFunction)();
typedef IPluginInformation* (*NoxGetPluginInformationFunction)();
typedef IObservation* (*NoxGetObservationFunction)();
typedef void (*NoxUninitializePluginFunction)();

// Resolves an export of a loaded module as F; null when the module lacks it.
template <class F>
F noxPluginExport(HMODULE module, const char* name) {
  // Through void (*)(): the one function type any other may be cast from freely.
  return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// Runs one step of initializePlugin. Every memory failure inside it, however
// deep, is reported under the step's name; other failures pass unchanged.
template <class Step>
void noxRunPluginStep(const char* stepName, const char* sourceFile, unsigned int line, Step step) {
  try {
    step();
  } catch (IException* e) {
    if (e != static_cast<IException*>(&Exception::outOfMemory())) throw;
    throwMemoryException(noxThisModule(), sourceFile, line, "", stepName);
  }
}

// Module-wide state of one plug-in module: its main object and its identity.
template <class Main, class Interface>
class NoxPluginModule {
 public:
  static void initialize(const NoxPluginIdentity& identity, const char* mainStep, const char* sourceFile,
                         unsigned int line) {
    noxRunPluginStep(mainStep, sourceFile, line, [=] {
      if (main_) return;
      Main* created = noxNew<Main>();
      if (!created) throwMemoryException(noxThisModule(), sourceFile, line, "", mainStep);
      main_ = created;
    });
    noxRunPluginStep("initializePluginInformation", sourceFile, line, [&] {
      if (information_) return;
      PluginInformation* created = noxNew<PluginInformation>();
      if (!created)
        throwMemoryException(noxThisModule(), sourceFile, line, "", "initializePluginInformation");
      try {
        created->setID(identity.id);
        created->setName(String(identity.name));
        created->setType(identity.type);
        created->setVersion(identity.version);
      } catch (...) {
        noxDelete(created);
        throw;
      }
      information_ = created;
    });
  }

  static Interface* main() { return main_; }
  static IPluginInformation* information() { return information_; }

  static void uninitialize() {
    if (Main* main = main_) {
      main_ = nullptr;
      noxDelete(main);
    }
    if (PluginInformation* information = information_) {
      information_ = nullptr;
      noxDelete(information);
    }
  }

 private:
  static inline Main* main_ = nullptr;
  static inline PluginInformation* information_ = nullptr;
};

// Base of a plug-in's root observation. It owns what the root creates while it
// builds its tree (sub-observations, forms, fields) and destroys it with itself,
// newest first, also when the root's constructor fails half-way.
class PluginRootObservation : public Observation {
 public:
  PluginRootObservation() = default;
  ~PluginRootObservation() override {
    while (Owned* owned = owned_) {
      owned_ = owned->next;
      owned->destroy(owned->object);
      noxFree(owned);
    }
  }
  NOX_NON_COPYABLE(PluginRootObservation);

 protected:
  // Creates a T and appends it to the sub-observation list.
  template <class T, class... Args>
  T& addSubObservation(Args&&... args) {
    T& created = own<T>(std::forward<Args>(args)...);
    getSubObservationsImpl().addItem(&created);
    return created;
  }

  // Creates a form and appends it to the root's configuration list.
  Configration& addConfigration(const char* title, IConfigration::ConfigrationType type) {
    Configration& form = own<Configration>();
    getConfigrationsImpl().addItem(&form);
    form.setTitle(title);
    form.setType(type);
    return form;
  }

  // Creates a field of form, with its preset value where it has one.
  ConfigrationEntry& addEntry(Configration& form, const char* name,
                              IConfigrationEntry::ConfigrationEntryType type, const char* preset = nullptr) {
    ConfigrationEntry& entry = own<ConfigrationEntry>();
    entry.setName(name);
    entry.setType(type);
    if (preset) entry.setValue(preset);
    form.getConfigrationEntriesImpl().addItem(&entry);
    return entry;
  }

  // Creates any other object that is to live as long as the root.
  template <class T, class... Args>
  T& own(Args&&... args) {
    Owned* owned = static_cast<Owned*>(noxAlloc(sizeof(Owned)));
    if (!owned) throwMemoryException(noxThisModule(), __FILE__, __LINE__, "", "initializeObservation");
    T* object;
    try {
      object = noxNew<T>(std::forward<Args>(args)...);
    } catch (...) {
      noxFree(owned);
      throw;
    }
    if (!object) {
      noxFree(owned);
      throwMemoryException(noxThisModule(), __FILE__, __LINE__, "", "initializeObservation");
    }
    *owned = Owned{object, [](void* p) { noxDelete(static_cast<T*>(p)); }, owned_};
    owned_ = owned;
    return *object;
  }

 private:
  struct Owned {
    void* object;
    void (*destroy)(void*);
    Owned* next;
  };
  Owned* owned_ = nullptr;
};

#define NOX_PLUGIN_EXPORT extern "C" __declspec(dllexport)

#define NOX_OBSERVATION_PLUGIN(identity, RootClass)                                                        \
  static_assert((identity).type == IPluginInformation::PLUGIN_OBSERVATION, "not an observation identity"); \
  using NoxThisPluginModule = NoxPluginModule<RootClass, IObservation>;                                    \
  NOX_PLUGIN_EXPORT void initializePlugin() {                                                              \
    NoxThisPluginModule::initialize(identity, "initializeObservation", __FILE__, __LINE__);                \
  }                                                                                                        \
  NOX_PLUGIN_EXPORT IPluginInformation* getPluginInformation() {                                           \
    return NoxThisPluginModule::information();                                                             \
  }                                                                                                        \
  NOX_PLUGIN_EXPORT IObservation* getObservation() { return NoxThisPluginModule::main(); }                 \
  NOX_PLUGIN_EXPORT void uninitializePlugin() { NoxThisPluginModule::uninitialize(); }

#define NOX_SERIALIZER_PLUGIN(identity, SerializerClass, SerializerInterface)                           \
  static_assert((identity).type == IPluginInformation::PLUGIN_SERIALIZER, "not a serializer identity"); \
  using NoxThisPluginModule = NoxPluginModule<SerializerClass, SerializerInterface>;                    \
  NOX_PLUGIN_EXPORT void initializePlugin() {                                                           \
    NoxThisPluginModule::initialize(identity, "initializeSerializer", __FILE__, __LINE__);              \
  }                                                                                                     \
  NOX_PLUGIN_EXPORT IPluginInformation* getPluginInformation() {                                        \
    return NoxThisPluginModule::information();                                                          \
  }                                                                                                     \
  NOX_PLUGIN_EXPORT SerializerInterface* getSerializer() { return NoxThisPluginModule::main(); }        \
  NOX_PLUGIN_EXPORT void uninitializePlugin() { NoxThisPluginModule::uninitialize(); }
