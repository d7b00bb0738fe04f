#include "nox/PluginLoader.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "LoaderTestSupport.h"
#include "nox/Memory.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

std::multiset<std::string> fileNames(Plugins& list) {
  std::multiset<std::string> names;
  for (unsigned int i = 0; i < list.getCount(); ++i) {
    std::string path = list.getItem(i)->getPath().getData();
    names.insert(path.substr(path.rfind('\\') + 1));
  }
  return names;
}

bool resident(const char* moduleFileName) { return GetModuleHandleA(moduleFileName) != nullptr; }

class PluginLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override { takeFixtureLog(); }
  ScenarioFolder folder;
};

TEST_F(PluginLoaderTest, SearchesTheFolderOfTheModuleItIsLinkedInto) {
  PluginLoader loader;
  EXPECT_EQ(std::string(loader.getSearchFolder().getData()), programFolder());
}

// Each row is one folder; the loader keeps only the modules that fulfil the
// contract and says nothing about the others.
TEST_F(PluginLoaderTest, FolderScenarios) {
  struct Module {
    const char* fixture;
    const char* as;
  };
  struct Row {
    const char* name;
    std::vector<Module> modules;
    std::vector<const char*> junk;
    unsigned int expectedError;
    std::multiset<std::string> observations, serializers;
  } rows[] = {
      {"working and broken modules side by side",
       {{"PC.nxo", "PC.nxo"},
        {"Driver.nxo", "Driver.nxo"},
        {"NoObservation.nxo", "NoObservation.nxo"},
        {"NoInit.nxo", "NoInit.nxo"},
        {"NoUninit.nxo", "NoUninit.nxo"},
        {"NoInfo.nxo", "NoInfo.nxo"},
        {"ThrowsOnInit.nxo", "ThrowsOnInit.nxo"},
        {"ThrowsForeign.nxo", "ThrowsForeign.nxo"},
        {"XML.nxw", "XML.nxw"},
        {"DNS.nxo", "Misnamed.nxw"}},
       {"NotAModule.nxo"},
       0,
       {"PC.nxo", "Driver.nxo"},
       {"XML.nxw"}},
      {"only broken observation modules",
       {{"NoInit.nxo", "NoInit.nxo"}, {"XML.nxw", "XML.nxw"}},
       {},
       0,
       {},
       {"XML.nxw"}},
      {"only serializer modules", {{"XML.nxw", "XML.nxw"}}, {}, NOX_ERR_NO_OBSERVATION_PLUGIN, {}, {}},
      {"only observation modules", {{"PC.nxo", "PC.nxo"}}, {}, NOX_ERR_NO_SERIALIZER_PLUGIN, {"PC.nxo"}, {}},
      {"empty folder", {}, {}, NOX_ERR_NO_OBSERVATION_PLUGIN, {}, {}},
      {"names that only look alike",
       {{"PC.nxo", "PC.nxo.bak"}, {"PC.nxo", "Old.nxoo"}, {"XML.nxw", "XML.nxw"}},
       {},
       NOX_ERR_NO_OBSERVATION_PLUGIN,
       {},
       {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScenarioFolder scenario;
    for (const Module& module : row.modules) scenario.addModule(module.fixture, module.as);
    for (const char* junk : row.junk) scenario.addFile(junk, "not a module");

    PluginLoader loader;
    loader.setSearchFolder(scenario.path().c_str());
    RaisedError error = raisedBy([&] { loader.loadAll(); });
    if (row.expectedError) {
      EXPECT_TRUE(error.raised);
      EXPECT_EQ(error.id, row.expectedError);
      EXPECT_EQ(error.className, "SerializerPlugin");
      EXPECT_EQ(error.methodName, "load");
      EXPECT_EQ(error.fileName, "core/src/PluginLoader.cpp");
    } else {
      EXPECT_FALSE(error.raised) << error.id << " " << error.className << "::" << error.methodName;
    }
    EXPECT_EQ(fileNames(loader.getObservationPlugins()), row.observations);
    EXPECT_EQ(fileNames(loader.getSerializerPlugins()), row.serializers);

    // Modules that were refused are not left loaded.
    for (const char* refused :
         {"NoObservation.nxo", "NoInit.nxo", "NoUninit.nxo", "NoInfo.nxo", "ThrowsOnInit.nxo",
          "ThrowsForeign.nxo", "Misnamed.nxw", "PC.nxo.bak", "Old.nxoo"}) {
      EXPECT_FALSE(resident(refused)) << refused;
    }
  }
}

TEST_F(PluginLoaderTest, RefusedModulesThatWereInitialisedAreUninitialisedAgain) {
  folder.addModule("ThrowsOnInit.nxo", "ThrowsOnInit.nxo");
  folder.addModule("ThrowsForeign.nxo", "ThrowsForeign.nxo");
  folder.addModule("DNS.nxo", "Misnamed.nxw");
  folder.addModule("PC.nxo", "PC.nxo");
  PluginLoader loader;
  loader.setSearchFolder(folder.path().c_str());
  loader.loadAll();
  EXPECT_EQ(loader.getSerializerPlugins().getCount(), 0u);
  EXPECT_THAT(takeFixtureLog(),
              UnorderedElementsAre("+ThrowsOnInit", "-ThrowsOnInit", "+ThrowsForeign", "-ThrowsForeign",
                                   "+DNS Plugin", "-DNS Plugin", "+PC Plugin"));
}

TEST_F(PluginLoaderTest, UnloadAllReleasesEveryModuleInListOrder) {
  folder.addModule("PC.nxo", "PC.nxo");
  folder.addModule("Driver.nxo", "Driver.nxo");
  folder.addModule("XML.nxw", "XML.nxw");
  {
    PluginLoader loader;
    loader.setSearchFolder(folder.path().c_str());
    loader.loadAll();
    std::vector<std::string> loadOrder;
    for (unsigned int i = 0; i < loader.getObservationPlugins().getCount(); ++i) {
      loadOrder.push_back(loader.getObservationPlugins().getItem(i)->getInformation()->getName().getData());
    }
    takeFixtureLog();
    loader.unloadAll();
    EXPECT_EQ(loader.getObservationPlugins().getCount(), 0u);
    EXPECT_EQ(loader.getSerializerPlugins().getCount(), 0u);
    EXPECT_THAT(takeFixtureLog(),
                ElementsAre("-" + loadOrder[0], "-" + loadOrder[1], std::string("-XML Plugin")));
    EXPECT_FALSE(resident("PC.nxo"));
    EXPECT_FALSE(resident("XML.nxw"));

    loader.loadAll();  // the loader can start again
    EXPECT_EQ(loader.getObservationPlugins().getCount(), 2u);
    takeFixtureLog();
  }
  EXPECT_THAT(takeFixtureLog(), UnorderedElementsAre("-PC Plugin", "-Driver Plugin", "-XML Plugin"))
      << "the destructor unloads";
  EXPECT_FALSE(resident("Driver.nxo"));
}

TEST_F(PluginLoaderTest, WrapperLoadFailures) {
  folder.addModule("PC.nxo", "PC.nxo");
  folder.addModule("NoInit.nxo", "NoInit.nxo");
  folder.addModule("NoUninit.nxo", "NoUninit.nxo");
  folder.addModule("NoInfo.nxo", "NoInfo.nxo");
  folder.addModule("NoObservation.nxo", "NoObservation.nxo");
  folder.addFile("Text.nxo", "plain text");
  struct Row {
    const char* file;
    bool asSerializer;
    unsigned int id;
    const char* className;
    const char* sourceFile;
  } rows[] = {
      {"Missing.nxo", false, 0, "Plugin", "core/src/Plugin.cpp"},
      {"Text.nxo", false, 0, "Plugin", "core/src/Plugin.cpp"},
      {"NoInit.nxo", false, 0, "Plugin", "core/src/Plugin.cpp"},
      {"NoUninit.nxo", false, 0, "Plugin", "core/src/Plugin.cpp"},
      {"NoInfo.nxo", false, 0, "Plugin", "core/src/Plugin.cpp"},
      {"NoObservation.nxo", false, 0, "ObservationPlugin", "core/src/ObservationPlugin.cpp"},
      {"PC.nxo", true, 4, "SerializerPlugin", "core/src/SerializerPlugin.cpp"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    ObservationPlugin observation;
    SerializerPlugin serializer;
    Plugin& wrapper = row.asSerializer ? static_cast<Plugin&>(serializer) : observation;
    RaisedError error = raisedBy([&] { wrapper.load((folder.path() + row.file).c_str()); });
    EXPECT_TRUE(error.raised);
    EXPECT_EQ(error.id, row.id);
    EXPECT_EQ(error.className, row.className);
    EXPECT_EQ(error.methodName, "load");
    EXPECT_EQ(error.fileName, row.sourceFile);
    EXPECT_FALSE(wrapper.isLoaded());
    EXPECT_STREQ(wrapper.getPath().getData(), "");
    EXPECT_FALSE(resident(row.file));
  }
  EXPECT_EQ(raisedBy([&] { ObservationPlugin().load((folder.path() + "Missing.nxo").c_str()); }).lastError,
            static_cast<unsigned int>(ERROR_MOD_NOT_FOUND));
}

TEST_F(PluginLoaderTest, AccessorsOfAnUnloadedWrapperRaiseInsteadOfCallingIn) {
  folder.addModule("PC.nxo", "PC.nxo");
  folder.addModule("XML.nxw", "XML.nxw");
  ObservationPlugin observation;
  SerializerPlugin serializer;

  struct Row {
    const char* method;
    const char* sourceFile;
    std::function<void()> call;
  } rows[] = {
      {"getInformation", "core/src/Plugin.cpp", [&] { observation.getInformation(); }},
      {"getObservation", "core/src/ObservationPlugin.cpp", [&] { observation.getObservation(); }},
      {"getInformation", "core/src/Plugin.cpp", [&] { serializer.getInformation(); }},
      {"getSerializer", "core/src/SerializerPlugin.cpp", [&] { serializer.getSerializer(); }},
  };
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round == 0 ? "never loaded" : "unloaded");
    for (const Row& row : rows) {
      SCOPED_TRACE(row.method);
      RaisedError error = raisedBy(row.call);
      EXPECT_TRUE(error.raised);
      EXPECT_EQ(error.id, 0u);
      EXPECT_EQ(error.className, "Plugin");
      EXPECT_EQ(error.methodName, row.method);
      EXPECT_EQ(error.fileName, row.sourceFile);
    }
    observation.load((folder.path() + "PC.nxo").c_str());
    serializer.load((folder.path() + "XML.nxw").c_str());
    ASSERT_TRUE(observation.isLoaded());
    ASSERT_NE(observation.getInformation(), nullptr);
    EXPECT_STREQ(observation.getInformation()->getName().getData(), "PC Plugin");
    ASSERT_NE(observation.getObservation(), nullptr);
    EXPECT_NE(serializer.getSerializer(), nullptr);
    EXPECT_EQ(serializer.getInformation()->getType(), IPluginInformation::PLUGIN_SERIALIZER);
    EXPECT_EQ(std::string(observation.getPath().getData()), folder.path() + "PC.nxo");
    EXPECT_THAT(takeFixtureLog(), ElementsAre("+PC Plugin", "+XML Plugin"))
        << "initialised right after loading";
    observation.unload();
    serializer.unload();
    EXPECT_THAT(takeFixtureLog(), ElementsAre("-PC Plugin", "-XML Plugin"));
    EXPECT_FALSE(observation.isLoaded());
    EXPECT_FALSE(resident("PC.nxo"));
    observation.unload();  // a second unload does nothing
  }
}

TEST(Plugins, FindByFileNameComparesTheFileNameIgnoringCase) {
  ScenarioFolder one, two;
  one.addModule("XML.nxw", "XML.nxw");
  two.addModule("XML.nxw", "XML.nxw");
  one.addModule("PC.nxo", "PC.nxo");
  Plugins list;
  auto* first = noxNew<SerializerPlugin>();
  auto* second = noxNew<SerializerPlugin>();
  auto* pc = noxNew<ObservationPlugin>();
  first->load((one.path() + "XML.nxw").c_str());
  second->load((two.path() + "XML.nxw").c_str());
  pc->load((one.path() + "PC.nxo").c_str());
  list.add(pc);
  list.add(first);
  list.add(second);

  EXPECT_EQ(list.findByFileName("xml.NXW"), first);
  EXPECT_EQ(list.findByFileName("XML.nxw"), first);
  EXPECT_EQ(list.findByFileName("pc.NXO"), pc);
  EXPECT_EQ(list.findByFileName("PC"), nullptr);
  EXPECT_EQ(list.findByFileName("XML"), nullptr);
  EXPECT_EQ(list.findByFileName(""), nullptr);
  EXPECT_EQ(list.findByFileName((one.path() + "XML.nxw").c_str()), nullptr) << "the folder is not compared";

  EXPECT_EQ(list.removeItem(1), first);
  EXPECT_EQ(list.findByFileName("XML.nxw"), second);
  noxDelete(first);
  list.removeAll();
  EXPECT_EQ(list.getCount(), 0u);
  EXPECT_FALSE(resident("XML.nxw"));
  takeFixtureLog();
}

}  // namespace
