#include "pchelpers/Win32ApiWrapper.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "Scenario.h"
#include "nox/Error.h"
#include "pchelpers/SystemInformation.h"

namespace {

void expectRaised(void (*act)(), unsigned int id, unsigned int line, const char* method) {
  try {
    act();
    ADD_FAILURE() << method << ": no exception";
  } catch (IException* e) {
    EXPECT_EQ(e->getError().getID(), id) << method;
    EXPECT_EQ(e->getError().getLineNumber(), line) << method;
    EXPECT_STREQ(e->getError().getMethodName().getData(), method);
    EXPECT_STREQ(e->getError().getClassName().getData(), "Win32ApiWrapper");
    EXPECT_STREQ(e->getError().getFileName().getData(), "Win32ApiWrapper");
    e->release();
  }
}

void askDiskSpace() {
  ULARGE_INTEGER a, b, c;
  Win32ApiWrapper().GetDiskFreeSpaceExA("C:\\", &a, &b, &c);
}

TEST(Win32ApiWrapper, MissingEntryPointsFollowEachOperationsRule) {
  ScenarioMachine machine = ScenarioMachine::fromText(
      "[version]\nplatform=2\nmajor=5\nminor=1\n[missing]\nkernel32.dll!GetProductInfo\n"
      "kernel32.dll!GetDiskFreeSpaceExA\n");
  EXPECT_EQ(SystemInformation().getProductType(), 0u) << "a missing GetProductInfo answers 0 without raising";
  expectRaised(askDiskSpace, 1, 966, "throwNoFunction");
  EXPECT_EQ(machine.platform().loadedModules(), 0) << "every module the wrappers loaded is released";
}

TEST(Win32ApiWrapper, UnloadableModuleRaisesForCheckedOperations) {
  ScenarioMachine machine = ScenarioMachine::fromText("[missing]\nkernel32.dll\n");
  expectRaised(askDiskSpace, 2, 975, "throwNoModule");
  DWORD type = 99;
  EXPECT_EQ(Win32ApiWrapper().GetProductInfo(6, 1, 0, 0, &type), 0) << "unchecked: the failure value";
  EXPECT_EQ(type, 99u);
}

TEST(Win32ApiWrapper, PresentEntryPointsAreCalled) {
  ScenarioMachine machine = ScenarioMachine::fromText(
      "[version]\nplatform=2\nmajor=6\nminor=1\nproductInfo=7\n[drive "
      "C:\\]\ntype=3\ntotal=2048\nfree=1024\n");
  EXPECT_EQ(SystemInformation().getProductType(), 7u);
  ULARGE_INTEGER toCaller, total, free;
  EXPECT_TRUE(Win32ApiWrapper().GetDiskFreeSpaceExA("C:\\", &toCaller, &total, &free));
  EXPECT_EQ(total.QuadPart, 2048u);
  EXPECT_EQ(machine.platform().loadedModules(), 0);
}

void takeSnapshot() { Win32ApiWrapper().CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0); }
void walkFirstProcess() {
  PROCESSENTRY32 process = {};
  process.dwSize = sizeof process;
  Win32ApiWrapper().Process32First(nullptr, &process);
}

TEST(Win32ApiWrapper, ToolhelpRules) {
  {
    ScenarioMachine machine = ScenarioMachine::fromText(
        "[missing]\nkernel32.dll!CreateToolhelp32Snapshot\nkernel32.dll!Process32First\n"
        "kernel32.dll!Process32Next\n");
    expectRaised(takeSnapshot, 1, 966, "throwNoFunction");
    expectRaised(walkFirstProcess, 1, 966, "throwNoFunction");
    PROCESSENTRY32 process = {};
    process.dwSize = sizeof process;
    EXPECT_EQ(Win32ApiWrapper().Process32Next(nullptr, &process), 0) << "Process32Next answers 0";
    EXPECT_EQ(machine.platform().loadedModules(), 0);
  }
  ScenarioMachine machine = ScenarioMachine::fromText("[missing]\nkernel32.dll\n");
  expectRaised(takeSnapshot, 2, 975, "throwNoModule");
  expectRaised(walkFirstProcess, 2, 975, "throwNoModule");
  PROCESSENTRY32 process = {};
  process.dwSize = sizeof process;
  EXPECT_EQ(Win32ApiWrapper().Process32Next(nullptr, &process), 0) << "the module load is not checked";
}

TEST(Win32ApiWrapper, ProcessStatusAndLsaAnswerTheirFailureValue) {
  for (const char* missing : {"psapi.dll\nadvapi32.dll\n",
                              "psapi.dll!EnumProcesses\npsapi.dll!EnumProcessModules\n"
                              "psapi.dll!GetModuleFileNameExA\nadvapi32.dll!LsaOpenPolicy\n"
                              "advapi32.dll!LsaQueryInformationPolicy\nadvapi32.dll!LsaFreeMemory\n"
                              "advapi32.dll!LsaClose\n"}) {
    ScenarioMachine machine = ScenarioMachine::fromText(std::string("[process 8]\n[missing]\n") + missing);
    Win32ApiWrapper api;
    DWORD ids[4] = {}, returned = 0;
    EXPECT_EQ(api.EnumProcesses(ids, sizeof ids, &returned), 0) << missing;
    HMODULE module = nullptr;
    EXPECT_EQ(api.EnumProcessModules(nullptr, &module, sizeof module, &returned), 0) << missing;
    char name[16];
    EXPECT_EQ(api.GetModuleFileNameExA(nullptr, nullptr, name, sizeof name), 0u) << missing;
    LSA_OBJECT_ATTRIBUTES attributes = {};
    LSA_HANDLE policy = nullptr;
    PVOID buffer = nullptr;
    EXPECT_EQ(api.LsaOpenPolicy(nullptr, &attributes, POLICY_VIEW_LOCAL_INFORMATION, &policy), 31) << missing;
    EXPECT_EQ(api.LsaQueryInformationPolicy(policy, PolicyPrimaryDomainInformation, &buffer), 31) << missing;
    EXPECT_EQ(api.LsaFreeMemory(buffer), 31) << missing;
    EXPECT_EQ(api.LsaClose(policy), 31) << missing;
  }
}

// Shells before 5.0 (Windows 95, 98, NT 4) lack SHGetFolderPathA; SHFOLDER.DLL
// may have it; without either the query fails and leaves the buffer alone.
TEST(Win32ApiWrapper, FolderPathFromShellThenShFolder) {
  struct Row {
    const char* missing;
    HRESULT result;
    const char* path;
  } rows[] = {
      {"", S_OK, "C:\\Program Files\\Common Files"},
      {"shell32.dll!SHGetFolderPathA\n", S_OK, "C:\\Program Files\\Common Files"},
      {"shell32.dll\n", S_OK, "C:\\Program Files\\Common Files"},
      {"shell32.dll!SHGetFolderPathA\nshfolder.dll\n", E_NOTIMPL, "untouched"},
      {"shell32.dll\nshfolder.dll!SHGetFolderPathA\n", E_NOTIMPL, "untouched"},
  };
  for (const Row& row : rows) {
    ScenarioMachine machine = ScenarioMachine::fromText(
        std::string("[folders]\ncommonFiles=C:\\Program Files\\Common Files\n[missing]\n") + row.missing);
    char path[MAX_PATH] = "untouched";
    EXPECT_EQ(Win32ApiWrapper().SHGetFolderPathA(nullptr, 0x2B, nullptr, 0, path), row.result) << row.missing;
    EXPECT_STREQ(path, row.path) << row.missing;
    EXPECT_EQ(machine.platform().loadedModules(), 0) << row.missing;
  }
}

TEST(Win32ApiWrapper, RealPlatformUnderWine) {
  // No scenario: the real calls. Wine has both entry points.
  ULARGE_INTEGER toCaller, total, free;
  EXPECT_TRUE(Win32ApiWrapper().GetDiskFreeSpaceExA("C:\\", &toCaller, &total, &free));
  EXPECT_GT(total.QuadPart, 0u);
  DWORD type = 0;
  EXPECT_TRUE(Win32ApiWrapper().GetProductInfo(6, 1, 0, 0, &type));
  char folder[MAX_PATH] = {};
  EXPECT_EQ(Win32ApiWrapper().SHGetFolderPathA(nullptr, 0x2B, nullptr, 0, folder), S_OK);
  EXPECT_STREQ(folder, "C:\\Program Files\\Common Files");

  // This process is among those the process status functions list.
  Win32ApiWrapper api;
  DWORD ids[1024], returned = 0;
  ASSERT_TRUE(api.EnumProcesses(ids, sizeof ids, &returned));
  EXPECT_NE(std::find(ids, ids + returned / sizeof(DWORD), GetCurrentProcessId()),
            ids + returned / sizeof(DWORD));
  LSA_OBJECT_ATTRIBUTES attributes = {};
  LSA_HANDLE policy = nullptr;
  ASSERT_EQ(api.LsaOpenPolicy(nullptr, &attributes, POLICY_VIEW_LOCAL_INFORMATION, &policy), 0);
  EXPECT_EQ(api.LsaClose(policy), 0);
}

}  // namespace
