#include "DeviceProbeObservations.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "HttpHeader.h"
#include "nox/FileUtil.h"
#include "nox/ReportLeaves.h"
#include "pchelpers/SocketApi.h"

namespace deviceprobe {

namespace {

constexpr DWORD kInformationClasses = 561;  // system, network, interface and storage records
constexpr DWORD kFirmwareValueSize = 512;
const char kRequest[] = "GET /Netfile/sysinfo.xml HTTP/1.1\r\n\r\n";

SocketApi& sockets() { return Seam<SocketApi>::current(); }

void markFailed(Report& node, const char* text) {
  node.setErrorText(text);
  node.setSuccess(false);
}

void addError(Report& parent, const char* name, const char* text) { markFailed(addNode(parent, name), text); }

std::string formatted(const char* format, long value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// Releases what the library handed out, also when building the report throws.
struct DiscoveryRelease {
  VARNEL_HANDLE handle;
  ~DiscoveryRelease() { varnelDevices().VarnelReleaseDiscovery(handle); }
};
struct DeviceClose {
  VARNEL_HANDLE handle;
  ~DeviceClose() { varnelDevices().VarnelCloseDevice(handle, 0); }
};
struct InformationRelease {
  VarnelDeviceInformation* information;
  ~InformationRelease() { varnelDevices().VarnelReleaseDeviceInformation(information, 1, 0); }
};

class Socket {
 public:
  explicit Socket(SOCKET s) : s_(s) {}
  ~Socket() {
    if (s_ != INVALID_SOCKET) sockets().closesocket(s_);
  }
  SOCKET get() const { return s_; }

 private:
  SOCKET s_;
};

void addFunctions(Report& host, VARNEL_HANDLE device, const char* address) {
  Report& functions = addNode(host, "functions");
  std::string firmware[4];
  readFirmware(address, firmware);
  DWORD supported = 0;
  if (varnelDevices().VarnelGetSupportedFunctions(device, 0, 0, &supported) != VARNEL_OK) {
    return markFailed(functions, "Varnel Device Query Support Function Failed");
  }
  long running = 0;
  for (int k = 0; k < 4; ++k) {
    const DeviceFunction& f = kFunctions[k];
    if (!(supported & 0xFF & f.bit)) continue;
    Report& function = addNode(functions, "function");
    addAttribute(function, "index", formatted("%d", ++running).c_str());
    addText(function, "name", f.name);
    VarnelFunctionInformation* information = nullptr;
    if (varnelDevices().VarnelGetFunctionInformation(device, f.bit, 1, 0, 1, 0, 0, &information) !=
        VARNEL_OK) {
      addError(function, "status", "Varnel Device Get Function Information Failed");
      continue;
    }
    const std::string status =
        information && information->status && information->status->text ? information->status->text : "";
    varnelDevices().VarnelReleaseFunctionInformation(f.bit, information, 1, 0);
    addText(function, "status", status.c_str());
    addText(function, "firmwareROMVersion", firmware[k].c_str());
  }
}

void addStorage(Report& host, const VarnelStorageRecord& storage, const char* address) {
  Report& node = addNode(host, "LocalStorageInformation");
  addNumber(node, "totalsize", storage.totalSize);
  addNumber(node, "usedsize", storage.usedSize);
  const std::string path = sysinfoPath(address);
  const int result = path.empty() ? kFileNotCreated : downloadSysinfo(address, path);
  if (result != kDownloaded) {
    char text[64];
    std::snprintf(text, sizeof text, "%s (%d)", "Get SysInfo File From HTTP Failed", result);
    return addError(node, "sysinfo.xml", text);
  }
  Report& file = addNode(node, "sysinfo.xml");
  file.setType(IReport::REPORT_PATH);
  file.setValue(const_cast<char*>(path.c_str()), static_cast<long>(path.size() + 1));
}

void reportDevice(Report& host, const VarnelDeviceRecord* record) {
  const char* address = record ? record->address : nullptr;
  VARNEL_HANDLE device = nullptr;
  if (!address || varnelDevices().VarnelOpenDevice(address, -1, 0, &device) != VARNEL_OK) {
    return markFailed(host, "Varnel Dev Open Failed");
  }
  DeviceClose closing{device};
  VarnelDeviceInformation* information = nullptr;
  if (varnelDevices().VarnelGetDeviceInformation(device, kInformationClasses, 0, 1, 0, 0, &information) !=
          VARNEL_OK ||
      !information) {
    return markFailed(host, "Varnel Dev Get Info Failed");
  }
  InformationRelease release{information};

  if (information->system && information->system->machineName) {
    addText(host, "machineName", information->system->machineName);
  } else {
    addError(host, "machineName", "System Get Info Failed");
  }
  Report& nic = addNode(host, "nicInformation");
  if (!information->nic) {
    addError(nic, "macAddress", "NIC Get Info Failed");
  } else {
    const BYTE* mac = information->nic->physicalAddress;
    char text[24];
    std::snprintf(text, sizeof text, "%02x-%02x-%02x-%02x-%02x-%02x", mac[0], mac[1], mac[2], mac[3], mac[4],
                  mac[5]);
    addText(nic, "macAddress", text);
    if (!information->network || !information->network->address) {
      addError(nic, "ipAddress", "Net Get Info Failed");
    } else {
      const BYTE* ip = information->network->address;
      std::snprintf(text, sizeof text, "%d.%d.%d.%d", ip[0], ip[1], ip[2], ip[3]);
      addText(nic, "ipAddress", text);
    }
  }
  addFunctions(host, device, address);
  if (information->storage) addStorage(host, *information->storage, address);
}

}  // namespace

std::string firmwareText(DWORD type, const BYTE* value, DWORD length) {
  if (isSnmpIntegerType(type)) return formatted("%d", snmpInteger(value, length));
  switch (type) {
    case 4:
    case 68:
      return std::string(reinterpret_cast<const char*>(value),
                         strnlen(reinterpret_cast<const char*>(value), length));
    case 64: {
      if (length < 4) return "";
      char text[16];
      std::snprintf(text, sizeof text, "%d.%d.%d.%d", value[0], value[1], value[2], value[3]);
      return text;
    }
    default:
      return "";
  }
}

void readFirmware(const char* address, std::string (&texts)[4]) {
  // Four decimal numbers separated by dots, as atoi reads each.
  BYTE bytes[4] = {};
  const char* part = address;
  for (int i = 0; i < 4 && part; ++i) {
    bytes[i] = static_cast<BYTE>(std::atoi(part));
    part = std::strchr(part, '.');
    if (part) ++part;
  }
  VarnelChannel channel;
  if (!channel.open(VARNEL_CHANNEL_DEVICE, bytes)) return;
  for (int k = 0; k < 4; ++k) {
    SnmpQuery query(kFirmwareCommunity, kFirmwareObjects[k], kFirmwareValueSize);
    if (!query.getNext(channel.handle())) continue;
    if (query.identifier().compare(0, std::strlen(kFirmwareObjects[k]), kFirmwareObjects[k]) != 0) break;
    texts[k] = firmwareText(query.valueType(), query.value(), query.valueLength());
  }
}

std::string sysinfoPath(const char* address) {
  const std::string folder = getWorkFolder();
  if (folder.empty()) return "";
  std::string name = address;
  for (char& c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || std::strchr("\\/:*?\"<>|", c)) c = '_';
  }
  return folder + "\\" + name + ".sysinfo.xml";
}

int downloadSysinfo(const char* address, const std::string& path) {
  Socket s(sockets().socket(AF_INET, SOCK_STREAM, 0));
  if (s.get() == INVALID_SOCKET) return kNoSocket;
  const int bufferSize = 8192;
  sockets().setsockopt(s.get(), SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bufferSize),
                       sizeof bufferSize);
  sockets().setsockopt(s.get(), SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&bufferSize),
                       sizeof bufferSize);
  sockaddr_in device{};
  device.sin_family = AF_INET;
  device.sin_port = static_cast<u_short>((80 >> 8) | ((80 & 0xFF) << 8));  // port 80, network order
  const hostent* host = sockets().gethostbyname(address);
  if (host && host->h_length == 4 && host->h_addr_list && host->h_addr_list[0]) {
    std::memcpy(&device.sin_addr, host->h_addr_list[0], 4);
  } else {
    const unsigned long numeric = sockets().inet_addr(address);
    device.sin_addr.s_addr = numeric == INADDR_NONE ? 0 : numeric;
  }
  if (sockets().connect(s.get(), reinterpret_cast<const sockaddr*>(&device), sizeof device) == SOCKET_ERROR) {
    return kNoConnection;
  }
  for (int sent = 0, length = static_cast<int>(sizeof kRequest - 1); sent < length;) {
    const int n = sockets().send(s.get(), kRequest + sent, length - sent, 0);
    if (n == SOCKET_ERROR || n == 0) return kRequestNotSent;
    sent += n;
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return kFileNotCreated;
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(s.get(), &readable);
  const timeval wait{kFirstDataSeconds, 0};
  if (sockets().select(0, &readable, nullptr, nullptr, &wait) <= 0) {
    std::fclose(file);
    return kNoAnswer;
  }
  HttpHeaderSkipper header;
  char chunk[8192];
  bool written = true;
  for (int n; (n = sockets().recv(s.get(), chunk, sizeof chunk, 0)) > 0;) {
    const size_t skipped = header.skip(chunk, static_cast<size_t>(n));
    const size_t rest = static_cast<size_t>(n) - skipped;
    if (rest && std::fwrite(chunk + skipped, 1, rest, file) != rest) written = false;
  }
  // A file that could not be written whole is not passed off as downloaded.
  if (std::fclose(file) != 0) written = false;
  return written ? kDownloaded : kFileNotWritten;
}

void DeviceIOObservation::observe(Report& report) {
  report.setName("deviceIOInformation");
  VarnelDiscoveryRequest request{};
  request.method = VARNEL_DISCOVERY_METHOD;
  request.localSegment = 1;
  request.resolveNames = 1;
  VARNEL_HANDLE discovery = nullptr;
  DWORD count = 0;
  VarnelDeviceRecord** devices = nullptr;
  if (varnelDevices().VarnelDiscoverDevices(VARNEL_DISCOVERY_VERSION, &request, 0, &discovery, &count,
                                            &devices) != VARNEL_OK) {
    return markFailed(report, "Varnel Device Discovery Failed");
  }
  DiscoveryRelease release{discovery};
  if (!devices) count = 0;
  addNumber(report, "hostNumber", count);
  for (DWORD i = 0; i < count; ++i) {
    Report& host = addNode(report, "host");
    addAttribute(host, "index", formatted("%ld", static_cast<long>(i + 1)).c_str());
    reportDevice(host, devices[i]);
  }
}

DeviceProbeRootObservation::DeviceProbeRootObservation() {
  WSADATA data;
  if (sockets().WSAStartup(MAKEWORD(1, 1), &data) != 0) return;
  winsockReady_ = true;
  try {
    addSubObservation<DeviceIOObservation>();
  } catch (...) {
    sockets().WSACleanup();
    throw;
  }
}

DeviceProbeRootObservation::~DeviceProbeRootObservation() {
  if (winsockReady_) sockets().WSACleanup();
}

void DeviceProbeRootObservation::observe(Report& report) {
  report.setName("deviceProbe");
  if (!winsockReady_) markFailed(report, "WinSocket Dll Initialize Fail!");
}

}  // namespace deviceprobe
