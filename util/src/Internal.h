#pragma once

#include "nox/Error.h"
#include "nox/Module.h"

// Source path of the raising code, as recorded in error records.
#define NOX_RAISE_MEMORY(cls, method) throwMemoryException(noxThisModule(), __FILE__, __LINE__, cls, method)
#define NOX_RAISE(id, ret, err, cls, method) \
  throwException(id, ret, err, noxThisModule(), __FILE__, __LINE__, cls, method)

// While one exists, the allocation test hook refuses nothing (used to build the
// shared out-of-memory exception's record).
class NoxAllocationBypass {
 public:
  NoxAllocationBypass();
  ~NoxAllocationBypass();
  NoxAllocationBypass(const NoxAllocationBypass&) = delete;
  NoxAllocationBypass& operator=(const NoxAllocationBypass&) = delete;
};

// Part of path after its last backslash; a backslash that is a trail byte, or
// that stands first, does not count.
const char* noxBaseNameOf(const char* path);
