#include "nox/Memory.h"

#include <cstdlib>

namespace {
// Allocations still allowed before the injected failures start; -1: never fail.
long g_allowedAllocations = -1;
int g_bypassDepth = 0;

bool refuseThisAllocation() {
  if (g_allowedAllocations < 0 || g_bypassDepth > 0) return false;
  if (g_allowedAllocations == 0) return true;
  --g_allowedAllocations;
  return false;
}
}  // namespace

void* noxAlloc(size_t size) {
  if (refuseThisAllocation()) return nullptr;
  return std::malloc(size == 0 ? 1 : size);
}

void* noxRealloc(void* block, size_t size) {
  if (refuseThisAllocation()) return nullptr;
  return std::realloc(block, size == 0 ? 1 : size);
}

void noxFree(void* block) { std::free(block); }

void noxFailAllocationsAfter(long successes) { g_allowedAllocations = successes; }

NoxAllocationBypass::NoxAllocationBypass() { ++g_bypassDepth; }
NoxAllocationBypass::~NoxAllocationBypass() { --g_bypassDepth; }
