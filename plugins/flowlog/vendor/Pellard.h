#pragma once

// Pellard.dll: the document router's utility library, exported by ordinal only
// (Pellard.names); plain functions, the callee removes the arguments.

#include <windows.h>

#ifdef VENDOR_BUILDING_PELLARD
#define PELLARD_API extern "C"
#else
#define PELLARD_API extern "C" __declspec(dllimport)
#endif

// Ordinal 6: the folder of the given kind (3: the product's settings) into
// buffer; nonzero on success.
PELLARD_API BOOL WINAPI PellardGetFolder(int kind, char* buffer, int size);
// Ordinal 2: a number of the product's settings, or `fallback`.
PELLARD_API int WINAPI PellardGetProfileInt(const char* section, const char* key, int fallback);
// Ordinal 41: a text of the product's settings into buffer (`fallback` when
// there is none). *size holds the buffer's size; ERROR_MORE_DATA means the
// text needs *size bytes.
PELLARD_API LONG WINAPI PellardGetDisplayName(const char* section, const char* key, char* buffer, DWORD* size,
                                              const char* fallback);
// Ordinal 11: the message table of a facility, for ordinal 80.
PELLARD_API HANDLE WINAPI PellardOpenMessages(int facility);
// Ordinal 80: message `number` of a table into buffer (`fallback` when there
// is none); the length of the whole message, which may exceed the buffer.
PELLARD_API int WINAPI PellardGetMessage(HANDLE messages, int number, char* buffer, int size,
                                         const char* fallback);
// Ordinal 49: the product's coded text decoded into buffer (`fallback` when it
// cannot be decoded); sizes as for ordinal 41.
PELLARD_API LONG WINAPI PellardDecodeText(const char* coded, char* buffer, DWORD* size, const char* fallback);
