#include "ControlFile.h"

namespace dvq {

namespace {

// Lines of `bytes` with their breaks removed; longer than `limit` (when not 0):
// flagged, so the caller can leave them out.
template <class Visit>
void forEachLine(const std::string& bytes, size_t limit, Visit visit) {
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find_first_of("\r\n", start);
    size_t next = end;
    if (end == std::string::npos) {
      end = next = bytes.size();
    } else if (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') {
      next = end + 2;
    } else {
      next = end + 1;
    }
    std::string line = bytes.substr(start, end - start);
    bool tooLong = limit != 0 && line.size() > limit;
    size_t nul = line.find('\0');
    if (nul != std::string::npos) line.resize(nul);
    visit(line, tooLong);
    start = next;
  }
}

// The fields before the first `count` TABs and the rest of the line; false when
// the line has fewer TABs.
bool splitFields(const std::string& line, size_t count, std::vector<std::string>& fields) {
  fields.clear();
  size_t start = 0;
  for (size_t i = 0; i < count; ++i) {
    size_t tab = line.find('\t', start);
    if (tab == std::string::npos) return false;
    fields.push_back(line.substr(start, tab - start));
    start = tab + 1;
  }
  fields.push_back(line.substr(start));
  return true;
}

}  // namespace

std::vector<std::string> controlLines(const std::string& bytes) {
  std::vector<std::string> lines;
  forEachLine(bytes, kControlLineLimit, [&](const std::string& line, bool tooLong) {
    if (!tooLong && !(line.size() > 0 && line[0] == '#')) lines.push_back(line);
  });
  return lines;
}

std::vector<std::string> textLines(const std::string& bytes) {
  std::vector<std::string> lines;
  forEachLine(bytes, 0, [&](const std::string& line, bool) { lines.push_back(line); });
  return lines;
}

bool splitValueName(const std::string& field, RegistryValueName& out, LeadBytePredicate isLead) {
  size_t cut = lastBackslash(field, isLead);
  if (cut == std::string::npos) return false;
  out.key = withoutUserPrefix(field.substr(0, cut));
  out.value = field.substr(cut + 1);
  return true;
}

StripCount splitStripCount(const std::string& field) {
  StripCount result;
  size_t colon = field.find(':');
  result.field = field.substr(0, colon);
  if (colon == std::string::npos) return result;
  const unsigned long kEnough = 1000000;  // more than any path has components
  unsigned long count = 0;
  for (size_t i = colon + 1; i < field.size(); ++i) {
    char c = field[i];
    if (c < '0' || c > '9') return result;
    count = count >= kEnough ? kEnough : count * 10 + static_cast<unsigned long>(c - '0');
  }
  result.count = count;
  return result;
}

std::vector<RegistryBranchLine> registryBranchLines(const std::string& bytes) {
  std::vector<RegistryBranchLine> result;
  std::vector<std::string> fields;
  for (const std::string& line : controlLines(bytes)) {
    if (!splitFields(line, 1, fields)) continue;
    result.push_back({fields[0], withoutUserPrefix(fields[1])});
  }
  return result;
}

std::vector<SourceLine> sourceLines(const std::string& bytes, bool withStripCount, LeadBytePredicate isLead) {
  std::vector<SourceLine> result;
  std::vector<std::string> fields;
  for (const std::string& line : controlLines(bytes)) {
    if (!splitFields(line, 2, fields)) continue;
    SourceLine source;
    source.name = fields[0];
    std::string valueField = fields[1];
    if (withStripCount) {
      StripCount strip = splitStripCount(valueField);
      valueField = strip.field;
      source.strip = strip.count;
    }
    if (!splitValueName(valueField, source.value, isLead)) continue;
    source.specification = fields[2];
    result.push_back(source);
  }
  return result;
}

std::vector<SourceLine> listingLines(const std::string& bytes, LeadBytePredicate isLead) {
  std::vector<SourceLine> result;
  std::vector<std::string> fields;
  for (const std::string& line : controlLines(bytes)) {
    if (!splitFields(line, 1, fields)) continue;
    SourceLine source;
    source.name = fields[0];
    StripCount strip = splitStripCount(fields[1]);
    source.strip = strip.count;
    if (!splitValueName(strip.field, source.value, isLead)) continue;
    result.push_back(source);
  }
  return result;
}

std::vector<EnvironmentLine> environmentLines(const std::string& bytes) {
  static const char kSystem[] = "system:";
  std::vector<EnvironmentLine> result;
  std::vector<std::string> fields;
  for (const std::string& line : controlLines(bytes)) {
    if (!splitFields(line, 2, fields)) continue;
    EnvironmentLine entry;
    entry.name = fields[0];
    entry.system = fields[1].compare(0, sizeof kSystem - 1, kSystem) == 0;
    entry.variable = entry.system ? fields[1].substr(sizeof kSystem - 1) : fields[1];
    entry.specification = fields[2];
    result.push_back(entry);
  }
  return result;
}

std::string propertyValue(const std::vector<std::string>& lines, const std::string& prefix) {
  for (const std::string& line : lines) {
    if (line.compare(0, prefix.size(), prefix) == 0) return line.substr(prefix.size());
  }
  return std::string();
}

}  // namespace dvq
