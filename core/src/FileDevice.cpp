#include "FileDevice.h"
#include "FileCalls.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "MediaSplit.h"
#include "nox/ArchiveWriter.h"
#include "nox/Configration.h"
#include "nox/FileUtil.h"
#include "nox/Memory.h"
#include "nox/Module.h"

namespace {
const char kSource[] = "Core/Src/FileDevice";

[[noreturn]] void raise(unsigned int id, const char* method) {
  DWORD error = GetLastError();
  throwException(id, error, error, noxThisModule(), kSource, __LINE__, "FileDevice", method);
}

// The folder part of path. A drive root keeps its backslash: "A:" alone would
// name the current folder of drive A, not its root.
std::string folderOf(const char* path) {
  char folder[MAX_PATH] = {};
  noxGetPath(path, folder, MAX_PATH);
  std::string text = folder;
  if (text.size() == 2 && text[1] == ':' && std::strlen(path) > 2 && path[2] == '\\') text += '\\';
  return text;
}

std::string joined(const std::string& folder, const char* name) {
  if (folder.empty() || noxEndsWithBackslash(folder.c_str())) return folder + name;
  return folder + "\\" + name;
}

// True when a listener cancelled the event.
bool fireProgress(EventQueue& queue, const char* text, int value, int max = 0) {
  ProgressEvent event;
  event.setCurrentStatusText(text);
  event.setCurrentStatusValue(value);
  if (max) event.setMaxStatusValue(max);
  queue.fireProgressEvent(event);
  return event.isCancel();
}

// Makes a unique name from `name` in folder; raises ID 5 when there is none.
std::string uniqueIn(const std::string& folder, const char* name, const char* method) {
  char path[MAX_PATH] = {};
  // An empty folder would put the file in whatever the current folder is.
  if (folder.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    raise(5, method);
  }
  if (!noxUniqFileName(path, folder.c_str(), name)) {
    SetLastError(ERROR_FILE_EXISTS);
    raise(5, method);
  }
  return path;
}

class Handle {
 public:
  explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  ~Handle() { reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  void reset(HANDLE h = INVALID_HANDLE_VALUE) {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    h_ = h;
  }
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE h_;
};

bool writeAll(HANDLE file, const void* data, DWORD size) {
  DWORD written = 0;
  return WriteFile(file, data, size, &written, nullptr) && written == size;
}

bool readAll(HANDLE file, void* data, DWORD size) {
  DWORD got = 0;
  return ReadFile(file, data, size, &got, nullptr) && got == size;
}
}  // namespace

struct FileDeviceImpl {
  bool secondFlag = false;
  bool compress = false;
  int splitSize = 0;
  HANDLE file = INVALID_HANDLE_VALUE;
  ErrorObject* error = nullptr;
  String fileName;
  String targetFolder;
  EventQueue* queue = nullptr;
};

const void* selfExtractorBytes(DWORD& size) {
  HMODULE module = noxThisModule();
  HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(101), "SELFEX");
  HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  size = resource ? SizeofResource(module, resource) : 0;
  if (!bytes || size == 0) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    raise(5, "concatSelfEx");
  }
  return bytes;
}

FileDevice::FileDevice() : impl_(noxNew<FileDeviceImpl>()) {
  if (!impl_) throwMemoryException(noxThisModule(), kSource, __LINE__, "FileDevice", "FileDevice");
}

FileDevice::~FileDevice() {
  if (impl_->file != INVALID_HANDLE_VALUE) CloseHandle(impl_->file);
  delete impl_->error;
  delete impl_->queue;
  noxDelete(impl_);
}

EventQueue& FileDevice::getEventQueue() {
  if (!impl_->queue) {
    impl_->queue = new (std::nothrow) EventQueue();
    if (!impl_->queue)
      throwMemoryException(noxThisModule(), kSource, __LINE__, "FileDevice", "getEventQueue");
  }
  return *impl_->queue;
}

ErrorObject& FileDevice::getErrorObject() {
  if (!impl_->error) {
    impl_->error = new (std::nothrow) ErrorObject();
    if (!impl_->error)
      throwMemoryException(noxThisModule(), kSource, __LINE__, "SystemReporter", "getErrorObject");
  }
  return *impl_->error;
}

void FileDevice::addProgressEventListener(ProgressEventListener* l) {
  getEventQueue().addProgressEventListener(l);
}
void FileDevice::removeProgressEventListener(ProgressEventListener* l) {
  getEventQueue().removeProgressEventListener(l);
}
void FileDevice::addUIEventListener(UIEventListener* l) { getEventQueue().addUIEventListener(l); }
void FileDevice::removeUIEventListener(UIEventListener* l) { getEventQueue().removeUIEventListener(l); }

void FileDevice::open() {
  if (isOpen()) return;
  std::string folder = folderOf(impl_->fileName.getData());
  if (!folder.empty() && GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
    noxMkDir(folder.c_str());
  HANDLE file = CreateFileA(impl_->fileName.getData(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) raise(5, "open");
  impl_->file = file;
}

bool FileDevice::isOpen() { return impl_->file != INVALID_HANDLE_VALUE; }

void FileDevice::flush() {}

void FileDevice::write(const char* buffer, int length) {
  if (length <= 0) return;
  DWORD written = 0;
  if (!isOpen() || !WriteFile(impl_->file, buffer, static_cast<DWORD>(length), &written, nullptr) ||
      written != static_cast<DWORD>(length)) {
    if (!isOpen()) SetLastError(ERROR_INVALID_HANDLE);
    raise(6, "write");
  }
}

void FileDevice::write(const IString& text) { write(text.getData(), static_cast<int>(text.length())); }

void FileDevice::copyFile(const char* source, const char* name) {
  std::string destination = joined(folderOf(impl_->fileName.getData()), name);
  std::string destinationFolder = folderOf(destination.c_str());
  if (!destinationFolder.empty()) noxMkDir((destinationFolder + "\\").c_str());
  DWORD attributes = GetFileAttributesA(source);
  bool copied = (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
                    ? noxCpDir(source, destination.c_str()) != 0
                    : CopyFileA(source, destination.c_str(), FALSE) != 0;
  if (!copied) {
    String method;
    method.format("copyFile(%s, %s)", source, destination.c_str());
    raise(6, method.getData());
  }
}

void FileDevice::close() {
  if (!isOpen()) return;
  CloseHandle(impl_->file);
  impl_->file = INVALID_HANDLE_VALUE;
  if (!impl_->compress) return;
  String archive;
  createArchive(archive, folderOf(impl_->fileName.getData()).c_str());
  if (isSplit()) {
    splitOverMedia(archive.getData());
  } else {
    makeSelfExtractor(archive.getData());
  }
}

void FileDevice::setFileName(const char* path) {
  if (!impl_->compress) {
    impl_->fileName = path;
    return;
  }
  std::string staging = uniqueIn(getWorkFolder(), "arcTmp", "setFileName");
  noxMkDir(staging.c_str());
  impl_->targetFolder = folderOf(path).c_str();
  impl_->fileName = joined(staging, noxGetBaseName(path)).c_str();
}

String& FileDevice::getFileName() { return impl_->fileName; }
void FileDevice::setSecondFlag(bool value) { impl_->secondFlag = value; }
bool FileDevice::getSecondFlag() { return impl_->secondFlag; }
void FileDevice::setCompress(bool compress) { impl_->compress = compress; }
bool FileDevice::isCompress() { return impl_->compress; }
bool FileDevice::isSplit() { return impl_->splitSize > 0; }
void FileDevice::setSplitSize(int kib) { impl_->splitSize = kib; }
int FileDevice::getSplitSize() { return impl_->splitSize; }
String& FileDevice::getTargetFolder() { return impl_->targetFolder; }
void FileDevice::setTargetFolder(const char* folder) { impl_->targetFolder = folder; }

namespace {
// A listener that cancels an entry's event stops the packing there (Ctrl+C in
// the middle of a large result): the archive ends with the "cancelled" code.
int archiveProgress(int, unsigned int number, unsigned int, const unsigned char* record, void* user) {
  auto* device = static_cast<FileDevice*>(user);
  bool cancelled = fireProgress(device->getEventQueue(), reinterpret_cast<const char*>(record + 40), -1,
                                static_cast<int>(number));
  return cancelled ? ARCHIVE_CANCEL : ARCHIVE_CONTINUE;
}
}  // namespace

String& FileDevice::createArchive(String& out, const char* folder) {
  std::string work = getWorkFolder();
  std::string staging = uniqueIn(work, "NdzTemp", "createArchive");
  std::string archive = uniqueIn(work, "NoxInfo.nxz", "createArchive");
  out = archive.c_str();
  unsigned char header[28] = {'f', 'j', 'b', 'a', 28};
  noxMkDir(staging.c_str());
  fireProgress(getEventQueue(), "Create an archive...", -1);
  // The engine reports by result codes; a failed archive is deleted by close.
  // The failure is raised here with the engine's code (14 when a listener
  // cancelled), so that no self-extractor is written without its archive.
  ArchiveWriter* writer =
      ArchiveWriter::create(header, archive.c_str(), staging.c_str(), ARCHIVE_METHOD_GZIP);
  unsigned int code = writer ? ARCHIVE_OK : archiveGetLastError();
  DWORD error = GetLastError();
  if (writer) {
    if (!ArchiveWriter::addFolder(writer, folder) || !ArchiveWriter::write(writer, archiveProgress, this)) {
      code = ArchiveWriter::getResult(writer);
      error = GetLastError();
    }
    ArchiveWriter::close(writer);
  }
  if (code != ARCHIVE_OK || !writer) {
    if (code == ARCHIVE_OK) code = ARCHIVE_OPEN_FAILED;
    archiveSetLastError(code);
    throwException(5, code, error, noxThisModule(), kSource, __LINE__, "FileDevice", "createArchive");
  }
  fireProgress(getEventQueue(), "Create an archive completed!", -1);
  return out;
}

String FileDevice::makeSelfExtractor(const char* archivePath) {
  DWORD selfexSize = 0;
  const void* selfex = selfExtractorBytes(selfexSize);
  fireProgress(getEventQueue(), "Create a selfextacting archive...", -1);
  std::string target = impl_->targetFolder.getData();
  if (!target.empty() && GetFileAttributesA(target.c_str()) == INVALID_FILE_ATTRIBUTES) {
    noxMkDir((target + "\\").c_str());
  }
  // The archive is opened first: without it no NoxResult.exe is begun.
  Handle in(CreateFileA(archivePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!in.valid()) raise(5, "concatSelfEx");
  std::string outPath = uniqueIn(target, "NoxResult.exe", "concatSelfEx");
  Handle out(
      CreateFileA(outPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr));
  if (!out.valid()) raise(5, "concatSelfEx");
  // A program cut short (a full disk) is deleted: half a NoxResult.exe would
  // look like a result.
  struct PartialOutput {
    Handle& file;
    const std::string& path;
    bool done = false;
    ~PartialOutput() {
      if (done) return;
      DWORD error = GetLastError();
      file.reset();
      DeleteFileA(path.c_str());
      SetLastError(error);
    }
  } partial{out, outPath};
  if (!writeAll(out.get(), selfex, selfexSize)) raise(6, "concatSelfEx");

  unsigned long long size = 0;
  unsigned long long headerOffset = 0;
  if (!sizeOf(in.get(), size) || size < 40 || !seekTo(in.get(), size - 8) ||
      !readAll(in.get(), &headerOffset, 8) || headerOffset + 36 > size) {
    SetLastError(ERROR_INVALID_DATA);
    raise(6, "concatSelfEx");
  }
  if (!seekTo(in.get(), 0)) raise(6, "concatSelfEx");
  std::vector<unsigned char> piece(2048);
  for (unsigned long long left = headerOffset; left > 0;) {
    DWORD n = static_cast<DWORD>(left < piece.size() ? left : piece.size());
    if (!readAll(in.get(), piece.data(), n) || !writeAll(out.get(), piece.data(), n))
      raise(6, "concatSelfEx");
    left -= n;
  }
  unsigned char header[28];
  if (!readAll(in.get(), header, 28)) raise(6, "concatSelfEx");
  unsigned long long dataOffset;
  std::memcpy(&dataOffset, header + 8, 8);
  dataOffset += selfexSize;
  std::memcpy(header + 8, &dataOffset, 8);
  if (!writeAll(out.get(), header, 28)) raise(6, "concatSelfEx");
  unsigned int records;
  std::memcpy(&records, header + 16, 4);
  for (unsigned int i = 0; i < records; ++i) {
    unsigned char record[41];
    if (!readAll(in.get(), record, 41)) raise(6, "concatSelfEx");
    unsigned short length;
    std::memcpy(&length, record, 2);
    unsigned long long offset;
    std::memcpy(&offset, record + 32, 8);
    offset += selfexSize;
    std::memcpy(record + 32, &offset, 8);
    if (!writeAll(out.get(), record, 41) || length < 41) raise(6, "concatSelfEx");
    std::vector<unsigned char> rest(length - 41u);
    if (!rest.empty() && (!readAll(in.get(), rest.data(), static_cast<DWORD>(rest.size())) ||
                          !writeAll(out.get(), rest.data(), static_cast<DWORD>(rest.size())))) {
      raise(6, "concatSelfEx");
    }
  }
  unsigned long long trailer = headerOffset + selfexSize;
  if (!writeAll(out.get(), &trailer, 8)) raise(6, "concatSelfEx");
  partial.done = true;
  fireProgress(getEventQueue(), "Create a selfextacting archive completed!", -1);
  return String(outPath.c_str());
}

namespace {

struct MediaContext {
  FileDevice* device;
  std::string target;
};

const char* mediaMessage(int status, bool removable) {
  switch (status) {
    case 1:
      return "Media is not set. Please insert empty disket";
    case 2:
      return "Disk free space is not enough. Change a media or increase disk free space.";
    case 3:
      return removable ? "Target media is not empty, format it?" : "Target folder is not empty.";
    case 4:
      return removable ? "Can't write to media. Please change a media." : "Write error occured.";
    case 5:
      return "Media is not formated. format it?";
    default:
      return "";
  }
}

int mediaCallback(int status, unsigned int index, unsigned int count, void* user) {
  auto* context = static_cast<MediaContext*>(user);
  EventQueue& queue = context->device->getEventQueue();
  if (status == 0) {
    char text[64];
    std::snprintf(text, sizeof text, "file %u/%u", index, count);
    ProgressEvent event;
    event.setCurrentStatusText(text);
    event.setCurrentStatusValue(-1);
    event.setMaxStatusValue(static_cast<int>(index));
    queue.fireProgressEvent(event);
    // A cancel between parts stops the split as a cancelled question does.
    return event.isCancel() ? 1 : 0;
  }
  bool removable = currentMediaDrive().driveType(context->target.substr(0, 3).c_str()) == DRIVE_REMOVABLE;
  bool asksToFormat = status == 5 || (status == 3 && removable);
  Configration question;
  question.setTitle(mediaMessage(status, removable));
  question.setType(asksToFormat ? IConfigration::CONFIG_TYPE_QUESTION : IConfigration::CONFIG_TYPE_NOTICE);
  UIEvent event;
  event.getConfigrationsImpl().addItem(&question);
  queue.fireUIEvent(event);
  if (asksToFormat) {
    bool prepared = false;
    if (question.getStatus() == IConfigration::CONFIG_STATUS_OK) {
      question.setTitle(context->target.c_str());
      question.setType(IConfigration::CONFIG_TYPE_FORMAT);
      queue.fireUIEvent(event);
      prepared = question.getStatus() == IConfigration::CONFIG_STATUS_OK;
    }
    if (!prepared) {
      question.setTitle(mediaMessage(1, removable));
      question.setType(IConfigration::CONFIG_TYPE_NOTICE);
      queue.fireUIEvent(event);
    }
  }
  event.getConfigrationsImpl().removeAll();
  return question.getStatus() == IConfigration::CONFIG_STATUS_CANCEL ? 1 : 0;
}

}  // namespace

void FileDevice::splitOverMedia(const char* archive) {
  DWORD selfexSize = 0;
  const void* selfex = selfExtractorBytes(selfexSize);
  std::string copy = uniqueIn(getWorkFolder(), "sefex.exe", "concatSelfEx");
  {
    Handle file(
        CreateFileA(copy.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file.valid()) raise(5, "concatSelfEx");
    if (!writeAll(file.get(), selfex, selfexSize)) raise(6, "concatSelfEx");
  }
  std::string target = impl_->targetFolder.getData();
  if (GetFileAttributesA(target.c_str()) == INVALID_FILE_ATTRIBUTES) noxMkDir((target + "\\").c_str());
  fireProgress(getEventQueue(), "Split an archive...", -1);
  MediaContext context{this, target};
  SplitResult result =
      splitArchive(archive, copy.c_str(), target.c_str(), impl_->splitSize, mediaCallback, &context);
  if (result.code != 0) {
    archiveSetLastError(result.code);
    throwException(5, result.code, GetLastError(), noxThisModule(), kSource, __LINE__, "FileDevice",
                   "concatSelfEx");
  }
  fireProgress(getEventQueue(), "Split an archive completed!", -1);
}
