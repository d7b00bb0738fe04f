#pragma once

// Fennick.dll: the Unicode string class ModUnicodeString, as its callers reach
// it (VendorAbi.h; the C++ view is in VendorSignatures.cpp, the exports in
// Fennick.names).

#include "VendorAbi.h"

#ifdef VENDOR_BUILDING_FENNICK
#define FENNICK_API extern "C"
#else
#define FENNICK_API extern "C" __declspec(dllimport)
#endif

typedef unsigned short ModUnicodeChar;

// How narrow text handed to the constructor is encoded.
enum ModCodeType { ModCodeUnknown = 0, ModCodeUtf8 = 1, ModCodeUtf16 = 2, ModCodeAnsi = 3 };

// The members of a ModUnicodeString in the vendor compiler's layout. Callers
// keep objects in storage of this type and build, use and destroy them only
// through the library.
struct ModUnicodeStringData {
  ModUnicodeChar* buffer;
  unsigned int length;
  unsigned int capacity;
};

FENNICK_API ModUnicodeStringData* NOX_VENDOR_THISCALL FennickStringConstruct(ModUnicodeStringData* self);
FENNICK_API ModUnicodeStringData* NOX_VENDOR_THISCALL FennickStringConstructNarrow(ModUnicodeStringData* self,
                                                                                   const char* text,
                                                                                   ModCodeType code);
FENNICK_API ModUnicodeStringData* NOX_VENDOR_THISCALL FennickStringConstructWide(ModUnicodeStringData* self,
                                                                                 const ModUnicodeChar* text);
FENNICK_API void NOX_VENDOR_THISCALL FennickStringDestruct(ModUnicodeStringData* self);
FENNICK_API ModUnicodeStringData* NOX_VENDOR_THISCALL FennickStringAssignWide(ModUnicodeStringData* self,
                                                                              const ModUnicodeChar* text);
FENNICK_API unsigned int NOX_VENDOR_THISCALL FennickStringLength(const ModUnicodeStringData* self);
// The text, NUL-terminated; never null.
FENNICK_API const ModUnicodeChar* NOX_VENDOR_THISCALL FennickStringText(const ModUnicodeStringData* self);
