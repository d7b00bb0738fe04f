#pragma once

#include <string>

#include "nox/ReportLeaves.h"
#include "pchelpers/Formatted.h"

// Report nodes of the document server plug-ins.
namespace dvq {

// A REPORT_PATH node: the serializer carries the file, or the folder whole.
Report& addPath(Report& parent, const char* name, const std::string& path);

// A node without a value, marked unsuccessful, with `text` as its error text
// (none when empty).
Report& addError(Report& parent, const char* name, const std::string& text);

// The listing rule of the control files, for a base folder, a specification
// and a node name. P = base + "\" + specification. A specification with '*':
// a node `name` with one path node `name` per match of P (named by the folder
// part of P and the match), or the error "Can't find, P" without a match. Else
// a file P: the same with its one match; a folder P: a path node; anything
// else the error "directory(or file) P not found".
void addListing(Report& parent, const std::string& name, const std::string& base,
                const std::string& specification);

}  // namespace dvq
