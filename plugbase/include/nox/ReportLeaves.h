#pragma once

#include <windows.h>

#include "nox/Report.h"

// Building report trees: each new node is made whole (name, type, value) and
// only then appended to parent's sub-reports and returned, so a caller can go on
// filling it or mark it unsuccessful. A node that cannot be completed or
// attached is destroyed, never left half-made in the tree; the failure is thrown
// on.

// Makes a node named name, lets fill complete it, then appends it to parent.
template <class Fill>
inline Report& addWholeNode(Report& parent, const char* name, Fill fill) {
  Report* node = new Report();
  try {
    node->setName(name);
    fill(*node);
    parent.getSubReportsImpl().addItem(node);
  } catch (...) {
    delete node;
    throw;
  }
  return *node;
}

inline Report& addNode(Report& parent, const char* name) {
  return addWholeNode(parent, name, [](Report&) {});
}

inline Report& addText(Report& parent, const char* name, const char* text) {
  return addWholeNode(parent, name, [text](Report& leaf) {
    leaf.setType(IReport::REPORT_TEXT);
    leaf.setValue(const_cast<char*>(text), static_cast<long>(lstrlenA(text) + 1));
  });
}

// DWORD figures are stored bit for bit.
inline Report& addNumber(Report& parent, const char* name, unsigned long value) {
  return addWholeNode(parent, name, [value](Report& leaf) {
    leaf.setType(IReport::REPORT_INTEGER);
    int bits = static_cast<int>(value);
    leaf.setValue(&bits, 4);
  });
}

inline Report& addTime(Report& parent, const char* name, const SYSTEMTIME& time) {
  return addWholeNode(parent, name, [&time](Report& leaf) {
    leaf.setType(IReport::REPORT_DATETIME);
    leaf.setValue(const_cast<SYSTEMTIME*>(&time), sizeof time);
  });
}

inline void addAttribute(Report& node, const char* name, const char* value) {
  ReportAttribute* attribute = new ReportAttribute();
  try {
    attribute->setName(name);
    attribute->setValue(value);
    node.getAttributesImpl().addItem(attribute);
  } catch (...) {
    delete attribute;
    throw;
  }
}
