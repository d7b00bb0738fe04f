#pragma once

// Findings: what a support engineer checks first in a result, as one table of
// rules over the report nodes. Each rule names where it looks (the end of a
// node's path) and how it judges the node with its leaves; adding a check is
// adding a row to the table in Findings.cpp.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Document.h"

namespace nox::nxz {

enum class Severity { kError, kWarning, kNotice };
const char* severityName(Severity severity);

struct Finding {
  Severity severity = Severity::kWarning;
  std::string rule;     // the rule's identifier
  std::string message;  // what is wrong, naming the thing it is about
  std::string path;     // report names from below the root, joined by '/'
  uint64_t node = 0;    // index of the node in document order
};

// A node as a rule sees it when it closes: the node, its path and its leaves
// (the children that have no children of their own), and the nodes above it.
class RuleContext {
 public:
  const Node& node() const { return *node_; }
  const std::string& path() const { return *path_; }
  // The first leaf of that name, or null.
  const Node* leaf(const std::string& name) const;
  // The nearest node above of that name, or null.
  const Node* ancestor(const std::string& name) const;
  // True when the result holds the side file of that relative name.
  bool hasSideFile(const std::string& relativeName) const;

 private:
  friend class FindingCollector;
  const Node* node_ = nullptr;
  const std::string* path_ = nullptr;
  const std::vector<Node>* leaves_ = nullptr;
  // The nodes above, from the root, and how many of them there are.
  const Node* const* ancestors_ = nullptr;
  size_t ancestorCount_ = 0;
  const std::function<bool(const std::string&)>* sideFiles_ = nullptr;
};

struct FindingRule {
  const char* id;
  Severity severity;
  // What the rule checks, as the page's legend says it.
  const char* title;
  // Path ends the node must have, separated by '|' ("drive/driveInfomation");
  // empty for every node.
  const char* where;
  // Fills the message (and may change the severity) when the node has the fault.
  bool (*check)(const RuleContext& at, std::string& message, Severity& severity);
  // Checked only when no rule above it has found something at the same node.
  bool fallback;
};

const std::vector<FindingRule>& findingRules();

// Byte count of a size text as the PC report writes it ("1023 B", "1,234 KB");
// false for anything else ("size unknown").
bool parseSizeText(const std::string& text, uint64_t& bytes);

// Runs the rules over a document as it streams past.
class FindingCollector : public DocumentListener {
 public:
  using SideFileCheck = std::function<bool(const std::string& relativeName)>;
  // Findings per rule beyond this are counted, not kept.
  static constexpr size_t kKeptPerRule = 500;

  // Without a side file check every side file counts as present.
  explicit FindingCollector(SideFileCheck hasSideFile = nullptr,
                            const std::vector<FindingRule>& rules = findingRules());

  void enter(const Node& node) override;
  void leave(const Node& node) override;

  // Adds a finding that no rule makes (a broken document).
  void add(Finding finding);
  // In order of severity, then document order.
  std::vector<Finding> findings() const;
  // Findings per rule beyond the kept ones.
  const std::map<std::string, uint64_t>& dropped() const { return dropped_; }

 private:
  struct Frame {
    Node node;
    std::string path;
    std::vector<Node> leaves;
  };
  struct Rule {
    const FindingRule* rule;
    std::vector<std::string> where;  // the path ends, split
  };
  void evaluate(Frame& frame);
  std::string keyedPath(const Frame& frame) const;

  SideFileCheck hasSideFile_;
  std::vector<Rule> rules_;
  std::vector<Frame> stack_;
  std::vector<const Node*> ancestors_;
  std::vector<Finding> findings_;
  std::map<std::string, size_t> kept_;
  std::map<std::string, uint64_t> dropped_;
};

}  // namespace nox::nxz
