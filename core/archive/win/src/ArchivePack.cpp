// archive_pack [--phases] FOLDER ARCHIVE [STAGING [store]]: packs one folder with
// the archive writer the way the file device does (gzip method, 28-byte header)
// and reports the time taken and the process's peak working set. Used by
// bench/archive.
//
// --phases also prints where the time went. The writer calls back before each
// entry's data, so the time from one call to the next belongs to the entry of the
// first: a folder's record and listing, or a file's open, read, deflate and write
// (files grouped by size to tell the cost per file from the cost per byte). The
// time after the last call is the last entry plus the directory and trailer.
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <cstdio>
#include <cstring>

#include "nox/ArchiveWriter.h"
#include "nox/archive/Format.h"

namespace {

double seconds(LONGLONG ticks) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

LONGLONG now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t.QuadPart;
}

// The kinds of entry the time between two calls is charged to.
enum Kind { kFolder, kEmptyFile, kSmallFile, kLargeFile, kKinds };
const char* const kKindNames[kKinds] = {"folders", "files_empty", "files_under_64k", "files_64k_up"};

struct Phases {
  LONGLONG ticks[kKinds] = {};
  unsigned long count[kKinds] = {};
  unsigned long long bytes[kKinds] = {};
  int current = -1;  // the entry being packed, -1 before the first call
  LONGLONG since = 0;

  void charge(LONGLONG t) {
    if (current >= 0) ticks[current] += t - since;
    since = t;
  }
};

int onEntry(int, unsigned int, unsigned int, const unsigned char* record, void* userData) {
  Phases& p = *static_cast<Phases*>(userData);
  p.charge(now());
  nox::archive::Record r;
  nox::archive::decodeRecordFixed(record, r);
  int kind = r.isFolder() ? kFolder : r.size == 0 ? kEmptyFile : r.size < 64 * 1024 ? kSmallFile : kLargeFile;
  p.current = kind;
  ++p.count[kind];
  p.bytes[kind] += r.size;
  return ARCHIVE_CONTINUE;
}

}  // namespace

int main(int argc, char** argv) {
  bool phases = argc > 1 && std::strcmp(argv[1], "--phases") == 0;
  if (phases) {
    --argc;
    ++argv;
  }
  if (argc < 3) {
    std::fprintf(stderr, "usage: archive_pack [--phases] FOLDER ARCHIVE [STAGING [store]]\n");
    return 2;
  }
  const unsigned char headerTemplate[28] = {'f', 'j', 'b', 'a', 28};
  Phases p;
  LONGLONG start = now();
  ArchiveWriter* writer = ArchiveWriter::create(headerTemplate, argv[2], argc > 3 ? argv[3] : "",
                                                argc > 4 ? ARCHIVE_METHOD_STORE : ARCHIVE_METHOD_GZIP);
  LONGLONG created = now();
  bool ok = writer && ArchiveWriter::addFolder(writer, argv[1]);
  LONGLONG added = now();
  p.since = added;
  ok = ok && ArchiveWriter::write(writer, phases ? onEntry : nullptr, &p);
  LONGLONG writtenAt = now();
  unsigned int result = writer ? ArchiveWriter::getResult(writer) : archiveGetLastError();
  ArchiveWriter::close(writer);
  LONGLONG end = now();
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  std::printf("seconds %.3f\npeak_working_set_kib %lu\nresult %u\n", seconds(end - start),
              static_cast<unsigned long>(memory.PeakWorkingSetSize / 1024), result);
  if (phases) {
    std::printf("phase create %.3f\nphase add_folder %.3f\n", seconds(created - start),
                seconds(added - created));
    for (int k = 0; k < kKinds; ++k)
      std::printf("phase %s %.3f %lu entries %llu bytes\n", kKindNames[k], seconds(p.ticks[k]), p.count[k],
                  p.bytes[k]);
    std::printf("phase last_entry_and_directory %.3f\nphase close %.3f\n", seconds(writtenAt - p.since),
                seconds(end - writtenAt));
  }
  return ok ? 0 : 1;
}
