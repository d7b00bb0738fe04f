// The text pieces of the XML writer, byte by byte, on Linux and under Wine.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "XmlText.h"

namespace {

using xmltext::CodePageBytes;

// Lead bytes of code page 932 (Shift_JIS), as Windows reports them.
CodePageBytes cp932() {
  return CodePageBytes(932,
                       [](unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); });
}

const CodePageBytes kSingleByte;

std::string text(const char* value, const CodePageBytes& bytes = kSingleByte) {
  std::string out;
  xmltext::appendText(out, value, bytes);
  return out;
}

std::string attribute(const char* value, const CodePageBytes& bytes = kSingleByte) {
  std::string out;
  xmltext::appendAttributeValue(out, value, bytes);
  return out;
}

TEST(XmlText, EncodingNameByCodePage) {
  struct Row {
    unsigned int codePage;
    const char* name;
  } rows[] = {{932, "Shift_JIS"},    {936, "gb2312"},      {949, "ks_c_5601-1987"}, {950, "big5"},
              {1250, "iso-8859-2"},  {1251, "iso-8859-1"}, {1252, "iso-8859-1"},    {437, "iso-8859-1"},
              {65001, "iso-8859-1"}, {0, "iso-8859-1"}};
  for (const Row& row : rows) {
    EXPECT_STREQ(xmltext::encodingName(row.codePage), row.name) << "code page " << row.codePage;
    EXPECT_EQ(xmltext::declaration(row.codePage),
              std::string("<?xml version=\"1.0\" encoding=\"") + row.name + "\" ?>\r\n")
        << "code page " << row.codePage;
  }
}

TEST(XmlText, ElementNames) {
  struct Row {
    const char* report;
    const char* element;
    bool changed;
  } rows[] = {
      {"SystemInformation", "SystemInformation", false},
      {"toolVersion", "toolVersion", false},
      {"a-b-9", "a-b-9", false},
      {"Disk C:", "Disk_C_", true},
      {"Disk_Drives", "Disk_Drives", true},  // the underscore itself counts as replaced
      {"a.b", "a_b", true},
      {"ns:tag", "ns_tag", true},
      {"", "_", true},  // no name at all is no XML name
      {"123", "_123", true},
      {"9lives", "_9lives", true},
      {"-x", "_-x", true},
      {"-", "_-", true},
      {"<&\">", "____", true},
      {"\xE9t\xE9", "_t_", true},  // single-byte code page: every high byte is one character
  };
  for (const Row& row : rows) {
    xmltext::ElementName name = xmltext::elementName(row.report, kSingleByte);
    EXPECT_EQ(name.name, row.element) << "report name \"" << row.report << "\"";
    EXPECT_EQ(name.changed, row.changed) << "report name \"" << row.report << "\"";
  }
}

TEST(XmlText, ElementNamesReplaceBothBytesOfADoubleByteCharacter) {
  CodePageBytes bytes = cp932();
  // 0x83 0x41 is KATAKANA A: its trail byte is the letter 'A' and must not survive.
  EXPECT_EQ(xmltext::elementName("\x83\x41x", bytes).name, "__x");
  // 0x95 0x5C: a trail byte that looks like a backslash.
  EXPECT_EQ(xmltext::elementName("\x95\x5C", bytes).name, "__");
  // Without the code page, the same bytes are two characters and 'A' stays.
  EXPECT_EQ(xmltext::elementName("\x83\x41x", kSingleByte).name, "_Ax");
}

TEST(XmlText, AttributeNames) {
  struct Row {
    const char* given;
    const char* written;
  } rows[] = {
      {"timezone", "timezone"},
      {"index", "index"},
      {"_private", "_private"},
      {"a.b-c_d", "a.b-c_d"},
      {"first name", "first_name"},
      {"a\"b", "a_b"},
      {"a=b", "a_b"},
      {"a:b", "a_b"},
      {"", "_"},
      {"1st", "_1st"},
      {"-flag", "_-flag"},
      {".hidden", "_.hidden"},
      {"xmlns", "_xmlns"},
      {"xmlnsx", "xmlnsx"},
      {"\x01", "_"},
      {"\xE9", "_"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(xmltext::attributeName(row.given, kSingleByte), row.written)
        << "attribute name \"" << row.given << "\"";
  }
  EXPECT_EQ(xmltext::attributeName("\x83\x41", cp932()), "__");
}

TEST(XmlText, StartTagNamesMoveDuplicatesAside) {
  xmltext::StartTagNames names;
  names.reserve("type");
  names.reserve("formalName");
  EXPECT_EQ(names.claim("index"), "index");
  EXPECT_EQ(names.claim("type"), "_type");
  EXPECT_EQ(names.claim("type"), "__type");
  EXPECT_EQ(names.claim("_type"), "___type");
  EXPECT_EQ(names.claim("index"), "_index");
  EXPECT_EQ(names.claim("formalName"), "_formalName");
}

TEST(XmlText, ElementTextEscaping) {
  struct Row {
    const char* value;
    const char* written;
  } rows[] = {
      {"a<b & c", "a&lt;b &amp; c"},
      {"\"quoted\"", "&quot;quoted&quot;"},
      {"it's", "it's"},  // the apostrophe stays
      {"x > y", "x &gt; y"},
      {"&amp;", "&amp;amp;"},
      {"line1\r\nline2\tend", "line1\r\nline2\tend"},
      {"\x01\x1F", "&#x2401;&#x241F;"},
      {"bell\x07", "bell&#x2407;"},
      {"\x0B\x0C", "&#x240B;&#x240C;"},
      {"\x7F\x80\xFF", "\x7F\x80\xFF"},
      {"", ""},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(text(row.value), row.written) << "value \"" << row.value << "\"";
  }
  EXPECT_EQ(text(nullptr), "");
}

TEST(XmlText, AttributeValueEscaping) {
  struct Row {
    const char* value;
    const char* written;
  } rows[] = {
      {"GMT+0100", "GMT+0100"}, {"say \"hi\" & <go>", "say &quot;hi&quot; &amp; &lt;go&gt;"},
      {"it's", "it's"},         {"a\tb\nc\rd", "a&#9;b&#10;c&#13;d"},
      {"\x02", "&#x2402;"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(attribute(row.value), row.written) << "value \"" << row.value << "\"";
  }
}

TEST(XmlText, DoubleByteCharactersAreCopiedWhole) {
  CodePageBytes bytes = cp932();
  struct Row {
    const char* value;
    const char* written;
  } rows[] = {
      // Trail bytes in the ASCII range are part of the character, not markup.
      {"\x83\x5C", "\x83\x5C"},
      {"\x82\xA0<\x83\x41", "\x82\xA0&lt;\x83\x41"},
      // A lead byte without its trail byte: at the end, or before a byte that
      // can never be a trail byte.
      {"ab\x83", "ab&#xFFFD;"},
      {"\x83<", "&#xFFFD;&lt;"},
      {"\x83\"", "&#xFFFD;&quot;"},
      {"\x83\x01", "&#xFFFD;&#x2401;"},
      // Half-width katakana are single bytes.
      {"\xB1\xB2", "\xB1\xB2"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(text(row.value, bytes), row.written) << "value row " << (&row - rows);
    EXPECT_EQ(attribute(row.value, bytes), row.written) << "value row " << (&row - rows);
  }
}

TEST(XmlText, TrailByteRangesPerCodePage) {
  auto allLead = [](unsigned char b) { return b >= 0x81; };
  struct Row {
    unsigned int codePage;
    unsigned char trail;
    bool valid;
  } rows[] = {
      {932, 0x40, true},  {932, 0x7F, false},  {932, 0xFC, true},  {932, 0xFD, false}, {932, 0x3F, false},
      {936, 0x40, true},  {936, 0xFE, true},   {936, 0xFF, false}, {949, 0x40, false}, {949, 0x41, true},
      {949, 0x5B, false}, {949, 0x61, true},   {950, 0x80, false}, {950, 0xA1, true},  {950, 0x7E, true},
      {1252, 0x40, true}, {1252, 0x3C, false},
  };
  for (const Row& row : rows) {
    CodePageBytes bytes(row.codePage, allLead);
    const char pair[] = {'\x90', static_cast<char>(row.trail), '\0'};
    EXPECT_EQ(bytes.charLength(pair), row.valid ? 2 : 1)
        << "code page " << row.codePage << " trail 0x" << std::hex << int(row.trail);
  }
}

TEST(XmlText, Indent) {
  std::string out;
  xmltext::appendIndent(out, 0);
  EXPECT_EQ(out, "");
  xmltext::appendIndent(out, 3);
  EXPECT_EQ(out, "      ");
}

TEST(XmlText, ValueTexts) {
  EXPECT_EQ(xmltext::integerText(2), "2");
  EXPECT_EQ(xmltext::integerText(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(xmltext::integerText(2147483647), "2147483647");
  EXPECT_EQ(xmltext::realText(3.14), "3.140000");
  EXPECT_EQ(xmltext::realText(-0.5), "-0.500000");
  EXPECT_EQ(xmltext::realText(1e20), "100000000000000000000.000000");
  EXPECT_EQ(xmltext::realText(-1.7976931348623157e308).size(), 1u + 309u + 7u);
}

TEST(XmlText, DateTimeWritesNeitherWeekdayNorMilliseconds) {
  // 2011-11-21 (a Monday) 08:20:53.999, little-endian 16-bit fields.
  const unsigned char record[16] = {0xDB, 0x07, 11, 0, 1, 0, 21, 0, 8, 0, 20, 0, 53, 0, 0xE7, 0x03};
  EXPECT_EQ(xmltext::dateTimeText(record), "2011/11/21 08:20:53");
  const unsigned char early[16] = {5, 0, 1, 0, 0, 0, 2, 0, 3, 0, 4, 0, 5, 0, 0, 0};
  EXPECT_EQ(xmltext::dateTimeText(early), "   5/01/02 03:04:05");
  const unsigned char empty[16] = {};
  EXPECT_EQ(xmltext::dateTimeText(empty), "   0/00/00 00:00:00");
}

TEST(XmlText, PathRelativeNames) {
  struct Row {
    const char* folder;
    const char* name;
    const char* path;
    const char* relative;
  } rows[] = {
      {"Summary", "log", "C:\\Logs\\app.log", "Summary\\log\\app.log"},
      {"", "log", "C:\\Logs\\app.log", "log\\app.log"},
      {"Summary", "Disk C:", "C:\\a\\b.txt", "Summary\\Disk C_\\b.txt"},
      {"Summary", "log", "app.log", "Summary\\log\\app.log"},
      {"Summary", "logs", "C:\\Logs\\", "Summary\\logs\\"},  // a folder: copied whole
      // Nothing may lead out of the result folder or into a device.
      {"", "..", "C:\\x.txt", "__\\x.txt"},
      {"", ".", "C:\\x.txt", "_\\x.txt"},
      {"", "a\\..\\..\\b", "C:\\x.txt", "a_.._.._b\\x.txt"},
      {"", "a/b", "C:\\x.txt", "a_b\\x.txt"},
      {"", "f", "C:\\dir\\..", "f\\__"},
      {"", "con", "C:\\x.txt", "_con\\x.txt"},
      {"", "LPT1.log", "C:\\x.txt", "_LPT1.log\\x.txt"},
      {"", "COM0", "C:\\NUL", "COM0\\_NUL"},
      {"", "n*?\"<>|\x01", "C:\\x.txt", "n_______\\x.txt"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(xmltext::pathRelativeName(row.folder, row.name, row.path, kSingleByte), row.relative)
        << "row " << (&row - rows) << " name \"" << row.name << "\" path \"" << row.path << "\"";
  }
}

TEST(XmlText, PathRelativeNamesKeepDoubleByteBackslashes) {
  CodePageBytes bytes = cp932();
  // 0x95 0x5C (a kanji) ends in a byte that looks like a backslash.
  EXPECT_EQ(xmltext::pathRelativeName("PC", "\x95\x5C", "C:\\\x95\x5C\\\x95\x5C.txt", bytes),
            "PC\\\x95\x5C\\\x95\x5C.txt");
  EXPECT_EQ(std::string(xmltext::baseName("C:\\dir\\\x95\x5C", bytes)), "\x95\x5C");
  EXPECT_EQ(std::string(xmltext::baseName("C:\\dir\\\x95\x5C", kSingleByte)), "");
}

TEST(XmlText, BinaryRelativeNames) {
  EXPECT_EQ(xmltext::binaryRelativeName("Summary", "binary.dat"), "Summary\\binary.dat");
  EXPECT_EQ(xmltext::binaryRelativeName("", "binary(1).dat"), "binary(1).dat");
}

}  // namespace
