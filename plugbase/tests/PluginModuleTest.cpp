// The plug-in module contract seen from the core's side: real modules loaded
// with LoadLibraryA and used through their plain exports and the interfaces.

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "nox/Error.h"
#include "nox/Memory.h"
#include "nox/PluginIdentities.h"
#include "nox/PluginModule.h"

namespace {

using ::testing::AnyOf;
using ::testing::ElementsAre;
using ::testing::StrEq;

std::string moduleFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.rfind('\\')) + "\\plugbase-modules\\";
}

class LoadedModule {
 public:
  explicit LoadedModule(const char* fileName) : fileName_(fileName) {
    handle_ = LoadLibraryA((moduleFolder() + fileName).c_str());
  }
  ~LoadedModule() {
    if (handle_) FreeLibrary(handle_);
  }
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;

  bool loaded() const { return handle_ != nullptr; }
  FARPROC find(const char* name) const { return GetProcAddress(handle_, name); }
  template <class F>
  F get(const char* name) const {
    return noxPluginExport<F>(handle_, name);
  }

 private:
  std::string fileName_;
  HMODULE handle_ = nullptr;
};

// The exports of an observation module, resolved as the core does.
struct ObservationModule {
  LoadedModule module{"TestObservationModule.nxo"};
  NoxInitializePluginFunction initializePlugin =
      module.get<NoxInitializePluginFunction>(NOX_EXPORT_INITIALIZE_PLUGIN);
  NoxGetPluginInformationFunction getPluginInformation =
      module.get<NoxGetPluginInformationFunction>(NOX_EXPORT_GET_PLUGIN_INFORMATION);
  NoxGetObservationFunction getObservation =
      module.get<NoxGetObservationFunction>(NOX_EXPORT_GET_OBSERVATION);
  NoxUninitializePluginFunction uninitializePlugin =
      module.get<NoxUninitializePluginFunction>(NOX_EXPORT_UNINITIALIZE_PLUGIN);
  long (*liveObjects)() = module.get<long (*)()>("testLiveObjects");
};

class PluginModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m.module.loaded()) << "error " << GetLastError();
    ASSERT_TRUE(m.initializePlugin && m.getPluginInformation && m.getObservation && m.uninitializePlugin &&
                m.liveObjects);
  }
  void TearDown() override {
    if (m.module.loaded()) m.uninitializePlugin();
  }
  ObservationModule m;
};

std::vector<std::string> childNames(const IReport& report) {
  std::vector<std::string> names;
  for (unsigned int i = 0; i < report.getSubReports().getCount(); ++i) {
    names.push_back(report.getSubReports().getItem(i).getName().getData());
  }
  return names;
}

TEST(PluginModuleExports, EachKindExportsItsOwnGetterOnly) {
  struct Row {
    const char* file;
    bool observation;
  } rows[] = {{"TestObservationModule.nxo", true}, {"TestSerializerModule.nxw", false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    LoadedModule module(row.file);
    ASSERT_TRUE(module.loaded()) << "error " << GetLastError();
    EXPECT_NE(module.find("initializePlugin"), nullptr);
    EXPECT_NE(module.find("getPluginInformation"), nullptr);
    EXPECT_NE(module.find("uninitializePlugin"), nullptr);
    EXPECT_EQ(module.find("getObservation") != nullptr, row.observation);
    EXPECT_EQ(module.find("getSerializer") != nullptr, !row.observation);
  }
}

TEST_F(PluginModuleTest, GettersAreNullUntilInitialisedAndAgainAfterwards) {
  EXPECT_EQ(m.getObservation(), nullptr);
  EXPECT_EQ(m.getPluginInformation(), nullptr);
  m.uninitializePlugin();  // without initializePlugin: nothing happens
  EXPECT_EQ(m.liveObjects(), 0);

  m.initializePlugin();
  IObservation* observation = m.getObservation();
  IPluginInformation* information = m.getPluginInformation();
  ASSERT_NE(observation, nullptr);
  ASSERT_NE(information, nullptr);
  EXPECT_EQ(information->getID(), 4660u);
  EXPECT_STREQ(information->getName().getData(), "Test Observation Plugin");
  EXPECT_EQ(information->getType(), IPluginInformation::PLUGIN_OBSERVATION);
  EXPECT_EQ(information->getVersion(), 2u);
  const long live = m.liveObjects();
  EXPECT_EQ(live, 4) << "root, alpha, beta, gamma";

  m.initializePlugin();
  EXPECT_EQ(m.getObservation(), observation);
  EXPECT_EQ(m.getPluginInformation(), information);
  EXPECT_EQ(m.liveObjects(), live);

  m.uninitializePlugin();
  EXPECT_EQ(m.getObservation(), nullptr);
  EXPECT_EQ(m.getPluginInformation(), nullptr);
  EXPECT_EQ(m.liveObjects(), 0);
  m.uninitializePlugin();
  EXPECT_EQ(m.getObservation(), nullptr);

  m.initializePlugin();  // the module may be initialised anew
  EXPECT_NE(m.getObservation(), nullptr);
  EXPECT_EQ(m.liveObjects(), live);
}

TEST_F(PluginModuleTest, RootOffersItsTreeAndForm) {
  m.initializePlugin();
  IObservation& root = *m.getObservation();
  EXPECT_EQ(root.getSubObservations().getCount(), 2u);
  EXPECT_EQ(root.getSubObservations().getItem(1).getSubObservations().getCount(), 1u);

  IConfigrations& forms = root.getConfigrations();
  ASSERT_EQ(forms.getCount(), 1u);
  IConfigration& form = forms.getItem(0);
  EXPECT_STREQ(form.getTitle().getData(), "Target server");
  EXPECT_EQ(form.getType(), IConfigration::CONFIG_TYPE_TARGET);
  ASSERT_EQ(form.getConfigrationEntries().getCount(), 1u);
  IConfigrationEntry& host = form.getConfigrationEntries().getItem(0);
  EXPECT_STREQ(host.getName().getData(), "Target HostName or IPAddress");
  EXPECT_EQ(host.getType(), IConfigrationEntry::ENTRY_HOST);
  EXPECT_STREQ(host.getValue().getData(), "localhost");
}

TEST_F(PluginModuleTest, CreateReportBuildsTheTreeWithTheHostsAnswerAndOutlivesTheModulesObjects) {
  m.initializePlugin();
  IObservation& root = *m.getObservation();
  root.getConfigrations().getItem(0).getConfigrationEntries().getItem(0).setValue("printserver");

  IReport& report = root.createReport();
  EXPECT_STREQ(report.getName().getData(), "testRoot");
  EXPECT_THAT(childNames(report), ElementsAre("first", "alpha", "beta"));
  const IReport& alpha = report.getSubReports().getItem(1);
  EXPECT_EQ(alpha.getType(), IReport::REPORT_TEXT);
  EXPECT_STREQ(static_cast<const char*>(alpha.getValue()), "printserver");
  EXPECT_THAT(childNames(report.getSubReports().getItem(2)), ElementsAre("gamma"));

  m.uninitializePlugin();  // the report now belongs to the caller alone
  EXPECT_EQ(m.liveObjects(), 0);
  EXPECT_STREQ(report.getSubReports().getItem(2).getSubReports().getItem(0).getName().getData(), "gamma");
  delete static_cast<Report*>(&report);
}

TEST_F(PluginModuleTest, ObserveExceptionCrossesTheModuleBoundaryIntact) {
  m.initializePlugin();
  IObservation& root = *m.getObservation();
  IConfigrationEntry& host = root.getConfigrations().getItem(0).getConfigrationEntries().getItem(0);
  host.setValue("fail");
  try {
    root.createReport();
    ADD_FAILURE() << "no exception";
  } catch (IException* e) {
    EXPECT_EQ(e->getError().getID(), 5u);
    EXPECT_STREQ(e->getError().getClassName().getData(), "Beta");
    EXPECT_STREQ(e->getError().getMethodName().getData(), "observe");
    EXPECT_STREQ(e->getError().getModuleName().getData(), "TestObservationModule.nxo");
    e->release();
  }
  host.setValue("ok");
  IReport& report = root.createReport();
  EXPECT_THAT(childNames(report), ElementsAre("first", "alpha", "beta"));
  delete static_cast<Report*>(&report);
}

// Every allocation of initializePlugin in turn is made to fail. Each failure
// names the step; whatever the failed step had begun is gone, a completed step
// stays, and a later call completes the module.
TEST_F(PluginModuleTest, AllocationFailureInEitherStepIsNamedAndRecoverable) {
  std::set<std::string> stepsSeen;
  bool sawInformationMissingOnly = false;
  long allowed = 0;
  for (;; ++allowed) {
    SCOPED_TRACE("allocations allowed: " + std::to_string(allowed));
    noxFailAllocationsAfter(allowed);
    bool failed = false;
    try {
      m.initializePlugin();
    } catch (IException* e) {
      failed = true;
      EXPECT_EQ(e->getError().getID(), 2u);
      EXPECT_STREQ(e->getError().getClassName().getData(), "");
      EXPECT_THAT(e->getError().getMethodName().getData(),
                  AnyOf(StrEq("initializeObservation"), StrEq("initializePluginInformation")));
      EXPECT_STREQ(e->getError().getModuleName().getData(), "TestObservationModule.nxo");
      stepsSeen.insert(e->getError().getMethodName().getData());
      e->release();
    }
    noxFailAllocationsAfter(-1);
    if (!failed) break;

    if (m.getObservation()) {
      EXPECT_EQ(m.liveObjects(), 4);
      EXPECT_EQ(m.getObservation()->getSubObservations().getCount(), 2u);
      EXPECT_EQ(m.getObservation()->getConfigrations().getCount(), 1u);
      sawInformationMissingOnly |= m.getPluginInformation() == nullptr;
    } else {
      EXPECT_EQ(m.liveObjects(), 0) << "a failed root leaves nothing behind";
      EXPECT_EQ(m.getPluginInformation(), nullptr);
    }
    m.initializePlugin();
    ASSERT_NE(m.getObservation(), nullptr);
    ASSERT_NE(m.getPluginInformation(), nullptr);
    EXPECT_STREQ(m.getPluginInformation()->getName().getData(), "Test Observation Plugin");
    m.uninitializePlugin();
    ASSERT_EQ(m.liveObjects(), 0);
    ASSERT_LT(allowed, 1000) << "initializePlugin never succeeded";
  }
  EXPECT_THAT(stepsSeen, ElementsAre("initializeObservation", "initializePluginInformation"));
  EXPECT_TRUE(sawInformationMissingOnly);
}

TEST(SerializerModule, FollowsTheSameLifecycle) {
  LoadedModule module("TestSerializerModule.nxw");
  ASSERT_TRUE(module.loaded());
  auto initializePlugin = module.get<NoxInitializePluginFunction>(NOX_EXPORT_INITIALIZE_PLUGIN);
  auto getPluginInformation = module.get<NoxGetPluginInformationFunction>(NOX_EXPORT_GET_PLUGIN_INFORMATION);
  auto getSerializer = module.get<void* (*)()>(NOX_EXPORT_GET_SERIALIZER);
  auto uninitializePlugin = module.get<NoxUninitializePluginFunction>(NOX_EXPORT_UNINITIALIZE_PLUGIN);

  EXPECT_EQ(getSerializer(), nullptr);
  noxFailAllocationsAfter(0);
  try {
    initializePlugin();
    ADD_FAILURE() << "no exception";
  } catch (IException* e) {
    EXPECT_STREQ(e->getError().getMethodName().getData(), "initializeSerializer");
    EXPECT_STREQ(e->getError().getModuleName().getData(), "TestSerializerModule.nxw");
    e->release();
  }
  noxFailAllocationsAfter(-1);
  EXPECT_EQ(getSerializer(), nullptr);

  initializePlugin();
  void* serializer = getSerializer();
  EXPECT_NE(serializer, nullptr);
  ASSERT_NE(getPluginInformation(), nullptr);
  EXPECT_EQ(getPluginInformation()->getType(), IPluginInformation::PLUGIN_SERIALIZER);
  EXPECT_EQ(getPluginInformation()->getVersion(), 2u);
  initializePlugin();
  EXPECT_EQ(getSerializer(), serializer);
  uninitializePlugin();
  EXPECT_EQ(getSerializer(), nullptr);
  EXPECT_EQ(getPluginInformation(), nullptr);
}

TEST(PluginIdentities, TableHoldsEveryModuleOfTheSystem) {
  std::set<std::string> names;
  std::multiset<unsigned int> ids;
  int serializers = 0;
  for (const NoxPluginIdentity& identity : kAllPluginIdentities) {
    SCOPED_TRACE(identity.name);
    EXPECT_EQ(identity.version, 2u);
    names.insert(identity.name);
    ids.insert(identity.id);
    if (identity.type == IPluginInformation::PLUGIN_SERIALIZER) {
      ++serializers;
      EXPECT_EQ(identity.rootReportName, nullptr);
    } else {
      EXPECT_EQ(identity.type, IPluginInformation::PLUGIN_OBSERVATION);
      ASSERT_NE(identity.rootReportName, nullptr);
      EXPECT_GT(std::strlen(identity.rootReportName), 0u);
    }
  }
  EXPECT_EQ(std::size(kAllPluginIdentities), 20u);
  EXPECT_EQ(names.size(), 20u);
  EXPECT_EQ(serializers, 1);
  EXPECT_EQ(kPluginXML.type, IPluginInformation::PLUGIN_SERIALIZER);
  EXPECT_EQ(kPluginXML.id, 65536u);
  EXPECT_EQ(ids.count(51), 2u) << "FlowLog and DVQJobs share their ID";
  EXPECT_EQ(ids.size(), std::set<unsigned int>(ids.begin(), ids.end()).size() + 1);
}

}  // namespace
