#pragma once

#include <cstddef>
#include <new>
#include <utility>

#include "NoxUtilApi.h"

// Every allocation of the foundation and plug-in support libraries goes through
// these functions, so that tests can make any one of them fail on demand.
NOX_EXTERN_C NOXUTIL_API void* noxAlloc(size_t size);
NOX_EXTERN_C NOXUTIL_API void* noxRealloc(void* block, size_t size);
NOX_EXTERN_C NOXUTIL_API void noxFree(void* block);

#ifdef NOX_TEST_HOOKS
// Test hooks, exported only by the test build of the library (bin/testing): the
// shipped NoxUtil.dll has none of them.

// The allocation after the next `successes` ones fails, and so does every later
// one until the hook is reset with -1.
NOX_EXTERN_C NOXUTIL_API void noxFailAllocationsAfter(long successes);
// Blocks from noxAlloc and noxRealloc not yet given to noxFree; a difference
// across an operation shows what it left allocated.
NOX_EXTERN_C NOXUTIL_API long noxAllocationsInUse();
#endif

// Constructs a T in memory from noxAlloc; null when that memory is refused.
template <class T, class... Args>
T* noxNew(Args&&... args) {
  void* block = noxAlloc(sizeof(T));
  if (!block) return nullptr;
  try {
    return new (block) T(std::forward<Args>(args)...);
  } catch (...) {
    noxFree(block);
    throw;
  }
}

template <class T>
void noxDelete(T* object) {
  if (!object) return;
  object->~T();
  noxFree(object);
}
