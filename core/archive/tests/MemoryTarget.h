#pragma once

// A target file system in memory, so extraction rules are tested without disks.

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "nox/archive/Extract.h"

namespace nox::archive::testing {

class MemoryTarget : public TargetFileSystem {
 public:
  std::string join(const std::string& root, const std::vector<std::string>& parts) override {
    std::string path = root;
    for (const std::string& p : parts) path += "/" + p;
    return path;
  }
  ExistingFile inspect(const std::string& path) override {
    ExistingFile e;
    if (folders.count(path)) {
      e.exists = e.isFolder = true;
    } else if (files.count(path)) {
      e.exists = true;
      e.size = files[path].size();
      e.lastWrite = 0x01D4000000000000ULL;
    }
    return e;
  }
  bool makeFolders(const std::string& path) override {
    if (files.count(path)) return false;
    folders.insert(path);
    return true;
  }
  Sink* createFile(const std::string& path) override {
    if (failCreate.count(path)) return nullptr;
    open_.reset(new FileWriter(this, path));
    files[path].clear();
    return open_.get();
  }
  bool finishFile(Sink*) override { return true; }
  void removeFile(const std::string& path) override { files.erase(path); }
  bool setTimesAndAttributes(const std::string& path, const Record& record) override {
    times[path] = record.lastWrite;
    return true;
  }

  std::map<std::string, std::string> files;
  std::set<std::string> folders;
  std::map<std::string, uint64_t> times;
  std::set<std::string> failCreate;

 private:
  struct FileWriter : Sink {
    FileWriter(MemoryTarget* t, std::string p) : target(t), path(std::move(p)) {}
    bool write(const void* data, size_t n) override {
      target->files[path].append(static_cast<const char*>(data), n);
      return true;
    }
    MemoryTarget* target;
    std::string path;
  };
  std::unique_ptr<FileWriter> open_;
};

// Records what the extraction reports and answers overwrite questions from a script.
class RecordingListener : public ExtractListener {
 public:
  bool onEntry(uint32_t index, uint32_t count, const Record&) override {
    progress.push_back(std::to_string(index) + "/" + std::to_string(count));
    return stopAt == 0 || index < stopAt;
  }
  OverwriteAnswer onExists(const std::string& path, const ExistingFile&) override {
    asked.push_back(path);
    OverwriteAnswer a = answers.empty() ? OverwriteAnswer::kNo : answers.front();
    if (!answers.empty()) answers.erase(answers.begin());
    return a;
  }
  void onRefusedName(const Record& record, NameVerdict verdict) override {
    refused.push_back(record.name + ": " + describe(verdict));
  }
  bool onFailure(const Record& record, const std::string&, ReadStatus status) override {
    failures.push_back(record.name + ": " + describe(status));
    return true;
  }

  uint32_t stopAt = 0;
  std::vector<OverwriteAnswer> answers;
  std::vector<std::string> progress, asked, refused, failures;
};

}  // namespace nox::archive::testing
