#pragma once

// Small result documents for the document, finding and difference tests.

#include <string>
#include <vector>

#include "Document.h"

namespace nox::nxz::testing {

// A document with the writer's declaration around the body.
inline std::string document(const std::string& body, const std::string& encoding = "iso-8859-1") {
  return "<?xml version=\"1.0\" encoding=\"" + encoding + "\" ?>\r\n<SystemInformation>\r\n" + body +
         "</SystemInformation>\r\n";
}

// Every node in document order, as it entered.
class Recorder : public DocumentListener {
 public:
  void enter(const Node& node) override { nodes.push_back(node); }
  void leave(const Node& node) override {
    for (Node& n : nodes)
      if (n.index == node.index) n.hasChildren = node.hasChildren;
  }
  const Node* find(const std::string& name) const {
    for (const Node& n : nodes)
      if (n.name == name) return &n;
    return nullptr;
  }
  std::vector<Node> nodes;
};

}  // namespace nox::nxz::testing
