#include "PathText.h"

#include <cstring>

namespace dvq {

namespace {

// Calls `visit(index)` for every single-byte character of `path`; a lead byte
// and its trail byte are stepped over together.
template <class Visit>
void forEachSingleByte(const std::string& path, LeadBytePredicate isLead, Visit visit) {
  for (size_t i = 0; i < path.size(); ++i) {
    if (isLead(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
      ++i;
      continue;
    }
    visit(i);
  }
}

}  // namespace

bool noLeadBytes(unsigned char) { return false; }

size_t lastBackslash(const std::string& path, LeadBytePredicate isLead) {
  size_t found = std::string::npos;
  forEachSingleByte(path, isLead, [&](size_t i) {
    if (path[i] == '\\') found = i;
  });
  return found;
}

std::string withBackslashes(const std::string& path, LeadBytePredicate isLead) {
  std::string result = path;
  forEachSingleByte(result, isLead, [&](size_t i) {
    if (result[i] == '/') result[i] = '\\';
  });
  return result;
}

std::string parentOf(const std::string& path, LeadBytePredicate isLead) {
  size_t cut = lastBackslash(path, isLead);
  return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

std::string withoutComponents(const std::string& path, unsigned long count, LeadBytePredicate isLead) {
  std::string result = path;
  for (unsigned long i = 0; i < count && !result.empty(); ++i) result = parentOf(result, isLead);
  return result;
}

std::string unquoted(const std::string& value) {
  if (value.empty() || value[0] != '"') return value;
  size_t close = value.find('"', 1);
  return value.substr(1, close == std::string::npos ? std::string::npos : close - 1);
}

std::string joinPath(const std::string& folder, const std::string& name, LeadBytePredicate isLead) {
  bool endsInBackslash = !folder.empty() && lastBackslash(folder, isLead) == folder.size() - 1;
  return folder + (endsInBackslash ? "" : "\\") + name;
}

std::string withoutUserPrefix(const std::string& key) {
  static const char kPrefix[] = "\\HKCU\\";
  return key.compare(0, sizeof kPrefix - 1, kPrefix) == 0 ? key.substr(sizeof kPrefix - 1) : key;
}

std::string asFileName(const std::string& name, LeadBytePredicate isLead) {
  std::string result = name;
  forEachSingleByte(result, isLead, [&](size_t i) {
    unsigned char c = static_cast<unsigned char>(result[i]);
    if (c < 0x20 || std::strchr("\\/:*?\"<>|", c)) result[i] = '_';
  });
  return result;
}

}  // namespace dvq
