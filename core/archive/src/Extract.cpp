#include "nox/archive/Extract.h"

namespace nox::archive {

namespace {
bool leadOf932(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
bool leadOfOtherDoubleByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

bool isSeparator(char c) { return c == '\\' || c == '/'; }

// Windows drops trailing dots and blanks from a component, so ". ." or ".. "
// would become "." or "..": any component of nothing but dots and blanks is
// refused.
bool onlyDotsAndBlanks(const std::string& part) {
  for (char c : part)
    if (c != '.' && c != ' ') return false;
  return true;
}

// Windows opens a device for these names in any folder, whatever follows the
// first dot ("nul.txt", "COM1.log") and with trailing blanks ("CON "); writing
// such an entry would write to the device.
bool isDeviceName(const std::string& part) {
  std::string stem = part.substr(0, part.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (char& c : stem) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  static const char* const kNames[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* name : kNames)
    if (stem == name) return true;
  return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
         stem[3] >= '1' && stem[3] <= '9';
}

// The verdict on one component of an entry name.
NameVerdict checkComponent(const std::string& part) {
  if (part.empty()) return NameVerdict::kEmpty;
  if (onlyDotsAndBlanks(part)) return NameVerdict::kParent;
  if (isDeviceName(part)) return NameVerdict::kDeviceName;
  return NameVerdict::kOk;
}
}  // namespace

std::string resolveTypedFolder(const std::string& programPath, const std::string& typed,
                               LeadBytePredicate isLead) {
  // Where the program's folder ends (after its last separator), where its root
  // ends (drive, or \\server\share), and whether the typed text names a drive.
  auto scan = [isLead](const std::string& path, char wanted, int occurrence) {
    int seen = 0;
    size_t last = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
      if (isLead && isLead(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
        ++i;
        continue;
      }
      bool match = wanted == '\\' ? isSeparator(path[i]) : path[i] == wanted;
      if (!match) continue;
      last = i;
      if (++seen == occurrence) return i;
    }
    return occurrence == 0 ? last : std::string::npos;
  };
  size_t lastSeparator = scan(programPath, '\\', 0);
  std::string programFolder =
      lastSeparator == std::string::npos ? std::string() : programPath.substr(0, lastSeparator + 1);
  if (typed.empty()) return programFolder;
  bool fromRoot = isSeparator(typed[0]) && !(typed.size() > 1 && isSeparator(typed[1]));
  if (fromRoot) {
    bool network = programPath.size() > 1 && isSeparator(programPath[0]) && isSeparator(programPath[1]);
    if (!network) return programPath.substr(0, 2) + typed;
    // \\server\share: up to the separator after the share's name.
    size_t shareEnd = scan(programPath, '\\', 4);
    return (shareEnd == std::string::npos ? programPath : programPath.substr(0, shareEnd)) + typed;
  }
  if (isSeparator(typed[0]) || scan(typed, ':', 1) != std::string::npos) return typed;
  return programFolder + typed;
}

LeadBytePredicate leadBytesOfCodePage(unsigned int codePage) {
  switch (codePage) {
    case 932:
      return leadOf932;
    case 936:
    case 949:
    case 950:
      return leadOfOtherDoubleByte;
    default:
      return nullptr;
  }
}

const char* describe(NameVerdict verdict) {
  switch (verdict) {
    case NameVerdict::kOk:
      return "ok";
    case NameVerdict::kEmpty:
      return "empty name or path component";
    case NameVerdict::kAbsolute:
      return "absolute path";
    case NameVerdict::kDrive:
      return "names a drive";
    case NameVerdict::kParent:
      return "parent or dot-only component";
    case NameVerdict::kStreamColon:
      return "colon (alternate data stream)";
    case NameVerdict::kControlChar:
      return "control character";
    case NameVerdict::kDeviceName:
      return "DOS device name";
  }
  return "unknown";
}

NameVerdict splitEntryName(const std::string& name, LeadBytePredicate isLead,
                           std::vector<std::string>& parts) {
  parts.clear();
  if (name.empty()) return NameVerdict::kEmpty;
  if (isSeparator(name[0])) return NameVerdict::kAbsolute;
  bool leadFirst = isLead && isLead(static_cast<unsigned char>(name[0]));
  if (name.size() >= 2 && name[1] == ':' && !leadFirst) return NameVerdict::kDrive;
  std::string part;
  for (size_t i = 0; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (isLead && isLead(c) && i + 1 < name.size()) {
      part += name[i];
      part += name[++i];
      continue;
    }
    if (c < 0x20) return NameVerdict::kControlChar;
    if (c == ':') return NameVerdict::kStreamColon;
    if (isSeparator(static_cast<char>(c))) {
      NameVerdict verdict = checkComponent(part);
      if (verdict != NameVerdict::kOk) return verdict;
      parts.push_back(part);
      part.clear();
      continue;
    }
    part += static_cast<char>(c);
  }
  NameVerdict verdict = checkComponent(part);
  if (verdict != NameVerdict::kOk) return verdict;
  parts.push_back(part);
  return NameVerdict::kOk;
}

ExtractSummary extractAll(ByteSource& file, const Location& where, const std::string& root,
                          TargetFileSystem& fs, ExtractListener& listener, LeadBytePredicate isLead) {
  ExtractSummary summary;
  summary.status = checkDirectory(file, where);
  if (summary.status != ReadStatus::kOk) return summary;

  bool overwriteAll = false;
  uint32_t processed = 0;
  std::vector<std::string> parts;
  Record record;
  DirectoryWalker walker(file, where);
  while (walker.next(record)) {
    if (!listener.onEntry(walker.index(), walker.count(), record)) {
      summary.stopped = true;
      break;
    }
    processed = walker.index();
    NameVerdict verdict = splitEntryName(record.name, isLead, parts);
    if (verdict != NameVerdict::kOk) {
      ++summary.refused;
      listener.onRefusedName(record, verdict);
      continue;
    }
    std::string path = fs.join(root, parts);
    if (record.isFolder()) {
      if (!fs.makeFolders(path)) {
        ++summary.failed;
        if (!listener.onFailure(record, path, ReadStatus::kWriteFailed)) break;
      }
      continue;
    }

    ExistingFile existing = fs.inspect(path);
    if (existing.exists && !existing.isFolder && !overwriteAll) {
      OverwriteAnswer answer = listener.onExists(path, existing);
      if (answer == OverwriteAnswer::kNo) {
        ++summary.skipped;
        continue;
      }
      if (answer == OverwriteAnswer::kAll) overwriteAll = true;
    }
    // An archive need not list a file's folders before it.
    if (parts.size() > 1) {
      std::vector<std::string> parentParts(parts.begin(), parts.end() - 1);
      fs.makeFolders(fs.join(root, parentParts));
    }
    Sink* out = existing.isFolder ? nullptr : fs.createFile(path);
    if (!out) {
      ++summary.failed;
      if (!listener.onFailure(record, path, ReadStatus::kWriteFailed)) break;
      continue;
    }
    ReadStatus status = extractContent(file, record, *out);
    bool finished = fs.finishFile(out);
    if (status == ReadStatus::kOk && !finished) status = ReadStatus::kWriteFailed;
    if (status != ReadStatus::kOk) {
      fs.removeFile(path);
      ++summary.failed;
      if (summary.status == ReadStatus::kOk) summary.status = status;
      if (!listener.onFailure(record, path, status)) break;
      continue;
    }
    fs.setTimesAndAttributes(path, record);
    ++summary.written;
  }
  if (walker.status() != ReadStatus::kOk && summary.status == ReadStatus::kOk)
    summary.status = walker.status();

  // Writing a folder's files changes its times, so folders get theirs last.
  DirectoryWalker folders(file, where);
  while (folders.index() < processed && folders.next(record)) {
    if (!record.isFolder() || splitEntryName(record.name, isLead, parts) != NameVerdict::kOk) continue;
    std::string path = fs.join(root, parts);
    if (fs.inspect(path).isFolder) fs.setTimesAndAttributes(path, record);
  }
  return summary;
}

}  // namespace nox::archive
