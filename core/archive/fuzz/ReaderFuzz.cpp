// libFuzzer target: any bytes as an archive file, a self-extracting file or the
// first part of a split set; the whole reading path must stay in bounds.
#include <cstddef>
#include <cstdint>

#include "nox/archive/Extract.h"
#include "nox/archive/Reader.h"

namespace {
using namespace nox::archive;

class DiscardingTarget : public TargetFileSystem {
 public:
  std::string join(const std::string& root, const std::vector<std::string>& parts) override {
    std::string path = root;
    for (const std::string& p : parts) path += "/" + p;
    return path;
  }
  ExistingFile inspect(const std::string&) override { return ExistingFile(); }
  bool makeFolders(const std::string&) override { return true; }
  Sink* createFile(const std::string&) override { return &sink_; }
  bool finishFile(Sink*) override { return true; }
  void removeFile(const std::string&) override {}
  bool setTimesAndAttributes(const std::string&, const Record&) override { return true; }

 private:
  NullSink sink_;
};

class Quiet : public ExtractListener {
 public:
  bool onEntry(uint32_t, uint32_t, const Record&) override { return true; }
  OverwriteAnswer onExists(const std::string&, const ExistingFile&) override { return OverwriteAnswer::kYes; }
  void onRefusedName(const Record&, NameVerdict) override {}
  bool onFailure(const Record&, const std::string&, ReadStatus) override { return true; }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MemorySource source(data, size);
  Location where;
  if (locate(source, where) != ReadStatus::kOk) return 0;
  if (where.layout == Layout::kSplitFirstPart) {
    NullSink joined;
    uint32_t missing = 0;
    joinSplitSet(
        source, where, [](uint32_t, bool) -> ByteSource* { return nullptr; }, joined, missing);
    return 0;
  }
  DiscardingTarget target;
  Quiet listener;
  extractAll(source, where, "/t", target, listener, leadBytesOfCodePage(932));
  if (where.layout == Layout::kPlain) {
    NullSink shifted;
    writeShifted(source, 4096, shifted);
  }
  return 0;
}
