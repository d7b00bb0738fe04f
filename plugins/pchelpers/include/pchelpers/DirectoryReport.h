#pragma once

#include <string>

#include "nox/Report.h"
#include "nox/ReportLeaves.h"
#include "pchelpers/Directory.h"
#include "pchelpers/Formatted.h"

// Report pieces the directory plug-ins share.
namespace directory {

using ::formatted;

// "what (code)", the error text of a failed LDAP call.
inline std::string codeText(const char* what, unsigned long code) {
  return formatted("%s (%d)", what, static_cast<int>(code));
}

// Marks `node` unsuccessful with `text` as its error text.
inline Report& markFailed(Report& node, const std::string& text) {
  node.setErrorText(text.c_str());
  node.setSuccess(false);
  return node;
}

// Makes an existing node a text leaf.
inline Report& setText(Report& node, const char* text) {
  node.setType(IReport::REPORT_TEXT);
  node.setValue(const_cast<char*>(text), static_cast<long>(lstrlenA(text) + 1));
  return node;
}

// Makes an existing node an integer leaf (the DWORD stored bit for bit).
inline Report& setNumber(Report& node, unsigned long value) {
  node.setType(IReport::REPORT_INTEGER);
  int bits = static_cast<int>(value);
  node.setValue(&bits, 4);
  return node;
}

// Adds a child that only carries an error.
inline Report& addFailed(Report& parent, const char* name, const std::string& text) {
  return markFailed(addNode(parent, name), text);
}

// Adds below `list`, for every attribute of every entry of `result`, a text
// node "schema" holding the joined values, with the attribute "attributeType"
// naming the directory attribute.
inline void addSchemaNodes(Report& list, DirectoryApi& api, LDAP* ld, LDAPMessage* result) {
  forEachEntry(api, ld, result, [&](LDAPMessage* entry) {
    forEachAttribute(api, ld, entry, [&](const std::string& name, const std::string& values) {
      addAttribute(addText(list, "schema", values.c_str()), "attributeType", name.c_str());
    });
  });
}

}  // namespace directory
