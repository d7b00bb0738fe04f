#include <gtest/gtest.h>

#include <algorithm>

#include "FileDevice.h"
#include "ReporterTestSupport.h"
#include "SystemReporterImpl.h"
#include "nox/ArchiveWriter.h"
#include "nox/PluginLoader.h"
#include "nox/Serializer.h"
#include "nox/Version.h"

using namespace reporter_test;

namespace {

const auto* const kWorkFolder = ::testing::AddGlobalTestEnvironment(new WorkFolderEnvironment());

const char kTwoCategories[] =
    "[Categories]\r\nCount=2\r\nKey1=First\r\nKey2=Second\r\n"
    "[First]\r\nName=First\r\nCount=2\r\nKey1=Alpha.nxo\r\nKey2=Beta.nxo\r\n"
    "[Second]\r\nName=Second\r\nCount=1\r\nKey1=Gamma.nxo\r\n"
    "[Serializer]\r\nFileName=Dump.nxw\r\n";

class Reporter : public ::testing::Test {
 protected:
  void SetUp() override {
    plugins_ = scratch_ / "plugins";
    CreateDirectoryA(plugins_.c_str(), nullptr);
    for (const char* module : {"Alpha.nxo", "Beta.nxo", "Gamma.nxo", "Dump.nxw", "Other.nxw"}) {
      ASSERT_TRUE(CopyFileA((programFolder() + "reporter-fixtures\\" + module).c_str(),
                            (plugins_ + "\\" + module).c_str(), FALSE))
          << module;
    }
    output_ = scratch_ / "out";
    for (const char* id : {"NOX_REPORTS_100", "NOX_REPORTS_101", "NOX_REPORTS_102"}) {
      SetEnvironmentVariableA(id, nullptr);
    }
  }

  SystemReporter& reporter(const std::string& settings = kTwoCategories) {
    writeFile(scratch_ / "NxInfo.ini", settings);
    reporter_.reset(new SystemReporter());
    reporter_->setPluginFolder((plugins_ + "\\").c_str());
    reporter_->setSettingsFile((scratch_ / "NxInfo.ini").c_str());
    reporter_->addProgressEventListener(&progress_);
    reporter_->addUIEventListener(&user_);
    reporter_->initializeSystemReporter();
    return *reporter_;
  }

  static int reportsMade(int id) {
    char value[16] = {};
    GetEnvironmentVariableA(("NOX_REPORTS_" + std::to_string(id)).c_str(), value, sizeof value);
    return std::atoi(value);
  }

  void TearDown() override { reporter_.reset(); }

  Scratch scratch_;
  std::string plugins_, output_;
  ProgressLog progress_;
  ScriptedUser user_;
  std::unique_ptr<SystemReporter> reporter_;
};

// The document without its first lines' varying values.
std::vector<std::string> lines(const std::string& document) {
  std::vector<std::string> out;
  std::stringstream in(document);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.push_back(line);
  }
  return out;
}

TEST_F(Reporter, FullRunWritesHeaderCategoriesAndPluginReports) {
  SystemReporter& r = reporter();
  ASSERT_TRUE(r.startObservation(output_.c_str()));
  std::vector<std::string> doc = lines(readFile(output_ + "\\NoxInfo.txt"));
  ASSERT_GE(doc.size(), 4u);
  EXPECT_EQ(doc[0], "SystemInformation");
  EXPECT_EQ(doc[1].rfind("  Date timezone=GMT", 0), 0u) << doc[1];
  EXPECT_EQ(doc[2], "  toolVersion=" NOX_VERSION_TEXT);
  const std::vector<std::string> rest(doc.begin() + 3, doc.end());
  const std::vector<std::string> expected = {
      "    pluginVersion",
      "      observationPlugin index=0",
      "        Name=Alpha Plugin",
      "        fileName=Alpha.nxo",
      "        version=2",
      "      observationPlugin index=1",
      "        Name=Beta Plugin",
      "        fileName=Beta.nxo",
      "        version=2",
      "      observationPlugin index=2",
      "        Name=Gamma Plugin",
      "        fileName=Gamma.nxo",
      "        version=2",
      "      serializerPlugin index=0",
      "        Name=Dump Serializer",
      "        fileName=Dump.nxw",
      "        version=2",
      "      serializerPlugin index=1",
      "        Name=Other Serializer",
      "        fileName=Other.nxw",
      "        version=2",
      "  First",
      "    alpha",
      "      value=Alpha Plugin",
      // Beta threw: its category keeps no report of it and the run goes on.
      "  Second",
      "    gamma",
      "      value=Gamma Plugin",
      "      log=@nox-side-file.log",
  };
  EXPECT_EQ(rest, expected);
  EXPECT_EQ(readFile(output_ + "\\nox-side-file.log"), "side file\r\n");
  const std::vector<std::string> events = {"Start Observation...|-1", "Alpha Plugin|100",
                                           "Beta Plugin|101",         "Gamma Plugin|102",
                                           "Write to file...|-2",     "Observation completed!|-2"};
  EXPECT_EQ(progress_.entries, events);
}

TEST_F(Reporter, NoCategorySelected) {
  SystemReporter& r = reporter();
  IReportCategories& categories = r.getReportCategories();
  for (unsigned int i = 0; i < categories.getCount(); ++i) categories.getItem(i)->setSelected(false);
  ASSERT_TRUE(r.startObservation(output_.c_str()));
  std::vector<std::string> doc = lines(readFile(output_ + "\\NoxInfo.txt"));
  EXPECT_EQ(doc.back(), "        version=2") << "the header only";
  EXPECT_EQ(reportsMade(100) + reportsMade(101) + reportsMade(102), 0);
}

TEST_F(Reporter, CancelAtStartWritesAnEmptyDocument) {
  SystemReporter& r = reporter();
  progress_.cancelAt = "Start Observation...";
  EXPECT_FALSE(r.startObservation(output_.c_str()));
  EXPECT_TRUE(exists(output_ + "\\NoxInfo.txt"));
  EXPECT_EQ(readFile(output_ + "\\NoxInfo.txt"), "");
  EXPECT_EQ(reportsMade(100), 0) << "no plug-in is called";
  EXPECT_EQ(progress_.texts, std::vector<std::string>{"Start Observation..."});
}

TEST_F(Reporter, CancelBeforeWritingStillPacksWhenCompressing) {
  SystemReporter& r = reporter();
  progress_.cancelAt = "Write to file...";
  r.setCompress(true);
  EXPECT_FALSE(r.startObservation(output_.c_str()));
  EXPECT_EQ(reportsMade(100), 1);
  EXPECT_EQ(reportsMade(102), 1) << "every plug-in ran";
  ASSERT_TRUE(exists(output_ + "\\NoxResult.exe"));
  std::map<std::string, std::string> files = extractResult(output_ + "\\NoxResult.exe", scratch_ / "x");
  ASSERT_EQ(files.count("NoxInfo.txt"), 1u);
  EXPECT_EQ(files["NoxInfo.txt"], "");
}

TEST_F(Reporter, SerializerFallsBackToTheFirstLoaded) {
  std::string settings = kTwoCategories;
  settings.replace(settings.find("Dump.nxw"), 8, "Missing.nxw");
  SystemReporter& r = reporter(settings);
  String name;
  r.getResultFileName(name);
  std::string expected = std::string("NoxInfo.") + static_cast<SerializerPlugin*>(
                                                       r.getPluginLoader()->getSerializerPlugins().getItem(0))
                                                       ->getSerializer()
                                                       ->getExtension();
  EXPECT_EQ(std::string(name.getData()), expected);
  ASSERT_TRUE(r.startObservation(output_.c_str()));
  EXPECT_TRUE(exists(output_ + "\\" + expected));
}

TEST_F(Reporter, CompressedRunBecomesASelfExtractingProgram) {
  SystemReporter& r = reporter();
  r.setCompress(true);
  ASSERT_TRUE(r.startObservation(output_.c_str()));
  EXPECT_FALSE(exists(output_ + "\\NoxInfo.txt")) << "the document went into the archive";
  std::map<std::string, std::string> files = extractResult(output_ + "\\NoxResult.exe", scratch_ / "x");
  ASSERT_EQ(files.size(), 2u);
  EXPECT_NE(files["NoxInfo.txt"].find("      value=Gamma Plugin"), std::string::npos);
  EXPECT_EQ(files["nox-side-file.log"], "side file\r\n");
  auto has = [&](const char* text) {
    return std::find(progress_.texts.begin(), progress_.texts.end(), text) != progress_.texts.end();
  };
  EXPECT_TRUE(has("Create an archive..."));
  EXPECT_TRUE(has("NoxInfo.txt")) << "one event per packed entry";
  EXPECT_TRUE(has("Create a selfextacting archive completed!"));

  // A second result into the same folder gets a name of its own.
  ASSERT_TRUE(r.startObservation(output_.c_str()));
  EXPECT_TRUE(exists(output_ + "\\NoxResult(1).exe"));
  // Each run's packing events reached the listener once, not once per run so far.
  EXPECT_EQ(std::count(progress_.texts.begin(), progress_.texts.end(), "Create an archive..."), 2);
  EXPECT_EQ(std::count(progress_.texts.begin(), progress_.texts.end(), "NoxInfo.txt"), 2);
}

// A serializer that fails part way: its error reaches the caller, not one from
// closing or packing afterwards, and the incomplete document is not packed.
TEST_F(Reporter, FailedSerializationIsReportedAndNothingIsPacked) {
  ASSERT_TRUE(CopyFileA((programFolder() + "reporter-fixtures\\Failing.nxw").c_str(),
                        (plugins_ + "\\Failing.nxw").c_str(), FALSE));
  std::string settings = kTwoCategories;
  settings.replace(settings.find("Dump.nxw"), 8, "Failing.nxw");
  // Parts of 1 KiB cannot hold the self-extractor: packing would fail as well.
  for (int splitKiB : {0, 1}) {
    SCOPED_TRACE("split " + std::to_string(splitKiB));
    SystemReporter& r = reporter(settings);
    r.setCompress(true);
    r.setSplitSize(splitKiB);
    try {
      r.startObservation(output_.c_str());
      ADD_FAILURE() << "no exception";
    } catch (IException* e) {
      EXPECT_EQ(e->getError().getID(), 6u);
      EXPECT_STREQ(e->getError().getMethodName().getData(), "serialize");
      e->release();
    }
    EXPECT_FALSE(exists(output_ + "\\NoxResult.exe"));
    EXPECT_EQ(std::count(progress_.texts.begin(), progress_.texts.end(), "Create an archive..."), 0);
  }
}

// A pack that fails (a file held open without sharing) leaves no NoxResult.exe
// made of the self-extractor alone, and the record carries the writer's code.
TEST_F(Reporter, FailedPackLeavesNoProgramAndGivesTheWritersCode) {
  SystemReporter& r = reporter();
  std::string source = scratch_ / "result";
  CreateDirectoryA(source.c_str(), nullptr);
  writeFile(source + "\\NoxInfo.txt", "document");
  writeFile(source + "\\held.log", "held");
  std::string target = scratch_ / "packed";
  HANDLE held =
      CreateFileA((source + "\\held.log").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  try {
    r.packFolder(source.c_str(), target.c_str());
    ADD_FAILURE() << "no exception";
  } catch (IException* e) {
    EXPECT_EQ(e->getError().getID(), 5u);
    EXPECT_EQ(e->getError().getReturnValue(), static_cast<unsigned int>(ARCHIVE_SHARING_VIOLATION));
    EXPECT_EQ(e->getError().getLastError(), static_cast<unsigned int>(ERROR_SHARING_VIOLATION));
    EXPECT_STREQ(e->getError().getMethodName().getData(), "createArchive");
    e->release();
  }
  CloseHandle(held);
  EXPECT_FALSE(exists(target + "\\NoxResult.exe"));

  // The next pack takes the plain name again.
  ASSERT_TRUE(r.packFolder(source.c_str(), target.c_str()));
  EXPECT_TRUE(exists(target + "\\NoxResult.exe"));
  EXPECT_FALSE(exists(target + "\\NoxResult(1).exe"));

  // An archive that cannot be read once the program is written: the partial
  // program goes again.
  FileDevice& device = *r.getFileDevice();
  device.setTargetFolder((scratch_ / "second").c_str());
  try {
    device.makeSelfExtractor((scratch_ / "missing.nxz").c_str());
    ADD_FAILURE() << "no exception";
  } catch (IException* e) {
    EXPECT_EQ(e->getError().getID(), 5u);
    e->release();
  }
  EXPECT_EQ(nox_testing::listFolder(scratch_ / "second"), std::vector<std::string>());
}

TEST_F(Reporter, PackFolderPacksAnEarlierResult) {
  SystemReporter& r = reporter();
  ASSERT_TRUE(r.startObservation(output_.c_str()));
  std::string target = scratch_ / "packed";
  ASSERT_TRUE(r.packFolder(output_.c_str(), target.c_str()));
  std::map<std::string, std::string> files = extractResult(target + "\\NoxResult.exe", scratch_ / "x");
  EXPECT_EQ(files["NoxInfo.txt"], readFile(output_ + "\\NoxInfo.txt"));
}

// The folder a packed result goes to is the folder part of its name; a drive
// root keeps its backslash ("A:" would be the current folder of drive A).
TEST_F(Reporter, PackedResultTargetFolders) {
  FileDevice& device = *reporter().getFileDevice();
  device.setCompress(true);
  const struct {
    const char* fileName;
    const char* folder;
  } kCases[] = {
      {"A:\\NoxResult.exe", "A:\\"},
      {"C:\\Out\\NoxResult.exe", "C:\\Out"},
      {"C:\\Out\\Sub\\NoxResult.exe", "C:\\Out\\Sub"},
  };
  for (const auto& c : kCases) {
    device.setFileName(c.fileName);
    EXPECT_STREQ(device.getTargetFolder().getData(), c.folder) << c.fileName;
  }
}

TEST_F(Reporter, RefusedBeforeInitialization) {
  SystemReporter fresh;
  for (int which = 0; which < 3; ++which) {
    try {
      if (which == 0) fresh.startObservation(output_.c_str());
      if (which == 1) fresh.packFolder(output_.c_str(), output_.c_str());
      if (which == 2) fresh.getReportCategories();
      ADD_FAILURE() << which << ": no exception";
    } catch (IException* e) {
      EXPECT_EQ(e->getError().getID(), 0u);
      EXPECT_STREQ(e->getError().getClassName().getData(), "SystemReporter");
      e->release();
    }
  }
}

TEST_F(Reporter, SecondInitializationDoesNothing) {
  SystemReporter& r = reporter();
  PluginLoader* loader = r.getPluginLoader();
  r.initializeSystemReporter();
  EXPECT_EQ(r.getPluginLoader(), loader);
  EXPECT_EQ(r.getReportCategories().getCount(), 2u);
}

TEST(Timezone, Texts) {
  const std::pair<long, const char*> rows[] = {
      {-540, "GMT+0900"}, {-330, "GMT+0530"}, {0, "GMT+0000"}, {300, "GMT-0500"}, {-45, "GMT+0045"}};
  for (const auto& row : rows) EXPECT_STREQ(timezoneText(row.first).getData(), row.second) << row.first;
}

}  // namespace
