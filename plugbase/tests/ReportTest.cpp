#include "nox/Report.h"

#include <gtest/gtest.h>

#include "nox/testing/OutOfMemory.h"

#include <cstring>
#include <string>
#include <vector>

#include "nox/Error.h"
#include "nox/Memory.h"

namespace {

std::vector<std::string> g_destroyed;

class TracedReport : public Report {
 public:
  explicit TracedReport(const char* name) { setName(name); }
  ~TracedReport() override { g_destroyed.push_back(getName().getData()); }
};

class TracedAttribute : public ReportAttribute {
 public:
  explicit TracedAttribute(const char* name) { setName(name); }
  ~TracedAttribute() override { g_destroyed.push_back(std::string("@") + getName().getData()); }
};

TEST(Report, NewReportIsEmpty) {
  Report r;
  EXPECT_STREQ(r.getName().getData(), "");
  EXPECT_STREQ(r.getErrorText().getData(), "");
  EXPECT_EQ(r.getType(), IReport::REPORT_NONE);
  EXPECT_TRUE(r.isSuccess());
  EXPECT_EQ(r.getSubReports().getCount(), 0u);
  EXPECT_EQ(r.getAttributes().getCount(), 0u);
  EXPECT_EQ(r.getValue(), nullptr);
  EXPECT_EQ(r.getValueLength(), 0);

  ReportAttribute a;
  EXPECT_STREQ(a.getName().getData(), "");
  EXPECT_STREQ(a.getValue().getData(), "");
}

TEST(Report, ValuesAreCopiedByType) {
  Report r;
  int n = 42;
  r.setType(IReport::REPORT_INTEGER);
  r.setValue(&n, 4);
  n = 7;
  EXPECT_EQ(*static_cast<int*>(r.getValue()), 42);

  double d = 2.5;
  r.setType(IReport::REPORT_REAL);
  r.setValue(&d, 8);
  EXPECT_EQ(*static_cast<double*>(r.getValue()), 2.5);

  unsigned short when[8] = {2026, 12, 4, 10, 13, 14, 15, 16};
  r.setType(IReport::REPORT_DATETIME);
  r.setValue(when, 16);
  EXPECT_EQ(std::memcmp(r.getValue(), when, 16), 0);

  r.setType(IReport::REPORT_INTEGER);
  EXPECT_EQ(*static_cast<int*>(r.getValue()), 42) << "setting the type keeps values of other types";

  char text[] = "hello";
  r.setType(IReport::REPORT_TEXT);
  r.setValue(text, sizeof text);
  text[0] = 'j';
  EXPECT_STREQ(static_cast<char*>(r.getValue()), "hello");
  EXPECT_EQ(r.getValueLength(), 0) << "text types report no length";
  r.setType(IReport::REPORT_PATH);
  EXPECT_STREQ(static_cast<char*>(r.getValue()), "hello") << "text and path share one field";

  Report fresh;
  fresh.setType(IReport::REPORT_TEXT);
  ASSERT_NE(fresh.getValue(), nullptr);
  EXPECT_STREQ(static_cast<char*>(fresh.getValue()), "");
}

TEST(Report, BinaryValues) {
  Report r;
  r.setType(IReport::REPORT_BINARY);
  unsigned char bytes[] = {1, 2, 3};
  r.setValue(bytes, 0);
  EXPECT_EQ(r.getValue(), nullptr);
  EXPECT_EQ(r.getValueLength(), 0);
  r.setValue(bytes, 3);
  EXPECT_EQ(r.getValueLength(), 3);
  unsigned char other[] = {9};
  r.setValue(other, 1);
  ASSERT_EQ(r.getValueLength(), 1);
  EXPECT_EQ(static_cast<unsigned char*>(r.getValue())[0], 9);

  noxFailAllocationsAfter(0);
  try {
    r.setValue(bytes, 3);
    ADD_FAILURE() << "no exception";
  } catch (IException* e) {
    EXPECT_EQ(e->getError().getID(), 2u);
    EXPECT_STREQ(e->getError().getClassName().getData(), "ReportImpl");
    EXPECT_STREQ(e->getError().getMethodName().getData(), "setValue");
    EXPECT_STREQ(e->getError().getModuleName().getData(), "PlugBase.dll");
    e->release();
  }
  noxFailAllocationsAfter(-1);
  ASSERT_EQ(r.getValueLength(), 1) << "a failed setValue keeps the earlier value";
  EXPECT_EQ(static_cast<unsigned char*>(r.getValue())[0], 9);
}

TEST(Report, SetValueWithoutValueFieldThrowsId3) {
  Report r;
  int n = 5;
  try {
    r.setValue(&n, 4);
    ADD_FAILURE() << "no exception";
  } catch (IException* e) {
    EXPECT_EQ(e->getError().getID(), 3u);
    EXPECT_EQ(e->getError().getReturnValue(), 0u);
    EXPECT_STREQ(e->getError().getClassName().getData(), "ReportImpl");
    EXPECT_STREQ(e->getError().getMethodName().getData(), "setValue");
    EXPECT_STREQ(e->getError().getModuleName().getData(), "PlugBase.dll");
    e->release();
  }
  EXPECT_EQ(r.getValue(), nullptr);
}

TEST(Report, DestroyingARootDestroysEveryNodeOnceLastToFirst) {
  g_destroyed.clear();
  {
    TracedReport root("root");
    auto* a = new TracedReport("a");
    auto* b = new TracedReport("b");
    a->getSubReportsImpl().addItem(new TracedReport("a1"));
    a->getSubReportsImpl().addItem(new TracedReport("a2"));
    a->getAttributesImpl().addItem(new TracedAttribute("x"));
    a->getAttributesImpl().addItem(new TracedAttribute("y"));
    root.getSubReportsImpl().addItem(a);
    root.getSubReportsImpl().addItem(b);
  }
  const std::vector<std::string> expected = {"root", "b", "a", "a2", "a1", "@y", "@x"};
  EXPECT_EQ(g_destroyed, expected);
}

TEST(Report, RemovedChildBelongsToTheCaller) {
  g_destroyed.clear();
  Report* first;
  {
    Report parent;
    parent.getSubReportsImpl().addItem(new TracedReport("first"));
    parent.getSubReportsImpl().addItem(new TracedReport("second"));
    first = parent.getSubReportsImpl().removeItem(0);
    EXPECT_STREQ(parent.getSubReports().getItem(0).getName().getData(), "second");
  }
  EXPECT_EQ(g_destroyed, std::vector<std::string>{"second"});
  EXPECT_STREQ(first->getName().getData(), "first");
  delete first;
  EXPECT_EQ(g_destroyed.size(), 2u);
}

TEST(Report, RemoveAllDestroysOwnedItems) {
  g_destroyed.clear();
  Report parent;
  parent.getSubReportsImpl().addItem(new TracedReport("one"));
  parent.getAttributesImpl().addItem(new TracedAttribute("attr"));
  parent.getSubReportsImpl().removeAll();
  parent.getAttributesImpl().removeAll();
  EXPECT_EQ(g_destroyed, (std::vector<std::string>{"one", "@attr"}));
  EXPECT_EQ(parent.getSubReports().getCount(), 0u);
}

TEST(Report, MemberCreationFailuresNameTheMember) {
  // The record takes the first allocation; each member's is the next one.
  nox_testing::expectOutOfMemory(
      {
          {"Report", "getImpl", 0, [] { Report().getName(); }},
          {"ReportImpl", "getName", 1, [] { Report().setName("n"); }},
          {"ReportImpl", "getErrorText", 1, [] { Report().getErrorText(); }},
          {"ReportImpl", "getSubReportsImpl", 1, [] { Report().getSubReportsImpl(); }},
          {"ReportImpl", "getAttributes", 1, [] { Report().getAttributes(); }},
          {"ReportAttribute", "getImpl", 0, [] { ReportAttribute(); }},
      },
      "PlugBase.dll");
}

}  // namespace
