#include "Findings.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "Diff.h"

namespace nox::nxz {

const char* severityName(Severity severity) {
  switch (severity) {
    case Severity::kError:
      return "error";
    case Severity::kWarning:
      return "warning";
    case Severity::kNotice:
      return "notice";
  }
  return "?";
}

const Node* RuleContext::leaf(const std::string& name) const {
  for (const Node& l : *leaves_)
    if (l.name == name) return &l;
  return nullptr;
}

const Node* RuleContext::ancestor(const std::string& name) const {
  for (size_t i = ancestorCount_; i-- > 0;)
    if (ancestors_[i]->name == name) return ancestors_[i];
  return nullptr;
}

bool RuleContext::hasSideFile(const std::string& relativeName) const {
  return !sideFiles_ || !*sideFiles_ || (*sideFiles_)(relativeName);
}

bool parseSizeText(const std::string& text, uint64_t& bytes) {
  size_t blank = text.rfind(' ');
  if (blank == std::string::npos || blank == 0) return false;
  std::string unit = text.substr(blank + 1);
  if (unit != "B" && unit != "KB") return false;
  uint64_t n = 0;
  bool digits = false;
  for (size_t i = 0; i < blank; ++i) {
    char c = text[i];
    if (c == ',') continue;
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    n = n * 10 + static_cast<uint64_t>(c - '0');
    digits = true;
  }
  if (!digits) return false;
  bytes = unit == "KB" ? n * 1024 : n;
  return true;
}

namespace {

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string leafText(const RuleContext& at, const char* name) {
  const Node* l = at.leaf(name);
  return l ? l->value : std::string();
}

bool leafNumber(const RuleContext& at, const char* name, long long& n) {
  const Node* l = at.leaf(name);
  if (!l || !l->success || l->value.empty()) return false;
  char* end = nullptr;
  n = std::strtoll(l->value.c_str(), &end, 10);
  return end && *end == '\0';
}

std::string withError(std::string text, const Node& node) {
  if (!node.value.empty()) text += ": " + node.value;
  return text;
}

// --- the checks, one per rule -------------------------------------------------

// A fixed drive with less than 10 % or less than 1 GB free.
bool lowDiskSpace(const RuleContext& at, std::string& message, Severity&) {
  const Node* total = at.leaf("totakDiskSpace");
  const Node* free = at.leaf("freeDiskSpace");
  uint64_t totalBytes = 0, freeBytes = 0;
  if (!total || !free || !parseSizeText(total->value, totalBytes) || !parseSizeText(free->value, freeBytes))
    return false;
  const uint64_t kGigabyte = 1024ull * 1024 * 1024;
  if (freeBytes >= kGigabyte && freeBytes * 10 >= totalBytes) return false;
  char percent[32];
  std::snprintf(percent, sizeof percent, "%.1f %%",
                totalBytes ? 100.0 * static_cast<double>(freeBytes) / static_cast<double>(totalBytes) : 0.0);
  message = "drive " + leafText(at, "driveName") + " has " + free->value + " free of " + total->value + " (" +
            percent + ")";
  return true;
}

// Status words of the spooler that mean the printer cannot print as it is, and
// those that only need attention.
struct StatusWord {
  const char* text;
  Severity severity;
};
const StatusWord kPrinterStatusWords[] = {
    {"The printer is in an error state.", Severity::kError},
    {"Paper is jammed in the printer", Severity::kError},
    {"The printer is out of paper.", Severity::kError},
    {"The printer has a paper problem.", Severity::kError},
    {"The printer is offline.", Severity::kError},
    {"The printer's output bin is full.", Severity::kError},
    {"The printer is not available for printing.", Severity::kError},
    {"The printer is out of toner.", Severity::kError},
    {"The printer cannot print the current page.", Severity::kError},
    {"The printer has an error that requires the user to do something.", Severity::kError},
    {"The printer has run out of memory.", Severity::kError},
    {"The printer door is open.", Severity::kError},
    {"The printer status is unknown.", Severity::kWarning},
    {"The printer is paused.", Severity::kWarning},
    {"The printer is low on toner.", Severity::kWarning},
    {"The printer is in a manual feed state.", Severity::kWarning},
};

bool printerInTrouble(const RuleContext& at, std::string& message, Severity& severity) {
  std::string status = leafText(at, "status");
  for (const StatusWord& word : kPrinterStatusWords) {
    if (status != word.text) continue;
    severity = word.severity;
    const std::string* scope = at.node().attribute("printObject");
    message = "printer " + leafText(at, "printerName") + (scope ? " (" + *scope + ")" : "") + ": " + status;
    return true;
  }
  return false;
}

// Services the spooler and printing to shared printers depend on.
const char* const kPrintingServices[] = {"Spooler", "RpcSs", "RpcEptMapper", "LanmanWorkstation"};

bool printingServiceStopped(const RuleContext& at, std::string& message, Severity&) {
  std::string name = leafText(at, "serviceName");
  std::string status = leafText(at, "serviceStatus");
  bool needed = std::any_of(std::begin(kPrintingServices), std::end(kPrintingServices),
                            [&](const char* s) { return lower(s) == lower(name); });
  if (!needed || status == "[running]" || status.empty()) return false;
  message = "service " + name + " (" + leafText(at, "displayName") + ") is " + status + "; printing needs it";
  return true;
}

// A name or address lookup that failed or came back without answers.
bool lookupWithoutAnswer(const RuleContext& at, std::string& message, Severity&) {
  const Node& n = at.node();
  const Node* target = at.ancestor("target");
  std::string what = (n.name == "forwardlookupResult" ? "forward lookup" : "reverse lookup");
  std::string resolver = at.ancestor("useDNS") ? " (DNS)" : " (Windows resolver)";
  std::string of = target ? " of " + target->value : std::string();
  if (!n.success) {
    message = withError(what + of + resolver + " failed", n);
    return true;
  }
  size_t arrow = n.value.find("->");
  if (arrow == std::string::npos) return false;
  if (n.value.find_first_not_of("\t, ", arrow + 2) != std::string::npos) return false;
  message = what + " of " + n.value.substr(0, arrow) + resolver + " gave no answers";
  return true;
}

// An echo series that lost packets.
bool echoLoss(const RuleContext& at, std::string& message, Severity& severity) {
  long long sent = 0, received = 0, lost = 0;
  bool haveSent = leafNumber(at, "packetsTransmitted", sent);
  bool haveReceived = leafNumber(at, "packetsReceived", received);
  bool haveLost = leafNumber(at, "packetsLoss", lost);
  if (!haveLost && !(haveSent && haveReceived)) return false;
  if (!haveLost) lost = sent - received;
  if (lost <= 0) return false;
  if (haveReceived && received == 0) severity = Severity::kError;
  std::string target = leafText(at, "ipAddress");
  if (const Node* t = at.ancestor("target")) target = t->value;
  message = "echo to " + target + ": " + std::to_string(lost) + " of " +
            (haveSent ? std::to_string(sent) : std::string("?")) + " lost";
  return true;
}

// An echo series that got no answer at all.
bool echoWithoutAnswer(const RuleContext& at, std::string& message, Severity&) {
  if (at.node().success) return false;
  const Node* target = at.ancestor("target");
  message = withError("echo" + (target ? " to " + target->value : std::string()) + " failed", at.node());
  return true;
}

// The event logs the backup plug-in copies, each a leaf when its backup worked.
bool eventLogNotBackedUp(const RuleContext& at, std::string& message, Severity&) {
  std::string missing;
  for (const char* log : {"application", "system"}) {
    if (at.leaf(log)) continue;
    missing += missing.empty() ? "" : " and ";
    missing += log;
  }
  if (missing.empty()) return false;
  message = "the " + missing + " event log" +
            (missing.find(" and ") != std::string::npos ? "s were" : " was") + " not backed up";
  return true;
}

// A path or binary value names a file the result should carry.
bool sideFileMissing(const RuleContext& at, std::string& message, Severity&) {
  const Node& n = at.node();
  if (!n.success || (n.type != "path" && n.type != "binary") || n.value.empty()) return false;
  if (at.hasSideFile(n.value)) return false;
  message = "side file " + n.value + " is not in the result";
  return true;
}

bool unsuccessful(const RuleContext& at, std::string& message, Severity&) {
  if (at.node().success) return false;
  message = withError(at.node().name + " was not collected", at.node());
  return true;
}

}  // namespace

const std::vector<FindingRule>& findingRules() {
  static const std::vector<FindingRule> kRules = {
      {"disk-space", Severity::kWarning, "fixed drive with less than 10 % or 1 GB free",
       "drive/driveInfomation", lowDiskSpace, false},
      {"printer-status", Severity::kError, "printer whose status words show an error",
       "printers/printerInformation", printerInTrouble, false},
      {"printing-service", Severity::kError, "stopped service that printing needs",
       "service/serviceInformation", printingServiceStopped, false},
      {"dns-lookup", Severity::kWarning, "DNS lookup without answers",
       "useWinSocket/forwardlookupResult|useWinSocket/reverselookupResult|useDNS/forwardlookupResult|"
       "useDNS/reverselookupResult",
       lookupWithoutAnswer, false},
      {"echo-loss", Severity::kWarning, "echo series with loss", "ping/host/target|PingInformation", echoLoss,
       false},
      {"echo-failed", Severity::kError, "echo series without any answer",
       "ping/host/target/hostName|PingInformation", echoWithoutAnswer, false},
      {"event-log-backup", Severity::kWarning, "event log that could not be backed up", "eventArchive",
       eventLogNotBackedUp, false},
      {"side-file-missing", Severity::kError, "side file missing from the result", "", sideFileMissing,
       false},
      {"unsuccessful", Severity::kWarning, "report marked unsuccessful, with its error text", "",
       unsuccessful, true},
  };
  return kRules;
}

namespace {

// True when path ends with end at a '/' boundary.
bool endsWithPart(const std::string& path, const std::string& end) {
  return path.size() >= end.size() && path.compare(path.size() - end.size(), end.size(), end) == 0 &&
         (path.size() == end.size() || path[path.size() - end.size() - 1] == '/');
}

std::vector<std::string> splitPatterns(const char* where) {
  std::vector<std::string> parts;
  std::string patterns = where;
  for (size_t begin = 0; begin < patterns.size();) {
    size_t end = patterns.find('|', begin);
    if (end == std::string::npos) end = patterns.size();
    parts.push_back(patterns.substr(begin, end - begin));
    begin = end + 1;
  }
  return parts;
}

}  // namespace

FindingCollector::FindingCollector(SideFileCheck hasSideFile, const std::vector<FindingRule>& rules)
    : hasSideFile_(std::move(hasSideFile)) {
  for (const FindingRule& rule : rules) rules_.push_back({&rule, splitPatterns(rule.where)});
}

void FindingCollector::enter(const Node& node) {
  Frame f;
  f.node = node;
  // Paths start below the root, whose name every result shares.
  if (!stack_.empty()) f.path = stack_.back().path.empty() ? node.name : stack_.back().path + "/" + node.name;
  stack_.push_back(std::move(f));
  ancestors_.push_back(&stack_.back().node);
}

void FindingCollector::leave(const Node& node) {
  Frame& f = stack_.back();
  f.node.hasChildren = node.hasChildren;
  evaluate(f);
  Frame done = std::move(stack_.back());
  stack_.pop_back();
  ancestors_.pop_back();
  if (!stack_.empty() && !done.node.hasChildren) stack_.back().leaves.push_back(std::move(done.node));
}

// The item of a keyed list is named by its key, as the difference names it:
// "service/serviceInformation[Spooler]".
std::string FindingCollector::keyedPath(const Frame& frame) const {
  const ListKey* list = listKeyFor(frame.path);
  if (!list) return frame.path;
  std::string key = itemKey(*list, [&frame](const std::string& part) {
    if (part[0] == '@') {
      const std::string* a = frame.node.attribute(part.substr(1));
      return a ? *a : std::string();
    }
    for (const Node& l : frame.leaves)
      if (l.name == part) return l.value;
    return std::string();
  });
  return key.empty() ? frame.path : frame.path + "[" + key + "]";
}

void FindingCollector::evaluate(Frame& frame) {
  RuleContext at;
  at.node_ = &frame.node;
  at.path_ = &frame.path;
  at.leaves_ = &frame.leaves;
  at.sideFiles_ = &hasSideFile_;
  // The stack's frames move when it grows: the pointers are taken afresh.
  for (size_t i = 0; i < stack_.size(); ++i) ancestors_[i] = &stack_[i].node;
  at.ancestors_ = ancestors_.data();
  at.ancestorCount_ = stack_.size() - 1;
  bool found = false;
  for (const Rule& r : rules_) {
    const FindingRule& rule = *r.rule;
    if (rule.fallback && found) continue;
    bool matches = r.where.empty();
    for (const std::string& end : r.where) matches = matches || endsWithPart(frame.path, end);
    if (!matches) continue;
    Finding finding;
    finding.severity = rule.severity;
    if (!rule.check(at, finding.message, finding.severity)) continue;
    found = true;
    finding.rule = rule.id;
    finding.path = keyedPath(frame);
    finding.node = frame.node.index;
    add(std::move(finding));
  }
}

void FindingCollector::add(Finding finding) {
  size_t& kept = kept_[finding.rule];
  if (kept >= kKeptPerRule) {
    ++dropped_[finding.rule];
    return;
  }
  ++kept;
  findings_.push_back(std::move(finding));
}

std::vector<Finding> FindingCollector::findings() const {
  std::vector<Finding> sorted = findings_;
  std::stable_sort(sorted.begin(), sorted.end(), [](const Finding& a, const Finding& b) {
    if (a.severity != b.severity) return a.severity < b.severity;
    return a.node < b.node;
  });
  return sorted;
}

}  // namespace nox::nxz
