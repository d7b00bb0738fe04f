#include "nox/ArchiveWriter.h"

#include <zlib.h>

#include <cstring>

#include "nox/Collection.h"
#include "nox/Error.h"
#include "nox/Memory.h"
#include "nox/String.h"
#include "nox/archive/Format.h"

using nox::archive::encodedRecordLength;
using nox::archive::encodeRecord;
using nox::archive::Record;

namespace {

constexpr size_t kCopyPiece = 1024 * 1024;
// zlib 1.2.13 writes 10 (TOPS-20) for Windows; the format records 11 (NTFS).
constexpr unsigned char kGzipOsByte = 11;
constexpr size_t kMaxRecord = 0xFFFF;

unsigned int g_lastResult = ARCHIVE_OK;

uint64_t fileTimeValue(const FILETIME& ft) {
  return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

bool endsWithBackslash(const String& path) {
  unsigned int pos = 0;
  return path.length() > 0 && path.reverseFind('\\', pos) &&
         pos + 1 == static_cast<unsigned int>(path.length());
}

bool isDotEntry(const char* name) { return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0; }

bool writeAll(HANDLE file, const void* data, size_t n) {
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    DWORD piece = static_cast<DWORD>(n < kCopyPiece ? n : kCopyPiece);
    DWORD done = 0;
    if (!WriteFile(file, p, piece, &done, nullptr) || done != piece) {
      if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_DISK_FULL);
      return false;
    }
    p += piece;
    n -= piece;
  }
  return true;
}

// A file handle closed on scope exit.
struct ScopedHandle {
  HANDLE h = INVALID_HANDLE_VALUE;
  ScopedHandle() = default;
  explicit ScopedHandle(HANDLE handle) : h(handle) {}
  ~ScopedHandle() { reset(); }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  void reset() {
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    h = INVALID_HANDLE_VALUE;
  }
  bool valid() const { return h != INVALID_HANDLE_VALUE; }
};

HANDLE openForReading(const char* path) {
  return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

}  // namespace

unsigned int archiveGetLastError() { return g_lastResult; }
void archiveSetLastError(unsigned int result) { g_lastResult = result; }

unsigned int archiveResultOfPlatformError(DWORD error, unsigned int fallback) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
      return ARCHIVE_OPEN_FAILED;
    case ERROR_PATH_NOT_FOUND:
      return ARCHIVE_PATH_NOT_FOUND;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ARCHIVE_NO_MEMORY;
    case ERROR_WRITE_PROTECT:
      return ARCHIVE_WRITE_PROTECTED;
    case ERROR_NOT_READY:
      return ARCHIVE_NOT_READY;
    case ERROR_SEEK:
      return ARCHIVE_SEEK_FAILED;
    case ERROR_SHARING_VIOLATION:
      return ARCHIVE_SHARING_VIOLATION;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ARCHIVE_DISK_FULL;
    default:
      return fallback;
  }
}

class ArchiveWriterImpl {
 public:
  String archivePath;
  String stagingFolder;
  int method = ARCHIVE_METHOD_GZIP;
  Collection folders;  // String* items, owned here
  unsigned char header[nox::archive::kLongHeaderLength] = {};
  uint32_t headerLength = nox::archive::kHeaderLength;
  uint64_t position = 0;
  uint32_t entryCount = 0;
  String directoryPath;
  HANDLE archive = INVALID_HANDLE_VALUE;
  HANDLE directory = INVALID_HANDLE_VALUE;
  unsigned int result = ARCHIVE_OK;
  // close deletes the archive when the last operation failed, or when a write
  // failed and left it incomplete.
  bool lastFailed = false;
  bool incomplete = false;
  bool written = false;

  // Work buffers of write(): the copy buffer and the directory spool.
  unsigned char* copyBuffer = nullptr;
  unsigned char* packBuffer = nullptr;  // deflate's output
  unsigned char* spool = nullptr;
  size_t spooled = 0;
  // One deflate state for every member of a write(), reset between members.
  z_stream deflater = {};
  gz_header gzipHeader = {};  // mtime 0, the format's OS byte
  bool deflaterReady = false;
  unsigned char record[kMaxRecord] = {};
  ArchiveProgressCallback callback = nullptr;
  void* userData = nullptr;

  ~ArchiveWriterImpl() {
    for (unsigned int i = 0; i < folders.getCount(); ++i) noxDelete(static_cast<String*>(folders.getItem(i)));
    releaseWorkBuffers();
    closeDirectory(true);
    if (archive != INVALID_HANDLE_VALUE) CloseHandle(archive);
  }

  bool fail(unsigned int code) {
    result = code;
    lastFailed = true;
    archiveSetLastError(code);
    return false;
  }
  bool failPlatform(unsigned int fallback) {
    return fail(archiveResultOfPlatformError(GetLastError(), fallback));
  }

  void releaseWorkBuffers() {
    noxFree(copyBuffer);
    noxFree(packBuffer);
    noxFree(spool);
    copyBuffer = packBuffer = spool = nullptr;
    if (deflaterReady) deflateEnd(&deflater);
    deflaterReady = false;
  }

  void closeDirectory(bool remove) {
    if (directory != INVALID_HANDLE_VALUE) CloseHandle(directory);
    directory = INVALID_HANDLE_VALUE;
    if (remove && directoryPath.length() > 0) {
      DeleteFileA(directoryPath.getData());
      directoryPath.empty();
    }
  }

  bool writeArchive(const void* data, size_t n) {
    if (!writeAll(archive, data, n)) return failPlatform(ARCHIVE_WRITE_FAILED);
    position += n;
    return true;
  }

  bool flushSpool() {
    if (spooled && !writeAll(directory, spool, spooled)) return failPlatform(ARCHIVE_WRITE_FAILED);
    spooled = 0;
    return true;
  }

  bool appendRecord(size_t length) {
    if (spooled + length > kCopyPiece && !flushSpool()) return false;
    std::memcpy(spool + spooled, record, length);
    spooled += length;
    ++entryCount;
    return true;
  }

  // "$$Head$$.wk" in the staging folder, else "$$Head$$(1).wk" ... "(999)".
  bool createDirectoryFile() {
    for (int i = 0; i <= 999; ++i) {
      String name = stagingFolder;
      if (i == 0) {
        name += String("$$Head$$.wk");
      } else {
        String numbered;
        numbered.format("$$Head$$(%d).wk", i);
        name += numbered;
      }
      if (GetFileAttributesA(name.getData()) != INVALID_FILE_ATTRIBUTES) continue;
      directory = CreateFileA(name.getData(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY, nullptr);
      if (directory == INVALID_HANDLE_VALUE) return failPlatform(ARCHIVE_WRITE_FAILED);
      directoryPath = name;
      return true;
    }
    return fail(ARCHIVE_WRITE_FAILED);
  }

  // Fills the record buffer; the name is the path below the packed folder.
  bool buildRecord(Record& r, const WIN32_FIND_DATAA& found, const String& relativeName, bool folder) {
    r.method = folder ? nox::archive::kMethodStored : static_cast<uint16_t>(method);
    r.attributes = found.dwFileAttributes;
    r.created = fileTimeValue(found.ftCreationTime);
    r.lastWrite = fileTimeValue(found.ftLastWriteTime);
    r.size = folder ? 0 : found.nFileSizeLow;
    r.packedSize = r.size;
    r.dataOffset = 0;
    r.name.assign(relativeName.getData(), static_cast<size_t>(relativeName.length()));
    if (!encodeRecord(r, record)) return fail(ARCHIVE_INVALID_ARGUMENT);
    return true;
  }

  // Deflates the open file as one gzip member (level 6, mtime 0, the format's OS
  // byte) straight into the archive. contentLength is what was read. The bytes
  // are those zlib's gzwrite makes: deflate's output does not depend on how its
  // input is handed over.
  bool gzipIntoArchive(HANDLE in, uint64_t& contentLength) {
    if (!deflaterReady) {
      deflater = z_stream{};
      if (deflateInit2(&deflater, 6, Z_DEFLATED, MAX_WBITS + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return fail(ARCHIVE_COMPRESS_FAILED);
      deflaterReady = true;
    } else if (deflateReset(&deflater) != Z_OK) {
      return fail(ARCHIVE_COMPRESS_FAILED);
    }
    z_stream& z = deflater;
    gzipHeader = gz_header{};
    gzipHeader.os = kGzipOsByte;
    bool ok = deflateSetHeader(&z, &gzipHeader) == Z_OK || fail(ARCHIVE_COMPRESS_FAILED);
    contentLength = 0;
    int flush = Z_NO_FLUSH;
    while (ok && flush != Z_FINISH) {
      DWORD got = 0;
      if (!ReadFile(in, copyBuffer, static_cast<DWORD>(kCopyPiece), &got, nullptr)) {
        ok = failPlatform(ARCHIVE_READ_FAILED);
        break;
      }
      contentLength += got;
      if (got == 0) flush = Z_FINISH;
      z.next_in = copyBuffer;
      z.avail_in = got;
      do {
        z.next_out = packBuffer;
        z.avail_out = static_cast<uInt>(kCopyPiece);
        int status = deflate(&z, flush);
        if (status == Z_STREAM_ERROR) {
          ok = fail(ARCHIVE_COMPRESS_FAILED);
          break;
        }
        size_t made = kCopyPiece - z.avail_out;
        if (made && !writeArchive(packBuffer, made)) ok = false;
      } while (ok && z.avail_out == 0);
    }
    return ok;
  }

  // Copies exactly length bytes from the handle's position into the archive.
  bool copyIntoArchive(HANDLE in, uint64_t length) {
    while (length > 0) {
      DWORD want = static_cast<DWORD>(length < kCopyPiece ? length : kCopyPiece);
      DWORD got = 0;
      if (!ReadFile(in, copyBuffer, want, &got, nullptr)) return failPlatform(ARCHIVE_READ_FAILED);
      // A file that shrank since it was listed cannot fill its record.
      if (got == 0) return fail(ARCHIVE_READ_FAILED);
      if (!writeArchive(copyBuffer, got)) return false;
      length -= got;
    }
    return true;
  }

  bool packFile(const String& path, const WIN32_FIND_DATAA& found, const String& relativeName) {
    Record r;
    if (!buildRecord(r, found, relativeName, false)) return false;
    int answer = callback ? callback(0, entryCount + 1, entryCount + 1, record, userData) : ARCHIVE_CONTINUE;
    if (answer == ARCHIVE_CANCEL) return fail(ARCHIVE_CANCELLED);
    if (answer == ARCHIVE_SKIP) return true;
    if (found.nFileSizeHigh != 0) return fail(ARCHIVE_FILE_TOO_LARGE);

    ScopedHandle source(openForReading(path.getData()));
    if (!source.valid()) return failPlatform(ARCHIVE_OPEN_FAILED);
    if (method == ARCHIVE_METHOD_GZIP) {
      uint64_t start = position;
      uint64_t contentLength = 0;
      if (!gzipIntoArchive(source.h, contentLength)) return false;
      if (contentLength >= 0x100000000ULL) return fail(ARCHIVE_FILE_TOO_LARGE);
      r.size = static_cast<uint32_t>(contentLength);
      uint64_t packedLength = position - start;
      if (packedLength < r.size) {
        r.packedSize = static_cast<uint32_t>(packedLength);
        r.dataOffset = start;
        encodeRecord(r, record);
        return appendRecord(encodedRecordLength(r));
      }
      // Not smaller: the member is taken back and the file itself stored, read
      // again from its start.
      LONG high = static_cast<LONG>(start >> 32);
      if (SetFilePointer(archive, static_cast<LONG>(start & 0xFFFFFFFFu), &high, FILE_BEGIN) ==
              INVALID_SET_FILE_POINTER &&
          GetLastError() != NO_ERROR)
        return failPlatform(ARCHIVE_SEEK_FAILED);
      if (!SetEndOfFile(archive)) return failPlatform(ARCHIVE_WRITE_FAILED);
      position = start;
      r.method = nox::archive::kMethodStored;
      r.packedSize = r.size;
      if (SetFilePointer(source.h, 0, nullptr, FILE_BEGIN) != 0) return failPlatform(ARCHIVE_SEEK_FAILED);
    }
    r.dataOffset = position;
    if (!copyIntoArchive(source.h, r.size)) return false;
    encodeRecord(r, record);
    return appendRecord(encodedRecordLength(r));
  }

  // Sub-folders with their subtrees first, then the files, each in listing order.
  bool walk(const String& folder, unsigned int rootLength) {
    for (int pass = 0; pass < 2; ++pass) {
      WIN32_FIND_DATAA found;
      String pattern = folder + '*';
      HANDLE find = FindFirstFileA(pattern.getData(), &found);
      if (find == INVALID_HANDLE_VALUE) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND) return true;  // nothing at all, not even "."
        return failPlatform(ARCHIVE_READ_FAILED);
      }
      bool ok = true;
      do {
        bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isDotEntry(found.cFileName) || isFolder != (pass == 0)) continue;
        String path = folder + String(found.cFileName);
        String relativeName =
            path.subString(rootLength, static_cast<unsigned int>(path.length()) - rootLength);
        if (isFolder) {
          Record r;
          ok = buildRecord(r, found, relativeName, true);
          if (ok && callback) callback(0, entryCount + 1, entryCount + 1, record, userData);
          ok = ok && appendRecord(encodedRecordLength(r)) && walk(path + '\\', rootLength);
        } else {
          ok = packFile(path, found, relativeName);
        }
      } while (ok && FindNextFileA(find, &found));
      DWORD error = ok ? GetLastError() : ERROR_SUCCESS;
      FindClose(find);
      if (!ok) return false;
      if (error != ERROR_NO_MORE_FILES) {
        SetLastError(error);
        return failPlatform(ARCHIVE_READ_FAILED);
      }
    }
    return true;
  }

  bool finish() {
    using namespace nox::archive;
    if (!flushSpool()) return false;
    uint64_t headerOffset = position;
    putU64(header + kHeaderDataOffsetField, 4);
    putU32(header + 16, entryCount);
    if (!writeArchive(header, headerLength)) return false;
    if (SetFilePointer(directory, 0, nullptr, FILE_BEGIN) != 0) return failPlatform(ARCHIVE_SEEK_FAILED);
    for (;;) {
      DWORD got = 0;
      if (!ReadFile(directory, copyBuffer, static_cast<DWORD>(kCopyPiece), &got, nullptr))
        return failPlatform(ARCHIVE_READ_FAILED);
      if (got == 0) break;
      if (!writeArchive(copyBuffer, got)) return false;
    }
    unsigned char trailer[kTrailerLength];
    putU64(trailer, headerOffset);
    if (!writeArchive(trailer, sizeof trailer)) return false;
    closeDirectory(true);
    return true;
  }

  bool writeAllFolders() {
    if (written) return fail(ARCHIVE_INVALID_ARGUMENT);
    if (folders.getCount() == 0) return fail(ARCHIVE_NO_FOLDER);
    written = true;
    copyBuffer = static_cast<unsigned char*>(noxAlloc(kCopyPiece));
    packBuffer = static_cast<unsigned char*>(noxAlloc(kCopyPiece));
    spool = static_cast<unsigned char*>(noxAlloc(kCopyPiece));
    if (!copyBuffer || !packBuffer || !spool) return fail(ARCHIVE_NO_MEMORY);
    if (!createDirectoryFile()) return false;
    for (unsigned int i = 0; i < folders.getCount(); ++i) {
      const String& folder = *static_cast<String*>(folders.getItem(i));
      if (!walk(folder, static_cast<unsigned int>(folder.length()))) return false;
    }
    return finish();
  }
};

ArchiveWriter::ArchiveWriter() : impl_(nullptr) {}
ArchiveWriter::~ArchiveWriter() { noxDelete(impl_); }

ArchiveWriter* ArchiveWriter::create(const unsigned char* headerTemplate, const char* archivePath,
                                     const char* stagingFolder, int method) {
  using namespace nox::archive;
  uint32_t length = headerTemplate ? getU32(headerTemplate + 4) : 0;
  if ((length != kHeaderLength && length != kLongHeaderLength) || !archivePath ||
      (method != ARCHIVE_METHOD_STORE && method != ARCHIVE_METHOD_GZIP)) {
    archiveSetLastError(ARCHIVE_INVALID_ARGUMENT);
    return nullptr;
  }
  ArchiveWriter* writer = nullptr;
  try {
    writer = noxNew<ArchiveWriter>();
    if (!writer || !(writer->impl_ = noxNew<ArchiveWriterImpl>())) {
      noxDelete(writer);
      archiveSetLastError(ARCHIVE_NO_MEMORY);
      return nullptr;
    }
    ArchiveWriterImpl& w = *writer->impl_;
    w.method = method;
    w.headerLength = length;
    std::memcpy(w.header, headerTemplate, length);
    std::memcpy(w.header, kArchiveMagic, 4);
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    putU64(w.header + 20, fileTimeValue(now));
    w.archivePath = archivePath;
    if (stagingFolder && *stagingFolder) {
      w.stagingFolder = stagingFolder;
    } else {
      char temp[MAX_PATH + 1] = {};
      if (!GetTempPathA(sizeof temp, temp)) {
        w.failPlatform(ARCHIVE_PATH_NOT_FOUND);
        noxDelete(writer);
        return nullptr;
      }
      w.stagingFolder = temp;
    }
    if (!endsWithBackslash(w.stagingFolder)) w.stagingFolder += '\\';
    w.archive = CreateFileA(archivePath, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
    if (w.archive == INVALID_HANDLE_VALUE) {
      w.failPlatform(ARCHIVE_WRITE_FAILED);
      noxDelete(writer);
      return nullptr;
    }
    if (!w.writeArchive(kArchiveMagic, 4)) {
      CloseHandle(w.archive);
      w.archive = INVALID_HANDLE_VALUE;
      DeleteFileA(archivePath);
      noxDelete(writer);
      return nullptr;
    }
    return writer;
  } catch (IException* e) {
    e->release();
    if (writer && writer->impl_ && writer->impl_->archive != INVALID_HANDLE_VALUE) {
      CloseHandle(writer->impl_->archive);
      writer->impl_->archive = INVALID_HANDLE_VALUE;
      DeleteFileA(archivePath);
    }
    noxDelete(writer);
    archiveSetLastError(ARCHIVE_NO_MEMORY);
    return nullptr;
  }
}

bool ArchiveWriter::addFolder(ArchiveWriter* handle, const char* folder) {
  if (!handle) {
    archiveSetLastError(ARCHIVE_INVALID_ARGUMENT);
    return false;
  }
  ArchiveWriterImpl& w = *handle->impl_;
  if (!folder || !*folder) return w.fail(ARCHIVE_INVALID_ARGUMENT);
  String* path = nullptr;
  try {
    path = noxNew<String>(folder);
    if (!path) return w.fail(ARCHIVE_NO_MEMORY);
    if (!endsWithBackslash(*path)) *path += '\\';
    w.folders.addItem(path);
    w.lastFailed = false;
    return true;
  } catch (IException* e) {
    e->release();
    noxDelete(path);
    return w.fail(ARCHIVE_NO_MEMORY);
  }
}

bool ArchiveWriter::write(ArchiveWriter* handle, ArchiveProgressCallback callback, void* userData) {
  if (!handle) {
    archiveSetLastError(ARCHIVE_INVALID_ARGUMENT);
    return false;
  }
  ArchiveWriterImpl& w = *handle->impl_;
  w.callback = callback;
  w.userData = userData;
  bool wasWritten = w.written;
  bool ok;
  try {
    ok = w.writeAllFolders();
  } catch (IException* e) {
    e->release();
    ok = w.fail(ARCHIVE_NO_MEMORY);
  }
  w.lastFailed = !ok;
  // A refused second write leaves the complete archive as it was.
  if (!ok && !wasWritten) w.incomplete = true;
  w.releaseWorkBuffers();
  w.closeDirectory(true);
  return ok;
}

bool ArchiveWriter::close(ArchiveWriter* handle) {
  if (!handle) return false;
  ArchiveWriterImpl& w = *handle->impl_;
  if (w.archive != INVALID_HANDLE_VALUE) {
    CloseHandle(w.archive);
    w.archive = INVALID_HANDLE_VALUE;
    if (w.lastFailed || w.incomplete) DeleteFileA(w.archivePath.getData());
  }
  noxDelete(handle);
  return true;
}

unsigned int ArchiveWriter::getResult(const ArchiveWriter* handle) {
  return handle ? handle->impl_->result : archiveGetLastError();
}
