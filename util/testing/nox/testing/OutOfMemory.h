#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "nox/Error.h"
#include "nox/Memory.h"

namespace nox_testing {

// For its lifetime, the allocation after the first `successes` ones fails.
class AllocationFailure {
 public:
  explicit AllocationFailure(long successes) { noxFailAllocationsAfter(successes); }
  ~AllocationFailure() { noxFailAllocationsAfter(-1); }
  AllocationFailure(const AllocationFailure&) = delete;
  AllocationFailure& operator=(const AllocationFailure&) = delete;
};

struct OutOfMemoryCase {
  const char* className;
  const char* methodName;
  long allowed;  // allocations that succeed before the failing one
  std::function<void()> action;
};

// Runs each action with its allocation failing and expects the shared
// out-of-memory exception (ID 2) naming the class, the method and `module`.
inline void expectOutOfMemory(const std::vector<OutOfMemoryCase>& cases, const char* module) {
  for (const OutOfMemoryCase& c : cases) {
    SCOPED_TRACE(std::string(c.className) + "::" + c.methodName);
    try {
      AllocationFailure failing(c.allowed);
      c.action();
      ADD_FAILURE() << "no exception";
    } catch (IException* e) {
      EXPECT_EQ(e->getError().getID(), 2u);
      EXPECT_STREQ(e->getError().getClassName().getData(), c.className);
      EXPECT_STREQ(e->getError().getMethodName().getData(), c.methodName);
      EXPECT_STREQ(e->getError().getModuleName().getData(), module);
      e->release();
    }
  }
}

}  // namespace nox_testing
