#pragma once

// A Linux folder as extraction target. Entry names are in a Windows ANSI code
// page; each component is converted to UTF-8 for the file name.

#include <memory>
#include <string>

#include "nox/archive/Extract.h"

namespace nox::archive {

class PosixTarget : public TargetFileSystem {
 public:
  // codePage 0 keeps the name bytes as they are.
  explicit PosixTarget(unsigned int codePage);
  ~PosixTarget() override;

  // One name component in UTF-8 (bytes that do not convert become '?').
  std::string convert(const std::string& component) const;

  std::string join(const std::string& root, const std::vector<std::string>& parts) override;
  ExistingFile inspect(const std::string& path) override;
  bool makeFolders(const std::string& path) override;
  Sink* createFile(const std::string& path) override;
  bool finishFile(Sink* file) override;
  void removeFile(const std::string& path) override;
  bool setTimesAndAttributes(const std::string& path, const Record& record) override;

 private:
  unsigned int codePage_;
  std::unique_ptr<FileSink> open_;
};

}  // namespace nox::archive
