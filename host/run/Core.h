#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

#include "Explain.h"
#include "nox/SystemReporter.h"

// NoxCore.dll as both hosts load it: from the program's own folder, with the
// host's listeners registered before it is initialised.
namespace host {

// The program's folder, ending in a backslash.
std::string programFolder();
// NxInfo.ini beside the program.
std::string settingsFile();
// The code page's lead-byte test, for comparing names.
bool isLeadByte(unsigned char byte);
// folder + "\" + name; a folder ending in a backslash (a drive root, or a
// double-byte character whose trail byte is not one) is handled right.
std::string inFolder(const std::string& folder, const std::string& name);
bool endsWithBackslash(const std::string& path);
// The full path of folder, without a trailing backslash unless it is a drive root.
std::string absoluteFolder(const std::string& folder);

// A failure the core reported, read out of its record (the record itself is
// released while the core is still loaded).
class CoreFailure : public std::runtime_error {
 public:
  explicit CoreFailure(const ErrorFacts& facts) : std::runtime_error("the core failed"), facts_(facts) {}
  const ErrorFacts& facts() const { return facts_; }

 private:
  ErrorFacts facts_;
};

ErrorFacts factsOf(const IErrorRecord& record);

class CoreLibrary {
 public:
  // Throws std::runtime_error with a sentence when NoxCore.dll cannot be loaded.
  CoreLibrary();
  ~CoreLibrary();
  CoreLibrary(const CoreLibrary&) = delete;
  CoreLibrary& operator=(const CoreLibrary&) = delete;

  ISystemReporter& reporter() { return *reporter_; }
  // The size of the self-extractor the core puts in front of a result.
  unsigned long selfExtractorBytes() const;

 private:
  HMODULE module_ = nullptr;
  NoxUninitializeFunction uninitialize_ = nullptr;
  ISystemReporter* reporter_ = nullptr;
};

}  // namespace host
