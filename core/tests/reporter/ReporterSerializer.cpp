// A serializer module for the system reporter tests: writes one line per node,
// "name=value" indented by depth, and copies path values beside the document.
// FIXTURE_FAILS makes it fail after the first line, as a full disk would.
#include <cstdio>
#include <string>

#include "nox/FileDevice.h"
#include "nox/PluginModule.h"
#include "nox/Serializer.h"

namespace {

constexpr NoxPluginIdentity kFixture = {FIXTURE_ID, FIXTURE_NAME, IPluginInformation::PLUGIN_SERIALIZER,
                                        kNoxPluginVersion, nullptr};

class DumpSerializer : public ISerializer {
 public:
  void open(IFileDevice* device) override {
    device_ = device;
    device_->open();
  }
  void close(IFileDevice*) override {
    if (device_) device_->close();
    device_ = nullptr;
  }
  void flush() override {
    if (!device_) return;
    device_->flush();
    device_->close();
  }
  void serialize(IReport& root) override {
#ifdef FIXTURE_FAILS
    device_->write("SystemInformation\r\n", 19);
    throwException(6, ERROR_DISK_FULL, ERROR_DISK_FULL, noxThisModule(), __FILE__, __LINE__, "DumpSerializer",
                   "serialize");
#endif
    dump(root, 0);
  }
  const char* getExtension() override { return FIXTURE_EXTENSION; }

 private:
  void dump(const IReport& node, int depth) {
    std::string line(static_cast<size_t>(depth) * 2, ' ');
    line += node.getName().getData();
    switch (node.getType()) {
      case IReport::REPORT_TEXT:
        line += "=" + std::string(static_cast<const char*>(node.getValue()));
        break;
      case IReport::REPORT_INTEGER:
        line += "=" + std::to_string(*static_cast<const int*>(node.getValue()));
        break;
      case IReport::REPORT_PATH: {
        std::string path = static_cast<const char*>(node.getValue());
        std::string name = path.substr(path.find_last_of('\\') + 1);
        device_->copyFile(path.c_str(), name.c_str());
        line += "=@" + name;
        break;
      }
      default:
        break;
    }
    for (unsigned int i = 0; i < node.getAttributes().getCount(); ++i) {
      line += std::string(" ") + node.getAttributes().getItem(i).getName().getData() + "=" +
              node.getAttributes().getItem(i).getValue().getData();
    }
    if (!node.isSuccess()) line += " (failed)";
    line += "\r\n";
    device_->write(line.c_str(), static_cast<int>(line.size()));
    for (unsigned int i = 0; i < node.getSubReports().getCount(); ++i)
      dump(node.getSubReports().getItem(i), depth + 1);
  }

  IFileDevice* device_ = nullptr;
};

}  // namespace

NOX_SERIALIZER_PLUGIN(kFixture, DumpSerializer, ISerializer)
