// nxz view and nxz diff on packed results and result folders: the page, what it
// escapes, the side files it shows, and the exit statuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ArchiveBuilder.h"
#include "Nxz.h"
#include "NxzTestSupport.h"

namespace {

namespace fs = std::filesystem;
using nox::archive::testing::buildArchive;
using nox::archive::testing::buildSplitSet;
using nox::archive::testing::Entry;
using nox::archive::testing::repeated;

std::string readAll(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

void writeAll(const fs::path& p, const std::string& bytes) {
  fs::create_directories(p.parent_path());
  std::ofstream f(p, std::ios::binary);
  f << bytes;
}

// A document as the writer lays it out, with a hostile printer name, a stopped
// spooler, a registry export that is there and an event log backup that is not.
std::string resultDocument(const std::string& spoolerStatus = "[stopped]") {
  return "<?xml version=\"1.0\" encoding=\"iso-8859-1\" ?>\r\n"
         "<SystemInformation>\r\n"
         "  <Date timezone=\"GMT+0900\" type=\"datetime\">\r\n    2024/05/01 10:00:00\r\n  </Date>\r\n"
         "  <toolVersion type=\"text\">\r\n    2, 0, 2, 414\r\n"
         "    <pluginVersion>\r\n      <observationPlugin index=\"0\">\r\n"
         "        <Name type=\"text\">\r\n          PC Plugin\r\n        </Name>\r\n"
         "        <fileName type=\"text\">\r\n          PC.nxo\r\n        </fileName>\r\n"
         "        <version type=\"integer\">\r\n          2\r\n        </version>\r\n"
         "      </observationPlugin>\r\n    </pluginVersion>\r\n  </toolVersion>\r\n"
         "  <PC>\r\n    <PC>\r\n"
         "      <osVersion>\r\n        <osVersionInfomation type=\"text\">\r\n"
         "          Windows 7 6.1.7601 Service Pack 1\r\n        </osVersionInfomation>\r\n      "
         "</osVersion>\r\n"
         "      <service>\r\n        <serviceInformation>\r\n"
         "          <serviceName type=\"text\">\r\n            Spooler\r\n          </serviceName>\r\n"
         "          <displayName type=\"text\">\r\n            Print Spooler\r\n          </displayName>\r\n"
         "          <serviceStatus type=\"text\">\r\n            " +
         spoolerStatus +
         "\r\n          </serviceStatus>\r\n"
         "        </serviceInformation>\r\n      </service>\r\n"
         "      <printer>\r\n        <printers>\r\n          <printerInformation printObject=\"Local\">\r\n"
         "            <printerName type=\"text\">\r\n              &lt;script&gt;alert(1)&lt;/script&gt;\r\n"
         "            </printerName>\r\n          </printerInformation>\r\n        </printers>\r\n      "
         "</printer>\r\n"
         "    </PC>\r\n"
         "    <printerDriver>\r\n      <registry>\r\n        <registry type=\"path\">\r\n"
         "          printerDriver\\registry\\driverReg.txt\r\n        </registry>\r\n      </registry>\r\n"
         "    </printerDriver>\r\n"
         "    <eventArchive>\r\n      <system type=\"path\">\r\n        eventArchive\\system\\system.evt\r\n"
         "      </system>\r\n    </eventArchive>\r\n"
         "  </PC>\r\n"
         "</SystemInformation>\r\n";
}

std::vector<Entry> resultEntries(const std::string& document) {
  std::vector<Entry> e(5);
  e[0].name = "printerDriver";
  e[0].folder = true;
  e[1].name = "printerDriver\\registry";
  e[1].folder = true;
  e[2].name = "printerDriver\\registry\\driverReg.txt";
  e[2].content = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"v\"=\"</pre><script>alert(2)</script>\"\r\n" +
                 repeated("\"Value\"=dword:00000001\r\n", 400);
  e[3].name = "big.log";
  e[3].content = repeated("line of a long log\r\n", 20000);
  e[4].name = "NoxInfo.xml";
  e[4].content = document;
  return e;
}

class ViewTest : public ScratchFolderTest {};

TEST_F(ViewTest, PageOfAPackedResult) {
  writeAll(path("NoxInfo.nxz"), buildArchive(resultEntries(resultDocument())));
  NxzRun r = nxz({"view", path("NoxInfo.nxz"), "-o", path("page.html"), "--inline-limit", "64"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("Written: "), std::string::npos);
  std::string page = readAll(path("page.html"));

  // The header.
  EXPECT_NE(page.find("<td>Windows 7 6.1.7601 Service Pack 1</td>"), std::string::npos);
  EXPECT_NE(page.find("<td>GMT+0900</td>"), std::string::npos);
  EXPECT_NE(page.find("<td>PC Plugin</td><td class=\"mono\">PC.nxo</td><td>2</td>"), std::string::npos);
  // Findings, before the report.
  size_t findings = page.find("<section id=\"findings\">");
  ASSERT_NE(findings, std::string::npos);
  EXPECT_LT(findings, page.find("<section id=\"report\">"));
  EXPECT_NE(page.find("data-rule=\"printing-service\""), std::string::npos);
  EXPECT_NE(page.find("side file eventArchive\\system\\system.evt is not in the result"), std::string::npos);
  EXPECT_NE(page.find("the application event log was not backed up"), std::string::npos);
  EXPECT_EQ(page.find("driverReg.txt is not in the result"), std::string::npos);
  // Nothing from the result reaches the page unescaped.
  EXPECT_EQ(page.find("<script>alert"), std::string::npos);
  EXPECT_NE(page.find("\\u003cscript\\u003ealert(1)"), std::string::npos) << "in the tree's data";
  EXPECT_NE(page.find("&lt;/pre&gt;&lt;script&gt;alert(2)"), std::string::npos) << "in the side file";
  // Side files: sizes, inline text, and a long one cut at the limit.
  EXPECT_NE(page.find("<summary>printerDriver\\registry\\driverReg.txt</summary>"), std::string::npos);
  EXPECT_NE(page.find("<summary>big.log</summary>"), std::string::npos);
  EXPECT_NE(page.find("Only the first 64.0 KB are shown."), std::string::npos);
  EXPECT_NE(page.find("<td>390.6 KB</td>"), std::string::npos) << "the whole size of big.log";
  // Self-contained: nothing is loaded from anywhere.
  EXPECT_EQ(page.find("src="), std::string::npos);
  EXPECT_EQ(page.find("http:"), std::string::npos);
  EXPECT_EQ(page.find("https:"), std::string::npos);
}

TEST_F(ViewTest, PageOfASplitSet) {
  std::string archive = buildArchive(resultEntries(resultDocument()));
  std::string program = "MZ" + std::string(300, 'p');
  std::vector<std::string> parts =
      buildSplitSet(program, archive, program.size() + 96 + archive.size() / 2 + 64);
  ASSERT_EQ(parts.size(), 2u);
  writeAll(path("NoxResult.exe"), parts[0]);
  writeAll(path("NoxResult.exe.002"), parts[1]);
  NxzRun r = nxz({"view", path("NoxResult.exe"), "-o", path("page.html")});
  ASSERT_EQ(r.code, 0) << r.err;
  std::string page = readAll(path("page.html"));
  EXPECT_NE(page.find("(split set of 2 parts)"), std::string::npos);
  EXPECT_NE(page.find("data-rule=\"printing-service\""), std::string::npos);

  fs::remove(path("NoxResult.exe.002"));
  NxzRun missing = nxz({"view", path("NoxResult.exe"), "-o", path("page.html")});
  EXPECT_EQ(missing.code, 2);
  EXPECT_NE(missing.err.find("part 2 of 2"), std::string::npos) << missing.err;
}

TEST_F(ViewTest, FolderAndDocumentGiveTheSamePageAsTheArchive) {
  for (const Entry& e : resultEntries(resultDocument()))
    if (!e.folder) {
      std::string name = e.name;
      for (char& c : name)
        if (c == '\\') c = '/';
      writeAll(dir_ / "result" / name, e.content);
    }
  NxzRun folder = nxz({"view", path("result"), "-o", path("folder.html")});
  ASSERT_EQ(folder.code, 0) << folder.err;
  NxzRun document = nxz({"view", (dir_ / "result" / "NoxInfo.xml").string(), "-o", path("document.html")});
  ASSERT_EQ(document.code, 0) << document.err;
  std::string page = readAll(path("folder.html"));
  EXPECT_NE(page.find("data-rule=\"printing-service\""), std::string::npos);
  EXPECT_EQ(page.find("driverReg.txt is not in the result"), std::string::npos)
      << "found beside the document";
  EXPECT_NE(page.find("eventArchive\\system\\system.evt is not in the result"), std::string::npos);
  EXPECT_EQ(readAll(path("document.html")).size(),
            page.size() - path("result").size() + (dir_ / "result" / "NoxInfo.xml").string().size());
}

TEST_F(ViewTest, ABrokenDocumentStillGivesAPageSayingWhereItBroke) {
  std::string document = resultDocument();
  document.resize(document.find("<printer>"));
  writeAll(path("NoxInfo.nxz"), buildArchive(resultEntries(document)));
  NxzRun r = nxz({"view", path("NoxInfo.nxz"), "-o", path("page.html")});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("the document is broken at line"), std::string::npos) << r.err;
  std::string page = readAll(path("page.html"));
  EXPECT_NE(page.find("data-rule=\"document\""), std::string::npos);
  EXPECT_NE(page.find("data-rule=\"printing-service\""), std::string::npos) << "findings before the break";
}

TEST_F(ViewTest, RefusesWhatIsNoResult) {
  std::vector<Entry> noDocument = resultEntries(resultDocument());
  noDocument.pop_back();
  writeAll(path("empty.nxz"), buildArchive(noDocument));
  writeAll(path("text.txt"), "no archive");
  fs::create_directories(path("folder"));
  struct {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"view", path("empty.nxz")}, "holds no NoxInfo.xml"},
      {{"view", path("text.txt")}, "text.txt"},
      {{"view", path("folder")}, "no NoxInfo.xml in this folder"},
      {{"view", path("missing.nxz")}, "cannot open"},
      {{"view"}, "usage: nxz view"},
      {{"view", path("a"), path("b")}, "usage: nxz view"},
      {{"diff", path("empty.nxz")}, "usage: nxz diff"},
      {{"view", path("a"), "--inline-limit"}, "incomplete option --inline-limit"},
  };
  for (const auto& c : cases) {
    NxzRun r = nxz(c.args);
    EXPECT_EQ(r.code, 2) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
}

TEST_F(ViewTest, DiffOfTwoResults) {
  writeAll(path("old.nxz"), buildArchive(resultEntries(resultDocument("[stopped]"))));
  writeAll(path("new.nxz"), buildArchive(resultEntries(resultDocument("[running]"))));
  NxzRun same = nxz({"diff", path("old.nxz"), path("old.nxz")});
  EXPECT_EQ(same.code, 0) << same.err;
  EXPECT_NE(same.out.find("0 added, 0 removed, 0 changed"), std::string::npos);

  NxzRun r = nxz({"diff", path("old.nxz"), path("new.nxz")});
  EXPECT_EQ(r.code, 1) << r.err;
  EXPECT_NE(
      r.out.find(
          "~ PC/PC/service/serviceInformation[Spooler]/serviceStatus: \"[stopped]\" -> \"[running]\"\n"),
      std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("0 added, 0 removed, 1 changed"), std::string::npos);

  NxzRun html = nxz({"diff", path("old.nxz"), path("new.nxz"), "--html", path("diff.html")});
  EXPECT_EQ(html.code, 1);
  std::string page = readAll(path("diff.html"));
  EXPECT_NE(page.find("<del>[stopped]</del> &rarr; <ins>[running]</ins>"), std::string::npos);

  std::string broken = resultDocument();
  broken.resize(broken.size() / 2);
  writeAll(path("broken.nxz"), buildArchive(resultEntries(broken)));
  NxzRun refused = nxz({"diff", path("old.nxz"), path("broken.nxz")});
  EXPECT_EQ(refused.code, 2);
  EXPECT_NE(refused.err.find("the document is broken at line"), std::string::npos) << refused.err;
}

}  // namespace
