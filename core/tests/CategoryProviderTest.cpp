#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LoaderTestSupport.h"
#include "nox/PluginLoader.h"
#include "nox/ReportCategory.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// One sub-category as the host sees it.
struct Sub {
  std::string name;
  bool selected;
  int id;
  bool operator==(const Sub& o) const { return name == o.name && selected == o.selected && id == o.id; }
};

std::ostream& operator<<(std::ostream& out, const Sub& sub) {
  return out << "{" << sub.name << ", " << sub.selected << ", " << sub.id << "}";
}

struct Category {
  std::string name;
  bool selected;
  std::vector<Sub> subs;
  bool operator==(const Category& o) const {
    return name == o.name && selected == o.selected && subs == o.subs;
  }
};

std::ostream& operator<<(std::ostream& out, const Category& c) {
  out << "{" << c.name << ", " << c.selected << ", [";
  for (const Sub& sub : c.subs) out << sub << " ";
  return out << "]}";
}

std::vector<Category> tree(IReportCategories& categories) {
  std::vector<Category> result;
  for (unsigned int i = 0; i < categories.getCount(); ++i) {
    IReportCategory& category = *categories.getItem(i);
    Category c{category.getName().getData(), category.isSelected(), {}};
    EXPECT_EQ(category.getID(), -1) << c.name;
    EXPECT_EQ(category.getObservation(), nullptr) << c.name;
    IReportCategories& subs = *category.getSubCategories();
    for (unsigned int j = 0; j < subs.getCount(); ++j) {
      IReportCategory& sub = *subs.getItem(j);
      c.subs.push_back({sub.getName().getData(), sub.isSelected(), sub.getID()});
    }
    result.push_back(c);
  }
  return result;
}

// The PC, Driver and DNS fixture modules loaded from one folder, plus a
// settings file beside them.
class CategoryProviderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    modules.addModule("PC.nxo", "PC.nxo");
    modules.addModule("Driver.nxo", "Driver.nxo");
    modules.addModule("DNS.nxo", "DNS.nxo");
    modules.addModule("NullInfo.nxo", "NullInfo.nxo");
    modules.addModule("XML.nxw", "XML.nxw");
    loader.setSearchFolder(modules.path().c_str());
    loader.loadAll();
    ASSERT_EQ(loader.getObservationPlugins().getCount(), 4u);
  }

  std::vector<Category> build(const std::string& ini) {
    modules.addFile("NxInfo.ini", ini);
    provider.setSettingsFile((modules.path() + "NxInfo.ini").c_str());
    provider.createCategories(loader.getObservationPlugins());
    return tree(*provider.getReportCategories());
  }

  IReportCategory& sub(unsigned int category, unsigned int index) {
    return *provider.getReportCategories()->getItem(category)->getSubCategories()->getItem(index);
  }

  ScenarioFolder modules;
  PluginLoader loader;
  CategoryProvider provider;
};

TEST_F(CategoryProviderTest, TheDocumentedExample) {
  const std::vector<Category> categories = build(
      "[Categories]\r\nCount=2\r\nKey1=PCInfo\r\nKey2=Network\r\n"
      "[PCInfo]\r\nName=PC\r\nCount=2\r\nKey1=PC.nxo\r\nKey2=Driver.nxo-\r\n"
      "[Network]\r\nName=Network\r\nSelect=false\r\nCount=1\r\nKey1=DNS.nxo\r\n"
      "[Serializer]\r\nFileName=XML.nxw\r\n");
  EXPECT_THAT(categories,
              ElementsAre(Category{"PC", true, {{"PC Plugin", true, 0}, {"Driver Plugin", false, 1}}},
                          Category{"Network", false, {{"DNS Plugin", false, 32}}}));
  ObservationPlugin* pc =
      static_cast<ObservationPlugin*>(loader.getObservationPlugins().findByFileName("PC.nxo"));
  EXPECT_EQ(sub(0, 0).getObservation(), pc->getObservation());
  ASSERT_NE(sub(0, 0).getObservation(), nullptr);
}

TEST_F(CategoryProviderTest, Scenarios) {
  struct Row {
    const char* name;
    std::string ini;
    std::vector<Category> expected;
  } rows[] = {
      {"only \"true\" selects; a missing Select key selects",
       "[Categories]\nCount=4\nKey1=A\nKey2=B\nKey3=C\nKey4=D\n[A]\nName=a\nSelect=TRUE\nCount=1\nKey1=PC."
       "nxo\n"
       "[B]\nName=b\n[C]\nName=c\nSelect=true\n[D]\nName=d\nSelect=yes\n",
       {{"a", false, {{"PC Plugin", false, 0}}}, {"b", true, {}}, {"c", true, {}}, {"d", false, {}}}},
      {"a trailing '-' unselects only the plug-in",
       "[Categories]\nCount=1\nKey1=A\n[A]\nName=a\nCount=2\nKey1=PC.nxo-\nKey2=DNS.nxo\n",
       {{"a", true, {{"PC Plugin", false, 0}, {"DNS Plugin", true, 32}}}}},
      {"a category without loaded plug-ins stays, empty",
       "[Categories]\nCount=1\nKey1=A\n[A]\nName=a\nCount=3\nKey1=Missing.nxo\nKey2=XML.nxw\nKey3=NullInfo."
       "nxo\n",
       {{"a", true, {}}}},
      {"a plug-in in two categories",
       "[Categories]\nCount=2\nKey1=A\nKey2=B\n[A]\nName=a\nCount=1\nKey1=DNS.nxo\n"
       "[B]\nName=b\nCount=1\nKey1=dns.NXO\n",
       {{"a", true, {{"DNS Plugin", true, 32}}}, {"b", true, {{"DNS Plugin", true, 32}}}}},
      {"missing and empty keys are skipped",
       "[Categories]\nCount=3\nKey1=A\nKey3=C\n[A]\nName=a\nCount=3\nKey1=\nKey3=pc.NXO\n[C]\nName=c\n",
       {{"a", true, {{"PC Plugin", true, 0}}}, {"c", true, {}}}},
      {"a count below the keys present limits them",
       "[Categories]\nCount=1\nKey1=A\nKey2=B\n[A]\nName=a\n[B]\nName=b\n",
       {{"a", true, {}}}},
      {"absurd counts read the keys that exist",
       "[Categories]\nCount=-1\nKey1=A\nKEY2=B\n[A]\nName=a\nCount=4294967295\nKey1=PC.nxo\n[B]\nName=b\n",
       {{"a", true, {{"PC Plugin", true, 0}}}, {"b", true, {}}}},
      {"Key02 is not Key2", "[Categories]\nCount=2\nKey02=A\n[A]\nName=a\n", {}},
      {"no Categories section", "[Serializer]\nFileName=XML.nxw\n", {}},
      {"a long name is cut to 255 characters",
       "[Categories]\nCount=1\nKey1=A\n[A]\nName=" + std::string(300, 'n') + "\n",
       {{std::string(255, 'n'), true, {}}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    CategoryProvider fresh;
    modules.addFile("NxInfo.ini", row.ini);
    fresh.setSettingsFile((modules.path() + "NxInfo.ini").c_str());
    fresh.createCategories(loader.getObservationPlugins());
    ASSERT_NE(fresh.getReportCategories(), nullptr);
    EXPECT_EQ(tree(*fresh.getReportCategories()), row.expected);
  }
}

TEST_F(CategoryProviderTest, MissingSettingsFileGivesAnEmptyList) {
  provider.setSettingsFile((modules.path() + "Absent.ini").c_str());
  provider.createCategories(loader.getObservationPlugins());
  ASSERT_NE(provider.getReportCategories(), nullptr);
  EXPECT_EQ(provider.getReportCategories()->getCount(), 0u);
}

TEST_F(CategoryProviderTest, BuiltOnceAndNeverReread) {
  EXPECT_EQ(provider.getReportCategories(), nullptr);
  build("[Categories]\nCount=1\nKey1=A\n[A]\nName=first\n");
  ReportCategories* list = provider.getReportCategories();
  list->getItem(0)->setSelected(false);
  EXPECT_THAT(build("[Categories]\nCount=1\nKey1=A\n[A]\nName=second\n"),
              ElementsAre(Category{"first", false, {}}));
  EXPECT_EQ(provider.getReportCategories(), list);
}

TEST_F(CategoryProviderTest, PluginFailureLeavesNoHalfTree) {
  loader.getObservationPlugins().findByFileName("DNS.nxo")->unload();
  const std::string ini =
      "[Categories]\nCount=2\nKey1=A\nKey2=B\n[A]\nName=a\nCount=1\nKey1=PC.nxo\n[B]\nName=b\nCount=1\n"
      "Key1=DNS.nxo\n";
  RaisedError error = raisedBy([&] { build(ini); });
  EXPECT_TRUE(error.raised);
  EXPECT_EQ(error.id, 0u);
  EXPECT_EQ(error.methodName, "getInformation");
  EXPECT_EQ(provider.getReportCategories(), nullptr);

  loader.getObservationPlugins().findByFileName("DNS.nxo")->load((modules.path() + "DNS.nxo").c_str());
  EXPECT_THAT(build(ini), ElementsAre(Category{"a", true, {{"PC Plugin", true, 0}}},
                                      Category{"b", true, {{"DNS Plugin", true, 32}}}));
}

TEST(CategoryProvider, ReadsNxInfoIniBesideTheMainProgram) {
  CategoryProvider provider;
  EXPECT_EQ(std::string(provider.getSettingsFile().getData()), programFolder() + "NxInfo.ini");
}

TEST(ReportCategory, NewCategoryIsSelectedTopLevelAndEmpty) {
  ReportCategory category;
  EXPECT_TRUE(category.isSelected());
  EXPECT_STREQ(category.getName().getData(), "");
  EXPECT_EQ(category.getID(), -1);
  EXPECT_EQ(category.getObservation(), nullptr);
  EXPECT_EQ(category.getSubCategories()->getCount(), 0u);
  EXPECT_EQ(category.getSubCategories(), &category.getSubCategoriesImpl());
}

}  // namespace
