#include "MediaSplit.h"

#include <objbase.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "FileCalls.h"
#include "nox/ArchiveWriter.h"
#include "nox/FileUtil.h"

namespace {

MediaDrive g_realDrive;
MediaDrive* g_drive = &g_realDrive;

const char kPartMagic[4] = {'a', 'c', 't', 'z'};
const unsigned int kPartHeaderSize = 88;
const unsigned int kMaxParts = 10000;
const unsigned long long kCopyPiece = 64 * 1024;

std::string withSlash(const char* folder) {
  std::string text(folder);
  if (!text.empty() && !noxEndsWithBackslash(text.c_str())) text += '\\';
  return text;
}

void putU32(unsigned char* at, unsigned int value) { std::memcpy(at, &value, 4); }

void setIdentifier(unsigned char* header) {
  GUID guid;
  std::memset(header + 24, 0, 64);
  if (FAILED(CoCreateGuid(&guid))) return;
  char text[65];
  std::snprintf(text, sizeof text, "%08lX-%04X-%04x-%02X%02X-%02X%02X%02X%02X%02X%02X",
                static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  std::memcpy(header + 24, text, std::strlen(text));
}

bool readAt(HANDLE file, unsigned long long offset, void* buffer, DWORD size) {
  DWORD got = 0;
  return seekTo(file, offset) && ReadFile(file, buffer, size, &got, nullptr) && got == size;
}

unsigned long long fileSize(HANDLE file) {
  unsigned long long size = 0;
  return sizeOf(file, size) ? size : 0;
}

// Whether path is a part of the set whose identifier is `id`.
bool isPartOfSet(const std::string& path, const unsigned char* id) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  unsigned char header[kPartHeaderSize];
  unsigned long long size = fileSize(file);
  bool found = readAt(file, 0, header, 4) && std::memcmp(header, kPartMagic, 4) == 0 &&
               readAt(file, 0, header, kPartHeaderSize);
  if (!found && size >= 8) {
    // The first part: its last 8 bytes are the distance back to its header.
    unsigned long long distance = 0;
    if (readAt(file, size - 8, &distance, 8) && distance <= size) {
      found =
          readAt(file, size - distance, header, kPartHeaderSize) && std::memcmp(header, kPartMagic, 4) == 0;
    }
  }
  CloseHandle(file);
  return found && std::memcmp(header + 24, id, 64) == 0;
}

struct FolderState {
  bool empty = true;
  bool holdsPartOfSet = false;
};

FolderState inspectFolder(const std::string& folder, const unsigned char* id) {
  FolderState state;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return state;
  do {
    if (!std::strcmp(data.cFileName, ".") || !std::strcmp(data.cFileName, "..")) continue;
    state.empty = false;
    if (_strnicmp(data.cFileName, "NoxResult.exe", 13) == 0 && isPartOfSet(folder + data.cFileName, id)) {
      state.holdsPartOfSet = true;
    }
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return state;
}

bool writeAll(HANDLE file, const void* data, DWORD size) {
  DWORD written = 0;
  return WriteFile(file, data, size, &written, nullptr) && written == size;
}

}  // namespace

UINT MediaDrive::driveType(const char* root) { return GetDriveTypeA(root); }

unsigned long long MediaDrive::freeBytes(const char* root, DWORD& error) {
  // GetDiskFreeSpaceExA came with Windows 95 OSR2 and NT 4.
  FARPROC ex = GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetDiskFreeSpaceExA");
  return freeBytesWith(reinterpret_cast<FreeSpaceExCall>(reinterpret_cast<void*>(ex)), &::GetDiskFreeSpaceA,
                       root, error);
}

unsigned long long freeBytesWith(FreeSpaceExCall ex, FreeSpaceCall basic, const char* root, DWORD& error) {
  ULARGE_INTEGER toCaller, total, totalFree;
  if (ex && ex(root, &toCaller, &total, &totalFree)) return toCaller.QuadPart;
  DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
  if (basic(root, &sectors, &bytes, &freeClusters, &clusters)) return 1ull * sectors * bytes * freeClusters;
  error = GetLastError();
  return 0;
}

MediaDrive& currentMediaDrive() { return *g_drive; }

void setMediaDrive(MediaDrive* drive) { g_drive = drive ? drive : &g_realDrive; }

void splitPartName(char* out, size_t size, const char* targetFolder, unsigned int number) {
  std::string folder = withSlash(targetFolder);
  if (number <= 1) {
    std::snprintf(out, size, "%s%s", folder.c_str(), "NoxResult.exe");
  } else {
    std::snprintf(out, size, "%s%s.%03u", folder.c_str(), "NoxResult.exe", number);
  }
}

SplitResult splitArchive(const char* archivePath, const char* selfExtractorPath, const char* targetFolder,
                         int partKiB, MediaCallback callback, void* user) {
  SplitResult result;
  struct Files {
    HANDLE archive = INVALID_HANDLE_VALUE, selfex = INVALID_HANDLE_VALUE;
    ~Files() {
      if (archive != INVALID_HANDLE_VALUE) CloseHandle(archive);
      if (selfex != INVALID_HANDLE_VALUE) CloseHandle(selfex);
    }
  } files;
  files.archive = CreateFileA(archivePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  files.selfex =
      CreateFileA(selfExtractorPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (files.archive == INVALID_HANDLE_VALUE || files.selfex == INVALID_HANDLE_VALUE) {
    result.code = ARCHIVE_OPEN_FAILED;
    return result;
  }
  unsigned long long archiveSize = fileSize(files.archive);
  unsigned long long selfexSize = fileSize(files.selfex);
  long long partSize = static_cast<long long>(partKiB) * 1024;
  if (selfexSize == 0 || partSize < static_cast<long long>(selfexSize) + 96 || partSize > 0x7FFFFFFF) {
    result.code = ARCHIVE_INVALID_ARGUMENT;
    return result;
  }
  unsigned long long P = static_cast<unsigned long long>(partSize);
  auto ceilDiv = [](unsigned long long a, unsigned long long b) { return (a + b - 1) / b; };
  unsigned long long n1 = ceilDiv(archiveSize + selfexSize + 96, P);
  unsigned long long count = ceilDiv(archiveSize + selfexSize + 8 + kPartHeaderSize * n1, P);
  // The estimate can fall one short when its own headers need another part;
  // never leave archive bytes without a part to hold them.
  auto capacity = [&](unsigned long long n) {
    return (P - selfexSize - kPartHeaderSize - 8) + (n - 1) * (P - kPartHeaderSize);
  };
  while (count <= kMaxParts && capacity(count) < archiveSize) ++count;
  if (n1 > kMaxParts || count > kMaxParts) {
    result.code = ARCHIVE_INVALID_ARGUMENT;
    return result;
  }
  // Parts are copied in pieces: a part the size of a CD must not need its size
  // in memory.
  std::vector<unsigned char> buffer;
  try {
    buffer.resize(static_cast<size_t>(P < kCopyPiece ? P : kCopyPiece));
  } catch (...) {
    result.code = ARCHIVE_NO_MEMORY;
    return result;
  }
  std::string folder = withSlash(targetFolder);
  if (folder.size() < 2 || folder[1] != ':') {
    result.code = ARCHIVE_INVALID_ARGUMENT;
    return result;
  }
  std::string root = folder.substr(0, 2) + "\\";

  std::vector<unsigned char> selfex(static_cast<size_t>(selfexSize));
  if (!readAt(files.selfex, 0, selfex.data(), static_cast<DWORD>(selfexSize))) {
    result.code = ARCHIVE_READ_FAILED;
    return result;
  }
  unsigned char header[kPartHeaderSize] = {};
  std::memcpy(header, kPartMagic, 4);
  putU32(header + 4, kPartHeaderSize);
  putU32(header + 8, static_cast<unsigned int>(count));
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  std::memcpy(header + 16, &now, 8);
  setIdentifier(header);

  unsigned long long archiveOffset = 0;
  for (unsigned int i = 0; i < count; ++i) {
    int status = 0;
    bool first = i == 0;
    unsigned long long room = first ? P - selfexSize - kPartHeaderSize - 8 : P - kPartHeaderSize;
    unsigned long long take = archiveSize - archiveOffset < room ? archiveSize - archiveOffset : room;
    char path[MAX_PATH];
    splitPartName(path, sizeof path, targetFolder, i + 1);
    for (;;) {
      if (callback(status, i, static_cast<unsigned int>(count), user) == 1) {
        result.code = ARCHIVE_CANCELLED;
        return result;
      }
      FolderState state = inspectFolder(folder, header + 24);
      if (first && !state.empty) {
        status = 3;
        continue;
      }
      DWORD error = 0;
      if (currentMediaDrive().freeBytes(root.c_str(), error) < P) {
        status = error == 1785 ? 5 : (state.empty || state.holdsPartOfSet) ? 2 : 3;
        continue;
      }
      HANDLE part = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr);
      if (part == INVALID_HANDLE_VALUE) {
        status = 4;
        continue;
      }
      putU32(header + 12, i + 1);
      bool written = (!first || writeAll(part, selfex.data(), static_cast<DWORD>(selfexSize))) &&
                     writeAll(part, header, kPartHeaderSize);
      for (unsigned long long copied = 0; written && copied < take;) {
        unsigned long long left = take - copied;
        DWORD piece = static_cast<DWORD>(left < buffer.size() ? left : buffer.size());
        if (!readAt(files.archive, archiveOffset + copied, buffer.data(), piece)) {
          CloseHandle(part);
          result.code = ARCHIVE_READ_FAILED;
          return result;
        }
        written = writeAll(part, buffer.data(), piece);
        copied += piece;
      }
      if (written && first) {
        unsigned long long distance = kPartHeaderSize + take + 8;
        written = writeAll(part, &distance, 8);
      }
      CloseHandle(part);
      if (!written) {
        status = 4;
        continue;
      }
      break;
    }
    archiveOffset += take;
  }
  if (callback(0, static_cast<unsigned int>(count), static_cast<unsigned int>(count), user) == 1) {
    result.code = ARCHIVE_CANCELLED;
    return result;
  }
  result.parts = static_cast<unsigned int>(count);
  return result;
}
