// The result document as the viewer reads it: values as the writer lays them
// out, names, success, attributes, the code pages the writer declares, and
// documents that are broken or hostile.
#include <gtest/gtest.h>

#include "DocumentFixtures.h"
#include "Encoding.h"

namespace {

using namespace nox::nxz;
using nox::nxz::testing::document;
using nox::nxz::testing::Recorder;

TEST(DocumentParser, ReadsTheWritersLayout) {
  // As the writer puts it: CR LF lines, two-space indent, values on lines of their own.
  const std::string xml =
      "<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>\r\n"
      "<SystemInformation>\r\n"
      "  <Date timezone=\"GMT+0100\" type=\"datetime\">\r\n"
      "    2011/11/21 08:20:53\r\n"
      "  </Date>\r\n"
      "  <PC>\r\n"
      "    <Summary type=\"text\">\r\n"
      "      a&lt;b &amp; c  \r\n"
      "      <Disk_C_ formalName=\"Disk C:\" IsSuccess=\"false\">\r\n"
      "        access denied\r\n"
      "      </Disk_C_>\r\n"
      "      <Key_line _type=\"own\" index=\"3\" type=\"text\">\r\n"
      "          two leading blanks\r\n\r\n"
      "      </Key_line>\r\n"
      "      <Empty>\r\n"
      "      </Empty>\r\n"
      "    </Summary>\r\n"
      "  </PC>\r\n"
      "</SystemInformation>\r\n";
  Recorder r;
  std::string error;
  ASSERT_TRUE(parseDocument(xml, r, &error)) << error;
  ASSERT_EQ(r.nodes.size(), 7u);
  const Node& date = r.nodes[1];
  EXPECT_EQ(date.name, "Date");
  EXPECT_EQ(date.type, "datetime");
  EXPECT_EQ(date.value, "2011/11/21 08:20:53");
  ASSERT_NE(date.attribute("timezone"), nullptr);
  EXPECT_EQ(*date.attribute("timezone"), "GMT+0100");
  EXPECT_EQ(date.depth, 1);

  const Node& summary = *r.find("Summary");
  EXPECT_EQ(summary.value, "a<b & c  ") << "the value keeps its own trailing blanks";
  EXPECT_TRUE(summary.hasChildren);

  const Node* disk = r.find("Disk C:");
  ASSERT_NE(disk, nullptr) << "formalName gives the report's name";
  EXPECT_EQ(disk->element, "Disk_C_");
  EXPECT_FALSE(disk->success);
  EXPECT_EQ(disk->value, "access denied");
  EXPECT_TRUE(disk->attributes.empty()) << "the writer's own attributes are not the report's";

  const Node& key = *r.find("Key_line");
  EXPECT_EQ(key.value, "  two leading blanks\n")
      << "indent of its depth removed, own blanks and line end kept";
  ASSERT_EQ(key.attributes.size(), 2u);
  EXPECT_EQ(key.attributes[0].first, "_type");
  EXPECT_EQ(key.attributes[1].first, "index");

  EXPECT_EQ(r.find("Empty")->value, "");
  EXPECT_FALSE(r.find("Empty")->hasChildren);
  for (size_t i = 0; i < r.nodes.size(); ++i) EXPECT_EQ(r.nodes[i].index, i) << "document order";
}

struct EncodingCase {
  const char* what;
  std::string encoding;
  std::string valueBytes;
  unsigned int codePage;  // given on the command line, 0 for none
  std::string expected;   // UTF-8
  unsigned int expectedCodePage;
};

TEST(DocumentParser, DecodesTheCodePagesTheWriterDeclares) {
  const EncodingCase cases[] = {
      {"1252 declared as iso-8859-1: 0x80 is the euro sign", "iso-8859-1", "5 \x80 \xE9", 0,
       "5 \xE2\x82\xAC \xC3\xA9", 1252},
      {"Shift_JIS (932), one trail byte a backslash", "Shift_JIS", "\x93\xFA\x96\x7B \x95\x5C", 0,
       "\xE6\x97\xA5\xE6\x9C\xAC \xE8\xA1\xA8", 932},
      {"1250 declared as iso-8859-2: 0x8A is S with caron", "iso-8859-2", "\x8A", 0, "\xC5\xA0", 1250},
      {"big5 (950)", "big5", "\xA4\xA4", 0, "\xE4\xB8\xAD", 950},
      {"a code page given overrides the declaration (1251)", "iso-8859-1", "\xC0", 1251, "\xD0\x90", 1251},
      {"control pictures stay", "iso-8859-1", "&#x2401;", 0, "\xE2\x90\x81", 1252},
      {"the declaration's name in capitals", "ISO-8859-1", "\x80", 0, "\xE2\x82\xAC", 1252},
      {"UTF-8 given for a document that says otherwise", "iso-8859-1", "\xC3\xA9", 65001, "\xC3\xA9", 65001},
  };
  for (const EncodingCase& c : cases) {
    Recorder r;
    std::string error;
    std::string xml = document("<value type=\"text\">" + c.valueBytes + "</value>", c.encoding);
    DocumentParser parser(r, c.codePage);
    bool ok = parser.feed(xml.data(), xml.size()) && parser.finish();
    ASSERT_TRUE(ok) << c.what << ": " << parser.error();
    ASSERT_NE(r.find("value"), nullptr) << c.what;
    EXPECT_EQ(r.find("value")->value, c.expected) << c.what;
    EXPECT_EQ(parser.codePage(), c.expectedCodePage) << c.what;
  }
}

TEST(DocumentParser, FeedsInPiecesOfAnySize) {
  std::string xml =
      document("<a type=\"text\">\x93\xFA\x96\x7B</a><b><c type=\"integer\">7</c></b>", "Shift_JIS");
  Recorder whole;
  ASSERT_TRUE(parseDocument(xml, whole));
  for (size_t piece : {1u, 2u, 3u, 7u}) {
    Recorder r;
    DocumentParser parser(r);
    for (size_t i = 0; i < xml.size(); i += piece)
      ASSERT_TRUE(parser.feed(xml.data() + i, std::min(piece, xml.size() - i))) << piece;
    ASSERT_TRUE(parser.finish());
    ASSERT_EQ(r.nodes.size(), whole.nodes.size()) << piece;
    for (size_t i = 0; i < r.nodes.size(); ++i) EXPECT_EQ(r.nodes[i].value, whole.nodes[i].value) << piece;
  }
}

struct BrokenCase {
  const char* what;
  std::string xml;
  const char* error;  // part of the message
  size_t nodesBefore;
};

TEST(DocumentParser, RefusesBrokenAndHostileDocumentsSayingWhere) {
  std::string deep;
  for (int i = 0; i < kMaxDepth + 5; ++i) deep += "<d>";
  const BrokenCase cases[] = {
      {"cut short", "<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>\r\n<SystemInformation>\r\n<a>x</a><b>",
       "no element found", 2},
      {"mismatched tag", document("<a type=\"text\">x</a><b></c>"), "mismatched tag", 2},
      {"entity expansion",
       "<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;\">]><r>&b;</r>",
       "document type declaration", 0},
      {"nested without end", "<r>" + deep, "nested deeper than", static_cast<size_t>(kMaxDepth - 1)},
      {"undeclared entity", document("<a>&nbsp;</a>"), "undefined entity", 1},
  };
  for (const BrokenCase& c : cases) {
    Recorder r;
    std::string error;
    EXPECT_FALSE(parseDocument(c.xml, r, &error)) << c.what;
    EXPECT_NE(error.find(c.error), std::string::npos) << c.what << ": " << error;
    EXPECT_EQ(error.rfind("line ", 0), 0u) << c.what << ": says where: " << error;
    EXPECT_EQ(r.nodes.size(), c.nodesBefore) << c.what << ": the nodes before the fault are delivered";
  }
}

TEST(DocumentParser, KeepsTextAfterChildrenAsANodeOfItsOwn) {
  Recorder r;
  ASSERT_TRUE(parseDocument(document("<a>head<b>1</b>tail</a>"), r));
  ASSERT_EQ(r.nodes.size(), 4u);
  EXPECT_EQ(r.nodes[1].value, "head");
  EXPECT_EQ(r.nodes[3].name, "#text");
  EXPECT_EQ(r.nodes[3].value, "tail");
}

TEST(Encoding, SideFileTextInItsOwnEncoding) {
  CodePage cp1252(1252);
  struct {
    const char* what;
    std::string bytes, expected;
  } cases[] = {
      {"ANSI", "caf\xE9 \x80", "caf\xC3\xA9 \xE2\x82\xAC"},
      {"UTF-16 LE with its mark (regedit 5)",
       std::string("\xFF\xFE"
                   "A\0\xE9\0",
                   6),
       "A\xC3\xA9"},
      {"UTF-16 BE with its mark", std::string("\xFE\xFF\0A\xD8\x3D\xDE\x00", 8), "A\xF0\x9F\x98\x80"},
      {"UTF-8 with its mark", "\xEF\xBB\xBFx\xC3\xA9", "x\xC3\xA9"},
      {"UTF-8 without", "x\xC3\xA9", "x\xC3\xA9"},
      {"cut inside a UTF-16 character",
       std::string("\xFF\xFE"
                   "A\0B",
                   5),
       "A"},
  };
  for (const auto& c : cases) EXPECT_EQ(sideFileTextToUtf8(c.bytes, cp1252), c.expected) << c.what;
}

}  // namespace
