#include "nox/Memory.h"

#include <cstdlib>

#include "Internal.h"

namespace {
int g_bypassDepth = 0;
#ifdef NOX_TEST_HOOKS
// Allocations still allowed before the injected failures start; -1: never fail.
long g_allowedAllocations = -1;
// Blocks handed out and not yet freed.
long g_inUse = 0;

bool refuseThisAllocation() {
  if (g_allowedAllocations < 0 || g_bypassDepth > 0) return false;
  if (g_allowedAllocations == 0) return true;
  --g_allowedAllocations;
  return false;
}
#endif
}  // namespace

void* noxAlloc(size_t size) {
#ifdef NOX_TEST_HOOKS
  if (refuseThisAllocation()) return nullptr;
  void* fresh = std::malloc(size == 0 ? 1 : size);
  if (fresh) ++g_inUse;
  return fresh;
#else
  return std::malloc(size == 0 ? 1 : size);
#endif
}

void* noxRealloc(void* block, size_t size) {
#ifdef NOX_TEST_HOOKS
  if (refuseThisAllocation()) return nullptr;
  void* moved = std::realloc(block, size == 0 ? 1 : size);
  if (moved && !block) ++g_inUse;
  return moved;
#else
  return std::realloc(block, size == 0 ? 1 : size);
#endif
}

void noxFree(void* block) {
#ifdef NOX_TEST_HOOKS
  if (block) --g_inUse;
#endif
  std::free(block);
}

#ifdef NOX_TEST_HOOKS
void noxFailAllocationsAfter(long successes) { g_allowedAllocations = successes; }

long noxAllocationsInUse() { return g_inUse; }
#endif

NoxAllocationBypass::NoxAllocationBypass() { ++g_bypassDepth; }
NoxAllocationBypass::~NoxAllocationBypass() { --g_bypassDepth; }
