#include "pchelpers/Win32ApiWrapper.h"

#include <gtest/gtest.h>

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

TEST(Win32ApiWrapper, RealPlatformUnderWine) {
  // No scenario: the real calls. Wine has both entry points.
  ULARGE_INTEGER toCaller, total, free;
  EXPECT_TRUE(Win32ApiWrapper().GetDiskFreeSpaceExA("C:\\", &toCaller, &total, &free));
  EXPECT_GT(total.QuadPart, 0u);
  DWORD type = 0;
  EXPECT_TRUE(Win32ApiWrapper().GetProductInfo(6, 1, 0, 0, &type));
}

}  // namespace
