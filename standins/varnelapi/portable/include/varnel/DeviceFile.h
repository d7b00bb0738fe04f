#pragma once

// The device description file from which the stand-in's discovery and device
// calls answer. Portable (no Windows header).
//
//   # comment
//   [discovery]
//   fail = yes                      discovery itself fails
//   [device 192.0.2.10]             one device, found in file order
//   model = NX-4000                 model text of the discovery record
//   name = NOX-MFP-01               machine name (left out: the name pointer is null)
//   system = no                     no system record at all
//   network = no                    no network record (else: the device's address)
//   mac = 00-80-77-01-02-03         interface record with this physical address
//   functions = printer copier      supported functions (printer scanner fax copier)
//   status.printer = Ready          status text of a function
//   storage = 2000000000 150000     storage record: total and used size
//   fail = open info functions fax  calls that fail for this device: opening it,
//                                   its information, its function list, and the
//                                   information of the functions named
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace varnel {

// Function bits, also the function codes of the function calls.
constexpr uint32_t kFunctionPrinter = 1;
constexpr uint32_t kFunctionScanner = 2;
constexpr uint32_t kFunctionFax = 4;
constexpr uint32_t kFunctionCopier = 8;

struct DeviceDescription {
  std::string address;
  std::string model;
  bool hasSystem = true;
  bool hasName = false;
  std::string name;
  bool hasNetwork = true;
  bool hasMac = false;
  uint8_t mac[6] = {};
  uint32_t functions = 0;
  std::map<uint32_t, std::string> status;  // by function code
  bool hasStorage = false;
  uint32_t storageTotal = 0;
  uint32_t storageUsed = 0;
  bool failsOpen = false;
  bool failsInformation = false;
  bool failsFunctions = false;
  uint32_t failingFunctions = 0;  // function bits whose information fails
};

struct DeviceFile {
  bool discoveryFails = false;
  std::vector<DeviceDescription> devices;

  // The device of that address text; null when there is none.
  const DeviceDescription* find(const std::string& address) const;
};

// False with `error` naming the line for text that is not a description.
bool parseDeviceFile(const std::string& text, DeviceFile& file, std::string& error);

// The function bit of a name ("printer" ...); 0 for anything else.
uint32_t functionCode(const std::string& name);

}  // namespace varnel
