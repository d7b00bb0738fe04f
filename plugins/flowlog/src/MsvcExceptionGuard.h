#pragma once

#include <type_traits>

// Calls into a library built with the vendor's compiler, stopping its C++
// exceptions at the call (MsvcException.h). Our compiler's try/catch cannot
// see them: on x86 they travel along the structured exception handler chain,
// which our code does not use; on x64 our frames would not know them.

// What ended a guarded call: the decorated names of the thrown object's type
// and its bases, most derived first (at most kMaxTypes, each cut to fit).
struct MsvcFault {
  static constexpr int kMaxTypes = 8;
  int typeCount = 0;
  char types[kMaxTypes][96] = {};
  // Whether one of the types is `decoratedName`.
  bool is(const char* decoratedName) const;
};

// Runs body(context). Returns true when it returns. When it throws a C++
// exception of the vendor's compiler, the frames between are unwound (their
// destructors run), the thrown object is destroyed, `fault` describes it and
// the result is false. Any other exception (an access violation ...) is not
// caught here.
bool msvcGuardedCall(void (*body)(void*), void* context, MsvcFault& fault);

// The same for a callable without arguments or result (a lambda that stores
// its results through references). It must own nothing that needs destroying:
// when an exception ends it, its own frame is simply abandoned.
template <class Body>
bool msvcGuarded(Body&& body, MsvcFault& fault) {
  using Plain = typename std::remove_reference<Body>::type;
  return msvcGuardedCall([](void* context) { (*static_cast<Plain*>(context))(); }, &body, fault);
}
