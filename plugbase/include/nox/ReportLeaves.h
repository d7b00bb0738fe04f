#pragma once

#include <windows.h>

#include "nox/Report.h"

// Building report trees: each new node is appended to parent's sub-reports and
// returned, so a caller can go on filling it or mark it unsuccessful. A node
// that cannot be completed is destroyed, never left half-made in the tree.

inline Report& addNode(Report& parent, const char* name) {
  Report* node = new Report();
  try {
    node->setName(name);
  } catch (...) {
    delete node;
    throw;
  }
  parent.getSubReportsImpl().addItem(node);
  return *node;
}

inline Report& addText(Report& parent, const char* name, const char* text) {
  Report& leaf = addNode(parent, name);
  leaf.setType(IReport::REPORT_TEXT);
  leaf.setValue(const_cast<char*>(text), static_cast<long>(lstrlenA(text) + 1));
  return leaf;
}

// DWORD figures are stored bit for bit.
inline Report& addNumber(Report& parent, const char* name, unsigned long value) {
  Report& leaf = addNode(parent, name);
  leaf.setType(IReport::REPORT_INTEGER);
  int bits = static_cast<int>(value);
  leaf.setValue(&bits, 4);
  return leaf;
}

inline Report& addTime(Report& parent, const char* name, const SYSTEMTIME& time) {
  Report& leaf = addNode(parent, name);
  leaf.setType(IReport::REPORT_DATETIME);
  leaf.setValue(const_cast<SYSTEMTIME*>(&time), sizeof time);
  return leaf;
}

inline void addAttribute(Report& node, const char* name, const char* value) {
  ReportAttribute* attribute = new ReportAttribute();
  try {
    attribute->setName(name);
    attribute->setValue(value);
  } catch (...) {
    delete attribute;
    throw;
  }
  node.getAttributesImpl().addItem(attribute);
}
