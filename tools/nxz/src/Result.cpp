#include "Result.h"

#include <cctype>
#include <ostream>
#include <unordered_set>

#include "nox/archive/Reader.h"

namespace nox::nxz {

using namespace nox::archive;

const char kDocumentName[] = "NoxInfo.xml";

std::string sideFileKey(const std::string& name) {
  std::string key = name;
  for (char& c : key) {
    if (c == '/') c = '\\';
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

namespace {

bool isDocumentName(const std::string& name) { return sideFileKey(name) == sideFileKey(kDocumentName); }

// Keeps the first bytes and says whether more came; refuses the rest so that a
// large file is not read on.
class StartSink : public Sink {
 public:
  StartSink(std::string& bytes, size_t limit) : bytes_(bytes), limit_(limit) {}
  bool write(const void* data, size_t n) override {
    size_t room = limit_ - bytes_.size();
    bytes_.append(static_cast<const char*>(data), n < room ? n : room);
    if (n > room) truncated = true;
    return !truncated;
  }
  bool truncated = false;

 private:
  std::string& bytes_;
  size_t limit_;
};

}  // namespace

struct Result::Impl {
  // Packed result.
  std::unique_ptr<OpenedArchive> archive;
  std::vector<Record> records;
  int documentRecord = -1;
  // Result folder.
  std::string folder;
  std::string documentPath;
  std::vector<FolderEntry> entries;

  std::vector<SideFile> files;
  std::vector<size_t> origin;  // index into records or entries per file
  std::unordered_set<std::string> keys;
  unsigned int namesCodePage = 0;
  bool named = false;
};

Result::Result() : impl_(std::make_unique<Impl>()) {}
Result::~Result() = default;

bool Result::open(const std::string& path, std::ostream& err) {
  path_ = path;
  Impl& r = *impl_;
  if (isFolder(path) || isDocumentName(lastComponent(path))) {
    r.folder = isFolder(path) ? path : parentOf(path);
    r.documentPath = isFolder(path) ? joinPath(path, kDocumentName) : path;
    FileSource probe;
    if (!probe.open(r.documentPath.c_str())) {
      err << "nxz: " << path << ": no " << kDocumentName << " in this folder\n";
      return false;
    }
    if (!listFolderTree(r.folder, r.entries)) {
      err << "nxz: cannot list the folder " << r.folder << "\n";
      return false;
    }
    return true;
  }
  r.archive = std::make_unique<OpenedArchive>();
  if (!r.archive->open(path, err)) return false;
  DirectoryWalker walker(r.archive->source(), r.archive->where());
  Record record;
  while (walker.next(record)) {
    if (!record.isFolder() && r.documentRecord < 0 && isDocumentName(record.name))
      r.documentRecord = static_cast<int>(r.records.size());
    r.records.push_back(record);
  }
  if (walker.status() != ReadStatus::kOk) {
    err << "nxz: " << path << ": entry " << walker.index() + 1 << ": " << archive::describe(walker.status())
        << "\n";
    return false;
  }
  if (r.documentRecord < 0) {
    err << "nxz: " << path << ": the archive holds no " << kDocumentName << "\n";
    return false;
  }
  return true;
}

std::string Result::describe() const {
  return impl_->archive ? impl_->archive->describeLayout() : std::string("result folder");
}

bool Result::readDocument(Sink& sink, std::string& problem) {
  Impl& r = *impl_;
  if (r.archive) {
    ReadStatus status =
        extractContent(r.archive->source(), r.records[static_cast<size_t>(r.documentRecord)], sink);
    if (status != ReadStatus::kOk) problem = archive::describe(status);
    return status == ReadStatus::kOk;
  }
  FileSource file;
  if (!file.open(r.documentPath.c_str())) {
    problem = "cannot open " + r.documentPath;
    return false;
  }
  if (!copyRange(file, 0, file.size(), sink)) {
    problem = "reading stopped";
    return false;
  }
  return true;
}

const std::vector<SideFile>& Result::sideFiles(unsigned int codePage) {
  Impl& r = *impl_;
  if (r.named && codePage == r.namesCodePage) return r.files;
  r.named = true;
  r.namesCodePage = codePage;
  r.files.clear();
  r.origin.clear();
  r.keys.clear();
  CodePage names(codePage);
  auto add = [&](const std::string& name, uint64_t size, bool folder, size_t origin) {
    r.keys.insert(sideFileKey(name));
    if (folder || isDocumentName(name)) return;
    r.files.push_back({name, size, folder});
    r.origin.push_back(origin);
  };
  if (r.archive) {
    for (size_t i = 0; i < r.records.size(); ++i)
      if (static_cast<int>(i) != r.documentRecord)
        add(names.toUtf8(r.records[i].name), r.records[i].size, r.records[i].isFolder(), i);
  } else {
    for (size_t i = 0; i < r.entries.size(); ++i)
      add(fileNameToUtf8(r.entries[i].relative), r.entries[i].size, r.entries[i].folder, i);
  }
  return r.files;
}

bool Result::has(const std::string& relativeName) const {
  return impl_->keys.count(sideFileKey(relativeName)) > 0;
}

bool Result::readStart(size_t i, size_t limit, std::string& bytes, bool& truncated) {
  Impl& r = *impl_;
  bytes.clear();
  StartSink sink(bytes, limit);
  bool ok = false;
  if (r.archive) {
    ReadStatus status = extractContent(r.archive->source(), r.records[r.origin[i]], sink);
    ok = status == ReadStatus::kOk || (status == ReadStatus::kWriteFailed && sink.truncated);
  } else {
    FileSource file;
    const FolderEntry& e = r.entries[r.origin[i]];
    ok = file.open(e.path.c_str());
    if (ok) {
      uint64_t n = file.size() < limit ? file.size() : limit;
      ok = copyRange(file, 0, n, sink);
      sink.truncated = file.size() > limit;
    }
  }
  truncated = sink.truncated;
  return ok;
}

}  // namespace nox::nxz
