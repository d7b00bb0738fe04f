#pragma once

// Reads a result document (NoxInfo.xml) as a stream of report nodes with expat:
// memory stays the same whatever the document's size. Each element is one
// report: its name (the formalName the writer kept when it had to change the
// element name), its own attributes, its type and value, whether it succeeded.
// All text arrives as UTF-8.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "nox/archive/Io.h"

namespace nox::nxz {

struct Node {
  std::string element;  // as written
  std::string name;     // the report's name: formalName when the writer changed it
  std::vector<std::pair<std::string, std::string>> attributes;  // the report's own
  std::string type;   // "text", "integer", "real", "datetime", "path", "binary" or empty
  std::string value;  // the value text, or the error text of an unsuccessful report
  bool success = true;
  int depth = 0;             // the root is 0
  uint64_t index = 0;        // position in document order, the root is 0
  bool hasChildren = false;  // known on leave

  const std::string* attribute(const std::string& attributeName) const;
};

class DocumentListener {
 public:
  virtual ~DocumentListener() = default;
  // The node with its value, before its children.
  virtual void enter(const Node& node) = 0;
  // After its children.
  virtual void leave(const Node& node) = 0;
};

// Deeper documents are refused; the writer's own are a dozen levels deep.
constexpr int kMaxDepth = 256;

class DocumentParser {
 public:
  // codePage 0 reads the text as the document's declaration says; any other
  // number reads it as that code page whatever the declaration says.
  explicit DocumentParser(DocumentListener& listener, unsigned int codePage = 0);
  ~DocumentParser();
  DocumentParser(const DocumentParser&) = delete;
  DocumentParser& operator=(const DocumentParser&) = delete;

  // False once the document is found broken (error() says where and why); the
  // nodes before that point have been delivered.
  bool feed(const char* data, size_t n);
  // The end of the input: false when the document is not complete.
  bool finish();
  const std::string& error() const;
  // The code page the document's text is in (from its declaration, or the one
  // given); 1252 until the declaration is read.
  unsigned int codePage() const;
  // The encoding name of the declaration, as written.
  const std::string& declaredEncoding() const;
  uint64_t nodeCount() const;

  struct State;

 private:
  std::unique_ptr<State> state_;
};

// Feeds what it is given to a parser: the document straight out of an archive.
class ParserSink : public archive::Sink {
 public:
  explicit ParserSink(DocumentParser& parser) : parser_(parser) {}
  bool write(const void* data, size_t n) override { return parser_.feed(static_cast<const char*>(data), n); }

 private:
  DocumentParser& parser_;
};

// Parses a whole document held in memory (tests, the fuzz target).
bool parseDocument(const std::string& bytes, DocumentListener& listener, std::string* error = nullptr,
                   unsigned int codePage = 0);

}  // namespace nox::nxz
