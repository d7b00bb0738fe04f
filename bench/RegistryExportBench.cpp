// Exports one registry branch with exportRegistryToFile and prints the time taken.
//   util_registry_bench ROOT SUBKEY FILE [REPEAT]
// ROOT is HKLM, HKCU, HKCR or HKU. Prints "best_ms=<ms> bytes=<size>" on stdout.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "nox/Error.h"
#include "nox/FileUtil.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s HKLM|HKCU|HKCR|HKU SUBKEY FILE [REPEAT]\n", argv[0]);
    return 2;
  }
  HKEY root = std::strcmp(argv[1], "HKCU") == 0   ? HKEY_CURRENT_USER
              : std::strcmp(argv[1], "HKCR") == 0 ? HKEY_CLASSES_ROOT
              : std::strcmp(argv[1], "HKU") == 0  ? HKEY_USERS
                                                  : HKEY_LOCAL_MACHINE;
  int repeat = argc > 4 ? std::atoi(argv[4]) : 1;
  initializeUtility();
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  double best = -1;
  for (int i = 0; i < repeat; ++i) {
    QueryPerformanceCounter(&start);
    try {
      exportRegistryToFile(root, argv[2], argv[3], nullptr, 0);
    } catch (IException* e) {
      std::fprintf(stderr, "export failed: ID %u, error %u\n", e->getError().getID(),
                   e->getError().getLastError());
      e->release();
      uninitializeUtility();
      return 1;
    }
    QueryPerformanceCounter(&end);
    double ms =
        1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    if (best < 0 || ms < best) best = ms;
  }
  WIN32_FILE_ATTRIBUTE_DATA info;
  GetFileAttributesExA(argv[3], GetFileExInfoStandard, &info);
  std::printf("best_ms=%.1f bytes=%lu\n", best, static_cast<unsigned long>(info.nFileSizeLow));
  uninitializeUtility();
  return 0;
}
