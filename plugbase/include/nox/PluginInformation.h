#pragma once

#include "nox/PlugBaseApi.h"
#include "nox/String.h"

// The identity of a plug-in module, read by the core to list plug-ins and to
// bind categories to them.
class IPluginInformation {
 public:
  enum PluginType {
    PLUGIN_OBSERVATION = 0,  // exports getObservation
    PLUGIN_SERIALIZER = 1,   // exports getSerializer
  };

  virtual unsigned int getID() const = 0;
  virtual const IString& getName() const = 0;
  virtual PluginType getType() const = 0;
  virtual unsigned int getVersion() const = 0;
};

struct PluginData;

class PLUGBASE_API PluginInformation : public IPluginInformation {
 public:
  PluginInformation();
  virtual ~PluginInformation();
  NOX_NON_COPYABLE(PluginInformation);

  unsigned int getID() const override;
  const IString& getName() const override;
  PluginType getType() const override;
  unsigned int getVersion() const override;

  void setID(unsigned int id);
  // Copies the text.
  void setName(const IString& name);
  void setType(PluginType type);
  void setVersion(unsigned int version);

 private:
  PluginData* getImpl() const;
  mutable PluginData* impl_;
};
