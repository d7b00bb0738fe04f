// The XML writer against a recording file device: the documents it writes, byte
// for byte, and the files it carries beside them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "XMLSerializer.h"
#include "XmlTestSupport.h"
#include "nox/FileUtil.h"
#include "nox/Memory.h"

namespace {

using namespace xmltest;
using ::testing::ElementsAre;

const int kRegistered = (initializeUtilityForTests(), 0);

struct Failure {
  unsigned int id = 0;
  std::string className;
  std::string methodName;
  unsigned int lastError = 0;
};

template <class F>
Failure failureOf(F f) {
  Failure failure;
  try {
    f();
    ADD_FAILURE() << "no exception";
  } catch (IException* e) {
    failure.id = e->getError().getID();
    failure.className = e->getError().getClassName().getData();
    failure.methodName = e->getError().getMethodName().getData();
    failure.lastError = e->getError().getLastError();
    e->release();
  }
  return failure;
}

// Every test gets a work folder of its own (so that "binary.dat" is free), a
// folder for the copied files and no settings file unless it writes one.
class XmlSerializerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(setWorkFolder(work_.path().c_str()), 1);
    serializer_.setCodePage(1252);
    serializer_.setSettingsFile((settings_ / "NxInfo.ini").c_str());
  }

  std::string serialize(Report& root) {
    serializer_.open(&device_);
    serializer_.serialize(root);
    serializer_.close(&device_);
    return device_.document;
  }

  // The document without its declaration line.
  std::string body(Report& root) {
    std::string document = serialize(root);
    return document.substr(document.find("\r\n") + 2);
  }

  ScratchFolder work_;
  ScratchFolder settings_;
  ScratchFolder result_;
  RecordingDevice device_{result_.path()};
  XmlSerializer serializer_;
};

TEST_F(XmlSerializerTest, WorkedExample) {
  Report root;
  root.setName("SystemInformation");
  SYSTEMTIME date = {2011, 11, 1, 21, 8, 20, 53, 417};
  addAttribute(addDateTime(root, "Date", date), "timezone", "GMT+0100");
  Report& tool = addText(root, "toolVersion", "2, 0, 2, 414");
  Report& serializerPlugin = add(add(tool, "pluginVersion"), "serializerPlugin");
  addAttribute(serializerPlugin, "index", "0");
  addText(serializerPlugin, "Name", "XML Plugin");
  addText(serializerPlugin, "fileName", "XML.nxw");
  addInteger(serializerPlugin, "version", 2);
  Report& summary = addText(add(root, "PC"), "Summary", "a<b & c");
  addFailed(summary, "Disk C:", "access denied");
  addBinary(summary, "Dump", std::string("\x00\x01\xFF\r\n", 5));

  EXPECT_EQ(serialize(root),
            "<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>\r\n"
            "<SystemInformation>\r\n"
            "  <Date timezone=\"GMT+0100\" type=\"datetime\">\r\n"
            "    2011/11/21 08:20:53\r\n"
            "  </Date>\r\n"
            "  <toolVersion type=\"text\">\r\n"
            "    2, 0, 2, 414\r\n"
            "    <pluginVersion>\r\n"
            "      <serializerPlugin index=\"0\">\r\n"
            "        <Name type=\"text\">\r\n"
            "          XML Plugin\r\n"
            "        </Name>\r\n"
            "        <fileName type=\"text\">\r\n"
            "          XML.nxw\r\n"
            "        </fileName>\r\n"
            "        <version type=\"integer\">\r\n"
            "          2\r\n"
            "        </version>\r\n"
            "      </serializerPlugin>\r\n"
            "    </pluginVersion>\r\n"
            "  </toolVersion>\r\n"
            "  <PC>\r\n"
            "    <Summary type=\"text\">\r\n"
            "      a&lt;b &amp; c\r\n"
            "      <Disk_C_ formalName=\"Disk C:\" IsSuccess=\"false\">\r\n"
            "        access denied\r\n"
            "      </Disk_C_>\r\n"
            "      <Dump type=\"binary\">\r\n"
            "        Summary\\binary.dat\r\n"
            "      </Dump>\r\n"
            "    </Summary>\r\n"
            "  </PC>\r\n"
            "</SystemInformation>\r\n");

  std::string dataFile = std::string(getWorkFolder()) + "\\binaries\\binary.dat";
  ASSERT_EQ(device_.copies.size(), 1u);
  EXPECT_EQ(device_.copies[0].source, dataFile);
  EXPECT_EQ(device_.copies[0].name, "Summary\\binary.dat");
  EXPECT_EQ(readFile(result_ / "Summary\\binary.dat"), std::string("\x00\x01\xFF\r\n", 5));
  EXPECT_TRUE(exists(dataFile)) << "the work folder keeps its data file";
  EXPECT_STREQ(serializer_.getBinariesFolderName().getData(), "Summary");
}

TEST_F(XmlSerializerTest, EveryReportType) {
  ScratchFolder source;
  writeFile(source / "app.log", "log bytes");
  SYSTEMTIME time = {1999, 12, 5, 31, 23, 59, 58, 999};
  struct Row {
    const char* label;
    void (*build)(Report& parent, const std::string& folder, const SYSTEMTIME& time);
    const char* element;
  } rows[] = {
      {"none", [](Report& p, const std::string&, const SYSTEMTIME&) { add(p, "group"); },
       "      <group>\r\n      </group>\r\n"},
      {"text", [](Report& p, const std::string&, const SYSTEMTIME&) { addText(p, "t", "hello"); },
       "      <t type=\"text\">\r\n        hello\r\n      </t>\r\n"},
      {"integer", [](Report& p, const std::string&, const SYSTEMTIME&) { addInteger(p, "i", -42); },
       "      <i type=\"integer\">\r\n        -42\r\n      </i>\r\n"},
      {"real", [](Report& p, const std::string&, const SYSTEMTIME&) { addReal(p, "r", 3.14); },
       "      <r type=\"real\">\r\n        3.140000\r\n      </r>\r\n"},
      {"datetime", [](Report& p, const std::string&, const SYSTEMTIME& t) { addDateTime(p, "d", t); },
       "      <d type=\"datetime\">\r\n        1999/12/31 23:59:58\r\n      </d>\r\n"},
      {"path",
       [](Report& p, const std::string& folder, const SYSTEMTIME&) {
         addPath(p, "log", (folder + "\\app.log").c_str());
       },
       "      <log type=\"path\">\r\n        plugin\\log\\app.log\r\n      </log>\r\n"},
      {"binary", [](Report& p, const std::string&, const SYSTEMTIME&) { addBinary(p, "b", "xyz"); },
       "      <b type=\"binary\">\r\n        plugin\\binary.dat\r\n      </b>\r\n"},
      {"other type",
       [](Report& p, const std::string&, const SYSTEMTIME&) {
         add(p, "odd", static_cast<IReport::ReportType>(7));
       },
       "      <odd>\r\n      </odd>\r\n"},
  };
  for (const Row& row : rows) {
    Report root;
    root.setName("root");
    row.build(add(add(root, "category"), "plugin"), source.path(), time);
    RecordingDevice device(result_.path());
    serializer_.open(&device);
    serializer_.serialize(root);
    serializer_.close(&device);
    EXPECT_EQ(device.document.substr(device.document.find("\r\n") + 2),
              std::string("<root>\r\n  <category>\r\n    <plugin>\r\n") + row.element +
                  "    </plugin>\r\n  </category>\r\n</root>\r\n")
        << "type " << row.label;
  }
  EXPECT_EQ(readFile(result_ / "plugin\\log\\app.log"), "log bytes");
  EXPECT_EQ(readFile(result_ / "plugin\\binary.dat"), "xyz");
}

TEST_F(XmlSerializerTest, CommentLineFollowsTheDeclarationUnchanged) {
  writeFile(settings_ / "NxInfo.ini",
            "[Serializer]\r\nFileName=XML.nxw\r\nComment=<?xml-stylesheet type=\"text/xsl\" "
            "href=\"a&b.xsl\"?>\r\n");
  Report root;
  root.setName("r");
  EXPECT_EQ(serialize(root),
            "<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>\r\n"
            "<?xml-stylesheet type=\"text/xsl\" href=\"a&b.xsl\"?>\r\n"
            "<r>\r\n</r>\r\n");
}

TEST_F(XmlSerializerTest, CommentIsCutAt1023Characters) {
  std::string comment = "<!--" + std::string(2000, 'x') + "-->";
  writeFile(settings_ / "NxInfo.ini", "[Serializer]\r\nComment=" + comment + "\r\n");
  Report root;
  root.setName("r");
  std::string document = serialize(root);
  size_t first = document.find("\r\n") + 2;
  EXPECT_EQ(document.substr(first, document.find("\r\n", first) - first), comment.substr(0, 1023));
}

TEST_F(XmlSerializerTest, EmptyCommentWritesNoLine) {
  writeFile(settings_ / "NxInfo.ini", "[Serializer]\r\nComment=\r\n");
  Report root;
  root.setName("r");
  EXPECT_EQ(body(root), "<r>\r\n</r>\r\n");
}

TEST_F(XmlSerializerTest, DeclarationFollowsTheCodePage) {
  struct Row {
    unsigned int codePage;
    const char* encoding;
  } rows[] = {{932, "Shift_JIS"},   {936, "gb2312"},      {949, "ks_c_5601-1987"}, {950, "big5"},
              {1250, "iso-8859-2"}, {1251, "iso-8859-1"}, {1252, "iso-8859-1"}};
  for (const Row& row : rows) {
    RecordingDevice device;
    serializer_.setCodePage(row.codePage);
    serializer_.open(&device);
    Report root;
    serializer_.serialize(root);
    EXPECT_EQ(device.document.substr(0, device.document.find("\r\n")),
              std::string("<?xml version=\"1.0\" encoding=\"") + row.encoding + "\" ?>")
        << "code page " << row.codePage;
  }
}

TEST_F(XmlSerializerTest, DoubleByteTextIsCopiedWhole) {
  serializer_.setCodePage(932);
  Report root;
  root.setName("r");
  // KATAKANA A (0x83 0x41) and a kanji ending in 0x5C, then markup.
  addText(root, "\x83\x41", "\x83\x41\x95\x5C<&>");
  EXPECT_EQ(body(root),
            "<r>\r\n"
            "  <__ formalName=\"\x83\x41\" type=\"text\">\r\n"
            "    \x83\x41\x95\x5C&lt;&amp;&gt;\r\n"
            "  </__>\r\n"
            "</r>\r\n");
}

TEST_F(XmlSerializerTest, NamesThatAreNoXmlNames) {
  struct Row {
    const char* name;
    const char* startTag;
  } rows[] = {
      {"Disk_Drives", "<Disk_Drives formalName=\"Disk_Drives\">"},
      {"", "<_ formalName=\"\">"},
      {"2ndDisk", "<_2ndDisk formalName=\"2ndDisk\">"},
      {"-x", "<_-x formalName=\"-x\">"},
      {"a\"b<c>&d", "<a_b_c__d formalName=\"a&quot;b&lt;c&gt;&amp;d\">"},
      {"tab\there", "<tab_here formalName=\"tab&#9;here\">"},
      {"\x01", "<_ formalName=\"&#x2401;\">"},
  };
  for (const Row& row : rows) {
    Report root;
    root.setName(row.name);
    RecordingDevice device;
    serializer_.open(&device);
    serializer_.serialize(root);
    std::string document = device.document.substr(device.document.find("\r\n") + 2);
    std::string element = std::string(row.startTag);
    std::string name = element.substr(1, element.find(' ') - 1);
    EXPECT_EQ(document, element + "\r\n</" + name + ">\r\n") << "report name \"" << row.name << "\"";
  }
}

TEST_F(XmlSerializerTest, AttributesAreEscapedAndNamedAsXml) {
  Report root;
  root.setName("r");
  Report& value = addText(root, "v", "x");
  addAttribute(value, "q", "say \"hi\" & <bye>\r\n");
  addAttribute(value, "first name", "it's");
  addAttribute(value, "", "empty name");
  addAttribute(value, "1st", "digit");
  addAttribute(value, "type", "clashes with the writer's own");
  addAttribute(value, "q", "twice");
  EXPECT_EQ(body(root),
            "<r>\r\n"
            "  <v q=\"say &quot;hi&quot; &amp; &lt;bye&gt;&#13;&#10;\" first_name=\"it's\" _=\"empty name\" "
            "_1st=\"digit\" _type=\"clashes with the writer's own\" _q=\"twice\" type=\"text\">\r\n"
            "    x\r\n"
            "  </v>\r\n"
            "</r>\r\n");
}

TEST_F(XmlSerializerTest, ControlCharactersInTextBecomeControlPictures) {
  Report root;
  root.setName("r");
  addText(root, "t",
          "a\x01"
          "b\tc\r\nd\x1B");
  addFailed(root, "f", "bad\x07");
  EXPECT_EQ(body(root),
            "<r>\r\n"
            "  <t type=\"text\">\r\n    a&#x2401;b\tc\r\nd&#x241B;\r\n  </t>\r\n"
            "  <f IsSuccess=\"false\">\r\n    bad&#x2407;\r\n  </f>\r\n"
            "</r>\r\n");
}

TEST_F(XmlSerializerTest, EmptyValuesWriteNeitherTypeNorText) {
  Report root;
  root.setName("r");
  addText(root, "empty", "");
  add(root, "unset", IReport::REPORT_TEXT);
  addFailed(root, "failed", "");
  addPath(root, "nowhere", "");
  EXPECT_EQ(body(root),
            "<r>\r\n"
            "  <empty>\r\n  </empty>\r\n"
            "  <unset>\r\n  </unset>\r\n"
            "  <failed IsSuccess=\"false\">\r\n  </failed>\r\n"
            "  <nowhere>\r\n  </nowhere>\r\n"
            "</r>\r\n");
  EXPECT_TRUE(device_.copies.empty()) << "an empty path names no file";
}

TEST_F(XmlSerializerTest, FailedReportsWriteTheErrorTextInsteadOfTheValue) {
  Report root;
  root.setName("r");
  Report& failed = addInteger(root, "n", 7);
  failed.setSuccess(false);
  failed.setErrorText("no <access>");
  addAttribute(failed, "IsSuccess", "true");
  EXPECT_EQ(body(root),
            "<r>\r\n"
            "  <n _IsSuccess=\"true\" IsSuccess=\"false\">\r\n    no &lt;access&gt;\r\n  </n>\r\n"
            "</r>\r\n");
}

TEST_F(XmlSerializerTest, TwoBinariesGetDistinctDataFiles) {
  Report root;
  root.setName("r");
  Report& plugin = add(add(root, "c"), "plugin");
  addBinary(plugin, "a", "first");
  addBinary(plugin, "b", "second");
  addBinary(plugin, "none", "");
  std::string document = serialize(root);
  ASSERT_EQ(device_.copies.size(), 3u);
  EXPECT_EQ(device_.copies[0].name, "plugin\\binary.dat");
  EXPECT_EQ(device_.copies[1].name, "plugin\\binary(1).dat");
  EXPECT_EQ(device_.copies[2].name, "plugin\\binary(2).dat");
  EXPECT_EQ(readFile(result_ / "plugin\\binary.dat"), "first");
  EXPECT_EQ(readFile(result_ / "plugin\\binary(1).dat"), "second");
  EXPECT_EQ(readFile(result_ / "plugin\\binary(2).dat"), "");
  EXPECT_NE(document.find("      plugin\\binary(1).dat\r\n"), std::string::npos);
}

TEST_F(XmlSerializerTest, FilesGoUnderTheLastDepthTwoElement) {
  ScratchFolder source;
  writeFile(source / "a.txt", "A");
  std::string file = source / "a.txt";
  Report root;
  root.setName("r");
  addPath(root, "early", file.c_str());  // depth 1, before any depth-2 element
  Report& category = add(root, "cat");
  addPath(add(category, "first plugin"), "p", file.c_str());
  Report& second = add(category, "second");
  addPath(add(second, "deep"), "p", file.c_str());
  addPath(root, "late", file.c_str());  // depth 1 again: the folder stays
  serialize(root);
  std::vector<std::string> names;
  for (const RecordingDevice::Copy& copy : device_.copies) names.push_back(copy.name);
  EXPECT_THAT(names, ElementsAre("early\\a.txt", "first_plugin\\p\\a.txt", "second\\p\\a.txt",
                                 "second\\late\\a.txt"));

  // The next document starts with the name the last one left.
  RecordingDevice next(result_.path());
  serializer_.open(&next);
  Report again;
  again.setName("r");
  addPath(again, "early", file.c_str());
  serializer_.serialize(again);
  ASSERT_EQ(next.copies.size(), 1u);
  EXPECT_EQ(next.copies[0].name, "second\\early\\a.txt");
}

TEST_F(XmlSerializerTest, PathValuesCarryFilesAndFolders) {
  ScratchFolder source;
  writeFile(source / "one.log", "1");
  noxMkDir((source / "logs").c_str());
  writeFile(source / "logs\\two.log", "2");
  Report root;
  root.setName("r");
  Report& plugin = add(add(root, "c"), "pl");
  addPath(plugin, "file", (source / "one.log").c_str());
  addPath(plugin, "folder", (source / "logs").c_str());
  addPath(plugin, "..", (source / "one.log").c_str());
  serialize(root);
  EXPECT_EQ(readFile(result_ / "pl\\file\\one.log"), "1");
  EXPECT_EQ(readFile(result_ / "pl\\folder\\logs\\two.log"), "2");
  EXPECT_EQ(readFile(result_ / "pl\\__\\one.log"), "1") << "a name cannot climb out of the folder";
}

TEST_F(XmlSerializerTest, PathValuesNamingNothingCarryNothing) {
  ScratchFolder source;
  writeFile(source / "here.csv", "x");
  Report root;
  root.setName("r");
  Report& plugin = add(add(root, "c"), "pl");
  addPath(plugin, "absent", (source / "absent.csv").c_str());
  addPath(plugin, "present", (source / "here.csv").c_str());
  const std::string document = serialize(root);
  EXPECT_NE(document.find("<absent>\r\n      </absent>"), std::string::npos) << document;
  EXPECT_NE(document.find("pl\\present\\here.csv"), std::string::npos) << "the document goes on";
  EXPECT_EQ(readFile(result_ / "pl\\present\\here.csv"), "x");
  EXPECT_FALSE(exists(result_ / "pl\\absent")) << "nothing is made for it";
}

TEST_F(XmlSerializerTest, DeviceFailuresLeaveTheDocumentUnfinished) {
  ScratchFolder source;
  writeFile(source / "a.txt", "A");
  Report root;
  root.setName("r");
  addPath(root, "p", (source / "a.txt").c_str());
  addText(root, "after", "never written");
  device_.failCopy = 1;
  serializer_.open(&device_);
  Failure failure = failureOf([&] { serializer_.serialize(root); });
  EXPECT_EQ(failure.id, NOX_ERR_FILE_WRITE);
  EXPECT_EQ(failure.methodName, "copyFile");
  EXPECT_EQ(device_.document.find("never written"), std::string::npos);
}

TEST_F(XmlSerializerTest, DataFileThatCannotBeCreated) {
  // A file where the binaries folder should be.
  writeFile(std::string(getWorkFolder()) + "\\binaries", "in the way");
  Report root;
  root.setName("r");
  addBinary(root, "b", "bytes");
  serializer_.open(&device_);
  Failure failure = failureOf([&] { serializer_.serialize(root); });
  EXPECT_EQ(failure.id, NOX_ERR_FILE_OPEN);
  EXPECT_EQ(failure.className, "FileDevice");
  EXPECT_EQ(failure.methodName, "open");
  EXPECT_NE(failure.lastError, 0u);
  EXPECT_TRUE(device_.copies.empty());
}

TEST_F(XmlSerializerTest, DeviceLifecycle) {
  serializer_.open(&device_);
  EXPECT_TRUE(device_.isOpen());
  serializer_.flush();
  EXPECT_THAT(device_.calls, ElementsAre("open", "flush", "close"));
  serializer_.close(nullptr);  // the argument is not used
  EXPECT_THAT(device_.calls, ElementsAre("open", "flush", "close", "close"));
  serializer_.close(&device_);  // forgotten: nothing more
  serializer_.flush();
  EXPECT_THAT(device_.calls, ElementsAre("open", "flush", "close", "close"));
  EXPECT_STREQ(serializer_.getExtension(), "xml");

  Report root;
  Failure failure = failureOf([&] { serializer_.serialize(root); });
  EXPECT_EQ(failure.id, NOX_ERR_FILE_WRITE) << "no device to write to";
  EXPECT_EQ(failure.className, "XMLSerializer");
}

TEST_F(XmlSerializerTest, LargeDocumentsArriveWhole) {
  Report root;
  root.setName("r");
  const int kChildren = 5000;
  for (int i = 0; i < kChildren; ++i) addInteger(root, "n", i);
  std::string document = body(root);
  std::string expected = "<r>\r\n";
  for (int i = 0; i < kChildren; ++i) {
    expected += "  <n type=\"integer\">\r\n    " + std::to_string(i) + "\r\n  </n>\r\n";
  }
  expected += "</r>\r\n";
  EXPECT_EQ(document, expected);
}

TEST_F(XmlSerializerTest, OutOfMemoryIsTheSharedException) {
  Report root;
  root.setName("r");
  addText(add(add(root, "c"), "plugin"), "t", "x");
  serializer_.open(&device_);
  noxFailAllocationsAfter(0);
  IException* caught = nullptr;
  try {
    serializer_.serialize(root);
  } catch (IException* e) {
    caught = e;
  }
  noxFailAllocationsAfter(-1);
  ASSERT_NE(caught, nullptr);
  EXPECT_EQ(caught, static_cast<IException*>(&Exception::outOfMemory()));
  EXPECT_EQ(caught->getError().getID(), NOX_ERR_MEMORY);
  caught->release();

  // Nothing is left half-done that spoils the next document.
  RecordingDevice device;
  serializer_.open(&device);
  serializer_.serialize(root);
  EXPECT_EQ(device.document.substr(device.document.find("\r\n") + 2),
            "<r>\r\n  <c>\r\n    <plugin>\r\n      <t type=\"text\">\r\n        x\r\n      </t>\r\n"
            "    </plugin>\r\n  </c>\r\n</r>\r\n");
}

}  // namespace
