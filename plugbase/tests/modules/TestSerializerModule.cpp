// The serializer side of the module contract, with a stand-in serializer.

#include "nox/PluginModule.h"

namespace {

constexpr NoxPluginIdentity kTestSerializerPlugin = {
    65535, "Test Serializer Plugin", IPluginInformation::PLUGIN_SERIALIZER, kNoxPluginVersion, nullptr};

class ITestSerializer {
 public:
  virtual const char* getExtension() const = 0;
};

class TestSerializer : public ITestSerializer {
 public:
  const char* getExtension() const override { return "txt"; }
};

}  // namespace

NOX_SERIALIZER_PLUGIN(kTestSerializerPlugin, TestSerializer, ITestSerializer)
