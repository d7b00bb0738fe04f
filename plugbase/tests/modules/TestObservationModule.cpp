// A complete observation module as every plug-in writes one, small enough to
// check the module contract end to end.
//
// Tree: root "testRoot" (one form with a host field) with sub-observations
// "alpha" and "beta"; "beta" has its own sub-observation "gamma". The root's
// observe adds one node of its own first. "alpha" reports the host field's
// value; a value of "fail" makes "beta" throw error ID 5.

#include <cstring>

#include "nox/PluginModule.h"

namespace {

constexpr NoxPluginIdentity kTestObservationPlugin = {
    4660, "Test Observation Plugin", IPluginInformation::PLUGIN_OBSERVATION, kNoxPluginVersion, "testRoot"};

// Objects alive in this module, so that the test can see every one released.
long g_liveObjects = 0;

struct Counted {
  Counted() { ++g_liveObjects; }
  ~Counted() { --g_liveObjects; }
  Counted(const Counted&) = delete;
  Counted& operator=(const Counted&) = delete;
};

class TestRoot;

class Leaf : public Observation, Counted {
 public:
  explicit Leaf(const char* name) : name_(name) {}

 protected:
  void observe(Report& report) override { report.setName(name_); }

 private:
  const char* name_;
};

class Alpha : public Observation, Counted {
 public:
  explicit Alpha(TestRoot& root) : root_(root) {}

 protected:
  void observe(Report& report) override;

 private:
  TestRoot& root_;
};

class Beta : public Observation, Counted {
 public:
  explicit Beta(TestRoot& root) : root_(root), gamma_("gamma") { getSubObservationsImpl().addItem(&gamma_); }

 protected:
  void observe(Report& report) override;

 private:
  TestRoot& root_;
  Leaf gamma_;
};

class TestRoot : public PluginRootObservation, Counted {
 public:
  TestRoot() {
    Configration& form = addConfigration("Target server", IConfigration::CONFIG_TYPE_TARGET);
    host_ = &addEntry(form, "Target HostName or IPAddress", IConfigrationEntry::ENTRY_HOST, "localhost");
    addSubObservation<Alpha>(*this);
    addSubObservation<Beta>(*this);
  }

  const char* host() const { return host_->getValue().getData(); }

 protected:
  void observe(Report& report) override {
    report.setName(kTestObservationPlugin.rootReportName);
    Report* own = new Report();
    own->setName("first");
    report.getSubReportsImpl().addItem(own);
  }

 private:
  ConfigrationEntry* host_ = nullptr;
};

void Alpha::observe(Report& report) {
  report.setName("alpha");
  report.setType(IReport::REPORT_TEXT);
  report.setValue(const_cast<char*>(root_.host()), static_cast<long>(std::strlen(root_.host()) + 1));
}

void Beta::observe(Report& report) {
  report.setName("beta");
  if (std::strcmp(root_.host(), "fail") == 0) {
    throwException(5, 0, 0, noxThisModule(), __FILE__, __LINE__, "Beta", "observe");
  }
}

}  // namespace

NOX_OBSERVATION_PLUGIN(kTestObservationPlugin, TestRoot)

// Not part of the contract: lets the test see that nothing is left behind.
NOX_PLUGIN_EXPORT long testLiveObjects() { return g_liveObjects; }
