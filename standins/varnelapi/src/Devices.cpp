// The device side of the library: discovery, device information and functions,
// answered from the device description file named by VARNELAPI_DEVICES (see
// README.md and varnel/DeviceFile.h). Without that setting no device is found.
#include <cstring>
#include <deque>
#include <fstream>
#include <sstream>
#include <vector>

#include "Library.h"
#include "varnel/Addresses.h"
#include "varnel/DeviceFile.h"

namespace varnel {
namespace {

int readDeviceFile(DeviceFile& file) {
  const std::string path = environment("VARNELAPI_DEVICES");
  if (path.empty()) {
    file = DeviceFile();
    return VARNEL_OK;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return VARNEL_E_CONFIGURATION;
  std::ostringstream text;
  text << in.rdbuf();
  std::string error;
  if (!parseDeviceFile(text.str(), file, error)) {
    OutputDebugStringA(("VarnelApi: " + path + ": " + error + "\n").c_str());
    return VARNEL_E_CONFIGURATION;
  }
  return VARNEL_OK;
}

// Texts handed out keep their addresses for the object's lifetime.
char* keep(std::deque<std::string>& texts, const std::string& text) {
  texts.push_back(text);
  return &texts.back()[0];
}

struct Discovery {
  std::vector<VarnelDeviceRecord> records;
  std::vector<VarnelDeviceRecord*> list;
  std::deque<std::string> texts;
};

struct Device {
  DeviceDescription description;
};

struct Information {
  VarnelDeviceInformation record{};
  VarnelSystemRecord system{};
  VarnelNetworkRecord network{};
  BYTE address[4] = {};
  VarnelInterfaceRecord nic{};
  VarnelStorageRecord storage{};
  std::deque<std::string> texts;
};

struct Function {
  VarnelFunctionInformation record{};
  VarnelFunctionStatus status{};
  std::string text;
};

bool oneFunction(DWORD code) {
  return code == VARNEL_FUNCTION_PRINTER || code == VARNEL_FUNCTION_SCANNER || code == VARNEL_FUNCTION_FAX ||
         code == VARNEL_FUNCTION_COPIER;
}

}  // namespace
}  // namespace varnel

using namespace varnel;

VARNELAPI_API int VARNELAPI_CALL VarnelDiscoverDevices(DWORD version, const VarnelDiscoveryRequest* request,
                                                       DWORD flags, VARNEL_HANDLE* handle, DWORD* count,
                                                       VarnelDeviceRecord*** list) {
  return guarded([&]() -> int {
    if (version != VARNEL_DISCOVERY_VERSION || !request || request->method != VARNEL_DISCOVERY_METHOD ||
        flags != 0 || !handle || !count || !list) {
      return VARNEL_E_PARAMETER;
    }
    DeviceFile file;
    if (const int failed = readDeviceFile(file)) return failed;
    if (file.discoveryFails) return VARNEL_E_DEVICE;
    auto discovery = std::make_unique<Discovery>();
    discovery->records.resize(file.devices.size());
    for (size_t i = 0; i < file.devices.size(); ++i) {
      VarnelDeviceRecord& record = discovery->records[i];
      record.size = sizeof record;
      record.functions = file.devices[i].functions;
      record.address = keep(discovery->texts, file.devices[i].address);
      record.model = keep(discovery->texts, file.devices[i].model);
      discovery->list.push_back(&record);
    }
    *count = static_cast<DWORD>(discovery->list.size());
    *list = discovery->list.data();
    Discovery* key = discovery.get();
    *handle = live<Discovery>().add(std::move(discovery), key);
    return VARNEL_OK;
  });
}

VARNELAPI_API int VARNELAPI_CALL VarnelReleaseDiscovery(VARNEL_HANDLE discovery) {
  return guarded([&]() -> int { return live<Discovery>().take(discovery) ? VARNEL_OK : VARNEL_E_HANDLE; });
}

VARNELAPI_API int VARNELAPI_CALL VarnelOpenDevice(const char* address, int timeout, DWORD flags,
                                                  VARNEL_HANDLE* handle) {
  return guarded([&]() -> int {
    if (!address || timeout < -1 || flags != 0 || !handle) return VARNEL_E_PARAMETER;
    DeviceFile file;
    if (const int failed = readDeviceFile(file)) return failed;
    const DeviceDescription* description = file.find(address);
    if (!description) return VARNEL_E_NOT_FOUND;
    if (description->failsOpen) return VARNEL_E_DEVICE;
    auto device = std::make_unique<Device>();
    device->description = *description;
    Device* key = device.get();
    *handle = live<Device>().add(std::move(device), key);
    return VARNEL_OK;
  });
}

VARNELAPI_API int VARNELAPI_CALL VarnelGetSupportedFunctions(VARNEL_HANDLE handle, DWORD reserved1,
                                                             DWORD reserved2, DWORD* bits) {
  return guarded([&]() -> int {
    Device* device = live<Device>().find(handle);
    if (!device) return VARNEL_E_HANDLE;
    if (reserved1 || reserved2 || !bits) return VARNEL_E_PARAMETER;
    if (device->description.failsFunctions) return VARNEL_E_DEVICE;
    *bits = device->description.functions;
    return VARNEL_OK;
  });
}

VARNELAPI_API int VARNELAPI_CALL VarnelGetDeviceInformation(VARNEL_HANDLE handle, DWORD what, DWORD reserved1,
                                                            DWORD version, DWORD reserved2, DWORD reserved3,
                                                            VarnelDeviceInformation** result) {
  return guarded([&]() -> int {
    Device* device = live<Device>().find(handle);
    if (!device) return VARNEL_E_HANDLE;
    if (what == 0 || reserved1 || version != 1 || reserved2 || reserved3 || !result)
      return VARNEL_E_PARAMETER;
    const DeviceDescription& d = device->description;
    if (d.failsInformation) return VARNEL_E_DEVICE;
    auto information = std::make_unique<Information>();
    VarnelDeviceInformation& record = information->record;
    if ((what & VARNEL_INFO_SYSTEM) && d.hasSystem) {
      information->system.machineName = d.hasName ? keep(information->texts, d.name) : nullptr;
      information->system.model = keep(information->texts, d.model);
      record.system = &information->system;
    }
    Ipv4 address;
    if ((what & VARNEL_INFO_NETWORK) && d.hasNetwork && parseIpv4(d.address, address)) {
      std::memcpy(information->address, address.data(), 4);
      information->network.addressLength = 4;
      information->network.address = information->address;
      record.network = &information->network;
    }
    if ((what & VARNEL_INFO_INTERFACE) && d.hasMac) {
      information->nic.size = sizeof information->nic;
      information->nic.type = 6;
      std::memcpy(information->nic.physicalAddress, d.mac, 6);
      record.nic = &information->nic;
    }
    if ((what & VARNEL_INFO_STORAGE) && d.hasStorage) {
      information->storage.totalSize = d.storageTotal;
      information->storage.usedSize = d.storageUsed;
      record.storage = &information->storage;
    }
    VarnelDeviceInformation* key = &record;
    *result = live<Information>().add(std::move(information), key);
    return VARNEL_OK;
  });
}

VARNELAPI_API int VARNELAPI_CALL VarnelReleaseDeviceInformation(VarnelDeviceInformation* information,
                                                                DWORD version, DWORD reserved) {
  return guarded([&]() -> int {
    if (version != 1 || reserved) return VARNEL_E_PARAMETER;
    return live<Information>().take(information) ? VARNEL_OK : VARNEL_E_HANDLE;
  });
}

VARNELAPI_API int VARNELAPI_CALL VarnelGetFunctionInformation(VARNEL_HANDLE handle, DWORD code, DWORD version,
                                                              DWORD reserved1, DWORD detail, DWORD reserved2,
                                                              DWORD reserved3,
                                                              VarnelFunctionInformation** result) {
  return guarded([&]() -> int {
    Device* device = live<Device>().find(handle);
    if (!device) return VARNEL_E_HANDLE;
    if (!oneFunction(code) || version != 1 || reserved1 || detail != 1 || reserved2 || reserved3 || !result) {
      return VARNEL_E_PARAMETER;
    }
    const DeviceDescription& d = device->description;
    if (!(d.functions & code)) return VARNEL_E_NOT_SUPPORTED;
    if (d.failingFunctions & code) return VARNEL_E_DEVICE;
    auto function = std::make_unique<Function>();
    const auto status = d.status.find(code);
    function->text = status != d.status.end() ? status->second : "Ready";
    function->status.function = code;
    function->status.state = 0;
    function->status.text = &function->text[0];
    function->record.status = &function->status;
    VarnelFunctionInformation* key = &function->record;
    *result = live<Function>().add(std::move(function), key);
    return VARNEL_OK;
  });
}

VARNELAPI_API int VARNELAPI_CALL VarnelReleaseFunctionInformation(DWORD code,
                                                                  VarnelFunctionInformation* information,
                                                                  DWORD version, DWORD reserved) {
  return guarded([&]() -> int {
    if (version != 1 || reserved) return VARNEL_E_PARAMETER;
    Function* function = live<Function>().find(information);
    if (!function) return VARNEL_E_HANDLE;
    if (function->status.function != code) return VARNEL_E_PARAMETER;
    live<Function>().take(information);
    return VARNEL_OK;
  });
}

VARNELAPI_API int VARNELAPI_CALL VarnelCloseDevice(VARNEL_HANDLE device, DWORD flags) {
  return guarded([&]() -> int {
    if (flags) return VARNEL_E_PARAMETER;
    return live<Device>().take(device) ? VARNEL_OK : VARNEL_E_HANDLE;
  });
}
