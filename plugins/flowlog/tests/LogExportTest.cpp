// FlowLog's exports against the Vellum, Fennick and Pellard stand-ins and the
// fixture's SQLite databases: every CSV byte, the call order, and the failures
// that leave a file empty or absent.
#include "LogExport.h"

#include <gtest/gtest.h>

#include <memory>

#include "FlowLogObservations.h"
#include "FlowLogTestSupport.h"
#include "RecordedLocale.h"
#include "ReportProbe.h"
#include "RouterClient.h"
#include "nox/FileUtil.h"

namespace {

using namespace flowlog;
using namespace flowlog_testing;
using nox_testing::exists;
using nox_testing::readFile;

class UtilityLibrary : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_EQ(initializeUtility(), 1); }
  void TearDown() override { uninitializeUtility(); }
};
const ::testing::Environment* const kUtility = ::testing::AddGlobalTestEnvironment(new UtilityLibrary);

const LogExport& logNamed(const std::string& node) {
  for (const LogExport& log : kLogExports) {
    if (node == log.node) return log;
  }
  throw std::runtime_error("no log " + node);
}

std::string expected(const std::string& node) { return readFile(fixture("expected") + "\\" + node + ".csv"); }

class FlowLogExport : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(exists(fixture("expected"))) << "the fixture: " << fixture();
    ASSERT_EQ(setWorkFolder(out_.path().c_str()), 1) << "a work folder of the test's own";
  }
  void TearDown() override {
    EXPECT_EQ(vellumLiveObjects(), 0) << "everything the client handed out is released";
    EXPECT_EQ(vellumMisuses(), misusesBefore_) << vellumLastMisuse();
  }
  // Runs the whole sub-observation; its report.
  std::unique_ptr<Report> run() {
    FlowLogRoot root;
    return std::unique_ptr<Report>(static_cast<Report*>(&root.createReport()));
  }
  // One export into the test's own folder; the file's path.
  std::string exportOne(const std::string& node) {
    const RouterSettings settings = RouterSettings::read();
    ClientSession client(settings.registryPath);
    std::string file = out_ / (node + ".csv");
    exportLog(settings, logNamed(node), file);
    return file;
  }

  RouterInstallation router_;
  nox_testing::ScratchFolder out_{"flowlog-out"};
  long misusesBefore_ = vellumMisuses();
};

TEST_F(FlowLogExport, NineFilesFromTheRouterDatabase) {
  std::unique_ptr<Report> root = run();
  EXPECT_STREQ(root->getName().getData(), "flowLogs");
  const IReport* information = probe::find(*root, "flowLogsInformation");
  ASSERT_NE(information, nullptr);
  const std::vector<std::string> nodes = {"ScanDeliverLog",  "FaxDeliverLog",  "DocDeliverLog",
                                          "MailDeliverLog",  "CopyCaptureLog", "FaxCaptureLog",
                                          "PrintCaptureLog", "ScanCaptureLog", "ErrorLog"};
  ASSERT_EQ(probe::childNames(*information), nodes);
  for (const std::string& node : nodes) {
    const IReport& path = *probe::find(*information, node);
    EXPECT_EQ(path.getType(), IReport::REPORT_PATH) << node;
    const std::string file = static_cast<const char*>(path.getValue());
    EXPECT_EQ(file, std::string(getWorkFolder()) + "\\" + node + ".csv");
    EXPECT_EQ(readFile(file), expected(node)) << node;
  }
  const std::string trace = vellumTrace();
  EXPECT_EQ(trace.rfind("initialize ", 0), 0u) << trace;
  EXPECT_EQ(trace.substr(trace.size() - 10), " terminate") << trace;
}

TEST_F(FlowLogExport, CallsInTheClientsOrder) {
  std::string file = exportOne("ErrorLog");
  EXPECT_EQ(readFile(file), expected("ErrorLog"));
  EXPECT_EQ(vellumTrace(),
            "initialize createDataSource open createSession executeStatement"
            " getNextTuple releaseTuple getNextTuple releaseTuple getNextTuple releaseTuple getNextTuple"
            " ResultSet.close Object.release Session.close Object.release DataSource.close DataSource.release"
            " terminate");
}

TEST_F(FlowLogExport, MissingDatabase) {
  router_.set("qvdlog4s.cnf", "Connection", "regpath", router_.emptyDatabaseFolder());
  std::string file = exportOne("ScanDeliverLog");
  EXPECT_TRUE(exists(file));
  EXPECT_EQ(readFile(file), "");
  EXPECT_EQ(vellumTrace(),
            "initialize createDataSource open createSession DataSource.close DataSource.release terminate");
}

TEST_F(FlowLogExport, MissingTable) {
  router_.set("qvdlog4s.cnf", "Connection", "regpath", fixture("db-bare"));
  std::string deliver = exportOne("FaxDeliverLog");
  EXPECT_EQ(readFile(deliver), "");
  EXPECT_EQ(vellumTrace(),
            "initialize createDataSource open createSession executeStatement Session.close Object.release"
            " DataSource.close DataSource.release terminate");
  EXPECT_EQ(readFile(exportOne("PrintCaptureLog")), expected("PrintCaptureLog"))
      << "other tables still export";
}

TEST_F(FlowLogExport, DataSourcesThatCannotOpen) {
  const struct {
    const char* host;
    const char* port;
    const char* trace;
  } rows[] = {
      {"localhost", "1", "initialize createDataSource open DataSource.close DataSource.release terminate"},
      {"192.0.2.7", "20731",
       "initialize createDataSource open DataSource.close DataSource.release terminate"},
      {"localhost", "0", "initialize createDataSource terminate"},
      {"", "20731", "initialize createDataSource terminate"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.host) + ":" + row.port);
    router_.set("qvdlog4s.cnf", "Connection", "host", row.host);
    router_.set("qvdlog4s.cnf", "Connection", "port", row.port);
    std::string file = exportOne("MailDeliverLog");
    EXPECT_TRUE(exists(file)) << "created before the data source";
    EXPECT_EQ(readFile(file), "");
    EXPECT_EQ(vellumTrace(), row.trace);
  }
}

TEST_F(FlowLogExport, MissingSettingsFiles) {
  router_.remove("QvdLog.ldf");
  std::unique_ptr<Report> root = run();
  const IReport* information = probe::find(*root, "flowLogsInformation");
  ASSERT_NE(information, nullptr);
  EXPECT_EQ(information->getSubReports().getCount(), 9u) << "every node names its file";
  for (const LogExport& log : kLogExports) {
    EXPECT_FALSE(exists(probe::text(*information, log.node))) << log.node << ": no columns, no file";
  }

  router_.remove("qvdlog4s.cnf");
  CopyFileA((fixture("settings") + "\\QvdLog.ldf").c_str(), (router_.folder() + "\\QvdLog.ldf").c_str(),
            FALSE);
  std::string file = exportOne("ErrorLog");
  EXPECT_TRUE(exists(file));
  EXPECT_EQ(readFile(file), "") << "no host: no data source";
}

TEST_F(FlowLogExport, FieldCounts) {
  // More fields counted than defined: the missing definitions name no column.
  router_.set("QvdLog.ldf", "ErrorLog", "FIELDCOUNT", "9");
  EXPECT_EQ(readFile(exportOne("ErrorLog")), expected("ErrorLog"));
  // A gap in the middle.
  router_.set("QvdLog.ldf", "ErrorLog", "FIELDCOUNT", "5");
  router_.set("QvdLog.ldf", "ErrorLog", "FIELD5", "Detail,STRING");
  router_.set("QvdLog.ldf", "ErrorLog", "FIELD4", "");
  EXPECT_EQ(readFile(exportOne("ErrorLog")), expected("ErrorLog"));
  // None, or none at all: no file.
  for (const char* count : {"0", "-3", ""}) {
    router_.set("QvdLog.ldf", "CaptureLog", "FIELDCOUNT", count);
    EXPECT_FALSE(exists(exportOne("CopyCaptureLog"))) << "FIELDCOUNT=" << count;
  }
}

TEST_F(FlowLogExport, SettingsLongerThanTheFirstRead) {
  const std::string name(1500, 'C');
  router_.set("QvdLog.ldf", "LongTable", "FIELDCOUNT", "1");
  router_.set("QvdLog.ldf", "LongTable", "FIELD1", name + ",DATE");
  std::vector<Column> columns = RouterSettings::read().columns("LongTable");
  ASSERT_EQ(columns.size(), 1u);
  EXPECT_EQ(columns[0].name, name);
  EXPECT_EQ(columns[0].type, "DATE");
}

// Values one at a time, on recorded machines: time zones and code pages.
class FlowLogValues : public ::testing::Test {
 protected:
  std::string value(const char* type, const std::wstring& text, unsigned int codePage = 932,
                    const std::string& locale = "") {
    std::unique_ptr<RecordedPlatform> machine = RecordedPlatform::fromText("[locale]\n" + locale);
    RecordedLocale recorded(*machine);
    ScopedSeam<LocaleApi> scope(recorded);
    RouterSettings settings = RouterSettings::read();
    settings.codePage = codePage;
    return csvValue(settings, Column{"Value", type}, text);
  }
  RouterInstallation router_;
};

TEST_F(FlowLogValues, DatesInLocalTime) {
  EXPECT_EQ(value("DATE", L"0"), "1970/01/01 00:00:00");
  EXPECT_EQ(value("DATE", L"0", 932, "bias=-540"), "1970/01/01 09:00:00") << "Tokyo";
  EXPECT_EQ(value("DATE", L"0", 932, "bias=300"), "1969/12/31 19:00:00") << "New York";
  EXPECT_EQ(value("DATE", L"1700000000", 932, "bias=-60"), "2023/11/14 23:13:20");
  const std::string newYork = "bias=300\ndaylight=3,0,2,2\nstandard=11,0,1,2\n";
  EXPECT_EQ(value("DATE", L"1688212800", 932, newYork), "2023/07/01 08:00:00") << "summer: daylight time";
  EXPECT_EQ(value("DATE", L"1673784000", 932, newYork), "2023/01/15 07:00:00") << "winter: standard time";
  EXPECT_EQ(value("DATE", L"4102444800"), "2100/01/01 00:00:00") << "past 2038";
  EXPECT_EQ(value("DATE", L"-11644473601"), "-11644473601") << "before 1601: kept as it is";
  EXPECT_EQ(value("DATE", L"yesterday"), "yesterday") << "not a number: kept as it is";
  EXPECT_EQ(value("DATE", L""), "");
}

TEST_F(FlowLogValues, CodePages) {
  const std::wstring tokyo = L"\u6771\u4eac";
  EXPECT_EQ(value("STRING", tokyo, 932), "\x93\x8c\x8b\x9e");
  EXPECT_EQ(value("STRING", tokyo, 65001), "\xe6\x9d\xb1\xe4\xba\xac") << "UTF-8 takes no conversion flags";
  EXPECT_EQ(value("STRING", L"caf\u00e9", 1252), "caf\xe9");
  EXPECT_EQ(value("STRING", L"caf\u00e9", 4711, "acp=1252"), "caf\xe9")
      << "a code page this machine lacks: the system code page";
  EXPECT_EQ(value("INTEGER", L"plugin:scan2mail"), "plugin:scan2mail") << "other types are not read";
}

TEST_F(FlowLogValues, PrefixesAndLongTexts) {
  EXPECT_EQ(value("STRING", L"data:code:1"), "code:1");
  EXPECT_EQ(value("STRING", L"plugin:scan2mail"), "Scan to Mail");
  EXPECT_EQ(value("STRING", L"plugin:unknown"), "unknown");
  EXPECT_EQ(value("STRING", L"code:1A2B:5"), "Paper jam in tray 2");
  EXPECT_EQ(value("STRING", L"code:1a2b"), "Tray empty");
  EXPECT_EQ(value("STRING", L"code:99:9"), "");
  EXPECT_EQ(value("STRING", L"str:a%2Cb%0A%22c%22"), "a,b\n\"c\"");
  EXPECT_EQ(value("STRING", L"str:%zz"), "");
  // Longer than the first buffer of each call: asked for again, never cut.
  const std::string longName = value("STRING", L"plugin:longname");
  EXPECT_EQ(longName.size(), 315u);
  EXPECT_EQ(longName.substr(0, 15), "Scan to Folder ");
  EXPECT_EQ(value("STRING", L"code:10").size(), 3037u);
  const std::wstring coded = L"str:" + std::wstring(3000, L'A') + L"%21";
  EXPECT_EQ(value("STRING", coded), std::string(3000, 'A') + "!");
  const std::wstring detail(70000, L'z');
  EXPECT_EQ(value("STRING", detail).size(), 70000u);
}

TEST(VellumStandin, CountsCallsOutOfOrder) {
  const long before = vellumMisuses();
  ModUnicodeStringData host;
  FennickStringConstructNarrow(&host, "localhost", ModCodeAnsi);
  ModUnicodeStringData path;
  FennickStringConstructNarrow(&path, "", ModCodeAnsi);
  VellumServerInitialize(&path);
  VellumDataSource* source = VellumCreateDataSource(&host, 20731);
  ASSERT_NE(source, nullptr);
  VellumDataSourceRelease(source);  // without close
  VellumServerTerminate();
  FennickStringDestruct(&host);
  FennickStringDestruct(&path);
  EXPECT_EQ(vellumMisuses(), before + 1);
  EXPECT_EQ(vellumLastMisuse(), "DataSource.release before close");
  EXPECT_EQ(vellumLiveObjects(), 0);
}

}  // namespace
