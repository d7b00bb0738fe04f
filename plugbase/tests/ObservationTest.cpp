#include "nox/Observation.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "nox/testing/OutOfMemory.h"

#include <functional>
#include <string>
#include <vector>

#include "nox/Error.h"
#include "nox/Memory.h"
#include "nox/PluginInformation.h"

namespace {

using ::testing::ElementsAre;

// An observation whose observe step the test supplies.
class Scripted : public Observation {
 public:
  explicit Scripted(const char* name, std::function<void(Report&)> extra = nullptr)
      : name_(name), extra_(std::move(extra)) {}
  int observed = 0;

 protected:
  void observe(Report& report) override {
    ++observed;
    report.setName(name_);
    if (extra_) extra_(report);
  }

 private:
  const char* name_;
  std::function<void(Report&)> extra_;
};

// A report that records its destruction.
struct TracedReport : Report {
  TracedReport(const char* name, int& destroyed) : destroyed_(destroyed) { setName(name); }
  ~TracedReport() override { ++destroyed_; }
  int& destroyed_;
};

std::vector<std::string> childNames(const IReport& report) {
  std::vector<std::string> names;
  for (unsigned int i = 0; i < report.getSubReports().getCount(); ++i) {
    names.push_back(report.getSubReports().getItem(i).getName().getData());
  }
  return names;
}

void addChild(Report& parent, const char* name) {
  Report* child = new Report();
  child->setName(name);
  parent.getSubReportsImpl().addItem(child);
}

[[noreturn]] void fail(unsigned int id) {
  throwException(id, 0, 0, nullptr, "ObservationTest.cpp", 1, "S", "observe");
}

TEST(Observation, WithoutSubObservationsTheReportIsWhatObserveLeft) {
  int value = 42;
  Scripted leaf("leaf", [&](Report& r) {
    r.setType(IReport::REPORT_INTEGER);
    r.setValue(&value, 4);
    addChild(r, "own");
  });
  IReport& report = leaf.createReport();
  EXPECT_STREQ(report.getName().getData(), "leaf");
  EXPECT_EQ(report.getType(), IReport::REPORT_INTEGER);
  EXPECT_EQ(*static_cast<int*>(report.getValue()), 42);
  EXPECT_TRUE(report.isSuccess());
  EXPECT_THAT(childNames(report), ElementsAre("own"));
  delete static_cast<Report*>(&report);
}

TEST(Observation, SubObservationReportsFollowObservesOwnChildrenInListOrder) {
  Scripted root("root", [](Report& r) {
    addChild(r, "own1");
    addChild(r, "own2");
  });
  Scripted a("a"), b("b", [](Report&r) { addChild(r, "b1"); }), c("c");
  root.getSubObservationsImpl().addItem(&a);
  root.getSubObservationsImpl().addItem(&b);
  root.getSubObservationsImpl().addItem(&c);

  IReport& report = root.createReport();
  EXPECT_THAT(childNames(report), ElementsAre("own1", "own2", "a", "b", "c"));
  EXPECT_THAT(childNames(report.getSubReports().getItem(3)), ElementsAre("b1"));
  EXPECT_EQ(root.observed + a.observed + b.observed + c.observed, 4);
  delete static_cast<Report*>(&report);
}

TEST(Observation, FailedObserveStillYieldsTheReportWithSubReports) {
  Scripted root("root", [](Report& r) {
    r.setSuccess(false);
    r.setErrorText("no access");
  });
  Scripted sub("sub");
  root.getSubObservationsImpl().addItem(&sub);
  IReport& report = root.createReport();
  EXPECT_FALSE(report.isSuccess());
  EXPECT_STREQ(report.getErrorText().getData(), "no access");
  EXPECT_THAT(childNames(report), ElementsAre("sub"));
  delete static_cast<Report*>(&report);
}

TEST(Observation, SubObservationExceptionPropagatesAndEarlierChildrenStay) {
  Scripted root("root", [](Report& r) { addChild(r, "own"); });
  Scripted first("first"), failing("failing", [](Report&) { fail(9); }), after("after");
  root.getSubObservationsImpl().addItem(&first);
  root.getSubObservationsImpl().addItem(&failing);
  root.getSubObservationsImpl().addItem(&after);
  try {
    root.createReport();
    ADD_FAILURE() << "no exception";
  } catch (IException* e) {
    EXPECT_EQ(e->getError().getID(), 9u);
    e->release();
  }
  EXPECT_EQ(after.observed, 0) << "the sequence ends at the failure";
  ASSERT_NE(root.getUnfinishedReport(), nullptr);
  EXPECT_THAT(childNames(*root.getUnfinishedReport()), ElementsAre("own", "first"));
  ASSERT_NE(failing.getUnfinishedReport(), nullptr);
  EXPECT_STREQ(failing.getUnfinishedReport()->getName().getData(), "failing");

  // A later run starts afresh instead of adding to the half-built report.
  root.getSubObservationsImpl().removeItem(1);
  IReport& report = root.createReport();
  EXPECT_EQ(root.getUnfinishedReport(), nullptr);
  EXPECT_THAT(childNames(report), ElementsAre("own", "first", "after"));
  delete static_cast<Report*>(&report);
}

TEST(Observation, ObserveExceptionEndsBeforeAnySubObservation) {
  Scripted root("root", [](Report& r) {
    addChild(r, "own");
    fail(4);
  });
  Scripted sub("sub");
  root.getSubObservationsImpl().addItem(&sub);
  try {
    root.createReport();
    ADD_FAILURE() << "no exception";
  } catch (IException* e) {
    EXPECT_EQ(e->getError().getID(), 4u);
    e->release();
  }
  EXPECT_EQ(sub.observed, 0);
  ASSERT_NE(root.getUnfinishedReport(), nullptr);
  EXPECT_THAT(childNames(*root.getUnfinishedReport()), ElementsAre("own"));
}

TEST(Observation, HandedOutReportsOutliveTheObservationAndEachCallMakesANewOne) {
  int destroyed = 0;
  auto* observation = new Scripted(
      "o", [&](Report& r) { r.getSubReportsImpl().addItem(new TracedReport("traced", destroyed)); });
  IReport& first = observation->createReport();
  IReport& second = observation->createReport();
  EXPECT_NE(&first, &second);
  EXPECT_EQ(first.getSubReports().getCount(), 1u);
  EXPECT_EQ(second.getSubReports().getCount(), 1u);
  delete observation;
  EXPECT_EQ(destroyed, 0);
  EXPECT_STREQ(first.getName().getData(), "o");
  delete static_cast<Report*>(&first);
  delete static_cast<Report*>(&second);
  EXPECT_EQ(destroyed, 2);
}

TEST(Observation, DestroyingItLeavesSubObservationsAndFormsAlive) {
  Scripted sub("sub");
  Configration form;
  {
    Scripted root("root");
    root.getSubObservationsImpl().addItem(&sub);
    root.getConfigrationsImpl().addItem(&form);
    EXPECT_EQ(&root.getSubObservations(), &root.getSubObservationsImpl());
    EXPECT_EQ(&root.getConfigrations(), &root.getConfigrationsImpl());
    EXPECT_EQ(&root.getConfigrations().getItem(0), &form);
    EXPECT_EQ(&root.getSubObservations().getItem(0), &sub);
  }
  form.setTitle("still here");
  IReport& report = sub.createReport();
  EXPECT_STREQ(report.getName().getData(), "sub");
  delete static_cast<Report*>(&report);
}

class Listener : public ProgressEventListener, public UIEventListener {
 public:
  std::vector<std::string> log;
  void notifyProgressEvent(ProgressEvent& e) override {
    log.push_back(std::string("P:") + e.getTitle().getData());
  }
  void notifyUIEvent(UIEvent&) override { log.push_back("U"); }
};

TEST(Observation, RegistrationThroughTheSubjectsReachesItsOwnQueue) {
  Scripted observation("o"), other("other");
  Listener listener;
  ProgressEventSubject& progressSubject = observation;
  UIEventSubject& uiSubject = observation;
  progressSubject.addProgressEventListener(&listener);
  uiSubject.addUIEventListener(&listener);

  ProgressEvent progress;
  progress.setTitle("t");
  UIEvent ui;
  observation.fireProgressEvent(progress);
  observation.fireUIEvent(ui);
  other.fireProgressEvent(progress);
  EXPECT_THAT(listener.log, ElementsAre("P:t", "U"));

  progressSubject.removeProgressEventListener(&listener);
  uiSubject.removeUIEventListener(&listener);
  observation.fireProgressEvent(progress);
  observation.fireUIEvent(ui);
  EXPECT_EQ(listener.log.size(), 2u);
}

TEST(Observations, DoesNotOwnItsItems) {
  Scripted a("a"), b("b");
  {
    Observations list;
    list.addItem(&a);
    list.addItem(&b);
    EXPECT_EQ(list.getCount(), 2u);
    EXPECT_EQ(&list.getItem(1), &b);
    EXPECT_EQ(list.removeItem(0), &a);
    list.removeAll();
    EXPECT_EQ(list.getCount(), 0u);
    list.addItem(&a);
  }
  IReport& report = a.createReport();  // a is intact
  EXPECT_STREQ(report.getName().getData(), "a");
  delete static_cast<Report*>(&report);
}

TEST(PluginInformation, StartsZeroAndStoresACopyOfTheName) {
  PluginInformation info;
  EXPECT_EQ(info.getID(), 0u);
  EXPECT_STREQ(info.getName().getData(), "");
  EXPECT_EQ(info.getType(), IPluginInformation::PLUGIN_OBSERVATION);
  EXPECT_EQ(info.getVersion(), 0u);

  String name("DNS Plugin");
  info.setID(32);
  info.setName(name);
  info.setType(IPluginInformation::PLUGIN_SERIALIZER);
  info.setVersion(2);
  name = "changed";
  const IPluginInformation& seen = info;
  EXPECT_EQ(seen.getID(), 32u);
  EXPECT_STREQ(seen.getName().getData(), "DNS Plugin");
  EXPECT_EQ(seen.getType(), 1);
  EXPECT_EQ(seen.getVersion(), 2u);
}

TEST(PlugBaseOutOfMemory, NamesTheClassAndMethod) {
  Listener listener;
  const std::vector<nox_testing::OutOfMemoryCase> cases = {
      {"Observation", "getImpl", 0, [] { Scripted("o").getConfigrations(); }},
      {"ObservationImpl", "getSubObservationsImpl", 1, [] { Scripted("o").getSubObservations(); }},
      {"ObservationImpl", "getConfigrationsImpl", 1, [] { Scripted("o").getConfigrationsImpl(); }},
      {"ObservationImpl", "getEventQueue", 1, [&] { Scripted("o").addUIEventListener(&listener); }},
      {"Observations", "getImpl", 0, [] { Observations().getCount(); }},
      {"PluginInformation", "getImpl", 0, [] { PluginInformation().getID(); }},
      {"PluginData", "getNameObject", 1, [] { PluginInformation().getName(); }},
  };
  nox_testing::expectOutOfMemory(cases, "PlugBase.dll");
}

}  // namespace
