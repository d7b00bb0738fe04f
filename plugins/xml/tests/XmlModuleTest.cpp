// XML.nxw loaded for real, as the core loads it, writing documents through a
// recording device. The documents of the adversarial tree are also left in
// xml-documents beside the program for xmllint (test xml_documents_wellformed).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "XmlTestSupport.h"
#include "nox/FileUtil.h"
#include "nox/Memory.h"
#include "nox/PluginModule.h"
#include "nox/Serializer.h"

namespace {

using namespace xmltest;

const int kRegistered = (initializeUtilityForTests(), 0);

typedef ISerializer* (*GetSerializerFunction)();

std::string programFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  char folder[MAX_PATH] = {};
  noxGetPath(path, folder, MAX_PATH);
  return folder;
}

class XmlModule : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryA("XML.nxw");
    ASSERT_NE(module_, nullptr) << "XML.nxw beside the test program";
    noxPluginExport<NoxInitializePluginFunction>(module_, NOX_EXPORT_INITIALIZE_PLUGIN)();
    auto getSerializer = noxPluginExport<GetSerializerFunction>(module_, NOX_EXPORT_GET_SERIALIZER);
    ASSERT_NE(getSerializer, nullptr);
    serializer_ = getSerializer();
    ASSERT_NE(serializer_, nullptr);
  }
  void TearDown() override {
    if (!module_) return;
    noxPluginExport<NoxUninitializePluginFunction>(module_, NOX_EXPORT_UNINITIALIZE_PLUGIN)();
    FreeLibrary(module_);
  }

  std::string serialize(Report& root, RecordingDevice& device) {
    serializer_->open(&device);
    serializer_->serialize(root);
    serializer_->flush();
    serializer_->close(&device);
    return device.document;
  }

  HMODULE module_ = nullptr;
  ISerializer* serializer_ = nullptr;
};

TEST_F(XmlModule, Identity) {
  IPluginInformation* info =
      noxPluginExport<NoxGetPluginInformationFunction>(module_, NOX_EXPORT_GET_PLUGIN_INFORMATION)();
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->getID(), 65536u);
  EXPECT_STREQ(info->getName().getData(), "XML Plugin");
  EXPECT_EQ(info->getType(), IPluginInformation::PLUGIN_SERIALIZER);
  EXPECT_EQ(info->getVersion(), 2u);
  EXPECT_EQ(GetProcAddress(module_, NOX_EXPORT_GET_OBSERVATION), nullptr);
  EXPECT_STREQ(serializer_->getExtension(), "xml");
}

TEST_F(XmlModule, WritesTheReportTree) {
  ScratchFolder result;
  RecordingDevice device(result.path());
  Report root;
  root.setName("SystemInformation");
  Report& summary = addText(add(root, "PC"), "Summary", "a<b & c");
  addFailed(summary, "Disk C:", "access denied");
  addBinary(summary, "Dump", "dump bytes");
  std::string document = serialize(root, device);

  EXPECT_EQ(document.substr(0, document.find("\r\n")),
            GetACP() == 932 ? "<?xml version=\"1.0\" encoding=\"Shift_JIS\" ?>"
                            : "<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>");
  // A settings file beside the test program may add its comment line.
  EXPECT_EQ(document.substr(document.find("<SystemInformation>")),
            "<SystemInformation>\r\n"
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
  EXPECT_EQ(readFile(result / "Summary\\binary.dat"), "dump bytes");
  EXPECT_EQ(device.calls, (std::vector<std::string>{"open", "flush", "close", "close"}));
}

TEST_F(XmlModule, DeviceFailuresReachTheCallerThroughTheModule) {
  ScratchFolder result;
  writeFile(result / "a.txt", "A");
  RecordingDevice device(result.path());
  device.failCopy = 1;
  Report root;
  root.setName("r");
  addPath(root, "p", (result / "a.txt").c_str());
  serializer_->open(&device);
  unsigned int id = 0;
  try {
    serializer_->serialize(root);
    ADD_FAILURE() << "no exception";
  } catch (IException* e) {
    id = e->getError().getID();
    e->release();
  }
  EXPECT_EQ(id, NOX_ERR_FILE_WRITE);
  serializer_->close(&device);
  EXPECT_EQ(device.calls, (std::vector<std::string>{"open", "close"}));
}

TEST_F(XmlModule, InitializeWithoutMemoryNamesTheStep) {
  auto uninitialize = noxPluginExport<NoxUninitializePluginFunction>(module_, NOX_EXPORT_UNINITIALIZE_PLUGIN);
  auto initialize = noxPluginExport<NoxInitializePluginFunction>(module_, NOX_EXPORT_INITIALIZE_PLUGIN);
  auto getSerializer = noxPluginExport<GetSerializerFunction>(module_, NOX_EXPORT_GET_SERIALIZER);
  uninitialize();
  ASSERT_EQ(getSerializer(), nullptr);
  noxFailAllocationsAfter(0);
  std::string method = "(none)";
  std::string className = "(none)";
  try {
    initialize();
  } catch (IException* e) {
    method = e->getError().getMethodName().getData();
    className = e->getError().getClassName().getData();
    e->release();
  }
  noxFailAllocationsAfter(-1);
  EXPECT_EQ(method, "initializeSerializer");
  EXPECT_EQ(className, "");
  EXPECT_EQ(getSerializer(), nullptr);
  initialize();
  EXPECT_NE(getSerializer(), nullptr);
}

// Everything a report may hold that XML cannot take as it stands.
void buildAdversarialTree(Report& root, const std::string& sourceFile) {
  root.setName("SystemInformation");
  addAttribute(root, "xmlns", "not a namespace");
  Report& category = add(root, "cat:egory");
  Report& plugin = add(category, "plug in");
  const char* names[] = {"", "123", "-dash", "a b:c.d", "<&\">", "'", "\x01\x1F", "\xE9\xE8", "xml", "_"};
  for (const char* name : names) {
    Report& node = addText(plugin, name, name);
    addAttribute(node, name, name);
    addAttribute(node, "type", "mine");
    addAttribute(node, "formalName", "mine too");
  }
  Report& quoting = addText(plugin, "quoting", "\"double\" 'single' & <tag> ]]> &amp; &#1;");
  addAttribute(quoting, "q", "\"double\" 'single' & <tag> ]]>");
  addAttribute(quoting, "ws", "tab\tnl\ncr\r");
  addAttribute(quoting, "q", "again");
  std::string controls;
  for (int c = 1; c < 0x20; ++c) controls += static_cast<char>(c);
  addAttribute(addText(plugin, "controls", controls.c_str()), "controls", controls.c_str());
  addFailed(plugin, "failed", "error with <markup> & \x02");
  // Double-byte text: 日本語 and a half-width katakana in Shift_JIS, a lead byte
  // cut off at the end and one before markup.
  addText(plugin, "\x93\xFA\x96\x7B", "\x93\xFA\x96\x7B\x8C\xEA \xB1 \x95\x5C <&>");
  addText(plugin, "cut", "ab\x93");
  addText(plugin, "cutBeforeMarkup", "\x93<b>");
  addPath(plugin, "..", sourceFile.c_str());
  addPath(plugin, "a\\b:c", sourceFile.c_str());
  addBinary(plugin, "<binary>", "\x01\x02");
  addReal(plugin, "real", -1e300);
}

TEST_F(XmlModule, AdversarialTreeGivesWellFormedDocument) {
  ScratchFolder result;
  writeFile(result / "source.txt", "source");
  RecordingDevice device(result.path());
  Report root;
  buildAdversarialTree(root, result / "source.txt");
  std::string document = serialize(root, device);

  // xmllint reads what this leaves behind; one document per active code page.
  std::string folder = programFolder() + "\\xml-documents";
  noxMkDir(folder.c_str());
  std::string path = folder + "\\adversarial-" + std::to_string(GetACP()) + ".xml";
  writeFile(path, document);
  EXPECT_EQ(readFile(path), document);

  EXPECT_EQ(readFile(result / "plug_in\\__\\source.txt"), "source");
  EXPECT_EQ(readFile(result / "plug_in\\a_b_c\\source.txt"), "source");
  EXPECT_NE(document.find("<_123 formalName=\"123\" _123=\"123\" _type=\"mine\" _formalName=\"mine too\" "
                          "type=\"text\">"),
            std::string::npos);
  EXPECT_NE(document.find("<SystemInformation _xmlns=\"not a namespace\">"), std::string::npos);
}

}  // namespace
