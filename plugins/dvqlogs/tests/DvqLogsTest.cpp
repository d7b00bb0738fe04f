// DVQLogs' report against a recorded registry and log folders this test
// writes: the fixed sources, the SQL Server instances and the three control
// files.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "DvqFixtures.h"
#include "DvqLogsObservations.h"
#include "ReportProbe.h"
#include "nox/testing/Files.h"

namespace {

using namespace dvqlogs;

class DvqLogs : public dvqtest::ProductTest {
 public:
  DvqLogs() : ProductTest("dvqlogs") {}

  // An expandable text value (REG_EXPAND_SZ).
  void expandable(const std::string& key, const std::string& name, const std::string& text) {
    std::string bytes;
    char hex[8];
    for (unsigned char c : text + '\0') {
      snprintf(hex, sizeof hex, "%s%02x", bytes.empty() ? "" : ",", c);
      bytes += hex;
    }
    registry_ += "[HKEY_LOCAL_MACHINE\\" + key + "]\n\"" + name + "\"=hex(2):" + bytes + "\n";
  }

  std::unique_ptr<Report> run() {
    dvqtest::FixtureMachine machine(
        registry_ + "[folders]\nsystem = " + scratch_ / "system32" + "\n" + extra_, scratch_ / "NxInfo.exe");
    ScopedPlatform platform(machine);
    docServer_.temp = scratch_ / "temp\\";
    ScopedSeam<DocServerApi> docServer(docServer_);
    DvqLogsRoot root;
    std::unique_ptr<Report> report(static_cast<Report*>(&root.createReport()));
    EXPECT_EQ("dvqLogs", std::string(report->getName().getData()));
    EXPECT_EQ(machine.openRegistryKeys(), 0);
    return report;
  }

  std::string extra_;
  dvqtest::FixtureDocServer docServer_;
};

const IReport& information(const Report& report) { return probe::child(report, "dvqLogsInformation"); }

TEST_F(DvqLogs, NothingInstalledButThePlatformRows) {
  folder("system32");
  folder("system32\\LogFiles");
  file("system32\\hs_err_pid12.log", "x");
  file("system32\\hs_err_pid34.log", "y");
  folder("temp");
  folder("temp\\ISLog");
  folder("temp\\Tamsrv");
  file("temp\\Tamsrv\\InstLchLog.txt", "z");
  std::unique_ptr<Report> report = run();
  const IReport& logs = information(*report);
  EXPECT_EQ("DVQ product is not installed", probe::error(&logs));
  EXPECT_EQ(
      (std::vector<std::string>{"syslog", "InstallerLog", "IISLog", "TomcatAbortLog", "dremoClientDistInfo"}),
      probe::childNames(logs));
  EXPECT_EQ("Get logroot from register failed", probe::error(probe::find(logs, "syslog")));
  EXPECT_EQ(scratch_ / "temp\\ISLog", probe::text(logs, "InstallerLog"));
  EXPECT_EQ(scratch_ / "system32\\LogFiles", probe::text(logs, "IISLog"));
  const IReport& aborts = probe::child(logs, "TomcatAbortLog");
  EXPECT_EQ(2u, aborts.getSubReports().getCount());
  EXPECT_EQ(IReport::REPORT_PATH, probe::child(aborts, "TomcatAbortLog").getType());
  EXPECT_EQ(scratch_ / "temp\\Tamsrv\\InstLchLog.txt", probe::text(logs, "dremoClientDistInfo"));
}

TEST_F(DvqLogs, ProductRowsAndSqlServerInstances) {
  std::string install = folder("Kestin");
  value("Software\\Varco\\Tessaro", "InstallDir", install);
  folder("Kestin\\SOP");
  folder("Kestin\\SoPrint");
  file("Kestin\\Nocr.log", "ocr");
  value("Software\\Varco\\Tessaro\\Common\\Log", "LogRoot", folder("logroot"));
  std::string sarnet = folder("Sarnet2");  // no bin\log: an error node
  folder("Sarnet2\\apache");
  folder("Sarnet2\\apache\\logs");
  value("Software\\Varco\\Sarnet2", "InstallDir", sarnet);
  value("Software\\Varco\\Custel\\LogService", "path", folder("custel"));
  value("Software\\Varco\\Corvell\\LogClient", "path", scratch_ / "missing");
  value("Software\\Varco\\Corvell", "InstallDir", folder("corvell"));
  folder("corvell\\log");
  value("Software\\Varco\\Tessaro\\Preview\\Log", "LogRoot", folder("preview"));
  std::string jastrel = folder("jastrel");
  for (const char* f : {"jastrel\\bin", "jastrel\\bin\\log", "jastrel\\ostrik",
                        "jastrel\\ostrik\\permanent_data", "jastrel\\ostrik\\permanent_data\\log"})
    folder(f);
  value("Software\\Varco\\Jastrel", "InstallDir", jastrel);
  std::string quenby = folder("quenby");
  for (const char* f : {"quenby\\LogManager", "quenby\\LogManager\\bin", "quenby\\LogManager\\bin\\log",
                        "quenby\\MngCore", "quenby\\MngCore\\logs"})
    folder(f);
  value("Software\\Varco\\Quenby", "InstallDir", quenby);
  std::string pelion = folder("pelion");
  folder("pelion\\logs");
  std::string slashed = pelion;
  for (char& c : slashed)
    if (c == '\\') c = '/';
  value("Software\\Varco\\Pelion", "DataPath", slashed);
  // Two SQL Server instances and one without an identifier.
  const std::string sql = "SOFTWARE\\Microsoft\\Microsoft SQL Server";
  value(sql + "\\Instance Names\\SQL", "MSSQLSERVER", "MSSQL10_50.MSSQLSERVER");
  value(sql + "\\Instance Names\\SQL", "EMPTY", "");
  value(sql + "\\Instance Names\\SQL", "KESTIN", "MSSQL9.KESTIN");
  value(sql + "\\MSSQL10_50.MSSQLSERVER\\Setup", "SQLPath", folder("sql"));
  folder("sql\\Log");
  value(sql + "\\MSSQL10_50.MSSQLSERVER\\MSSQLServer\\CurrentVersion", "CurrentVersion", "10.50.1600.1");
  value(sql + "\\100\\Bootstrap", "BootstrapDir", folder("bootstrap"));
  folder("bootstrap\\Log");
  value(sql + "\\MSSQL9.KESTIN\\MSSQLServer\\CurrentVersion", "CurrentVersion", "9");

  std::unique_ptr<Report> report = run();
  const IReport& logs = information(*report);
  EXPECT_TRUE(logs.isSuccess());
  EXPECT_EQ((std::vector<std::string>{"syslog", "binlog", "apacheLogs", "asyncJob", "serverPrint", "ocrLog",
                                      "printService", "printLinkage", "previewPrint", "dremoLog", "ostrikLog",
                                      "dremoLogMgr", "dremoMngCore", "pelion", "ZemSQLLog_MSSQLSERVER",
                                      "ZemSQLSetup_MSSQLSERVER"}),
            probe::childNames(logs));
  EXPECT_EQ("Directory not exist", probe::error(probe::find(logs, "binlog")));
  EXPECT_EQ(install + "\\Nocr.log", probe::text(logs, "ocrLog"));
  EXPECT_EQ(scratch_ / "corvell\\log", probe::text(logs, "printLinkage"));
  EXPECT_EQ(jastrel + "\\ostrik\\permanent_data\\log", probe::text(logs, "ostrikLog"));
  EXPECT_EQ(pelion + "\\logs", probe::text(logs, "pelion")) << "slashes turned into backslashes";
  EXPECT_EQ(scratch_ / "sql\\Log", probe::text(logs, "ZemSQLLog_MSSQLSERVER"));
  EXPECT_EQ(scratch_ / "bootstrap\\Log", probe::text(logs, "ZemSQLSetup_MSSQLSERVER"));

  // A log root that names no folder.
  registry_.clear();
  value("Software\\Varco\\Tessaro", "InstallDir", install);
  value("Software\\Varco\\Tessaro\\Common\\Log", "LogRoot", scratch_ / "nowhere");
  EXPECT_EQ("Directory not exist", probe::error(probe::find(information(*run()), "syslog")));
}

TEST_F(DvqLogs, ControlFiles) {
  folder("Kestin");
  folder("Kestin\\bin");
  folder("Kestin\\log");
  file("Kestin\\log\\a.txt", "a");
  file("Kestin\\log\\b.txt", "b");
  file("Kestin\\log\\c.log", "c");
  value("Software\\Varco\\Tool", "Path", scratch_ / "Kestin\\bin");
  value("Software\\Varco\\Tool", "Image", "\"" + scratch_ / "Kestin\\bin\\tool.exe" + "\" -run");
  value("Software\\Varco\\Tool", "Slashed", "C:/no/such/folder");
  file("loglist.txt",
       "# comment\tSoftware\\Varco\\Tool\\Path\tx\n"
       "logs\tSoftware\\Varco\\Tool\\Path\tbase:log\\*.txt\n"
       "none\tSoftware\\Varco\\Tool\\Path\tbase:log\\*.zip\n"
       "single\tSoftware\\Varco\\Tool\\Path\tbase:log\\c.log\n"
       "missing\tSoftware\\Varco\\Tool\\Gone\tx\n"
       "oneTab\tSoftware\\Varco\\Tool\\Path\n");
  file("loglist_regseparator.txt",
       "quoted\tSoftware\\Varco\\Tool\\Image:2\tlog\n"
       "three\tSoftware\\Varco\\Tool\\Image:3\tKestin\\log\\c.log\n"
       "notDigits\tSoftware\\Varco\\Tool\\Image:x2\tlog\n"
       "slashes\tSoftware\\Varco\\Tool\\Slashed\tx\n");
  SetEnvironmentVariableA("DVQLOGS_TEST_ROOT", (scratch_ / "Kestin").c_str());
  SetEnvironmentVariableA("DVQLOGS_TEST_UNSET", nullptr);
  value("SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", "KESTIN_LOGS",
        scratch_ / "Kestin\\log");
  expandable("SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment", "KESTIN_HOME",
             "%KHOME%\\log");
  extra_ = "[environment]\nKHOME = " + scratch_ / "Kestin" + "\n";
  file("loglist_env.txt",
       "env\tDVQLOGS_TEST_ROOT\tlog\\*.txt\n"
       "unset\tDVQLOGS_TEST_UNSET\tlog\n"
       "sys\tsystem:KESTIN_LOGS\tc.log\n"
       "expanded\tsystem:KESTIN_HOME\ta.txt\n"
       "sysMissing\tsystem:NOT_THERE\tx\n");
  std::unique_ptr<Report> report = run();
  SetEnvironmentVariableA("DVQLOGS_TEST_ROOT", nullptr);
  const IReport& logs = information(*report);
  std::vector<std::string> names = probe::childNames(logs);
  std::vector<std::string> lines(std::find(names.begin(), names.end(), "logs"), names.end());
  EXPECT_EQ((std::vector<std::string>{"logs", "none", "single", "missing", "quoted", "three", "notDigits",
                                      "slashes", "env", "unset", "sys", "expanded", "sysMissing"}),
            lines);
  std::string log = scratch_ / "Kestin\\log";
  EXPECT_EQ(2u, probe::child(logs, "logs").getSubReports().getCount());
  EXPECT_EQ("Can't find, " + log + "\\*.zip", probe::error(probe::find(logs, "none")));
  EXPECT_EQ(log + "\\c.log", probe::text(probe::child(logs, "single"), "single"))
      << "a container with one path";
  EXPECT_EQ("Can't get registory", probe::error(probe::find(logs, "missing")));
  EXPECT_EQ(log, probe::text(logs, "quoted"))
      << "the program's path without quotes and arguments, less two components";
  EXPECT_EQ(log + "\\c.log", probe::text(probe::child(logs, "three"), "three"));
  EXPECT_EQ("directory(or file) " + scratch_ / "Kestin\\bin\\tool.exe\\log" + " not found",
            probe::error(probe::find(logs, "notDigits")));
  EXPECT_EQ("directory(or file) C:\\no\\such\\folder\\x not found",
            probe::error(probe::find(logs, "slashes")));
  EXPECT_EQ(2u, probe::child(logs, "env").getSubReports().getCount());
  EXPECT_EQ("Can't get environment variable", probe::error(probe::find(logs, "unset")));
  EXPECT_EQ(log + "\\c.log", probe::text(probe::child(logs, "sys"), "sys"));
  EXPECT_EQ(log + "\\a.txt", probe::text(probe::child(logs, "expanded"), "expanded"));
  EXPECT_EQ("Can't get environment variable", probe::error(probe::find(logs, "sysMissing")));
}

}  // namespace
