#include "DvqNodes.h"

#include <vector>

#include "DvqMachine.h"

namespace dvq {

Report& addPath(Report& parent, const char* name, const std::string& path) {
  Report& node = addNode(parent, name);
  node.setType(IReport::REPORT_PATH);
  node.setValue(const_cast<char*>(path.c_str()), 0);
  return node;
}

Report& addError(Report& parent, const char* name, const std::string& text) {
  Report& node = addNode(parent, name);
  if (!text.empty()) node.setErrorText(text.c_str());
  node.setSuccess(false);
  return node;
}

namespace {

void addMatches(Report& parent, const std::string& name, const std::string& pattern) {
  std::vector<std::string> names;
  if (!findNames(pattern, names) || names.empty()) {
    addError(parent, name.c_str(), formatted("Can't find, %s", pattern.c_str()));
    return;
  }
  std::string folder = parentOf(pattern, machineLeadByte);
  Report& node = addNode(parent, name.c_str());
  for (const std::string& match : names) addPath(node, name.c_str(), folder + "\\" + match);
}

}  // namespace

void addListing(Report& parent, const std::string& name, const std::string& base,
                const std::string& specification) {
  std::string path = base + "\\" + specification;
  if (specification.find('*') != std::string::npos) {
    addMatches(parent, name, path);
  } else if (isFile(path)) {
    addMatches(parent, name, path);
  } else if (isFolder(path)) {
    addPath(parent, name.c_str(), path);
  } else {
    addError(parent, name.c_str(), formatted("directory(or file) %s not found", path.c_str()));
  }
}

}  // namespace dvq
