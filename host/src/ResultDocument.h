#pragma once

#include <string>
#include <vector>

// What a result document (NoxInfo.xml) says about the run: the plug-in reports
// under each category, and which of their nodes the plug-ins marked
// unsuccessful. Portable: no Windows header. Reads the XML writer's output
// without building a tree, and any other text without harm.
namespace host {

struct ReportSummary {
  std::string name;                      // the plug-in's report root (its real name)
  unsigned long failed = 0;              // nodes marked IsSuccess="false" in its tree
  std::vector<std::string> failedPaths;  // the first few, "PC/drive/Disk C:"
};

struct CategorySummary {
  std::string name;
  std::vector<ReportSummary> reports;  // in document order
};

struct DocumentSummary {
  bool hasRoot = false;     // the document holds a root element
  bool wellFormed = false;  // every element was closed in order
  std::vector<CategorySummary> categories;
};

// How many failed paths each report keeps.
constexpr size_t kFailedPathsKept = 3;

DocumentSummary summarizeDocument(const std::string& text);

}  // namespace host
