#include "Commands.h"

#include <cstdlib>

#include "Document.h"
#include "Folder.h"
#include "Html.h"
#include "Result.h"
#include "StdioStream.h"
#include "View.h"
#include "ViewPage.h"

namespace nox::nxz {

namespace {

bool number(const std::string& text, unsigned long& value) {
  char* end = nullptr;
  value = std::strtoul(text.c_str(), &end, 10);
  return !text.empty() && end && *end == '\0';
}

std::string defaultPageName(const std::string& result) {
  std::string name = lastComponent(result);
  size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  if (name.empty() || name == "." || name == "..") name = "NoxInfo";
  return name + ".html";
}

}  // namespace

int runView(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const char kUsage[] = "usage: nxz view RESULT [-o FILE.html] [-c N] [--inline-limit KB]\n";
  std::vector<std::string> operands;
  std::string output;
  ViewOptions options;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    unsigned long n = 0;
    if (a == "-h" || a == "--help") {
      out << kUsage;
      return 0;
    } else if ((a == "-o" || a == "--output") && i + 1 < args.size()) {
      output = args[++i];
    } else if ((a == "-c" || a == "--codepage") && i + 1 < args.size() && number(args[i + 1], n) && n > 0) {
      options.codePage = static_cast<unsigned int>(n);
      ++i;
    } else if (a == "--inline-limit" && i + 1 < args.size() && number(args[i + 1], n)) {
      options.inlineLimit = static_cast<size_t>(n) * 1024;
      ++i;
    } else if (a.size() > 1 && a[0] == '-') {
      err << "nxz: unknown or incomplete option " << a << "\n" << kUsage;
      return 2;
    } else {
      operands.push_back(a);
    }
  }
  if (operands.size() != 1) {
    err << kUsage;
    return 2;
  }
  Result result;
  if (!result.open(operands[0], err)) return 2;
  if (output.empty()) output = defaultPageName(operands[0]);
  StdioFile html(output);
  if (!html) {
    err << "nxz: cannot write " << output << "\n";
    return 1;
  }
  ViewSummary s = writeView(result, html, options);
  html.close();
  if (!html) {
    err << "nxz: writing " << output << " failed\n";
    return 1;
  }
  out << "Written: " << output << " (" << s.nodes << " report nodes, " << s.findings << " findings, "
      << s.errors << " of them errors, " << s.sideFiles << " side files)\n";
  if (!s.documentComplete) {
    err << "nxz: " << operands[0] << ": " << s.documentProblem << "\n";
    return 1;
  }
  return 0;
}

namespace {

std::string treeLeaf(const Tree& tree, const std::string& name) {
  std::string value;
  if (!tree.empty()) tree.leafValue(0, name, value);
  return value;
}

// The Windows name of the machine, from its PC report.
std::string machineOf(const Tree& tree) {
  for (uint32_t i = 0; i < tree.size(); ++i) {
    if (tree.name(tree.item(i).name) != "osVersionInfomation") continue;
    return tree.text(tree.item(i).value);
  }
  return std::string();
}

bool loadTree(const std::string& path, Tree& tree, unsigned int codePage, std::ostream& err) {
  Result result;
  if (!result.open(path, err)) return false;
  DocumentParser parser(tree, codePage);
  ParserSink sink(parser);
  std::string problem;
  if (!result.readDocument(sink, problem) || !parser.finish()) {
    err << "nxz: " << path << ": "
        << (parser.error().empty() ? "the document cannot be read: " + problem
                                   : "the document is broken at " + parser.error())
        << "\n";
    return false;
  }
  return true;
}

}  // namespace

int runDiff(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const char kUsage[] = "usage: nxz diff OLD NEW [--html FILE] [-c N]\n";
  std::vector<std::string> operands;
  std::string htmlPath;
  unsigned int codePage = 0;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    unsigned long n = 0;
    if (a == "-h" || a == "--help") {
      out << kUsage;
      return 0;
    } else if (a == "--html" && i + 1 < args.size()) {
      htmlPath = args[++i];
    } else if ((a == "-c" || a == "--codepage") && i + 1 < args.size() && number(args[i + 1], n) && n > 0) {
      codePage = static_cast<unsigned int>(n);
      ++i;
    } else if (a.size() > 1 && a[0] == '-') {
      err << "nxz: unknown or incomplete option " << a << "\n" << kUsage;
      return 2;
    } else {
      operands.push_back(a);
    }
  }
  if (operands.size() != 2) {
    err << kUsage;
    return 2;
  }
  Tree older, newer;
  if (!loadTree(operands[0], older, codePage, err) || !loadTree(operands[1], newer, codePage, err)) return 2;

  DiffSide a{fileNameToUtf8(operands[0]), treeLeaf(older, "Date"), machineOf(older)};
  DiffSide b{fileNameToUtf8(operands[1]), treeLeaf(newer, "Date"), machineOf(newer)};
  std::vector<Change> changes;
  bool text = htmlPath.empty();
  if (text) {
    out << utf8ToConsole("older: " + a.path + " (" + a.date + ")") << "\n"
        << utf8ToConsole("newer: " + b.path + " (" + b.date + ")") << "\n";
  }
  DiffCounts counts = diffTrees(older, newer, [&](const Change& c) {
    if (text) {
      out << utf8ToConsole(formatChange(c)) << "\n";
    } else {
      changes.push_back(c);
    }
  });
  if (!text) {
    StdioFile html(htmlPath);
    if (html) writeDiffPage(html, a, b, changes, counts);
    html.close();
    if (!html) {
      err << "nxz: cannot write " << htmlPath << "\n";
      return 2;
    }
    out << "Written: " << htmlPath << "\n";
  }
  out << counts.added << " added, " << counts.removed << " removed, " << counts.changed << " changed\n";
  return counts.any() ? 1 : 0;
}

void writeDiffPage(std::ostream& html, const DiffSide& older, const DiffSide& newer,
                   const std::vector<Change>& changes, const DiffCounts& counts) {
  html << kPageHead;
  html << "<header class=\"top\"><h1>NoxInfo results compared</h1><div class=\"sub\">"
       << escapeHtml(older.date) << " &rarr; " << escapeHtml(newer.date) << "</div></header>\n<main>\n";
  html << "<section id=\"header\"><h2>Results</h2><table class=\"facts\">\n";
  for (const DiffSide* side : {&older, &newer})
    html << "<tr><th>" << (side == &older ? "Older" : "Newer") << "</th><td><span class=\"mono\">"
         << escapeHtml(side->path) << "</span><br>" << escapeHtml(side->date) << " &middot; "
         << escapeHtml(side->machine) << "</td></tr>\n";
  html << "</table></section>\n";
  html << "<section id=\"changes\"><h2>Changes: " << counts.added << " added, " << counts.removed
       << " removed, " << counts.changed << " changed</h2>\n";
  if (changes.empty()) {
    html << "<p class=\"none\">The two results hold the same report.</p>\n";
  } else {
    html << "<div class=\"tools\"><input id=\"search\" type=\"search\" placeholder=\"Filter changes\" "
            "autocomplete=\"off\"></div>\n<table "
            "id=\"change-table\"><tr><th></th><th>Where</th><th>What</th></tr>\n";
    for (const Change& c : changes) {
      const char* kind = c.kind == '+' ? "added" : c.kind == '-' ? "removed" : "changed";
      const char* severity = c.kind == '+' ? "notice" : c.kind == '-' ? "warning" : "error";
      html << "<tr class=\"change " << kind << "\"><td><span class=\"sev " << severity << "\">" << kind
           << "</span></td><td class=\"path\">" << escapeHtml(c.path)
           << (c.kind == '~' && !c.detail.empty() ? " " : "") << escapeHtml(c.kind == '~' ? c.detail : "")
           << "</td><td>";
      if (c.kind == '~') {
        html << "<del>" << escapeHtml(c.before) << "</del> &rarr; <ins>" << escapeHtml(c.after) << "</ins>";
      } else {
        html << escapeHtml(c.detail);
      }
      html << "</td></tr>\n";
    }
    html << "</table>\n<script>\n(function () {\n  var search = document.getElementById(\"search\");\n"
            "  var rows = document.querySelectorAll(\"#change-table tr.change\");\n"
            "  search.addEventListener(\"input\", function () {\n"
            "    var q = search.value.trim().toLowerCase();\n"
            "    rows.forEach(function (r) { r.style.display = !q || r.textContent.toLowerCase().indexOf(q) "
            ">= 0 ? "
            "\"\" : \"none\"; });\n  });\n})();\n</script>\n";
  }
  html << "</section>\n</main>\n" << kPageEnd;
}

}  // namespace nox::nxz
