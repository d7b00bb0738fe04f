// The report-building helpers under memory exhaustion: a node or attribute that
// cannot be made whole or attached is destroyed, and the parent keeps nothing.
#include "nox/ReportLeaves.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "nox/Memory.h"
#include "nox/testing/OutOfMemory.h"

namespace {

// Runs add on a fresh parent with one more allocation let through each round,
// until it completes. A round that fails must leave nothing attached to the
// parent (counted by count) and nothing allocated; check sees the completed one.
void expectWholeOrNothing(const std::function<void(Report&)>& add,
                          const std::function<unsigned int(Report&)>& count,
                          const std::function<void(Report&)>& check) {
  // The shared out-of-memory exception is made on its first use: make it now,
  // outside the counted rounds.
  try {
    nox_testing::AllocationFailure failing(0);
    Report().setName("x");
  } catch (IException* e) {
    e->release();
  }
  bool completed = false;
  for (long allowed = 0; allowed < 40 && !completed; ++allowed) {
    SCOPED_TRACE("allocation " + std::to_string(allowed) + " fails");
    Report parent;
    count(parent);  // the parent's own lists exist before the round
    long before = noxAllocationsInUse();
    try {
      nox_testing::AllocationFailure failing(allowed);
      add(parent);
      completed = true;
    } catch (IException* e) {
      e->release();
    }
    if (!completed) {
      EXPECT_EQ(count(parent), 0u) << "nothing half-made in the tree";
      EXPECT_EQ(noxAllocationsInUse(), before) << "what was made is destroyed";
      continue;
    }
    ASSERT_EQ(count(parent), 1u);
    check(parent);
  }
  EXPECT_TRUE(completed);
}

unsigned int subReports(Report& parent) { return parent.getSubReportsImpl().getCount(); }

const IReport& onlyChild(Report& parent) { return parent.getSubReports().getItem(0); }

TEST(ReportLeaves, NodesAreAttachedWholeOrNotAtAll) {
  SYSTEMTIME time = {};
  time.wYear = 2024;
  struct Row {
    const char* helper;
    std::function<void(Report&)> add;
    std::function<void(Report&)> check;
  } rows[] = {
      {"addNode", [](Report& p) { addNode(p, "node"); },
       [](Report& p) { EXPECT_STREQ(onlyChild(p).getName().getData(), "node"); }},
      {"addText", [](Report& p) { addText(p, "text", "value"); },
       [](Report& p) { EXPECT_STREQ(static_cast<const char*>(onlyChild(p).getValue()), "value"); }},
      {"addNumber", [](Report& p) { addNumber(p, "number", 0xFFFFFFFFul); },
       [](Report& p) { EXPECT_EQ(*static_cast<const int*>(onlyChild(p).getValue()), -1); }},
      {"addTime", [&](Report& p) { addTime(p, "time", time); },
       [](Report& p) { EXPECT_EQ(static_cast<const SYSTEMTIME*>(onlyChild(p).getValue())->wYear, 2024); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.helper);
    // A fresh parent's list is made on its first use; a full one must grow.
    expectWholeOrNothing(row.add, subReports, row.check);
  }
}

TEST(ReportLeaves, AttributesAreAttachedWholeOrNotAtAll) {
  expectWholeOrNothing(
      [](Report& node) { addAttribute(node, "name", "value"); },
      [](Report& node) { return node.getAttributesImpl().getCount(); },
      [](Report& node) { EXPECT_STREQ(node.getAttributes().getItem(0).getValue().getData(), "value"); });
}

}  // namespace
