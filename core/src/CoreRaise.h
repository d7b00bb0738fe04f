#pragma once

#include <windows.h>

#include "nox/Error.h"
#include "nox/Module.h"

// Failures of the core carry its own module handle, the raising source file and
// the platform's last error at the time of the failure.
#define CORE_RAISE_WITH(id, lastError, cls, method) \
  throwException(id, 0, lastError, noxThisModule(), __FILE__, __LINE__, cls, method)
#define CORE_RAISE(id, cls, method) CORE_RAISE_WITH(id, GetLastError(), cls, method)
#define CORE_RAISE_MEMORY(cls, method) throwMemoryException(noxThisModule(), __FILE__, __LINE__, cls, method)
