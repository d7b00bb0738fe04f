#pragma once

class IFileDevice;
class IReport;

// The writer of the result document, as a serializer module hands it out through
// its getSerializer export. The module keeps ownership; the core only calls it.
// The slot order is part of the contract between separately built modules.
class ISerializer {
 public:
  // Remembers device and opens it.
  virtual void open(IFileDevice* device) = 0;
  // Closes the remembered device, if any, and forgets it; the argument is unused.
  virtual void close(IFileDevice* device) = 0;
  // Flushes the remembered device, then closes it.
  virtual void flush() = 0;
  // Writes the whole document for the tree below root through the device.
  virtual void serialize(IReport& root) = 0;
  // File extension of the document, without the dot.
  virtual const char* getExtension() = 0;
  virtual ~ISerializer() = default;
};
