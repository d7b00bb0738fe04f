#pragma once

#include <windows.h>

#include "NoxUtilApi.h"

// Library start and end. initializeUtility creates the shared out-of-memory
// exception and a private work folder in the temporary folder (1 on success);
// uninitializeUtility destroys both and returns the result of removing the
// folder (0 when there was none).
NOX_EXTERN_C NOXUTIL_API int initializeUtility();
NOX_EXTERN_C NOXUTIL_API int uninitializeUtility();

// Full path of the work folder; empty until initializeUtility succeeds.
NOX_EXTERN_C NOXUTIL_API const char* getWorkFolder();
// Moves the work folder to a fresh "NoxTemp" folder inside parent and removes the
// old one with its files. On 0 the old work folder stays in use, untouched.
NOX_EXTERN_C NOXUTIL_API int setWorkFolder(const char* parent);

// The folder and path functions never throw; they return 0 on failure.
// Creates every missing folder along path.
NOX_EXTERN_C NOXUTIL_API int noxMkDir(const char* path);
// Removes a folder tree; files only when deleteFiles is nonzero. Only absolute
// drive paths longer than 4 bytes are accepted; anything else is refused untouched.
NOX_EXTERN_C NOXUTIL_API int noxRmDir(const char* path, int deleteFiles);
// Copies a folder tree. An entry that cannot be copied leaves a text file naming
// it in the target; the copy goes on and still returns 1. Folder junctions and
// links are skipped, never followed.
NOX_EXTERN_C NOXUTIL_API int noxCpDir(const char* source, const char* target);
// Whether the last character of path is a backslash of its own: the trail byte
// of a double-byte character (0x5C in code page 932) is none. Every join or trim
// of a path asks this instead of looking at the last byte.
NOX_EXTERN_C NOXUTIL_API int noxEndsWithBackslash(const char* path);
// Pointer into path just after its last backslash (path itself without one).
NOX_EXTERN_C NOXUTIL_API const char* noxGetBaseName(const char* path);
// Writes the folder part of path into buffer (at most size bytes, NUL included)
// and returns its length.
NOX_EXTERN_C NOXUTIL_API int noxGetPath(const char* path, char* buffer, int size);
// Writes folder\name, or the first free folder\name(i).ext for i up to 999, into
// result (at least 260 bytes). 0, with result untouched, when none is free or
// folder and name together reach 254 bytes.
NOX_EXTERN_C NOXUTIL_API int noxUniqFileName(char* result, const char* folder, const char* name);

// Writes root\subKey with all its values and sub-keys as a REGEDIT4 text file.
// fileName with a drive ("X:...") is the file itself; any other name goes into
// the folder "registries" of the work folder under a name not yet taken. The
// path written is copied into resultPath (at most resultSize bytes).
// Throws IException*: ID 4 when a key cannot be opened or queried, ID 5 when the
// file cannot be created, ID 6 when it cannot be written. Every key handle and
// the file are closed before the exception leaves.
NOX_EXTERN_C NOXUTIL_API void exportRegistryToFile(HKEY root, const char* subKey, const char* fileName,
                                                   char* resultPath, int resultSize);

// The registry calls the export makes.
struct NoxRegistryCalls {
  decltype(&RegOpenKeyExA) openKey;
  decltype(&RegQueryInfoKeyA) queryInfoKey;
  decltype(&RegEnumValueA) enumValue;
  decltype(&RegEnumKeyExA) enumKey;
  decltype(&RegCloseKey) closeKey;
};
#ifdef NOX_TEST_HOOKS
// Test hook (test build of the library only): other registry calls for the
// export; null restores the system's.
NOX_EXTERN_C NOXUTIL_API void noxSetRegistryCalls(const NoxRegistryCalls* calls);
NOX_EXTERN_C NOXUTIL_API NoxRegistryCalls noxSystemRegistryCalls();
#endif
