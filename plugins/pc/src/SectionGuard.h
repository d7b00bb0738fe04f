#pragma once

#include <new>

#include "nox/Error.h"

namespace pc {

// Runs `fill`; false when it raised (the exception is released here). Sections
// use it to mark the part that failed and go on with the next one.
template <class Fill>
bool guarded(Fill&& fill) {
  try {
    fill();
    return true;
  } catch (IException* error) {
    error->release();
  } catch (const std::bad_alloc&) {
  }
  return false;
}

}  // namespace pc
