#include "Document.h"

#include <expat.h>

#include <cctype>
#include <cstdio>
#include <cstring>

#include "Encoding.h"

namespace nox::nxz {

const std::string* Node::attribute(const std::string& attributeName) const {
  for (const auto& a : attributes)
    if (a.first == attributeName) return &a.second;
  return nullptr;
}

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool allBlank(const std::string& s) {
  for (char c : s)
    if (!isBlank(c)) return false;
  return true;
}

// The writer puts a value on a line of its own, indented one level deeper than
// its element: "\n", the indent, the value, "\n", the next indent (the parser has
// already turned CR LF into LF). Anything laid out differently is trimmed.
std::string valueFromText(const std::string& text, int depth) {
  if (allBlank(text)) return std::string();
  if (text[0] != '\n') {
    size_t begin = 0, end = text.size();
    while (isBlank(text[begin])) ++begin;
    while (isBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
  }
  size_t begin = 1;
  size_t indent = 2 * static_cast<size_t>(depth + 1);
  while (begin < text.size() && begin <= indent && text[begin] == ' ') ++begin;
  size_t end = text.size();
  size_t lastBreak = text.rfind('\n');
  if (lastBreak != std::string::npos && lastBreak >= begin &&
      text.find_first_not_of(" \t", lastBreak + 1) == std::string::npos)
    end = lastBreak;
  return text.substr(begin, end - begin);
}

}  // namespace

struct DocumentParser::State {
  struct Frame {
    Node node;
    std::string text;
    bool entered = false;
    std::string tail;  // text after a child
  };

  DocumentListener& listener;
  XML_Parser parser = nullptr;
  std::vector<Frame> stack;
  uint64_t next = 0;
  std::string error;
  bool failed = false;
  unsigned int codePage = 1252;
  bool codePageGiven = false;
  bool latin1Is1252 = false;
  std::string declaredEncoding;
  std::unique_ptr<CodePage> decoder;

  explicit State(DocumentListener& l) : listener(l) {}

  void stop(const std::string& why) {
    if (failed) return;
    char where[64];
    std::snprintf(where, sizeof where,
                  "line %lu, column %lu: ", static_cast<unsigned long>(XML_GetCurrentLineNumber(parser)),
                  static_cast<unsigned long>(XML_GetCurrentColumnNumber(parser) + 1));
    error = where + why;
    failed = true;
    XML_StopParser(parser, XML_FALSE);
  }

  void fix(std::string& text) const {
    if (latin1Is1252) mapLatin1ControlsTo1252(text);
  }

  void enter(Frame& f) {
    f.node.value = valueFromText(f.text, f.node.depth);
    fix(f.node.value);
    f.text.clear();
    f.text.shrink_to_fit();
    f.entered = true;
    listener.enter(f.node);
  }

  // Text between or after children, which the writer never produces: kept as a
  // node of its own so that nothing is lost.
  void flushTail(Frame& f) {
    if (f.tail.empty()) return;
    if (!allBlank(f.tail)) {
      Node text;
      text.element = text.name = "#text";
      text.type = "text";
      text.value = valueFromText(f.tail, f.node.depth);
      fix(text.value);
      text.depth = f.node.depth + 1;
      text.index = next++;
      f.node.hasChildren = true;
      listener.enter(text);
      listener.leave(text);
    }
    f.tail.clear();
  }

  void start(const char* element, const char** attributes) {
    if (static_cast<int>(stack.size()) >= kMaxDepth) {
      stop("elements nested deeper than " + std::to_string(kMaxDepth) + " levels");
      return;
    }
    if (!stack.empty()) {
      Frame& parent = stack.back();
      parent.node.hasChildren = true;
      if (!parent.entered) enter(parent);
      flushTail(parent);
    }
    Frame f;
    f.node.element = element;
    f.node.name = element;
    f.node.depth = static_cast<int>(stack.size());
    f.node.index = next++;
    for (const char** a = attributes; *a; a += 2) {
      std::string name = a[0], value = a[1];
      fix(value);
      if (name == "formalName") {
        f.node.name = value;
      } else if (name == "type") {
        f.node.type = value;
      } else if (name == "IsSuccess") {
        f.node.success = value != "false";
      } else {
        f.node.attributes.emplace_back(std::move(name), std::move(value));
      }
    }
    stack.push_back(std::move(f));
  }

  void end() {
    Frame& f = stack.back();
    if (!f.entered) enter(f);
    flushTail(f);
    listener.leave(f.node);
    stack.pop_back();
  }

  void characters(const char* s, int n) {
    if (stack.empty()) return;
    Frame& f = stack.back();
    (f.entered ? f.tail : f.text).append(s, static_cast<size_t>(n));
  }
};

namespace {

using State = DocumentParser::State;

void XMLCALL onStart(void* data, const XML_Char* element, const XML_Char** attributes) {
  static_cast<State*>(data)->start(element, attributes);
}
void XMLCALL onEnd(void* data, const XML_Char*) { static_cast<State*>(data)->end(); }
void XMLCALL onCharacters(void* data, const XML_Char* s, int n) {
  static_cast<State*>(data)->characters(s, n);
}

void XMLCALL onDeclaration(void* data, const XML_Char*, const XML_Char* encoding, int) {
  State* st = static_cast<State*>(data);
  st->declaredEncoding = encoding ? encoding : "";
  if (st->codePageGiven) return;
  unsigned int codePage = encoding ? codePageOfEncoding(encoding) : 65001;
  if (codePage) st->codePage = codePage;
  // expat reads ISO-8859-1 itself (in any case of letters), as Latin-1.
  std::string name = encoding ? encoding : "";
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  st->latin1Is1252 = name == "iso-8859-1";
}

// A document type declaration has no place in a result; refusing it also keeps
// entity expansion out.
void XMLCALL onDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
  static_cast<State*>(data)->stop("a document type declaration is not accepted in a result document");
}

int XMLCALL convertPair(void* data, const char* s) {
  unsigned char trail = static_cast<unsigned char>(s[1]);
  // A trail byte below 0x40 would be markup: the pair is broken.
  if (trail < 0x40) return -1;
  return static_cast<int>(static_cast<CodePage*>(data)->pair(static_cast<unsigned char>(s[0]), trail));
}

int XMLCALL onUnknownEncoding(void* data, const XML_Char* name, XML_Encoding* info) {
  State* st = static_cast<State*>(data);
  unsigned int codePage = codePageOfEncoding(name);
  if (codePage == 0 || codePage == 65001 || codePage == 1200) return XML_STATUS_ERROR;
  st->decoder = std::make_unique<CodePage>(codePage);
  bool doubleByte = false;
  for (int b = 0; b < 256; ++b) {
    unsigned char byte = static_cast<unsigned char>(b);
    if (b < 0x80) {
      info->map[b] = b;
    } else if (st->decoder->isLead(byte)) {
      info->map[b] = -2;
      doubleByte = true;
    } else {
      info->map[b] = static_cast<int>(st->decoder->single(byte));
    }
  }
  info->data = st->decoder.get();
  info->convert = doubleByte ? convertPair : nullptr;
  info->release = nullptr;
  st->codePage = codePage;
  return XML_STATUS_OK;
}

}  // namespace

DocumentParser::DocumentParser(DocumentListener& listener, unsigned int codePage)
    : state_(std::make_unique<State>(listener)) {
  // A code page given is read through the unknown-encoding handler below, except
  // UTF-8, which expat knows.
  std::string forced = codePage == 65001 ? "UTF-8" : codePage ? "x-nox-cp" + std::to_string(codePage) : "";
  state_->parser = XML_ParserCreate(codePage ? forced.c_str() : nullptr);
  if (codePage) {
    state_->codePage = codePage;
    state_->codePageGiven = true;
  }
  XML_Parser p = state_->parser;
  if (!p) {
    state_->error = "out of memory";
    state_->failed = true;
    return;
  }
  XML_SetUserData(p, state_.get());
  XML_SetElementHandler(p, onStart, onEnd);
  XML_SetCharacterDataHandler(p, onCharacters);
  XML_SetXmlDeclHandler(p, onDeclaration);
  XML_SetStartDoctypeDeclHandler(p, onDoctype);
  XML_SetUnknownEncodingHandler(p, onUnknownEncoding, state_.get());
}

DocumentParser::~DocumentParser() {
  if (state_->parser) XML_ParserFree(state_->parser);
}

namespace {

bool parse(State& st, const char* data, size_t n, bool last) {
  if (st.failed) return false;
  // XML_Parse takes an int length: large pieces go in slices.
  const size_t kSlice = 1 << 20;
  do {
    size_t piece = n < kSlice ? n : kSlice;
    bool final = last && piece == n;
    if (XML_Parse(st.parser, data, static_cast<int>(piece), final ? XML_TRUE : XML_FALSE) != XML_STATUS_OK) {
      if (!st.failed) {
        char where[64];
        std::snprintf(where, sizeof where, "line %lu, column %lu: ",
                      static_cast<unsigned long>(XML_GetCurrentLineNumber(st.parser)),
                      static_cast<unsigned long>(XML_GetCurrentColumnNumber(st.parser) + 1));
        st.error = where + std::string(XML_ErrorString(XML_GetErrorCode(st.parser)));
        st.failed = true;
      }
      return false;
    }
    data += piece;
    n -= piece;
  } while (n > 0);
  return true;
}

}  // namespace

bool DocumentParser::feed(const char* data, size_t n) {
  return n == 0 ? !state_->failed : parse(*state_, data, n, false);
}

bool DocumentParser::finish() { return parse(*state_, "", 0, true); }

const std::string& DocumentParser::error() const { return state_->error; }
unsigned int DocumentParser::codePage() const { return state_->codePage; }
const std::string& DocumentParser::declaredEncoding() const { return state_->declaredEncoding; }
uint64_t DocumentParser::nodeCount() const { return state_->next; }

bool parseDocument(const std::string& bytes, DocumentListener& listener, std::string* error,
                   unsigned int codePage) {
  DocumentParser parser(listener, codePage);
  bool ok = parser.feed(bytes.data(), bytes.size()) && parser.finish();
  if (!ok && error) *error = parser.error();
  return ok;
}

}  // namespace nox::nxz
