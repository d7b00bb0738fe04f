#pragma once

// Shared by the writer's tests and the module test: a file device that records
// what it is asked to do, scratch folders and a small report tree builder.

#include <windows.h>

#include <string>
#include <vector>

#include "nox/Error.h"
#include "nox/FileDevice.h"
#include "nox/Report.h"
#include "nox/testing/Files.h"

namespace xmltest {

using nox_testing::exists;
using nox_testing::readFile;
using nox_testing::writeFile;
using ScratchFolder = nox_testing::ScratchFolder;

// Records the calls it gets and the bytes written. With a folder, copyFile
// really copies into it, as the core's device does beside the document.
class RecordingDevice : public IFileDevice {
 public:
  explicit RecordingDevice(std::string folder = std::string()) : folder_(std::move(folder)) {}
  RecordingDevice(const RecordingDevice&) = delete;
  RecordingDevice& operator=(const RecordingDevice&) = delete;
  virtual ~RecordingDevice() = default;

  void addProgressEventListener(ProgressEventListener*) override {}
  void removeProgressEventListener(ProgressEventListener*) override {}
  void addUIEventListener(UIEventListener*) override {}
  void removeUIEventListener(UIEventListener*) override {}
  void open() override;
  void close() override;
  void flush() override { calls.push_back("flush"); }
  void write(const char* buffer, int length) override;
  void write(const IString& text) override;
  void copyFile(const char* source, const char* name) override;
  bool isOpen() override { return open_; }
  ErrorObject& getErrorObject() override { return error_; }

  struct Copy {
    std::string source;
    std::string name;
  };
  std::string document;
  std::vector<Copy> copies;
  // "open", "close", "flush" in the order they came.
  std::vector<std::string> calls;
  // Fail the n-th copyFile (from 1) with ID 6, as the core's device would.
  int failCopy = 0;

 private:
  std::string folder_;
  bool open_ = false;
  ErrorObject error_;
};

// Report tree building: each helper creates the node, adds it to parent and
// returns it.
Report& add(Report& parent, const char* name, IReport::ReportType type = IReport::REPORT_NONE);
Report& addText(Report& parent, const char* name, const char* value);
Report& addInteger(Report& parent, const char* name, int value);
Report& addReal(Report& parent, const char* name, double value);
Report& addDateTime(Report& parent, const char* name, const SYSTEMTIME& value);
Report& addPath(Report& parent, const char* name, const char* path);
Report& addBinary(Report& parent, const char* name, const std::string& bytes);
Report& addFailed(Report& parent, const char* name, const char* errorText);
void addAttribute(Report& report, const char* name, const char* value);

// Calls initializeUtility for the whole test program (work folder).
void initializeUtilityForTests();

}  // namespace xmltest
