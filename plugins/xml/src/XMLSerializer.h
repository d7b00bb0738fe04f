#pragma once

#include <string>

#include "nox/FileDevice.h"
#include "nox/NoxUtilApi.h"
#include "nox/Report.h"
#include "nox/Serializer.h"
#include "nox/String.h"

// The one serializer of the system: writes the report tree as one XML document
// through the core's file device and carries the files of path and binary
// values beside it.
//
// Element names are cleaned to XML names (the report's real name then goes into
// a formalName attribute), attribute names and values and element text are
// escaped, so the document is well-formed whatever the reports hold. Only the
// "Comment" line of the settings file is written as it stands: it is meant to
// hold markup.
class XmlSerializer : public ISerializer {
 public:
  XmlSerializer();
  ~XmlSerializer() override;
  NOX_NON_COPYABLE(XmlSerializer);

  void open(IFileDevice* device) override;
  // Forgets the device even when its close() throws.
  void close(IFileDevice* device) override;
  // Nothing when no device is held.
  void flush() override;
  // Device failures pass through as they are and leave the document unfinished.
  // A data file of a binary value that cannot be created raises ID 5 (class
  // "FileDevice", method "open"), one that cannot be written ID 6 ("write"). No
  // device held: ID 6, class "XMLSerializer", method "serialize".
  void serialize(IReport& root) override;
  const char* getExtension() override;

  // Name of the last element written at depth 2: the folder the files of path
  // and binary values go to. It carries over to the next document.
  const IString& getBinariesFolderName() const { return binariesFolder_; }

  // Test seams. A code page other than 0 replaces the machine's ANSI code page
  // for the declaration and the double-byte walk; a settings file path replaces
  // NxInfo.ini beside the main program.
  void setCodePage(unsigned int codePage) { codePage_ = codePage; }
  void setSettingsFile(const char* path) { settingsFile_ = path ? path : ""; }

 private:
  class Writer;
  std::string settingsFile() const;

  IFileDevice* device_ = nullptr;
  String binariesFolder_;
  unsigned int codePage_ = 0;
  std::string settingsFile_;
};
