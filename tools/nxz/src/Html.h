#pragma once

// Escaping for the pages nxz writes: everything taken from a result goes
// through one of these.

#include <cstdint>
#include <ostream>
#include <string>

namespace nox::nxz {

// Text for an HTML element or a quoted attribute value.
std::string escapeHtml(const std::string& utf8);

// A JSON string literal, safe inside a <script> element: '<', '>', '&' and the
// line separators are written as \u escapes.
void writeJsonString(std::ostream& out, const std::string& utf8);

// A byte count for people: "912 bytes", "1.5 KB", "20.3 MB".
std::string formatBytes(uint64_t bytes);

}  // namespace nox::nxz
