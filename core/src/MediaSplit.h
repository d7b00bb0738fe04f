#pragma once

#include <windows.h>

// Splitting a finished archive over media (floppy disks or any folder), with
// the self-extractor in front of the first part. Result codes are those of the
// archive engine (ArchiveResult).

// What splitting asks of the drive it writes to; tests answer in its place.
class MediaDrive {
 public:
  virtual ~MediaDrive() = default;
  virtual UINT driveType(const char* root);
  // Free bytes on the drive of root; 0 when it cannot be read, with error set
  // to the platform's error (1785: the medium is not formatted).
  virtual unsigned long long freeBytes(const char* root, DWORD& error);
};

// Free bytes to the caller: GetDiskFreeSpaceExA when the platform has it (ex
// not null) and it answers, else sectors per cluster x bytes per sector x free
// clusters from GetDiskFreeSpaceA; 0 with error set when neither answers.
typedef BOOL(WINAPI* FreeSpaceExCall)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
typedef BOOL(WINAPI* FreeSpaceCall)(LPCSTR, LPDWORD, LPDWORD, LPDWORD, LPDWORD);
unsigned long long freeBytesWith(FreeSpaceExCall ex, FreeSpaceCall basic, const char* root, DWORD& error);

MediaDrive& currentMediaDrive();
// Null restores the real drive.
void setMediaDrive(MediaDrive* drive);

// Asked before each part (status 0: first try; else why the last try failed:
// 2 too little space, 3 not empty, 4 cannot write, 5 not formatted) and once
// more with (0, count, count) at the end. Answer 1 stops the split.
typedef int (*MediaCallback)(int status, unsigned int index, unsigned int count, void* user);

struct SplitResult {
  unsigned int code = 0;
  unsigned int parts = 0;
};

// archive: the complete archive; selfExtractor: the program put before part 1;
// targetFolder: where the parts go (must begin with a drive); partKiB: part size.
SplitResult splitArchive(const char* archive, const char* selfExtractor, const char* targetFolder,
                         int partKiB, MediaCallback callback, void* user);

// Name of part number (from 1) in targetFolder: NoxResult.exe, NoxResult.exe.002 ...
void splitPartName(char* out, size_t size, const char* targetFolder, unsigned int number);
