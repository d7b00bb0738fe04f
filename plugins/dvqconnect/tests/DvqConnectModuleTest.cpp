// DVQConnect.nxo loaded for real under Wine: the QSvrInfo stand-in, real COM.
// Wine cannot activate a class on another machine and answers at once that
// the class is not registered; with our own in-process server registered for
// the server component's class, its activations really succeed.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ReportProbe.h"
#include "nox/PluginModule.h"
#include "nox/testing/Files.h"

namespace {

const char kClassKey[] = "Software\\Classes\\CLSID\\{1405C4C9-A56B-41CB-8220-1B57E64C5FB0}";

// Our COM server, registered for the server component's class while it lives.
class RegisteredServer {
 public:
  RegisteredServer() {
    std::string dll = nox_testing::programFolder() + "DvqConnectComTest.dll";
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kClassKey) + "\\InprocServer32").c_str(), 0, nullptr,
                        0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
      return;
    }
    const char model[] = "Apartment";
    registered_ = RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(dll.c_str()),
                                 static_cast<DWORD>(dll.size() + 1)) == ERROR_SUCCESS &&
                  RegSetValueExA(key, "ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>(model),
                                 sizeof model) == ERROR_SUCCESS;
    RegCloseKey(key);
  }
  ~RegisteredServer() {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kClassKey) + "\\InprocServer32").c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kClassKey);
  }
  bool registered() const { return registered_; }

 private:
  bool registered_ = false;
};

class DvqConnectModule : public ::testing::Test {
 protected:
  void SetUp() override {
    nox_testing::writeFile(folder_ / "servers.ini",
                           "[docsrv]\nHostName=localhost\nEditions=7\n[empty]\nEditions=0\n");
    SetEnvironmentVariableA("QSVRINFO_SERVERS", (folder_ / "servers.ini").c_str());
    module_ = LoadLibraryA("DVQConnect.nxo");
    ASSERT_NE(module_, nullptr) << "DVQConnect.nxo and QSvrInfo.dll beside the test program, error "
                                << GetLastError();
    noxPluginExport<NoxInitializePluginFunction>(module_, NOX_EXPORT_INITIALIZE_PLUGIN)();
  }
  void TearDown() override {
    if (module_) {
      noxPluginExport<NoxUninitializePluginFunction>(module_, NOX_EXPORT_UNINITIALIZE_PLUGIN)();
      FreeLibrary(module_);
    }
    SetEnvironmentVariableA("QSVRINFO_SERVERS", nullptr);
  }
  std::unique_ptr<Report> report(const char* servers) {
    IObservation* root = noxPluginExport<NoxGetObservationFunction>(module_, NOX_EXPORT_GET_OBSERVATION)();
    root->getConfigrations().getItem(0).getConfigrationEntries().getItem(0).setValue(servers);
    return std::unique_ptr<Report>(static_cast<Report*>(&root->createReport()));
  }
  // The "result" texts of one server node, in order.
  static std::vector<std::string> results(const IReport& server) {
    std::vector<std::string> texts;
    const IReport* interfaces = probe::find(server, "interfaces");
    if (!interfaces) return texts;
    for (unsigned i = 0; i < interfaces->getSubReports().getCount(); ++i) {
      texts.push_back(probe::text(interfaces->getSubReports().getItem(i), "result"));
    }
    return texts;
  }

  nox_testing::ScratchFolder folder_{"dvqconnect-module"};
  HMODULE module_ = nullptr;
};

TEST_F(DvqConnectModule, IdentityAndImports) {
  IPluginInformation* information =
      noxPluginExport<NoxGetPluginInformationFunction>(module_, NOX_EXPORT_GET_PLUGIN_INFORMATION)();
  ASSERT_NE(information, nullptr);
  EXPECT_EQ(information->getID(), 50u);
  EXPECT_STREQ(information->getName().getData(), "DVQConnect Plugin");
  EXPECT_EQ(information->getVersion(), 2u);
  EXPECT_NE(GetModuleHandleA("QSvrInfo.dll"), nullptr) << "bound when the module loads";
}

TEST_F(DvqConnectModule, UnregisteredClassesFailAtOnce) {
  std::unique_ptr<Report> root = report("docsrv\tempty");
  EXPECT_STREQ(root->getName().getData(), "dvqConnect");
  const IReport* connect = probe::find(*root, "dvqConnectServer");
  ASSERT_NE(connect, nullptr);
  ASSERT_TRUE(connect->isSuccess()) << connect->getErrorText().getData();
  const IReport* servers = probe::find(*connect, "dvqConnectServers");
  ASSERT_NE(servers, nullptr);
  ASSERT_EQ(servers->getSubReports().getCount(), 2u);
  EXPECT_EQ(results(servers->getSubReports().getItem(0)),
            (std::vector<std::string>{"failed (0x80040154)", "failed (0x80040154)", "failed (0x80040154)"}));
  const IReport* empty = probe::find(servers->getSubReports().getItem(1), "interfaces");
  ASSERT_NE(empty, nullptr);
  EXPECT_STREQ(empty->getErrorText().getData(), "Kestin DS product is not installed");
}

TEST_F(DvqConnectModule, ARegisteredClassIsCreated) {
  RegisteredServer server;
  ASSERT_TRUE(server.registered());
  std::unique_ptr<Report> root = report("docsrv");
  const IReport* servers = probe::find(*probe::find(*root, "dvqConnectServer"), "dvqConnectServers");
  ASSERT_NE(servers, nullptr);
  EXPECT_EQ(results(servers->getSubReports().getItem(0)),
            (std::vector<std::string>{"success", "success", "failed (0x80040154)"}));
}

}  // namespace
