#pragma once

#include "nox/Events.h"
#include "nox/FileDevice.h"

struct FileDeviceImpl;

// The device the serializer writes the result through. Closing it packs the
// result when the compress flag is set: into NoxResult.exe in the target
// folder, or split over media with the user's answers.
class FileDevice : public IFileDevice {
 public:
  FileDevice();
  virtual ~FileDevice();
  NOX_NON_COPYABLE(FileDevice);

  void addProgressEventListener(ProgressEventListener* listener) override;
  void removeProgressEventListener(ProgressEventListener* listener) override;
  void addUIEventListener(UIEventListener* listener) override;
  void removeUIEventListener(UIEventListener* listener) override;
  void open() override;
  void close() override;
  void flush() override;
  void write(const char* buffer, int length) override;
  void write(const IString& text) override;
  void copyFile(const char* source, const char* name) override;
  bool isOpen() override;
  ErrorObject& getErrorObject() override;

  // With the compress flag set, the document goes to a fresh folder in the work
  // folder and the folder part of path becomes the target folder; so the flag
  // must be set first.
  virtual void setFileName(const char* path);
  virtual String& getFileName();
  virtual void setSecondFlag(bool value);
  virtual bool getSecondFlag();
  virtual void setCompress(bool compress);
  virtual bool isCompress();
  virtual bool isSplit();
  virtual void setSplitSize(int kib);
  virtual int getSplitSize();
  virtual String& getTargetFolder();
  virtual void setTargetFolder(const char* folder);
  virtual EventQueue& getEventQueue();
  // Packs folder into a new archive in the work folder; out receives its path.
  virtual String& createArchive(String& out, const char* folder);

  // Puts the self-extractor before the archive: NoxResult.exe (or a unique
  // variant) in the target folder, every offset shifted. Returns its path.
  String makeSelfExtractor(const char* archive);
  // Splits the archive over media in the target folder, asking the user.
  void splitOverMedia(const char* archive);

 private:
  FileDeviceImpl* impl_;
};

// The self-extractor program carried as resource "SELFEX" 101 of NoxCore.dll.
// Raises ID 5 when it is missing.
const void* selfExtractorBytes(DWORD& size);
