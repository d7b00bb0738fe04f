// An observation module for the system reporter tests. FIXTURE_ID, FIXTURE_NAME
// and FIXTURE_ROOT give its identity; FIXTURE_THROWS makes its report fail;
// FIXTURE_SIDE_FILE adds a path value naming a file it writes. Each report it
// makes is counted in the environment variable NOX_REPORTS_<ID>.
#include <cstdio>
#include <cstdlib>

#include "nox/PluginModule.h"

namespace {

constexpr NoxPluginIdentity kFixture = {FIXTURE_ID, FIXTURE_NAME, IPluginInformation::PLUGIN_OBSERVATION,
                                        kNoxPluginVersion, FIXTURE_ROOT};

void countReport() {
  char name[32], value[32] = {};
  std::snprintf(name, sizeof name, "NOX_REPORTS_%d", FIXTURE_ID);
  GetEnvironmentVariableA(name, value, sizeof value);
  std::snprintf(value, sizeof value, "%d", std::atoi(value) + 1);
  SetEnvironmentVariableA(name, value);
}

class FixtureRoot : public PluginRootObservation {
 protected:
  void observe(Report& report) override {
    countReport();
    report.setName(kFixture.rootReportName);
    Report* leaf = new Report();
    leaf->setName("value");
    leaf->setType(IReport::REPORT_TEXT);
    leaf->setValue(const_cast<char*>(FIXTURE_NAME), 0);
    report.getSubReportsImpl().addItem(leaf);
#ifdef FIXTURE_THROWS
    throwException(3, 7, 0, noxThisModule(), __FILE__, __LINE__, "FixtureRoot", "observe");
#endif
#ifdef FIXTURE_SIDE_FILE
    char path[MAX_PATH];
    GetTempPathA(MAX_PATH, path);
    lstrcatA(path, "nox-side-file.log");
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written;
    WriteFile(file, "side file\r\n", 11, &written, nullptr);
    CloseHandle(file);
    Report* side = new Report();
    side->setName("log");
    side->setType(IReport::REPORT_PATH);
    side->setValue(path, 0);
    report.getSubReportsImpl().addItem(side);
#endif
  }
};

}  // namespace

NOX_OBSERVATION_PLUGIN(kFixture, FixtureRoot)
