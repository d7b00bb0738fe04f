#pragma once

// What the loopback-network.sh fixture started, read from the result file it
// writes beside the test programs: the address block, the SNMP agents' port,
// the device description files and whether each server is there.

#include <windows.h>

#include <fstream>
#include <map>
#include <string>

class LoopbackNetwork {
 public:
  LoopbackNetwork() {
    std::ifstream in("varnel-network.txt");
    for (std::string line; std::getline(in, line);) {
      const size_t equals = line.find('=');
      if (equals != std::string::npos) values_[line.substr(0, equals)] = line.substr(equals + 1);
    }
  }

  // Empty when the server is there; else why it is not (for GTEST_SKIP).
  std::string snmpMissing() const { return missing("snmp"); }
  std::string httpMissing() const { return missing("http"); }

  std::string value(const std::string& key) const {
    auto it = values_.find(key);
    return it == values_.end() ? std::string() : it->second;
  }
  // The address `host` of the block ("127.21.N.host").
  std::string address(int host) const { return value("block") + "." + std::to_string(host); }
  std::string port() const { return value("port"); }
  // The restricted agent (.1), the full agent (.2) and an address where no agent listens (.3).
  std::string restrictedAgent() const { return address(1); }
  std::string fullAgent() const { return address(2); }
  std::string nobody() const { return address(3); }

  // Points the library at this network: broadcasts to `targets`, short waits.
  void configureLibrary(const std::string& targets, const char* devicesKey = "devices") const {
    SetEnvironmentVariableA("VARNELAPI_SNMP_BROADCAST", targets.c_str());
    SetEnvironmentVariableA("VARNELAPI_SNMP_PORT", port().c_str());
    SetEnvironmentVariableA("VARNELAPI_SNMP_TIMEOUT_MS", "200");
    SetEnvironmentVariableA("VARNELAPI_SNMP_WINDOW_MS", "300");
    SetEnvironmentVariableA("VARNELAPI_DEVICES", value(devicesKey).c_str());
  }

 private:
  std::string missing(const std::string& server) const {
    if (values_.empty()) return "the loopback-network fixture did not run (varnel-network.txt is missing)";
    const std::string state = value(server);
    if (state == "ok") return "";
    return state.empty() ? server + ": no word from the fixture" : state;
  }
  std::map<std::string, std::string> values_;
};
