#include "Diff.h"

#include <cstring>
#include <map>

namespace nox::nxz {

// --- Tree ---------------------------------------------------------------------

uint32_t Tree::intern(const std::string& s) {
  auto found = nameIndex_.find(s);
  if (found != nameIndex_.end()) return found->second;
  uint32_t i = static_cast<uint32_t>(names_.size());
  names_.push_back(s);
  nameIndex_.emplace(s, i);
  return i;
}

uint32_t Tree::store(const std::string& s) {
  if (textStarts_.empty()) textStarts_.push_back(0);
  arena_ += s;
  textStarts_.push_back(arena_.size());
  return static_cast<uint32_t>(textStarts_.size() - 2);
}

std::string Tree::text(uint32_t i) const {
  return arena_.substr(textStarts_[i], textStarts_[i + 1] - textStarts_[i]);
}

void Tree::enter(const Node& node) {
  Item item;
  item.name = intern(node.name);
  item.type = intern(node.type);
  item.value = store(node.value);
  item.success = node.success;
  item.firstAttribute = static_cast<uint32_t>(attributes_.size());
  item.attributeCount = static_cast<uint32_t>(node.attributes.size());
  for (const auto& a : node.attributes) attributes_.push_back({intern(a.first), store(a.second)});
  uint32_t self = static_cast<uint32_t>(items_.size());
  if (!open_.empty()) {
    item.parent = open_.back();
    Item& parent = items_[open_.back()];
    if (parent.lastChild == kNone) {
      parent.firstChild = self;
    } else {
      items_[parent.lastChild].nextSibling = self;
    }
    parent.lastChild = self;
  }
  items_.push_back(item);
  open_.push_back(self);
}

void Tree::leave(const Node&) { open_.pop_back(); }

bool Tree::leafValue(uint32_t i, const std::string& childName, std::string& value) const {
  for (uint32_t c = items_[i].firstChild; c != kNone; c = items_[c].nextSibling) {
    if (items_[c].firstChild == kNone && names_[items_[c].name] == childName) {
      value = text(items_[c].value);
      return true;
    }
  }
  return false;
}

const std::string* Tree::attributeValue(uint32_t i, const std::string& attributeName,
                                        std::string& storage) const {
  const Item& item = items_[i];
  for (uint32_t a = item.firstAttribute; a < item.firstAttribute + item.attributeCount; ++a) {
    if (names_[attributes_[a].name] == attributeName) {
      storage = text(attributes_[a].value);
      return &storage;
    }
  }
  return nullptr;
}

// --- keys -----------------------------------------------------------------------

const std::vector<ListKey>& listKeys() {
  static const std::vector<ListKey> kKeys = {
      {"installedApplication/installedApplicationInformation", "applicationName", ""},
      {"service/serviceInformation", "serviceName", ""},
      {"printer/installedDrivers/installedDriversData", "driverName,driverEnvironment", ""},
      {"printer/printers/printerInformation", "printerName,@printObject", ""},
      {"printer/availablePorts/availablePortsData", "portName", ""},
      {"printer/installedMonitors/monitorInformation", "monitorName", ""},
      {"printerDriver/printers/printerDriverInformation", "@printerDriverName,environment", ""},
      {"printerDriver/devMode/printerInformation", "deviceName", ""},
      {"execApplication/execApplicationInformation", "idPath", "processID"},
      {"drive/driveInfomation", "driveName", ""},
      {"component/componentType", "@name", ""},
      {"component/componentType/information", "fileName", ""},
      {"runApplication/runInfomationType", "@name", ""},
      {"runApplication/runInfomationType/runInfomation", "displayName", ""},
      {"toolVersion/pluginVersion/observationPlugin", "Name", ""},
      {"toolVersion/pluginVersion/serializerPlugin", "Name", ""},
  };
  return kKeys;
}

namespace {

// True when path ends with end at a '/' boundary.
bool endsWith(const std::string& path, const char* end) {
  size_t n = std::strlen(end);
  return path.size() >= n && path.compare(path.size() - n, n, end) == 0 &&
         (path.size() == n || path[path.size() - n - 1] == '/');
}

std::vector<std::string> split(const char* list) {
  std::vector<std::string> parts;
  std::string s = list;
  size_t begin = 0;
  while (begin < s.size()) {
    size_t end = s.find(',', begin);
    if (end == std::string::npos) end = s.size();
    parts.push_back(s.substr(begin, end - begin));
    begin = end + 1;
  }
  return parts;
}

std::string keyOf(const Tree& t, uint32_t i, const ListKey& k) {
  return itemKey(k, [&](const std::string& part) {
    std::string value, storage;
    if (part[0] == '@') {
      if (const std::string* a = t.attributeValue(i, part.substr(1), storage)) value = *a;
    } else {
      t.leafValue(i, part, value);
    }
    return value;
  });
}

std::string shorten(const std::string& s) {
  const size_t kMax = 120;
  return s.size() <= kMax ? s : s.substr(0, kMax) + "...";
}

std::string quoted(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

const ListKey* listKeyFor(const std::string& path) {
  for (const ListKey& k : listKeys())
    if (endsWith(path, k.where)) return &k;
  return nullptr;
}

std::string itemKey(const ListKey& key, const std::function<std::string(const std::string& part)>& value) {
  std::string joined;
  for (const std::string& part : split(key.key)) {
    if (part.empty()) continue;
    std::string v = value(part);
    if (!v.empty()) joined += joined.empty() ? v : ", " + v;
  }
  return joined;
}

namespace {

class Differ {
 public:
  Differ(const Tree& a, const Tree& b, const std::function<void(const Change&)>& report)
      : a_(a), b_(b), report_(report) {}

  void compare(uint32_t x, uint32_t y, const std::string& path, const std::string& plain,
               const std::vector<std::string>& ignore) {
    const Tree::Item& ia = a_.item(x);
    const Tree::Item& ib = b_.item(y);
    std::string va = a_.text(ia.value), vb = b_.text(ib.value);
    if (ia.success != ib.success) {
      change('~', path, "status", state(a_, x), state(b_, y));
    } else if (va != vb || a_.name(ia.type) != b_.name(ib.type)) {
      change('~', path, "", va, vb);
    }
    compareAttributes(x, y, path, ignore);
    compareChildren(x, y, path, plain, ignore);
  }

  DiffCounts counts;

 private:
  static std::string state(const Tree& t, uint32_t i) {
    const Tree::Item& item = t.item(i);
    std::string value = t.text(item.value);
    if (item.success) return value.empty() ? "successful" : "successful, " + quoted(value);
    return value.empty() ? "unsuccessful" : "unsuccessful, " + quoted(value);
  }

  void change(char kind, const std::string& path, const std::string& detail, const std::string& before,
              const std::string& after) {
    Change c;
    c.kind = kind;
    c.path = path;
    c.detail = detail;
    c.before = before;
    c.after = after;
    (kind == '+' ? counts.added : kind == '-' ? counts.removed : counts.changed)++;
    report_(c);
  }

  static bool ignored(const std::vector<std::string>& ignore, const std::string& name) {
    for (const std::string& i : ignore)
      if (i == name) return true;
    return false;
  }

  void compareAttributes(uint32_t x, uint32_t y, const std::string& path,
                         const std::vector<std::string>& ignore) {
    std::map<std::string, std::pair<std::string, std::string>> both;
    const Tree::Item& ia = a_.item(x);
    const Tree::Item& ib = b_.item(y);
    std::map<std::string, bool> inA, inB;
    for (uint32_t k = ia.firstAttribute; k < ia.firstAttribute + ia.attributeCount; ++k) {
      const auto& at = a_.attribute(k);
      both[a_.name(at.name)].first = a_.text(at.value);
      inA[a_.name(at.name)] = true;
    }
    for (uint32_t k = ib.firstAttribute; k < ib.firstAttribute + ib.attributeCount; ++k) {
      const auto& at = b_.attribute(k);
      both[b_.name(at.name)].second = b_.text(at.value);
      inB[b_.name(at.name)] = true;
    }
    for (const auto& e : both) {
      if (ignored(ignore, "@" + e.first)) continue;
      if (e.second.first == e.second.second && inA[e.first] == inB[e.first]) continue;
      change('~', path, "@" + e.first, inA[e.first] ? e.second.first : "(none)",
             inB[e.first] ? e.second.second : "(none)");
    }
  }

  // The leaves of an added or removed item, for its line.
  static std::string summary(const Tree& t, uint32_t i) {
    const Tree::Item& item = t.item(i);
    if (item.firstChild == Tree::kNone) return state(t, i) == "successful" ? "" : shortState(t, i);
    std::string out;
    int shown = 0, rest = 0;
    for (uint32_t c = item.firstChild; c != Tree::kNone; c = t.item(c).nextSibling) {
      const Tree::Item& child = t.item(c);
      if (child.firstChild != Tree::kNone || shown >= 6) {
        ++rest;
        continue;
      }
      out += (out.empty() ? "" : ", ") + t.name(child.name) + "=" + quoted(shorten(t.text(child.value)));
      ++shown;
    }
    if (rest) out += (out.empty() ? "" : ", ") + std::string("...");
    return out;
  }
  static std::string shortState(const Tree& t, uint32_t i) {
    const Tree::Item& item = t.item(i);
    std::string value = quoted(shorten(t.text(item.value)));
    return item.success ? value : "unsuccessful, " + value;
  }

  struct Group {
    std::vector<uint32_t> a, b;
  };

  void compareChildren(uint32_t x, uint32_t y, const std::string& path, const std::string& plain,
                       const std::vector<std::string>& ignore) {
    std::vector<std::string> order;
    std::map<std::string, Group> groups;
    for (uint32_t c = a_.item(x).firstChild; c != Tree::kNone; c = a_.item(c).nextSibling) {
      const std::string& n = a_.name(a_.item(c).name);
      if (!groups.count(n)) order.push_back(n);
      groups[n].a.push_back(c);
    }
    for (uint32_t c = b_.item(y).firstChild; c != Tree::kNone; c = b_.item(c).nextSibling) {
      const std::string& n = b_.name(b_.item(c).name);
      if (!groups.count(n)) order.push_back(n);
      groups[n].b.push_back(c);
    }
    for (const std::string& name : order) {
      if (ignored(ignore, name)) continue;
      const Group& g = groups[name];
      std::string childPlain = plain.empty() ? name : plain + "/" + name;
      std::string childPath = path.empty() ? name : path + "/" + name;
      if (const ListKey* key = listKeyFor(childPlain)) {
        compareKeyed(g, childPath, childPlain, *key);
      } else {
        compareByPosition(g, childPath, childPlain);
      }
    }
  }

  void compareKeyed(const Group& g, const std::string& path, const std::string& plain, const ListKey& key) {
    std::vector<std::string> ignore = split(key.ignore);
    ignore.push_back("@index");  // positions, which a keyed list does not go by
    // Items of the same key are matched in order.
    std::map<std::pair<std::string, int>, uint32_t> older;
    std::map<std::string, int> seen;
    std::vector<std::pair<std::string, int>> olderOrder;
    for (uint32_t c : g.a) {
      std::string k = keyOf(a_, c, key);
      auto id = std::make_pair(k, seen[k]++);
      older[id] = c;
      olderOrder.push_back(id);
    }
    seen.clear();
    std::vector<std::pair<std::pair<std::string, int>, uint32_t>> newer;
    for (uint32_t c : g.b) {
      std::string k = keyOf(b_, c, key);
      newer.push_back({std::make_pair(k, seen[k]++), c});
    }
    auto label = [&](const std::pair<std::string, int>& id) {
      return path + "[" + id.first + (id.second ? " #" + std::to_string(id.second + 1) : "") + "]";
    };
    std::map<std::pair<std::string, int>, bool> matched;
    for (const auto& n : newer) matched[n.first] = older.count(n.first) > 0;
    for (const auto& id : olderOrder)
      if (!matched.count(id) || !matched[id]) change('-', label(id), summary(a_, older[id]), "", "");
    for (const auto& n : newer) {
      auto found = older.find(n.first);
      if (found == older.end()) {
        change('+', label(n.first), summary(b_, n.second), "", "");
      } else {
        compare(found->second, n.second, label(n.first), plain, ignore);
      }
    }
  }

  void compareByPosition(const Group& g, const std::string& path, const std::string& plain) {
    bool list = g.a.size() > 1 || g.b.size() > 1;
    size_t common = g.a.size() < g.b.size() ? g.a.size() : g.b.size();
    auto label = [&](size_t i) { return list ? path + "[#" + std::to_string(i + 1) + "]" : path; };
    for (size_t i = common; i < g.a.size(); ++i) change('-', label(i), summary(a_, g.a[i]), "", "");
    for (size_t i = 0; i < g.b.size(); ++i) {
      if (i < common) {
        compare(g.a[i], g.b[i], label(i), plain, {});
      } else {
        change('+', label(i), summary(b_, g.b[i]), "", "");
      }
    }
  }

  const Tree& a_;
  const Tree& b_;
  const std::function<void(const Change&)>& report_;
};

}  // namespace

DiffCounts diffTrees(const Tree& older, const Tree& newer, const std::function<void(const Change&)>& report) {
  Differ differ(older, newer, report);
  if (older.empty() || newer.empty()) return differ.counts;
  // Paths start below the root.
  differ.compare(0, 0, "", "", {});
  return differ.counts;
}

std::string formatChange(const Change& c) {
  std::string line(1, c.kind);
  line += ' ';
  line += c.path;
  if (c.kind != '~') return c.detail.empty() ? line : line + "  " + c.detail;
  if (!c.detail.empty()) line += " " + c.detail;
  if (c.detail == "status") return line + ": " + c.before + " -> " + c.after;
  return line + ": " + quoted(c.before) + " -> " + quoted(c.after);
}

}  // namespace nox::nxz
