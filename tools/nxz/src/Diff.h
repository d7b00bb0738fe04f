#pragma once

// nxz diff: what changed between two results, keyed the way a person thinks:
// installed applications, services, drivers and printers by name, processes by
// path, drives by letter, components by file, every other list by position.

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <unordered_map>
#include <vector>

#include "Document.h"

namespace nox::nxz {

// A whole document in compact form: names interned, texts in one arena.
class Tree : public DocumentListener {
 public:
  static constexpr uint32_t kNone = 0xFFFFFFFFu;
  struct Item {
    uint32_t name = 0;
    uint32_t parent = kNone, firstChild = kNone, lastChild = kNone, nextSibling = kNone;
    uint32_t value = 0;  // text index
    uint32_t type = 0;   // name index
    uint32_t firstAttribute = 0, attributeCount = 0;
    bool success = true;
  };
  struct Attribute {
    uint32_t name;
    uint32_t value;  // text index
  };

  void enter(const Node& node) override;
  void leave(const Node& node) override;

  bool empty() const { return items_.empty(); }
  const Item& item(uint32_t i) const { return items_[i]; }
  size_t size() const { return items_.size(); }
  const std::string& name(uint32_t nameIndex) const { return names_[nameIndex]; }
  std::string text(uint32_t textIndex) const;
  const Attribute& attribute(uint32_t i) const { return attributes_[i]; }
  // The value of a child of that name that has no children, or null.
  bool leafValue(uint32_t i, const std::string& childName, std::string& value) const;
  const std::string* attributeValue(uint32_t i, const std::string& attributeName, std::string& storage) const;

 private:
  uint32_t intern(const std::string& s);
  uint32_t store(const std::string& s);

  std::vector<Item> items_;
  std::vector<Attribute> attributes_;
  std::vector<std::string> names_;
  std::unordered_map<std::string, uint32_t> nameIndex_;
  std::string arena_;
  std::vector<uint64_t> textStarts_;  // text i is arena_[textStarts_[i], textStarts_[i+1])
  std::vector<uint32_t> open_;
};

// How the items of one list are matched: the end of their path, and what names
// an item ("leaf" a child's value, "@attribute" an attribute's), joined by ','.
struct ListKey {
  const char* where;
  const char* key;
  // Leaves not compared, joined by ',' (the process number of a process).
  const char* ignore;
};
const std::vector<ListKey>& listKeys();
// The key of the list whose items have this path ('/'-joined names), or null.
const ListKey* listKeyFor(const std::string& path);
// An item's key: the values of its key parts that are not empty, joined by ", ".
// value(part) gives a leaf's value, or an attribute's for "@name".
std::string itemKey(const ListKey& key, const std::function<std::string(const std::string& part)>& value);

struct Change {
  char kind = '~';  // '+' added, '-' removed, '~' changed
  std::string path;
  std::string detail;  // '+'/'-': the item's leaves; '~': what changed
  std::string before, after;
};

struct DiffCounts {
  uint64_t added = 0, removed = 0, changed = 0;
  bool any() const { return added || removed || changed; }
};

// Calls report for every change in document order of the newer result.
DiffCounts diffTrees(const Tree& older, const Tree& newer, const std::function<void(const Change&)>& report);

// One change as a line of text (no line end).
std::string formatChange(const Change& change);

}  // namespace nox::nxz
