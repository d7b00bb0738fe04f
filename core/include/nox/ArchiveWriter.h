#pragma once

// The archive writer engine: packs folders into one .nxz archive (magic, data
// area, header, directory, trailer). It reports failures through result codes,
// never by throwing, since the file device that drives it works with codes.

#include <windows.h>

#include <cstdint>

#include "nox/Memory.h"

enum ArchiveResult : unsigned int {
  ARCHIVE_OK = 0,
  ARCHIVE_NO_FOLDER = 1,         // write without addFolder
  ARCHIVE_INVALID_ARGUMENT = 2,  // header template length, part size or count
  ARCHIVE_OPEN_FAILED = 3,       // also the platform's file-not-found
  ARCHIVE_PATH_NOT_FOUND = 4,
  ARCHIVE_LOCK_FAILED = 5,
  ARCHIVE_NO_MEMORY = 6,
  ARCHIVE_SEEK_FAILED = 7,
  ARCHIVE_SHARING_VIOLATION = 8,
  ARCHIVE_DISK_FULL = 9,
  ARCHIVE_READ_FAILED = 10,   // folder listing, seek or read
  ARCHIVE_WRITE_FAILED = 11,  // archive, directory file, temporary file
  ARCHIVE_COMPRESS_FAILED = 12,
  // A file of 4 GiB or more: its size does not fit the 32-bit size field.
  ARCHIVE_FILE_TOO_LARGE = 13,
  ARCHIVE_CANCELLED = 14,
  ARCHIVE_WRITE_PROTECTED = 15,
  ARCHIVE_NOT_READY = 16,
};

enum ArchiveMethod : int { ARCHIVE_METHOD_STORE = 0, ARCHIVE_METHOD_GZIP = 1 };

// Answers of the progress callback.
enum ArchiveAnswer : int { ARCHIVE_CONTINUE = 0, ARCHIVE_CANCEL = 1, ARCHIVE_SKIP = 2 };

// Called once per entry before its data is written, with (0, n, n, record, user):
// n is the number the record will have in the directory (from 1) and record the
// directory record as built so far (record length at offset 0, name from offset
// 40). For folders the answer is ignored.
typedef int (*ArchiveProgressCallback)(int status, unsigned int number, unsigned int count,
                                       const unsigned char* record, void* userData);

class ArchiveWriterImpl;

class ArchiveWriter {
 public:
  // headerTemplate: a header record whose length field (offset 4) is 28 or 52.
  // An empty or null stagingFolder means the temporary folder. Creates (or
  // replaces) the archive and writes its magic. Null on failure.
  static ArchiveWriter* create(const unsigned char* headerTemplate, const char* archivePath,
                               const char* stagingFolder, int method);
  static bool addFolder(ArchiveWriter* handle, const char* folder);
  // Packs every added folder and completes the archive.
  static bool write(ArchiveWriter* handle, ArchiveProgressCallback callback, void* userData);
  // Closes the archive and frees the handle. The archive is deleted when the
  // last operation failed or a write failed part way; an earlier failure that a
  // later operation made good (a refused folder, then a good one and a complete
  // write) does not delete it. False for a null handle.
  static bool close(ArchiveWriter* handle);
  // The code of the handle's last failure (0 none).
  static unsigned int getResult(const ArchiveWriter* handle);

  ArchiveWriter(const ArchiveWriter&) = delete;
  ArchiveWriter& operator=(const ArchiveWriter&) = delete;

 private:
  template <class T, class... Args>
  friend T* noxNew(Args&&... args);
  template <class T>
  friend void noxDelete(T* object);
  ArchiveWriter();
  ~ArchiveWriter();
  ArchiveWriterImpl* impl_;
};

// The engine's process-wide last result: every failure of the writer (and of the
// media splitter) is recorded here as well.
unsigned int archiveGetLastError();
void archiveSetLastError(unsigned int result);

// The result code for a platform error: the matching code for file or path not
// found, not enough memory, write protect, not ready, seek, sharing violation and
// disk full; fallback for any other error.
unsigned int archiveResultOfPlatformError(DWORD error, unsigned int fallback);
