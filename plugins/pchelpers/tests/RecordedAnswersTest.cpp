// The recorded machine answers the spooler and the service manager as Windows
// does: a first call without room reports the size, the records come first
// and the texts they point to follow them inside the caller's buffer.
#include <gtest/gtest.h>

#include <vector>

#include "Scenario.h"
#include "nox/testing/Files.h"

namespace {

const char kMachine[] =
    "[version]\nplatform=2\nmajor=5\nminor=1\n"
    "[printer Office]\nscopes=local\nport=LPT1:\nstatus=0x80\npriority=7\n"
    "[printer \\\\SRV\\Color]\nscopes=connections name\nshare=COLOR\n"
    "[service Spooler]\ndisplay=Print Spooler\nstate=4\n"
    "[service Tcpip]\ntype=0x1\nstate=4\n";

bool inside(const void* pointer, const std::vector<BYTE>& buffer, size_t from) {
  const BYTE* p = static_cast<const BYTE*>(pointer);
  return p >= buffer.data() + from && p < buffer.data() + buffer.size();
}

TEST(RecordedAnswers, PrintersInTheSpoolerLayout) {
  ScenarioMachine machine = ScenarioMachine::fromText(kMachine);
  Platform& platform = machine.platform();
  DWORD needed = 0, returned = 99;
  EXPECT_FALSE(platform.EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &returned));
  EXPECT_EQ(platform.GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(returned, 0u);
  ASSERT_GT(needed, sizeof(PRINTER_INFO_2A));

  std::vector<BYTE> buffer(needed);
  ASSERT_TRUE(
      platform.EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed, &needed, &returned));
  ASSERT_EQ(returned, 1u);
  const PRINTER_INFO_2A& office = *reinterpret_cast<PRINTER_INFO_2A*>(buffer.data());
  EXPECT_STREQ(office.pPrinterName, "Office");
  EXPECT_TRUE(inside(office.pPrinterName, buffer, sizeof office)) << "the texts follow the records";
  EXPECT_STREQ(office.pPortName, "LPT1:");
  EXPECT_EQ(office.pShareName, nullptr) << "a text not recorded is a null pointer";
  EXPECT_EQ(office.Status, 0x80u);
  EXPECT_EQ(office.Priority, 7u);

  // Both scopes of the connection list it; the domain scope lists only it.
  for (DWORD flags : {DWORD(PRINTER_ENUM_CONNECTIONS), DWORD(PRINTER_ENUM_NAME)}) {
    platform.EnumPrintersA(flags, nullptr, 2, nullptr, 0, &needed, &returned);
    std::vector<BYTE> list(needed);
    ASSERT_TRUE(platform.EnumPrintersA(flags, nullptr, 2, list.data(), needed, &needed, &returned)) << flags;
    ASSERT_EQ(returned, 1u) << flags;
    EXPECT_STREQ(reinterpret_cast<PRINTER_INFO_2A*>(list.data())->pShareName, "COLOR") << flags;
  }
}

TEST(RecordedAnswers, ServicesInTheManagersLayout) {
  ScenarioMachine machine = ScenarioMachine::fromText(kMachine);
  Platform& platform = machine.platform();
  SC_HANDLE manager = platform.OpenSCManagerA(nullptr, nullptr, GENERIC_READ | SC_MANAGER_ENUMERATE_SERVICE);
  ASSERT_NE(manager, nullptr);
  DWORD needed = 0, returned = 0, resume = 0;
  EXPECT_FALSE(platform.EnumServicesStatusA(manager, SERVICE_WIN32 | SERVICE_DRIVER, SERVICE_STATE_ALL,
                                            nullptr, 0, &needed, &returned, &resume));
  EXPECT_EQ(platform.GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));
  std::vector<BYTE> buffer(needed);
  auto* services = reinterpret_cast<ENUM_SERVICE_STATUSA*>(buffer.data());
  ASSERT_TRUE(platform.EnumServicesStatusA(manager, SERVICE_WIN32, SERVICE_STATE_ALL, services, needed,
                                           &needed, &returned, &resume));
  ASSERT_EQ(returned, 1u) << "the driver is not a Win32 service";
  EXPECT_STREQ(services[0].lpServiceName, "Spooler");
  EXPECT_STREQ(services[0].lpDisplayName, "Print Spooler");
  EXPECT_TRUE(inside(services[0].lpDisplayName, buffer, sizeof services[0]));
  EXPECT_EQ(services[0].ServiceStatus.dwCurrentState, static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_TRUE(platform.CloseServiceHandle(manager));
  EXPECT_EQ(machine.platform().openHandles(), 0);
}

// A machine extended for one area includes the base machine: the included
// sections stand as if written in place, and a section named again adds keys
// without listing its name twice.
TEST(RecordedAnswers, ScenarioIncludesAnotherFromItsFolder) {
  nox_testing::ScratchFolder folder;
  nox_testing::writeFile(folder / "base.scn", "[version]\nmajor=4\n[service Spooler]\nstate=4\n");
  nox_testing::writeFile(
      folder / "more.scn",
      "@include base.scn\n[service Spooler]\ndisplay=Print Spooler\n[widget W1]\nsize=3\n");
  auto machine = RecordedPlatform::fromFile(folder / "more.scn");
  EXPECT_EQ(machine->number("version", "major"), 4u);
  EXPECT_EQ(machine->named("service"), std::vector<std::string>{"Spooler"});
  EXPECT_EQ(machine->get("service Spooler", "display"), "Print Spooler");
  EXPECT_EQ(machine->get("service Spooler", "state"), "4");
  EXPECT_EQ(machine->named("widget"), std::vector<std::string>{"W1"}) << "sections of any kind are listed";

  nox_testing::writeFile(folder / "loop.scn", "@include loop.scn\n");
  EXPECT_THROW(RecordedPlatform::fromFile(folder / "loop.scn"), std::runtime_error);
  EXPECT_THROW(RecordedPlatform::fromFile(folder / "absent.scn"), std::runtime_error);
}

// Each area's seam is in force for the lifetime of its scope, and scopes nest.
struct WidgetApi {
  virtual ~WidgetApi() = default;
  virtual int answer() = 0;
  static WidgetApi& real();
};
struct FixedWidget : WidgetApi {
  explicit FixedWidget(int value) : value(value) {}
  int answer() override { return value; }
  int value;
};
WidgetApi& WidgetApi::real() {
  static FixedWidget real(0);
  return real;
}

TEST(RecordedAnswers, SeamsNestAndRestore) {
  FixedWidget outer(1), inner(2);
  EXPECT_EQ(Seam<WidgetApi>::current().answer(), 0);
  {
    ScopedSeam<WidgetApi> a(outer);
    EXPECT_EQ(Seam<WidgetApi>::current().answer(), 1);
    {
      ScopedSeam<WidgetApi> b(inner);
      EXPECT_EQ(Seam<WidgetApi>::current().answer(), 2);
    }
    EXPECT_EQ(Seam<WidgetApi>::current().answer(), 1);
  }
  EXPECT_EQ(Seam<WidgetApi>::current().answer(), 0);
}

}  // namespace
