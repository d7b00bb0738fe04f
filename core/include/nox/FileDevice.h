#pragma once

#include "nox/Error.h"
#include "nox/Events.h"
#include "nox/String.h"

// What a serializer writes its document through. The core owns the device; a
// serializer only borrows it between its open and close. Every failure is thrown
// as IException* (ID 5 when the document cannot be created, ID 6 when writing or
// copying fails); the device stays usable for close() afterwards.
//
// The slot order is part of the contract between separately built modules: the
// two progress-listener slots of the first base, then the operations below in
// this order. Listener registration for UI events comes through the second base.
class IFileDevice : public ProgressEventSubject, public UIEventSubject {
 public:
  // Creates the document (and its folder); nothing when already open.
  virtual void open() = 0;
  // Closes the document; nothing when not open. With packing on, this is where
  // the result is packed, so it may take long and ask the user questions.
  virtual void close() = 0;
  // Does nothing: writes go straight to the file.
  virtual void flush() = 0;
  // Appends length bytes of buffer to the document.
  virtual void write(const char* buffer, int length) = 0;
  // Appends the bytes of text up to its NUL.
  virtual void write(const IString& text) = 0;
  // Copies a file or a whole folder to the document's folder + "\" + name,
  // creating the folders on the way and replacing what is there.
  virtual void copyFile(const char* source, const char* name) = 0;
  virtual bool isOpen() = 0;
  virtual ErrorObject& getErrorObject() = 0;

 protected:
  // Never destroyed through this interface: the core deletes its own FileDevice.
  ~IFileDevice() = default;
};
