#pragma once

#ifdef NOXUTIL_BUILD
#define NOXUTIL_API __declspec(dllexport)
#else
#define NOXUTIL_API __declspec(dllimport)
#endif

#define NOX_EXTERN_C extern "C"

// Copying is forbidden for every exported class except String.
#define NOX_NON_COPYABLE(Class) \
  Class(const Class&) = delete; \
  Class& operator=(const Class&) = delete
