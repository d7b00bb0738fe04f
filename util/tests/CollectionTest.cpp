#include "nox/Collection.h"

#include <gtest/gtest.h>

#include "nox/Error.h"
#include "nox/Memory.h"

namespace {

int a, b, c;

TEST(Collection, GrowsByDoublingAndShiftsOnRemoval) {
  Collection list;
  list.addItem(&a);
  list.addItem(&b);
  list.addItem(&c);
  EXPECT_EQ(list.getCount(), 3u);
  EXPECT_EQ(list.getCapacity(), 4u);
  EXPECT_EQ(list.removeItem(0u), &a);
  EXPECT_EQ(list.getItem(0), &b);
  EXPECT_EQ(list.getItem(1), &c);
  list.removeAll();
  EXPECT_EQ(list.getCount(), 0u);
  EXPECT_EQ(list.getCapacity(), 4u) << "the array never shrinks";

  for (int i = 0; i < 5; ++i) list.addItem(nullptr);
  EXPECT_EQ(list.getCapacity(), 8u);
}

TEST(Collection, RemoveByPointerTakesTheFirstOnly) {
  Collection list;
  list.addItem(&a);
  list.addItem(&b);
  list.addItem(&a);
  EXPECT_EQ(list.removeItem(static_cast<void*>(&a)), &a);
  ASSERT_EQ(list.getCount(), 2u);
  EXPECT_EQ(list.getItem(0), &b);
  EXPECT_EQ(list.getItem(1), &a);
  EXPECT_EQ(list.removeItem(static_cast<void*>(&c)), nullptr);
  EXPECT_EQ(list.getCount(), 2u);
}

TEST(Collection, IndexOutOfRangeThrows) {
  Collection list;
  list.addItem(&a);
  for (int remove = 0; remove < 2; ++remove) {
    try {
      if (remove) {
        list.removeItem(1u);
      } else {
        list.getItem(1);
      }
      ADD_FAILURE() << "no exception";
    } catch (IException* e) {
      EXPECT_EQ(e->getError().getID(), 1u);
      EXPECT_EQ(e->getError().getReturnValue(), 1u);
      e->release();
    }
  }
  EXPECT_EQ(list.getCount(), 1u);
}

TEST(Collection, FailedGrowthKeepsTheList) {
  Collection list;
  list.addItem(&a);
  list.addItem(&b);
  noxFailAllocationsAfter(0);
  try {
    list.addItem(&c);
    ADD_FAILURE() << "no exception";
  } catch (IException* e) {
    EXPECT_EQ(e->getError().getID(), 2u);
    EXPECT_STREQ(e->getError().getClassName().getData(), "CollectionImpl");
    EXPECT_STREQ(e->getError().getMethodName().getData(), "setSize");
    e->release();
  }
  noxFailAllocationsAfter(-1);
  ASSERT_EQ(list.getCount(), 2u);
  EXPECT_EQ(list.getItem(1), &b);
}

int g_destroyed[3];
void countDestroy(void* item) { ++*static_cast<int*>(item); }
void throwingDestroy(void* item) {
  if (item == &g_destroyed[1]) throwException(9, 0, 0, nullptr, "x", 1, "T", "destroy");
  ++*static_cast<int*>(item);
}

TEST(Collection, OwnedRemoveAllDestroysLastToFirstAndSurvivesAFailure) {
  Collection list;
  for (int& d : g_destroyed) {
    d = 0;
    list.addItem(&d);
  }
  list.addItem(nullptr);
  noxListRemoveAllOwned(&list, throwingDestroy);
  EXPECT_EQ(list.getCount(), 0u);
  EXPECT_EQ(g_destroyed[0], 1);
  EXPECT_EQ(g_destroyed[1], 0);
  EXPECT_EQ(g_destroyed[2], 1);

  Collection* slot = nullptr;
  noxListCollection(&slot, nullptr, "Reports")->addItem(&g_destroyed[0]);
  noxListDestroy(&slot, countDestroy);
  EXPECT_EQ(slot, nullptr);
  EXPECT_EQ(g_destroyed[0], 2);
}

}  // namespace
