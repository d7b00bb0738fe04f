#include "Walk.h"

#include <vector>

namespace verlist {

namespace {

// Text is handed to the sink in chunks of about this size.
const std::size_t kFlushSize = 64 * 1024;

class TreeLister : public FolderVisitor {
 public:
  TreeLister(FolderSource& source, TextSink& sink) : source_(source), sink_(sink) {
    buffer_.reserve(kFlushSize * 2);
  }

  bool run(const std::string& root) {
    listFolder(root);
    return flush();
  }

  void visit(const FolderEntry& entry) override {
    if (failed_) return;
    if (entry.isFolder()) {
      if (entry.isWalkable()) subFolders_->push_back(entry.name());
      return;
    }
    if (!headerWritten_) {
      buffer_.append(kHeader);
      buffer_.append(source_.lineBreak());
      headerWritten_ = true;
    }
    std::string path = source_.join(*folder_, entry.name());
    appendFileLine(buffer_, entry.facts(path), path.c_str(), source_.lineBreak());
    if (buffer_.size() >= kFlushSize) flush();
  }

 private:
  // Files of the folder first, then each sub-folder's whole tree in listing
  // order. Only the names are kept across the recursion, so one listing is
  // open at a time however deep the tree is.
  void listFolder(const std::string& folder) {
    std::vector<std::string> subFolders;
    folder_ = &folder;
    subFolders_ = &subFolders;
    headerWritten_ = false;
    source_.list(folder, *this);
    for (const std::string& name : subFolders) {
      if (failed_) return;
      listFolder(source_.join(folder, name.c_str()));
    }
  }

  bool flush() {
    if (!failed_ && !buffer_.empty() && !sink_.write(buffer_)) failed_ = true;
    buffer_.clear();
    return !failed_;
  }

  FolderSource& source_;
  TextSink& sink_;
  std::string buffer_;
  const std::string* folder_ = nullptr;
  std::vector<std::string>* subFolders_ = nullptr;
  bool headerWritten_ = false;
  bool failed_ = false;
};

}  // namespace

std::string joinPath(const std::string& folder, const char* name, char separator, bool endsWithSeparator) {
  std::string path;
  path.reserve(folder.size() + 1 + std::char_traits<char>::length(name));
  path = folder;
  if (!endsWithSeparator) path.push_back(separator);
  path.append(name);
  return path;
}

bool endsWithSeparator(const std::string& folder, const char* separators, bool (*isLeadByte)(unsigned char)) {
  bool separatorLast = false;
  for (std::size_t i = 0; i < folder.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(folder[i]);
    if (isLeadByte != nullptr && isLeadByte(c) && i + 1 < folder.size()) {
      separatorLast = false;
      ++i;
      continue;
    }
    separatorLast = std::char_traits<char>::find(separators, std::char_traits<char>::length(separators),
                                                 static_cast<char>(c)) != nullptr;
  }
  return separatorLast;
}

bool listTree(FolderSource& source, const std::string& folder, TextSink& sink) {
  TreeLister lister(source, sink);
  return lister.run(folder.empty() ? std::string(".") : folder);
}

}  // namespace verlist
