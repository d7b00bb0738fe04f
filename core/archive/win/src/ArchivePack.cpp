// archive_pack FOLDER ARCHIVE [STAGING [store]]: packs one folder with the archive writer
// the way the file device does (gzip method, 28-byte header) and reports the
// time taken and the process's peak working set. Used by bench/archive.
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <cstdio>

#include "nox/ArchiveWriter.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: archive_pack FOLDER ARCHIVE [STAGING [store]]\n");
    return 2;
  }
  const unsigned char headerTemplate[28] = {'f', 'j', 'b', 'a', 28};
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  ArchiveWriter* writer = ArchiveWriter::create(headerTemplate, argv[2], argc > 3 ? argv[3] : "",
                                                argc > 4 ? ARCHIVE_METHOD_STORE : ARCHIVE_METHOD_GZIP);
  bool ok =
      writer && ArchiveWriter::addFolder(writer, argv[1]) && ArchiveWriter::write(writer, nullptr, nullptr);
  unsigned int result = writer ? ArchiveWriter::getResult(writer) : archiveGetLastError();
  ArchiveWriter::close(writer);
  QueryPerformanceCounter(&end);
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  std::printf("seconds %.3f\npeak_working_set_kib %lu\nresult %u\n",
              static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart),
              static_cast<unsigned long>(memory.PeakWorkingSetSize / 1024), result);
  return ok ? 0 : 1;
}
