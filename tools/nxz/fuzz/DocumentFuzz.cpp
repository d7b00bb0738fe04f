// Fuzzes the reading of result documents: the parser with each code page the
// writer declares (and one given instead), the finding rules, the compact tree
// and the difference against a small fixed document and against itself.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "Diff.h"
#include "Document.h"
#include "Findings.h"
#include "Html.h"

namespace {

using namespace nox::nxz;

class Both : public DocumentListener {
 public:
  Both(DocumentListener& a, DocumentListener& b) : a_(a), b_(b) {}
  void enter(const Node& node) override {
    a_.enter(node);
    b_.enter(node);
  }
  void leave(const Node& node) override {
    a_.leave(node);
    b_.leave(node);
  }

 private:
  DocumentListener& a_;
  DocumentListener& b_;
};

const Tree& reference() {
  static Tree tree;
  static bool made = false;
  if (!made) {
    made = true;
    parseDocument(
        "<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>\r\n<SystemInformation><PC><PC><service>"
        "<serviceInformation><serviceName type=\"text\">Spooler</serviceName></serviceInformation>"
        "</service></PC></PC></SystemInformation>",
        tree);
  }
  return tree;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  static const unsigned int kCodePages[] = {0, 0, 0, 0, 932, 936, 949, 950, 1250, 1251, 1252, 65001};
  unsigned int codePage = kCodePages[data[0] % (sizeof kCodePages / sizeof kCodePages[0])];
  std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

  Tree tree;
  FindingCollector findings([](const std::string& name) { return name.size() % 2 == 0; });
  Both both(tree, findings);
  DocumentParser parser(both, codePage);
  // In two pieces, as the archive's inflater hands it over.
  size_t half = bytes.size() / 2;
  if (parser.feed(bytes.data(), half) && parser.feed(bytes.data() + half, bytes.size() - half))
    parser.finish();

  std::ostringstream sink;
  for (const Finding& f : findings.findings()) sink << escapeHtml(f.message) << severityName(f.severity);
  auto write = [&sink](const Change& c) {
    sink << formatChange(c);
    writeJsonString(sink, c.after);
  };
  diffTrees(reference(), tree, write);
  diffTrees(tree, tree, write);
  return 0;
}
