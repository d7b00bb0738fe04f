#include "Outcome.h"

#include <cstdio>

#include "Text.h"

namespace host {

namespace {

std::string baseName(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string plural(unsigned long long count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

unsigned long long totalBytes(const std::vector<WrittenFile>& files) {
  unsigned long long total = 0;
  for (const WrittenFile& file : files) total += file.bytes;
  return total;
}

std::string joinNames(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
  return text;
}

// The parts of a split set from `first` to `last` (counted from 1).
std::string partNames(const Outcome& o, unsigned int last) {
  if (o.files.empty() || last == 0) return "";
  std::string first = baseName(o.files.front().path);
  if (last == 1) return first;
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, ".%03u", last);
  return first + (last == 2 ? ", " : " to ") + first + suffix;
}

std::string resultLine(const Outcome& o) {
  if (o.files.empty()) return "";
  const WrittenFile& first = o.files.front();
  if (o.parts > 0) {
    return "Result: " + plural(o.parts, "part", "parts") + " in " + o.target + " (" + partNames(o, o.parts) +
           "), " + sizeText(totalBytes(o.files)) + " in all";
  }
  if (!o.compress && !o.pack) {
    return "Result: " + first.path + " (" + sizeText(first.bytes) + "); the folder holds " +
           plural(o.folderFiles, "file", "files") + ", " + sizeText(o.folderBytes) + " in all";
  }
  return "Result: " + first.path + " (" + sizeText(first.bytes) + ")";
}

struct Labelled {
  std::string label;
  const ReportSummary* report;
};

// Pairs the reports of the document with the plug-ins that ran, category by
// category: where a category holds as many reports as plug-ins ran in it, the
// n-th report is the n-th plug-in's. Fills `silent` with the categories whose
// count is short.
std::vector<Labelled> labelReports(const Outcome& o, std::vector<std::string>& silent) {
  std::vector<Labelled> labelled;
  std::vector<bool> used(o.summary.categories.size(), false);
  std::vector<std::string> seenCategories;
  for (const PluginRun& run : o.ran) {
    bool seen = false;
    for (const std::string& name : seenCategories) seen = seen || name == run.category;
    if (!seen) seenCategories.push_back(run.category);
  }
  for (const std::string& category : seenCategories) {
    std::vector<std::string> plugins;
    for (const PluginRun& run : o.ran) {
      if (run.category == category) plugins.push_back(run.plugin);
    }
    const CategorySummary* found = nullptr;
    for (size_t i = 0; i < o.summary.categories.size() && !found; ++i) {
      if (!used[i] && o.summary.categories[i].name == category) {
        used[i] = true;
        found = &o.summary.categories[i];
      }
    }
    size_t reports = found ? found->reports.size() : 0;
    if (reports < plugins.size()) {
      silent.push_back(category + ": " + std::to_string(reports) + " of " + std::to_string(plugins.size()) +
                       " (" + joinNames(plugins) + ")");
    }
    for (size_t i = 0; found && i < found->reports.size(); ++i) {
      std::string label =
          reports == plugins.size() ? plugins[i] : "report " + found->reports[i].name + " in " + category;
      labelled.push_back(Labelled{label, &found->reports[i]});
    }
  }
  return labelled;
}

void addReportLines(const Outcome& o, std::vector<std::string>& lines) {
  if (!o.documentRead) {
    lines.push_back("Plug-ins: " + plural(o.ran.size(), "was", "were") +
                    " called; the document could not be read to check their reports");
    return;
  }
  std::vector<std::string> silent;
  std::vector<Labelled> reports = labelReports(o, silent);
  lines.push_back("Plug-ins: " + std::to_string(reports.size()) + " of " + std::to_string(o.ran.size()) +
                  " reported");
  for (const std::string& category : silent) lines.push_back("  No report in category " + category);
  bool anyFailed = false;
  for (const Labelled& item : reports) {
    if (item.report->failed == 0) continue;
    if (!anyFailed) lines.push_back("Sections marked unsuccessful:");
    anyFailed = true;
    std::string line = "  " + item.label + ": " + std::to_string(item.report->failed) + " (" +
                       joinNames(item.report->failedPaths);
    if (item.report->failed > item.report->failedPaths.size()) line += ", ...";
    lines.push_back(line + ")");
  }
  if (!anyFailed && !reports.empty()) lines.push_back("No section was marked unsuccessful");
}

std::string nothingWritten(const Outcome& o) { return "Nothing was written to " + o.target; }

void addCancelLines(const Outcome& o, std::vector<std::string>& lines) {
  switch (o.stage) {
    case Stage::Packing:
      lines.push_back("Cancelled while packing");
      lines.push_back(nothingWritten(o) + (o.pack ? "; the result folder is unchanged"
                                                  : "; the collected reports were not kept"));
      return;
    case Stage::Splitting: {
      unsigned int failedPart = o.partsWritten + 1;
      lines.push_back("Cancelled before part " + std::to_string(failedPart) + " of " +
                      std::to_string(o.parts) + " was written");
      if (o.partsWritten == 0) {
        lines.push_back("No part was written to " + o.target);
      } else {
        lines.push_back("Written: " + partNames(o, o.partsWritten) +
                        "; the set is incomplete and cannot be unpacked: run again to write all " +
                        std::to_string(o.parts) + " parts");
      }
      return;
    }
    default:
      break;
  }
  lines.push_back("Cancelled after " + std::to_string(o.ran.size()) + " of " + std::to_string(o.planned) +
                  " plug-ins had run");
  if (!o.files.empty() && o.compress) {
    lines.push_back("Written: " + o.files.front().path + ", but it holds only an empty " + o.document +
                    ": no report was written");
  } else if (!o.files.empty()) {
    lines.push_back("Written: " + o.files.front().path + ", empty: no report was written");
  } else {
    lines.push_back(nothingWritten(o) + ": no report was written");
  }
}

void addFailureLines(const Outcome& o, std::vector<std::string>& lines) {
  if (o.parts > 0 && o.partsWritten > 0 && o.partsWritten < o.parts) {
    lines.push_back("Written before the failure: " + partNames(o, o.partsWritten) + "; the set of " +
                    std::to_string(o.parts) + " parts is incomplete");
  } else if (o.files.empty()) {
    lines.push_back(nothingWritten(o));
  } else {
    std::vector<std::string> names;
    for (const WrittenFile& file : o.files) names.push_back(file.path);
    lines.push_back("Written before the failure: " + joinNames(names));
  }
}

}  // namespace

std::vector<std::string> outcomeLines(const Outcome& outcome) {
  std::vector<std::string> lines;
  switch (outcome.ending) {
    case Ending::Written:
      if (!outcome.files.empty()) lines.push_back(resultLine(outcome));
      if (!outcome.pack) addReportLines(outcome, lines);
      if (outcome.lateCancel)
        lines.push_back("The cancel came too late to stop the run: the result is complete");
      break;
    case Ending::Cancelled:
      addCancelLines(outcome, lines);
      break;
    case Ending::Failed:
      addFailureLines(outcome, lines);
      break;
  }
  return lines;
}

}  // namespace host
