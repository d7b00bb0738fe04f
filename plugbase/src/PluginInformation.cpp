#include "nox/PluginInformation.h"

#include "nox/Error.h"
#include "nox/Memory.h"
#include "nox/Module.h"

#define RAISE_MEMORY(cls, method) throwMemoryException(noxThisModule(), __FILE__, __LINE__, cls, method)

struct PluginData {
  unsigned int id = 0;
  String* name = nullptr;
  IPluginInformation::PluginType type = IPluginInformation::PLUGIN_OBSERVATION;
  unsigned int version = 0;

  ~PluginData() { noxDelete(name); }

  String& getNameObject() {
    if (!name) {
      name = noxNew<String>();
      if (!name) RAISE_MEMORY("PluginData", "getNameObject");
    }
    return *name;
  }
};

PluginInformation::PluginInformation() : impl_(nullptr) {}

PluginInformation::~PluginInformation() { noxDelete(impl_); }

PluginData* PluginInformation::getImpl() const {
  if (!impl_) {
    impl_ = noxNew<PluginData>();
    if (!impl_) RAISE_MEMORY("PluginInformation", "getImpl");
  }
  return impl_;
}

unsigned int PluginInformation::getID() const { return getImpl()->id; }

const IString& PluginInformation::getName() const { return getImpl()->getNameObject(); }

IPluginInformation::PluginType PluginInformation::getType() const { return getImpl()->type; }

unsigned int PluginInformation::getVersion() const { return getImpl()->version; }

void PluginInformation::setID(unsigned int id) { getImpl()->id = id; }

void PluginInformation::setName(const IString& name) { getImpl()->getNameObject() = name; }

void PluginInformation::setType(PluginType type) { getImpl()->type = type; }

void PluginInformation::setVersion(unsigned int version) { getImpl()->version = version; }
