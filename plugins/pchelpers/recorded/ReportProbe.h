#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "nox/Report.h"

// Reading report trees in tests.
namespace probe {

// The index-th child of `parent` named `name`; null when there is none.
inline const IReport* find(const IReport& parent, const std::string& name, unsigned int index = 0) {
  const IReports& children = parent.getSubReports();
  for (unsigned int i = 0; i < children.getCount(); ++i) {
    const IReport& child = children.getItem(i);
    if (name == child.getName().getData() && index-- == 0) return &child;
  }
  return nullptr;
}

// The index-th child named `name`; throws std::runtime_error when there is none.
inline const IReport& child(const IReport& parent, const std::string& name, unsigned int index = 0) {
  const IReport* found = find(parent, name, index);
  if (!found) throw std::runtime_error("no " + name + " #" + std::to_string(index));
  return *found;
}

inline std::vector<std::string> childNames(const IReport& parent) {
  std::vector<std::string> names;
  for (unsigned int i = 0; i < parent.getSubReports().getCount(); ++i) {
    names.push_back(parent.getSubReports().getItem(i).getName().getData());
  }
  return names;
}

// The text of a text or path leaf; "<missing NAME>" or "<not text>" otherwise.
inline std::string text(const IReport& parent, const std::string& name, unsigned int index = 0) {
  const IReport* leaf = find(parent, name, index);
  if (!leaf) return "<missing " + name + ">";
  if (leaf->getType() != IReport::REPORT_TEXT && leaf->getType() != IReport::REPORT_PATH) return "<not text>";
  return static_cast<const char*>(leaf->getValue());
}

// The value of an integer leaf; -1 when absent or of another type.
inline long long number(const IReport& parent, const std::string& name) {
  const IReport* leaf = find(parent, name);
  if (!leaf || leaf->getType() != IReport::REPORT_INTEGER) return -1;
  return *static_cast<const int*>(leaf->getValue());
}

// The error text of a failed node; "<succeeded>" or "<missing>" otherwise.
inline std::string error(const IReport* node) {
  if (!node) return "<missing>";
  return node->isSuccess() ? "<succeeded>" : node->getErrorText().getData();
}

inline std::string attribute(const IReport& node, const std::string& name) {
  for (unsigned int i = 0; i < node.getAttributes().getCount(); ++i) {
    const IReportAttribute& a = node.getAttributes().getItem(i);
    if (name == a.getName().getData()) return a.getValue().getData();
  }
  return "<missing @" + name + ">";
}

}  // namespace probe
