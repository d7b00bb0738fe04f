#include "ResultDocument.h"

#include <cstdlib>

namespace host {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Attribute values as the writer escapes them; other references stay as written.
std::string unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out += text[i];
      continue;
    }
    size_t end = text.find(';', i);
    if (end == std::string::npos || end - i > 10) {
      out += text[i];
      continue;
    }
    std::string name = text.substr(i + 1, end - i - 1);
    char c = 0;
    if (name == "quot")
      c = '"';
    else if (name == "amp")
      c = '&';
    else if (name == "lt")
      c = '<';
    else if (name == "gt")
      c = '>';
    else if (name == "apos")
      c = '\'';
    else if (name.size() > 1 && name[0] == '#') {
      bool hex = name[1] == 'x' || name[1] == 'X';
      long code = std::strtol(name.c_str() + (hex ? 2 : 1), nullptr, hex ? 16 : 10);
      if (code > 0 && code < 0x80) c = static_cast<char>(code);
    }
    if (!c) {
      out += text[i];
      continue;
    }
    out += c;
    i = end;
  }
  return out;
}

struct Tag {
  std::string name;  // the real name: formalName when the element has one
  bool closing = false;
  bool empty = false;  // <name ... />
  bool failed = false;
  std::string elementName;
};

// Reads the tag starting at text[at] == '<' up to its '>'; returns the position
// after it, or npos when the text ends inside it.
size_t readTag(const std::string& text, size_t at, Tag& tag) {
  size_t i = at + 1;
  if (i < text.size() && text[i] == '/') {
    tag.closing = true;
    ++i;
  }
  size_t nameStart = i;
  while (i < text.size() && !isSpace(text[i]) && text[i] != '>' && text[i] != '/') ++i;
  tag.elementName = text.substr(nameStart, i - nameStart);
  tag.name = tag.elementName;
  while (i < text.size()) {
    while (i < text.size() && isSpace(text[i])) ++i;
    if (i >= text.size()) break;
    if (text[i] == '>') return i + 1;
    if (text[i] == '/') {
      tag.empty = true;
      ++i;
      continue;
    }
    size_t attrStart = i;
    while (i < text.size() && text[i] != '=' && text[i] != '>' && !isSpace(text[i])) ++i;
    std::string attribute = text.substr(attrStart, i - attrStart);
    while (i < text.size() && isSpace(text[i])) ++i;
    if (i >= text.size() || text[i] != '=') continue;
    ++i;
    while (i < text.size() && isSpace(text[i])) ++i;
    if (i >= text.size()) break;
    char quote = text[i];
    if (quote != '"' && quote != '\'') continue;
    size_t valueEnd = text.find(quote, i + 1);
    if (valueEnd == std::string::npos) break;
    std::string value = unescape(text.substr(i + 1, valueEnd - i - 1));
    i = valueEnd + 1;
    if (attribute == "formalName") tag.name = value;
    if (attribute == "IsSuccess" && value == "false") tag.failed = true;
  }
  return std::string::npos;
}

}  // namespace

DocumentSummary summarizeDocument(const std::string& text) {
  struct Frame {
    std::string elementName;
    bool onPath;  // its real name is the last of `path`
  };
  DocumentSummary summary;
  std::vector<Frame> open;
  std::vector<std::string> path;  // real names from the report root down
  size_t rootChildren = 0;
  bool inCategory = false;
  bool balanced = true;
  size_t i = 0;
  while ((i = text.find('<', i)) != std::string::npos) {
    if (text.compare(i, 4, "<!--") == 0) {
      size_t end = text.find("-->", i + 4);
      i = end == std::string::npos ? text.size() : end + 3;
      continue;
    }
    if (text.compare(i, 2, "<?") == 0 || text.compare(i, 2, "<!") == 0) {
      size_t end = text.find('>', i + 2);
      i = end == std::string::npos ? text.size() : end + 1;
      continue;
    }
    Tag tag;
    size_t next = readTag(text, i, tag);
    if (next == std::string::npos) {
      balanced = false;
      break;
    }
    i = next;
    if (tag.closing) {
      if (open.empty()) {
        balanced = false;
        continue;
      }
      if (open.back().elementName != tag.elementName) balanced = false;
      if (open.back().onPath) path.pop_back();
      open.pop_back();
      if (open.size() <= 1) inCategory = false;
      continue;
    }
    size_t depth = open.size();
    bool onPath = false;
    if (depth == 0) {
      if (summary.hasRoot) balanced = false;
      summary.hasRoot = true;
    } else if (depth == 1) {
      // The root's first children are the header: "Date" and "toolVersion".
      size_t index = rootChildren++;
      bool header = (index == 0 && tag.name == "Date") || (index == 1 && tag.name == "toolVersion");
      inCategory = !header;
      if (inCategory) summary.categories.push_back(CategorySummary{tag.name, {}});
    } else if (inCategory) {
      std::vector<ReportSummary>& reports = summary.categories.back().reports;
      if (depth == 2 || reports.empty()) reports.push_back(ReportSummary{tag.name, 0, {}});
      path.push_back(tag.name);
      onPath = true;
      if (tag.failed) {
        ReportSummary& report = reports.back();
        ++report.failed;
        if (report.failedPaths.size() < kFailedPathsKept) {
          std::string joined;
          for (const std::string& part : path) joined += (joined.empty() ? "" : "/") + part;
          report.failedPaths.push_back(joined);
        }
      }
    }
    if (tag.empty) {
      if (onPath) path.pop_back();
      if (depth == 1) inCategory = false;
    } else {
      open.push_back(Frame{tag.elementName, onPath});
    }
  }
  summary.wellFormed = balanced && summary.hasRoot && open.empty();
  return summary;
}

}  // namespace host
