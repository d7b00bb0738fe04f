// PC.nxo loaded for real under Wine, reporting on the machine it runs on.
#include <cpuid.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>

#include "ReportProbe.h"
#include "nox/PluginModule.h"

namespace {

class PcModule : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryA("PC.nxo");
    ASSERT_NE(module_, nullptr) << "PC.nxo beside the test program";
    noxPluginExport<NoxInitializePluginFunction>(module_, NOX_EXPORT_INITIALIZE_PLUGIN)();
  }
  void TearDown() override {
    if (!module_) return;
    noxPluginExport<NoxUninitializePluginFunction>(module_, NOX_EXPORT_UNINITIALIZE_PLUGIN)();
    FreeLibrary(module_);
  }
  // The PC report of this machine; the caller deletes it.
  Report& report() {
    IObservation* root = noxPluginExport<NoxGetObservationFunction>(module_, NOX_EXPORT_GET_OBSERVATION)();
    return static_cast<Report&>(root->createReport());
  }
  HMODULE module_ = nullptr;
};

std::string lowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

bool endsWith(const std::string& text, const std::string& tail) {
  return lowered(text).size() >= tail.size() &&
         lowered(text).compare(text.size() - tail.size(), tail.size(), lowered(tail)) == 0;
}

// The children of `parent` named `name`.
std::vector<const IReport*> all(const IReport& parent, const char* name) {
  std::vector<const IReport*> list;
  for (unsigned int i = 0; const IReport* node = probe::find(parent, name, i); ++i) list.push_back(node);
  return list;
}

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\NoxPcTestApplication";
const char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kServiceName[] = "NoxPcTestService";

// What the test puts into the Wine prefix, and takes out again however it ends:
// an uninstall entry, a Run value, a stopped service and a waiting process.
class MachineFacts {
 public:
  MachineFacts() {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
      const char name[] = "NoxInfo PC Test Application";
      RegSetValueExA(key, "DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name), sizeof name);
      RegCloseKey(key);
    }
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) ==
        ERROR_SUCCESS) {
      const char command[] = "C:\\windows\\system32\\cmd.exe /c exit";
      RegSetValueExA(key, "NoxPcTestRun", 0, REG_SZ, reinterpret_cast<const BYTE*>(command), sizeof command);
      RegCloseKey(key);
    }
    manager_ = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager_) {
      service_ =
          CreateServiceA(manager_, kServiceName, "NoxInfo PC Test Service", SERVICE_ALL_ACCESS,
                         SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_IGNORE,
                         "C:\\windows\\system32\\cmd.exe", nullptr, nullptr, nullptr, nullptr, nullptr);
      if (!service_) service_ = OpenServiceA(manager_, kServiceName, SERVICE_ALL_ACCESS);
    }
    // A command interpreter reading from a pipe this test keeps open: it waits.
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    if (CreatePipe(&input_, &feed_, &inherit, 0)) {
      SetHandleInformation(feed_, HANDLE_FLAG_INHERIT, 0);
      STARTUPINFOA startup = {};
      startup.cb = sizeof startup;
      startup.dwFlags = STARTF_USESTDHANDLES;
      startup.hStdInput = input_;
      startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
      startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
      char command[] = "C:\\windows\\system32\\cmd.exe /q";
      if (!CreateProcessA(nullptr, command, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                          &process_)) {
        process_ = {};
      }
    }
  }
  ~MachineFacts() {
    if (process_.hProcess) {
      TerminateProcess(process_.hProcess, 0);
      WaitForSingleObject(process_.hProcess, 5000);
      CloseHandle(process_.hProcess);
      CloseHandle(process_.hThread);
    }
    if (feed_) CloseHandle(feed_);
    if (input_) CloseHandle(input_);
    if (service_) {
      DeleteService(service_);
      CloseServiceHandle(service_);
    }
    if (manager_) CloseServiceHandle(manager_);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
      RegDeleteValueA(key, "NoxPcTestRun");
      RegCloseKey(key);
    }
  }
  bool ready() const { return service_ && process_.hProcess; }
  DWORD processId() const { return process_.dwProcessId; }

 private:
  SC_HANDLE manager_ = nullptr;
  SC_HANDLE service_ = nullptr;
  HANDLE input_ = nullptr;
  HANDLE feed_ = nullptr;
  PROCESS_INFORMATION process_ = {};
};

TEST_F(PcModule, IdentityAndSections) {
  IPluginInformation* info =
      noxPluginExport<NoxGetPluginInformationFunction>(module_, NOX_EXPORT_GET_PLUGIN_INFORMATION)();
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->getID(), 0u);
  EXPECT_STREQ(info->getName().getData(), "PC Plugin");
  EXPECT_EQ(info->getVersion(), 2u);

  IObservation* root = noxPluginExport<NoxGetObservationFunction>(module_, NOX_EXPORT_GET_OBSERVATION)();
  ASSERT_NE(root, nullptr);
  IReport& report = root->createReport();
  EXPECT_STREQ(report.getName().getData(), "PC");
  EXPECT_EQ(probe::childNames(report),
            (std::vector<std::string>{"cpuInfomation", "osVersion", "memory", "environmentVariables", "drive",
                                      "component", "execApplication", "installedApplication", "network",
                                      "runApplication", "scsi", "service", "printer"}));

  const IReport& cpu = *probe::find(report, "cpuInfomation");
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  EXPECT_EQ(probe::number(cpu, "numberOfProcessors"), static_cast<long long>(system.dwNumberOfProcessors));
  EXPECT_EQ(probe::text(cpu, "cpuArchitecture"), "x86") << "what the shipped 32-bit program sees";
  unsigned int a, b, c, d;
  __cpuid(0, a, b, c, d);
  char vendor[13] = {};
  std::memcpy(vendor, &b, 4);
  std::memcpy(vendor + 4, &d, 4);
  std::memcpy(vendor + 8, &c, 4);
  std::string expectedVendor = std::string(vendor) == "GenuineIntel"   ? "Intel"
                               : std::string(vendor) == "AuthenticAMD" ? "AMD"
                                                                       : "Unknown";
  EXPECT_EQ(probe::text(cpu, "cpuVendor"), expectedVendor);
  EXPECT_GT(probe::number(cpu, "clockSpeed"), 100) << "a measured clock";

  const IReport& os = *probe::find(report, "osVersion");
  EXPECT_EQ(probe::text(os, "osVersionInfomation").rfind("Windows 7", 0), 0u)
      << "Wine's default prefix is Windows 7";
  EXPECT_EQ(probe::text(os, "ieVersion").rfind("IE 9.", 0), 0u);

  const IReport& memory = *probe::find(report, "memory");
  EXPECT_NE(probe::text(memory, "totalPhysicalMemoryInformation"), "0 B");
  EXPECT_NE(probe::text(memory, "totalPhysicalMemoryInformation").find(" KB"), std::string::npos);

  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  const IReport& env = *probe::find(report, "environmentVariables");
  EXPECT_STRCASEEQ(probe::text(env, "winDir").c_str(), windows);

  const IReport& drive = *probe::find(report, "drive");
  std::vector<std::string> roots;
  for (unsigned int i = 0; const IReport* d = probe::find(drive, "driveInfomation", i); ++i) {
    roots.push_back(probe::text(*d, "driveName"));
    if (roots.back() == "C:\\") {
      EXPECT_EQ(probe::text(*d, "driveType"), "fixed drive");
      EXPECT_NE(probe::text(*d, "totakDiskSpace").find(" KB"), std::string::npos);
    }
  }
  EXPECT_NE(std::find(roots.begin(), roots.end(), "C:\\"), roots.end());
  EXPECT_NE(std::find(roots.begin(), roots.end(), "Z:\\"), roots.end());
  EXPECT_STREQ(probe::text(drive, "windowsDirectory").c_str(), windows);
  delete static_cast<Report*>(&report);
}

TEST_F(PcModule, FindsWhatTheTestPutIntoThePrefix) {
  MachineFacts facts;
  ASSERT_TRUE(facts.ready()) << "the service and the process of the test";
  Report& pc = report();

  const IReport& processes = *probe::find(pc, "execApplication");
  EXPECT_TRUE(processes.isSuccess());
  bool child = false, self = false;
  for (const IReport* process : all(processes, "execApplicationInformation")) {
    long long id = probe::number(*process, "processID");
    std::string path = probe::text(*process, "idPath");
    if (id == facts.processId()) child = endsWith(path, "\\cmd.exe");
    if (id == GetCurrentProcessId()) self = endsWith(path, "\\pc_module_tests.exe");
  }
  EXPECT_TRUE(child) << "the waiting command interpreter, by its ID and path";
  EXPECT_TRUE(self) << "this test program";

  const IReport& installed = *probe::find(pc, "installedApplication");
  bool application = false;
  for (const IReport* entry : all(installed, "installedApplicationInformation")) {
    application |= probe::text(*entry, "applicationName") == "NoxInfo PC Test Application";
  }
  EXPECT_TRUE(application);

  const IReport& run = *probe::find(*probe::find(pc, "runApplication"), "runInfomationType");
  EXPECT_EQ(probe::attribute(run, "name"), "run");
  bool startup = false;
  for (const IReport* entry : all(run, "runInfomation")) {
    startup |= probe::text(*entry, "displayName") == "NoxPcTestRun" &&
               probe::text(*entry, "commandLine") == "C:\\windows\\system32\\cmd.exe /c exit";
  }
  EXPECT_TRUE(startup);

  const IReport& services = *probe::find(pc, "service");
  EXPECT_TRUE(services.isSuccess());
  std::string state, spooler;
  for (const IReport* service : all(services, "serviceInformation")) {
    if (probe::text(*service, "serviceName") == kServiceName) {
      EXPECT_EQ(probe::text(*service, "displayName"), "NoxInfo PC Test Service");
      state = probe::text(*service, "serviceStatus");
    }
    if (probe::text(*service, "serviceName") == "Spooler") spooler = probe::text(*service, "serviceStatus");
  }
  EXPECT_EQ(state, "[stopped]") << "the test's own service";
  EXPECT_FALSE(spooler.empty()) << "Wine's own print spooler service";

  const IReport& network = *probe::find(pc, "network");
  EXPECT_EQ(probe::text(*probe::find(network, "configurationInformation"), "configuration"), "WorkGroup")
      << "Wine's primary domain has no SID";
  EXPECT_NE(probe::find(network, "adapterInformation"), nullptr);
  EXPECT_TRUE(probe::find(pc, "scsi")->isSuccess());

  delete &pc;
}

TEST_F(PcModule, ComponentsAndSpoolerOfThePrefix) {
  Report& pc = report();
  const IReport& component = *probe::find(pc, "component");
  ASSERT_EQ(all(component, "componentType").size(), 11u);
  char system[MAX_PATH];
  GetSystemDirectoryA(system, MAX_PATH);
  const IReport* ws2 = nullptr;
  for (const IReport* information : all(*all(component, "componentType")[7], "information")) {
    if (probe::text(*information, "fileName") == "ws2_32.dll") ws2 = information;
  }
  ASSERT_NE(ws2, nullptr);
  EXPECT_EQ(probe::text(*ws2, "path"), std::string(system) + "\\ws2_32.dll");
  EXPECT_NE(probe::find(*ws2, "timeStamp"), nullptr) << "Wine's ws2_32.dll is present";
  EXPECT_EQ(probe::find(*ws2, "componentExistence"), nullptr);
  const IReport& dao = *all(component, "componentType")[4];
  EXPECT_EQ(probe::attribute(dao, "name"), "DAO");
  EXPECT_EQ(probe::text(*probe::find(dao, "information"), "componentExistence"), "None");
  EXPECT_EQ(all(*all(component, "componentType")[9], "information").size(), 60u);

  const IReport& printer = *probe::find(pc, "printer");
  EXPECT_EQ(probe::childNames(printer),
            (std::vector<std::string>{"availablePorts", "installedMonitors", "defaultPrinter",
                                      "installedDrivers", "printers"}));
  std::vector<std::string> ports;
  for (const IReport* port : all(*probe::find(printer, "availablePorts"), "availablePortsData")) {
    ports.push_back(probe::text(*port, "portName"));
  }
  EXPECT_NE(std::find(ports.begin(), ports.end(), "LPT1:"), ports.end());
  EXPECT_NE(std::find(ports.begin(), ports.end(), "FILE:"), ports.end());
  const IReport* monitor = probe::find(*probe::find(printer, "installedMonitors"), "monitorInformation");
  ASSERT_NE(monitor, nullptr);
  EXPECT_EQ(probe::text(*monitor, "monitorName"), "Local Port");
  EXPECT_NE(probe::text(*monitor, "version"), "<missing version>");
  delete &pc;
}

}  // namespace
