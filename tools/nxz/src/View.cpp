#include "View.h"

#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "Document.h"
#include "Findings.h"
#include "Html.h"
#include "ViewPage.h"

namespace nox::nxz {

namespace {

// Facts of the machine for the header, each from the first node whose path ends
// so and whose value is not empty.
struct MachineFact {
  const char* label;
  const char* where;
};
const MachineFact kMachineFacts[] = {
    {"Windows", "osVersion/osVersionInfomation"},
    {"Internet Explorer", "osVersion/ieVersion"},
    {"Processor", "cpuInfomation/cpuBrandName"},
    {"Processor", "cpuInfomation/cpuName"},
    {"Processors", "cpuInfomation/numberOfProcessors"},
    {"Memory", "memory/totalPhysicalMemoryInformation"},
    {"Network", "network/configurationInformation/configuration"},
    {"Domain or workgroup", "netWorkEnviroment/name"},
    {"Windows folder", "drive/windowsDirectory"},
};

// True when path ends with end at a '/' boundary.
bool endsWith(const std::string& path, const char* end) {
  size_t n = std::strlen(end);
  return path.size() >= n && path.compare(path.size() - n, n, end) == 0 &&
         (path.size() == n || path[path.size() - n - 1] == '/');
}

class Tee : public DocumentListener {
 public:
  void add(DocumentListener& l) { listeners_.push_back(&l); }
  void enter(const Node& node) override {
    for (DocumentListener* l : listeners_) l->enter(node);
  }
  void leave(const Node& node) override {
    for (DocumentListener* l : listeners_) l->leave(node);
  }

 private:
  std::vector<DocumentListener*> listeners_;
};

// Keeps the names from the root down to the current node.
class PathListener : public DocumentListener {
 public:
  void enter(const Node& node) override {
    lengths_.push_back(path_.size());
    if (node.depth > 0) path_ += (path_.empty() ? "" : "/") + node.name;
    entered(node);
  }
  void leave(const Node&) override {
    path_.resize(lengths_.back());
    lengths_.pop_back();
  }

 protected:
  virtual void entered(const Node& node) = 0;
  const std::string& path() const { return path_; }

 private:
  std::string path_;  // below the root
  std::vector<size_t> lengths_;
};

class HeaderCollector : public PathListener {
 public:
  explicit HeaderCollector(ResultHeader& header) : header_(header) {}

 protected:
  void entered(const Node& node) override {
    const std::string& p = path();
    if (node.depth == 1 && node.name == "Date") {
      header_.date = node.value;
      if (const std::string* zone = node.attribute("timezone")) header_.timeZone = *zone;
    } else if (node.depth == 1 && node.name == "toolVersion") {
      header_.toolVersion = node.value;
    } else if (node.depth == 3 && (endsWith(p, "toolVersion/pluginVersion/observationPlugin") ||
                                   endsWith(p, "toolVersion/pluginVersion/serializerPlugin"))) {
      header_.plugins.push_back({node.name == "serializerPlugin" ? "serializer" : "observation", "", "", ""});
    } else if (node.depth == 4 && !header_.plugins.empty() && p.rfind("toolVersion/pluginVersion/", 0) == 0) {
      ResultHeader::Plugin& plugin = header_.plugins.back();
      if (node.name == "Name") plugin.name = node.value;
      if (node.name == "fileName") plugin.fileName = node.value;
      if (node.name == "version") plugin.version = node.value;
    }
    if (node.value.empty() || !node.success) return;
    for (const MachineFact& fact : kMachineFacts) {
      if (!endsWith(p, fact.where)) continue;
      bool known = false;
      for (const auto& f : header_.machine) known |= f.label == fact.label;
      if (!known) header_.machine.push_back({fact.label, node.value});
    }
  }

 private:
  ResultHeader& header_;
};

// Which node names each side file.
class SideFileReferences : public PathListener {
 public:
  struct Reference {
    std::string path;
    uint64_t node;
  };
  std::map<std::string, Reference> byKey;

 protected:
  void entered(const Node& node) override {
    if (!node.success || (node.type != "path" && node.type != "binary") || node.value.empty()) return;
    byKey.emplace(sideFileKey(node.value), Reference{path(), node.index});
  }
};

// The report tree as JSON, node by node as the document streams past:
// [name, type, value, succeeded, [[attribute, value]...], [children...]].
class TreeJson : public DocumentListener {
 public:
  explicit TreeJson(std::ostream& out) : out_(out) {}
  void enter(const Node& node) override {
    if (!open_.empty()) {
      if (open_.back()) out_ << ',';
      open_.back() = true;
    }
    out_ << '[';
    writeJsonString(out_, node.name);
    out_ << ',';
    writeJsonString(out_, node.type);
    out_ << ',';
    writeJsonString(out_, node.value);
    out_ << (node.success ? ",1,[" : ",0,[");
    for (size_t i = 0; i < node.attributes.size(); ++i) {
      out_ << (i ? ",[" : "[");
      writeJsonString(out_, node.attributes[i].first);
      out_ << ',';
      writeJsonString(out_, node.attributes[i].second);
      out_ << ']';
    }
    out_ << "],[";
    open_.push_back(false);
    ++written_;
    if (node.depth == 0) rootSeen_ = true;
  }
  void leave(const Node&) override {
    out_ << "]]";
    open_.pop_back();
    if (open_.empty() || written_ % 64 == 0) out_ << '\n';
  }
  // Closes whatever a broken document left open.
  void finish() {
    while (!open_.empty()) leave(Node());
    if (!rootSeen_) out_ << "null";
  }

 private:
  std::ostream& out_;
  std::vector<bool> open_;
  uint64_t written_ = 0;
  bool rootSeen_ = false;
};

// Decodes the side files' names once the document's code page is known, which
// is before its first element.
class SideFileNamer : public DocumentListener {
 public:
  SideFileNamer(Result& result, const DocumentParser*& parser, unsigned int codePage)
      : result_(result), parser_(parser), codePage_(codePage) {}
  void enter(const Node&) override {
    if (done_) return;
    done_ = true;
    result_.sideFiles(codePage_ ? codePage_ : parser_->codePage());
  }
  void leave(const Node&) override {}

 private:
  Result& result_;
  const DocumentParser*& parser_;
  unsigned int codePage_;
  bool done_ = false;
};

bool looksLikeText(const std::string& start) {
  if (start.size() >= 2 &&
      ((start[0] == '\xFF' && start[1] == '\xFE') || (start[0] == '\xFE' && start[1] == '\xFF')))
    return true;
  size_t odd = 0;
  for (char ch : start) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c == 0) return false;
    if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != 0x1A) ++odd;
  }
  return odd * 50 <= start.size();
}

void writeHeader(std::ostream& html, const ResultHeader& h, const Result& result) {
  html << "<header class=\"top\"><h1>NoxInfo result";
  for (const auto& f : h.machine)
    if (f.label == std::string("Windows")) html << ": " << escapeHtml(f.value);
  html << "</h1><div class=\"sub\">" << escapeHtml(h.date.empty() ? "no date" : h.date)
       << (h.timeZone.empty() ? "" : " " + escapeHtml(h.timeZone)) << " &middot; "
       << escapeHtml(result.displayPath()) << " (" << escapeHtml(result.describe())
       << ")</div></header>\n<main>\n";
  html << "<section id=\"header\"><h2>Machine and tool</h2><table class=\"facts\">\n";
  // In the order of the facts' table, whatever order the document had them in.
  for (const MachineFact& fact : kMachineFacts)
    for (const auto& f : h.machine)
      if (f.label == fact.label && (&fact == kMachineFacts || fact.label != (&fact - 1)->label))
        html << "<tr><th>" << escapeHtml(f.label) << "</th><td>" << escapeHtml(f.value) << "</td></tr>\n";
  html << "<tr><th>Date</th><td>" << escapeHtml(h.date) << "</td></tr>\n";
  html << "<tr><th>Time zone</th><td>" << escapeHtml(h.timeZone) << "</td></tr>\n";
  html << "<tr><th>Tool version</th><td>" << escapeHtml(h.toolVersion) << "</td></tr>\n</table>\n";
  if (!h.plugins.empty()) {
    html << "<table class=\"plugins\"><tr><th>Plug-in</th><th>File</th><th>Version</th><th>Kind</th></tr>\n";
    for (const auto& p : h.plugins)
      html << "<tr><td>" << escapeHtml(p.name) << "</td><td class=\"mono\">" << escapeHtml(p.fileName)
           << "</td><td>" << escapeHtml(p.version) << "</td><td>" << p.kind << "</td></tr>\n";
    html << "</table>\n";
  }
  html << "</section>\n";
}

void writeFindings(std::ostream& html, const FindingCollector& collector) {
  std::vector<Finding> findings = collector.findings();
  html << "<section id=\"findings\"><h2>Findings (" << findings.size() << ")</h2>\n";
  if (findings.empty()) {
    html << "<p class=\"none\">No rule found anything.</p>\n";
  } else {
    html << "<table><tr><th>Severity</th><th>Finding</th><th>Node</th></tr>\n";
    for (const Finding& f : findings) {
      html << "<tr class=\"finding\" data-rule=\"" << escapeHtml(f.rule) << "\"><td><span class=\"sev "
           << severityName(f.severity) << "\">" << severityName(f.severity) << "</span></td><td>"
           << escapeHtml(f.message) << "</td><td class=\"path\"><a href=\"#n" << f.node << "\" data-node=\""
           << f.node << "\">" << escapeHtml(f.path.empty() ? "(document)" : f.path) << "</a></td></tr>\n";
    }
    html << "</table>\n";
  }
  for (const auto& d : collector.dropped())
    html << "<p class=\"muted\">" << d.second << " more of rule " << escapeHtml(d.first)
         << " not listed.</p>\n";
  html << "<details class=\"muted\"><summary>Rules</summary><ul>\n";
  for (const FindingRule& rule : findingRules())
    html << "<li><b>" << rule.id << "</b> (" << severityName(rule.severity) << "): " << escapeHtml(rule.title)
         << "</li>\n";
  html << "</ul></details></section>\n";
}

void writeSideFiles(std::ostream& html, Result& result, const std::vector<SideFile>& files,
                    const SideFileReferences& refs, const ViewOptions& options, CodePage& codePage) {
  html << "<section id=\"files\"><h2>Side files (" << files.size() << ")</h2>\n";
  if (files.empty()) {
    html << "<p class=\"muted\">The result carries no side files.</p></section>\n";
    return;
  }
  html << "<table><tr><th>File</th><th>Size</th><th>Named by</th></tr>\n";
  uint64_t budget = options.inlineBudget;
  std::string bytes;
  for (size_t i = 0; i < files.size(); ++i) {
    const SideFile& f = files[i];
    auto ref = refs.byKey.find(sideFileKey(f.name));
    html << "<tr class=\"side-file\"><td class=\"mono\">";
    bool truncated = false;
    size_t limit = static_cast<size_t>(budget < options.inlineLimit ? budget : options.inlineLimit);
    bool read = limit > 0 && result.readStart(i, limit, bytes, truncated);
    if (read && looksLikeText(bytes.substr(0, 4096))) {
      budget -= bytes.size();
      html << "<details class=\"file\" id=\"file-" << i << "\"><summary>" << escapeHtml(f.name)
           << "</summary><pre>" << escapeHtml(sideFileTextToUtf8(bytes, codePage)) << "</pre>";
      if (truncated)
        html << "<p class=\"muted\">Only the first " << formatBytes(bytes.size()) << " are shown.</p>";
      html << "</details>";
    } else {
      html << "<span id=\"file-" << i << "\">" << escapeHtml(f.name) << "</span>";
      if (!read && limit > 0) html << " <span class=\"muted\">(cannot be read)</span>";
    }
    html << "</td><td>" << formatBytes(f.size) << "</td><td class=\"path\">";
    if (ref != refs.byKey.end())
      html << "<a href=\"#n" << ref->second.node << "\" data-node=\"" << ref->second.node << "\">"
           << escapeHtml(ref->second.path) << "</a>";
    else
      html << "<span class=\"muted\">no report names it</span>";
    html << "</td></tr>\n";
  }
  html << "</table></section>\n";
}

}  // namespace

ViewSummary writeView(Result& result, std::ostream& html, const ViewOptions& options) {
  ViewSummary summary;
  html << kPageHead;
  html << "<script type=\"application/json\" id=\"nox-tree\">";

  ResultHeader header;
  HeaderCollector headerCollector(header);
  SideFileReferences refs;
  TreeJson tree(html);
  FindingCollector findings([&result](const std::string& name) { return result.has(name); });
  const DocumentParser* parserSeen = nullptr;
  SideFileNamer namer(result, parserSeen, options.codePage);
  Tee tee;
  tee.add(namer);
  tee.add(headerCollector);
  tee.add(refs);
  tee.add(tree);
  tee.add(findings);

  DocumentParser parser(tee, options.codePage);
  parserSeen = &parser;
  ParserSink sink(parser);
  std::string problem;
  bool read = result.readDocument(sink, problem);
  bool parsed = read && parser.finish();
  if (!parsed) {
    summary.documentComplete = false;
    summary.documentProblem = !parser.error().empty() ? "the document is broken at " + parser.error()
                                                      : "the document cannot be read: " + problem;
    Finding broken;
    broken.severity = Severity::kError;
    broken.rule = "document";
    broken.message = summary.documentProblem + "; the report below ends there";
    findings.add(broken);
  }
  tree.finish();
  html << "</script>\n";

  unsigned int codePageNumber = options.codePage ? options.codePage : parser.codePage();
  const std::vector<SideFile>& files = result.sideFiles(codePageNumber);
  html << "<script type=\"application/json\" id=\"nox-files\">{";
  for (size_t i = 0; i < files.size(); ++i) {
    if (i) html << ',';
    writeJsonString(html, sideFileKey(files[i].name));
    html << ":\"file-" << i << "\"";
  }
  html << "}</script>\n";

  writeHeader(html, header, result);
  writeFindings(html, findings);
  html << "<section id=\"report\"><h2>Report</h2><div class=\"tools\"><input id=\"search\" type=\"search\" "
          "placeholder=\"Search names and values\" autocomplete=\"off\"><span id=\"search-status\"></span>"
          "<button id=\"expand-all\" type=\"button\">Expand all</button><button id=\"collapse-all\" "
          "type=\"button\">Collapse all</button></div><div id=\"tree\" class=\"tree\"></div></section>\n";
  CodePage codePage(codePageNumber);
  writeSideFiles(html, result, files, refs, options, codePage);
  html << "</main>\n" << kPageScript << kPageEnd;

  std::vector<Finding> all = findings.findings();
  summary.nodes = parser.nodeCount();
  summary.findings = all.size();
  for (const Finding& f : all) summary.errors += f.severity == Severity::kError;
  summary.sideFiles = files.size();
  return summary;
}

}  // namespace nox::nxz
