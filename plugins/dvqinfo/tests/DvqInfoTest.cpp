// DVQInfo's report against a recorded registry and product folders this test
// writes: editions and sub-types, registry branches, configuration files and
// the control files, batch files, listings and the hosts of the data files.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "DataFileBuilders.h"
#include "DvqFixtures.h"
#include "DvqInfoObservations.h"
#include "DvqInfoVocabulary.h"
#include "RecordedPlatform.h"
#include "ReportProbe.h"
#include "netcommon/NetDiagApi.h"
#include "nox/Error.h"
#include "nox/testing/Files.h"
#include "pchelpers/DocServerApi.h"
#include "pchelpers/ProgramApi.h"

namespace {

using namespace dvqinfo;
using dvqtest::FixtureDocServer;
using dvqtest::FixtureMachine;
using nox_testing::writeFile;

// The file version lister: writes the command line it was started with into
// its standard output, and ends after `polls` waits.
class FixtureLister : public ProgramApi {
 public:
  BOOL CreatePipe(PHANDLE, PHANDLE, LPSECURITY_ATTRIBUTES, DWORD) override { return FALSE; }
  BOOL CreateProcessA(LPCSTR, LPSTR commandLine, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL inherit,
                      DWORD flags, LPVOID, LPCSTR folder, LPSTARTUPINFOA startup,
                      LPPROCESS_INFORMATION process) override {
    started.push_back(commandLine);
    folders.push_back(folder ? folder : "<none>");
    EXPECT_TRUE(inherit);
    EXPECT_EQ(flags, static_cast<DWORD>(CREATE_NEW_PROCESS_GROUP));
    EXPECT_EQ(startup->hStdOutput, startup->hStdError);
    EXPECT_EQ(startup->wShowWindow, SW_HIDE);
    DWORD written = 0;
    std::string text = std::string("listed by ") + commandLine;
    WriteFile(startup->hStdOutput, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    process->hProcess = reinterpret_cast<HANDLE>(0x100);
    process->hThread = reinterpret_cast<HANDLE>(0x104);
    left = polls;
    return TRUE;
  }
  DWORD WaitForSingleObject(HANDLE, DWORD milliseconds) override {
    EXPECT_EQ(milliseconds, 100u);
    return left-- > 0 ? WAIT_TIMEOUT : WAIT_OBJECT_0;
  }
  BOOL PeekNamedPipe(HANDLE, LPVOID, DWORD, LPDWORD, LPDWORD, LPDWORD) override { return FALSE; }
  BOOL ReadFile(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) override { return FALSE; }
  BOOL TerminateProcess(HANDLE, UINT) override { return FALSE; }
  BOOL CloseHandle(HANDLE) override {
    ++closed;
    return TRUE;
  }
  DWORD GetTickCount() override { return 0; }
  std::vector<std::string> started, folders;
  int polls = 2, left = 0, closed = 0;
};

// Echo series and traces: 127.0.0.1 answers over one hop, "quiet" answers no
// echo, anything else does not resolve.
class FixtureNetDiag : public NetDiagApi {
 public:
  static PingResult answer(const char* name, const char* address) {
    PingResult r = {};
    lstrcpyA(r.hostName, name);
    lstrcpyA(r.address, address);
    r.sent = 4;
    r.received = 4;
    r.minimum = 1;
    r.maximum = 3;
    r.average = 2;
    return r;
  }
  int NetDiagPing(const char* target, PingResult* out) override {
    std::string t = target;
    if (t == "127.0.0.1")
      *out = answer("localhost", "127.0.0.1");
    else if (t == "quiet")
      *out = answer("NA", "NA");
    else
      return 11001;
    return 0;
  }
  int NetDiagTraceroute(const char* target, TraceResult* out) override {
    std::string t = target;
    if (t == "127.0.0.1") {
      out->hopCount = 1;
      out->hops[0] = answer("localhost", "127.0.0.1");
    } else if (t == "quiet") {
      out->hopCount = 500;  // more than the result holds
      for (auto& hop : out->hops) hop = answer("NA", "NA");
    } else {
      return 11001;
    }
    return 0;
  }
  int NetDiagDNSLookup(const char*, const char*, HGLOBAL*) override { return -1; }
};

// A product installation in a scratch folder and its registry.
class DvqInfo : public dvqtest::ProductTest {
 public:
  DvqInfo() : ProductTest("dvqinfo") {}

  void dword(const std::string& key, const std::string& name, unsigned long number) {
    char line[64];
    snprintf(line, sizeof line, "\"=dword:%08lx\n", number);
    registry_ += "[HKEY_LOCAL_MACHINE\\" + key + "]\n\"" + name + line;
  }

  std::unique_ptr<Report> run(int runs = 1) {
    FixtureMachine machine(registry_, scratch_ / "NxInfo.exe");
    ScopedPlatform platform(machine);
    ScopedSeam<DocServerApi> docServer(docServer_);
    ScopedSeam<ProgramApi> programs(lister_);
    ScopedSeam<NetDiagApi> netDiag(netDiag_);
    InfoHooks saved = infoHooks();
    workFolder_ = folder("work");
    infoHooks().workFolder = [] { return workFolder_.c_str(); };
    infoHooks().exportRegistry = [](HKEY root, const char* key, const char* file, char* path, int size) {
      if (std::string(key).find("Missing") != std::string::npos)
        throwException(NOX_ERR_KEY, 0, ERROR_FILE_NOT_FOUND, nullptr, "test", 1, "", "export");
      exported.push_back((root == HKEY_CURRENT_USER ? "HKCU\\" : "HKLM\\") + std::string(key) + " > " + file);
      lstrcpynA(path, (std::string("C:\\work\\registries\\") + file).c_str(), size);
    };
    exported.clear();
    std::unique_ptr<Report> report;
    {
      DvqInfoRoot root;
      for (int i = 0; i < runs; ++i) report.reset(static_cast<Report*>(&root.createReport()));
    }
    infoHooks() = saved;
    EXPECT_EQ(machine.openRegistryKeys(), 0) << "every key opened is closed";
    return report;
  }

  FixtureDocServer docServer_;
  FixtureLister lister_;
  FixtureNetDiag netDiag_;
  static std::string workFolder_;
  static std::vector<std::string> exported;
};
std::string DvqInfo::workFolder_;
std::vector<std::string> DvqInfo::exported;

std::vector<std::string> products(const IReport& report) {
  std::vector<std::string> names;
  const IReport& installed = probe::child(report, "installedProducts");
  for (unsigned int i = 0; const IReport* p = probe::find(installed, "product", i); ++i) {
    names.push_back(std::string(static_cast<const char*>(p->getValue())) + " " + probe::text(*p, "version") +
                    " " + probe::text(*p, "subType"));
  }
  return names;
}

TEST_F(DvqInfo, NothingInstalled) {
  std::unique_ptr<Report> report = run();
  EXPECT_EQ((std::vector<std::string>{"installedProducts", "registries", "configrations", "batchFiles",
                                      "filelists", "registeredHosts"}),
            probe::childNames(*report));
  EXPECT_TRUE(products(*report).empty());
  EXPECT_EQ("<succeeded>", probe::error(probe::find(*report, "installedProducts")));
  EXPECT_EQ("", probe::error(probe::find(*report, "batchFiles"))) << "not successful, without a text";
  EXPECT_EQ(0u, probe::child(*report, "filelists").getSubReports().getCount());
  EXPECT_EQ(0u, probe::child(*report, "registeredHosts").getSubReports().getCount());
  EXPECT_TRUE(lister_.started.empty());
}

TEST_F(DvqInfo, EachEditionAloneAndAllTogether) {
  struct Case {
    const char* name;
    void (*install)(DvqInfo&);
    std::vector<std::string> expected;
  } cases[] = {
      {"A without a model",
       [](DvqInfo& t) { t.value(kEditionAVersion, "Version", "7.1"); },
       {std::string(kEditionAName) + " 7.1 Unknown"}},
      {"A with a model",
       [](DvqInfo& t) {
         t.value(kEditionAVersion, "Version", "7.1");
         t.value(kEditionAVersion, "MODEL", "DS-40");
       },
       {std::string(kEditionAName) + " 7.1 DS-40"}},
      {"B without its marker file",
       [](DvqInfo& t) {
         t.value(kEditionBVersion, "Version", "6.0");
         t.value(kFamilyKey, "InstallDir", t.folder("Kestin"));
       },
       {std::string(kEditionBName) + " 6.0 <missing subType>"}},
      {"B with its marker file",
       [](DvqInfo& t) {
         t.value(kEditionBVersion, "Version", "6.0");
         t.value(kFamilyKey, "InstallDir", t.folder("Kestin"));
         t.file(std::string("Kestin\\") + kEditionBMarker, "");
       },
       {std::string(kEditionBName) + " 6.0 Wimble"}},
      {"C",
       [](DvqInfo& t) { t.value(kEditionCVersion, "Version", "2.5"); },
       {std::string(kEditionCName) + " 2.5 <missing subType>"}},
      {"D known by its engine version alone",
       [](DvqInfo& t) { t.value(kEditionDKey, "EngineVersion", "9"); },
       {std::string(kEditionDName) + "  Unknown"}},
      {"Brennock without its marker",
       [](DvqInfo& t) {
         t.value(kBrennockKey, "Version", "3.0");
         t.value(kBrennockKey, "InstallDir", t.folder("Brennock"));
       },
       {}},
      {"Brennock with its marker",
       [](DvqInfo& t) {
         t.value(kBrennockKey, "Version", "3.0");
         t.value(kBrennockKey, "InstallDir", t.folder("Brennock"));
         t.file(std::string("Brennock\\") + kBrennockMarker, "");
       },
       {std::string(kBrennockName) + " 3.0 Brennock"}},
      {"Pelion without its properties file",
       [](DvqInfo& t) { t.value(kPelionKey, "InstallPath", t.folder("Pelion")); },
       {}},
      {"Pelion",
       [](DvqInfo& t) {
         t.value(kPelionKey, "InstallPath", t.folder("Pelion"));
         t.folder("Pelion\\etc");
         t.file("Pelion\\etc\\orvex.properties",
                "pelion.version.major=4\r\npelion.type=Cluster\r\npelion.version.minor=2\r\n"
                "pelion.version.postfix=SP1\r\n");
       },
       {std::string(kPelionName) + " 4.2 SP1 Cluster"}},
  };
  std::vector<std::string> all;
  for (const Case& c : cases) {
    registry_.clear();
    c.install(*this);
    EXPECT_EQ(c.expected, products(*run())) << c.name;
  }
  // Together, in the report's order: A, B, C, D, Brennock, Pelion.
  registry_.clear();
  cases[1].install(*this);
  cases[3].install(*this);
  cases[4].install(*this);
  cases[5].install(*this);
  cases[7].install(*this);
  cases[9].install(*this);
  EXPECT_EQ(
      (std::vector<std::string>{
          std::string(kEditionAName) + " 7.1 DS-40", std::string(kEditionBName) + " 6.0 Wimble",
          std::string(kEditionCName) + " 2.5 <missing subType>", std::string(kEditionDName) + "  Unknown",
          std::string(kBrennockName) + " 3.0 Brennock", std::string(kPelionName) + " 4.2 SP1 Cluster"}),
      products(*run()));
}

TEST_F(DvqInfo, EditionDSubTypes) {
  struct Case {
    const char* name;
    long type;            // -1: no Type value
    const char* subType;  // null: no SubType value
    const char* cnf;      // null: no qvd.cnf
    const char* expected;
  } cases[] = {
      {"Type 2", 2, "Ep", nullptr, kEditionDFirstSubType},
      {"Type 6", 6, nullptr, nullptr, kEditionDFirstSubType},
      {"Type 1 without SubType", 1, nullptr, nullptr, kEditionDSecondSubType},
      {"Type 1, SubType ep", 1, "ep", nullptr, kEditionDThirdSubType},
      {"Type 3, SubType Pro", 3, "Pro", nullptr, kEditionDSecondSubType},
      {"no Type, qvd.cnf Ep", -1, nullptr, "[Product]\r\nsubType=Ep\r\n", kEditionDThirdSubType},
      {"no Type, qvd.cnf Pro", -1, "Ep", "[Product]\r\nsubType=Pro\r\n", kEditionDSecondSubType},
      {"no Type, qvd.cnf other", -1, nullptr, "[Product]\r\nsubType=Lite\r\n", kUnknown},
      {"no Type, no qvd.cnf", -1, nullptr, nullptr, kUnknown},
  };
  for (const Case& c : cases) {
    registry_.clear();
    value(kEditionDKey, "Version", "9.0");
    value(kFamilyKey, "InstallDir", folder("Kestin"));
    if (c.type >= 0) dword(kEditionDKey, "Type", static_cast<unsigned long>(c.type));
    if (c.subType) value(kEditionDKey, "SubType", c.subType);
    folder("Kestin\\qvdetc");
    if (c.cnf)
      file("Kestin\\qvdetc\\qvd.cnf", c.cnf);
    else
      DeleteFileA((scratch_ / "Kestin\\qvdetc\\qvd.cnf").c_str());
    EXPECT_EQ((std::vector<std::string>{std::string(kEditionDName) + " 9.0 " + c.expected}), products(*run()))
        << c.name;
  }
}

TEST_F(DvqInfo, RegistryBranchesAndReglist) {
  file("reglist.txt",
       "# name\tkey\r\nspooler\tSoftware\\Varco\\Spool\r\nno tab "
       "here\r\nuser\t\\HKCU\\Software\\Varco\\User\r\n"
       "odd:name?\tSoftware\\Varco\\Odd\r\ngone\tSoftware\\Varco\\Missing\r\n");
  std::unique_ptr<Report> report = run();
  const IReport& registries = probe::child(*report, "registries");
  EXPECT_EQ((std::vector<std::string>{"main", "cabinets", "authInfo", "JavaPrefs", "Software\\Varco\\Sarnet2",
                                      "Software\\Varco\\Vellum", "dremoLogClient",
                                      "Software\\Varco\\Brennock", "spooler", "user", "odd:name?"}),
            probe::childNames(registries))
      << "the branch whose export fails has no node";
  EXPECT_EQ("HKCU\\Software\\Varco\\Brennock > Sys0B.txt", exported[7]);
  EXPECT_EQ("HKLM\\Software\\Varco\\Spool > spooler.txt", exported[8]);
  EXPECT_EQ("HKLM\\Software\\Varco\\User > user.txt", exported[9])
      << "\\HKCU\\ is read below HKEY_LOCAL_MACHINE";
  EXPECT_EQ("HKLM\\Software\\Varco\\Odd > odd_name_.txt", exported[10]) << "a name made fit for a file name";
  EXPECT_EQ("C:\\work\\registries\\spooler.txt", probe::text(registries, "spooler"));
  EXPECT_EQ(IReport::REPORT_PATH, probe::child(registries, "spooler").getType());
}

TEST_F(DvqInfo, ConfigurationFilesDataFilesAndRegisteredHosts) {
  value(kEditionAVersion, "Version", "7.1");
  value(kEditionABase, "DATAPATH", folder("TallowData"));
  dvqtest::ControlFileBuilder control;
  control.record(201, "127.0.0.1", 3, 0, 5);
  control.record(100, "not-a-host");
  control.record(203, "quiet");
  std::vector<unsigned char> bytes = control.bytes();
  dvqtest::put32(bytes, 4, 1000);  // a count past the end of the file
  file("TallowData\\TwCtrl.dat", std::string(bytes.begin(), bytes.end()));

  value(kEditionDKey, "Version", "9.0");
  value(kFamilyKey, "InstallDir", folder("Kestin"));
  folder("Kestin\\Master");
  folder("Kestin\\qvdetc");
  // No DATAPATH: the data folder comes from qvd.cnf.
  std::string gimlet = folder("GimletData");
  file("Kestin\\qvdetc\\qvd.cnf", "[path]\r\ndata=" + gimlet + "\r\n");
  file("GimletData\\qvd.ini", "[x]\r\n");
  dvqtest::DeviceRollBuilder roll(100, 6);
  roll.entry("", "unresolvable.invalid");
  file("GimletData\\devroll.dir", std::string(roll.directory.begin(), roll.directory.end()));
  file("GimletData\\devroll.tdb", std::string(roll.records.begin(), roll.records.end()));

  value(kPelionKey, "InstallPath", folder("Pelion"));  // no etc folder: no pelionConfig

  std::string logs = folder("Kestin\\log");
  file("Kestin\\log\\a.txt", "a");
  folder("Kestin\\bin");
  value("Software\\Varco\\Tool", "Path", scratch_ / "Kestin\\bin");
  value("Software\\Varco\\Tool", "Long", std::string(300, 'x'));
  file("cnflist.txt",
       "# comment\ttab\ttab\r\n"
       "logs\tSoftware\\Varco\\Tool\\Path\tbase:log\\*.txt\r\n"
       "none\tSoftware\\Varco\\Tool\\Path\t*.cfg\r\n"
       "one\tSoftware\\Varco\\Tool\\Path\tbase:log\\a.txt\r\n"
       "dir\tSoftware\\Varco\\Tool\\Path\tbase:log\r\n"
       "absent\tSoftware\\Varco\\Tool\\Path\tnothing.ini\r\n"
       "noValue\tSoftware\\Varco\\Tool\\Gone\tx\r\n"
       "long\tSoftware\\Varco\\Tool\\Long\tx\r\n"
       "oneTab\tSoftware\\Varco\\Tool\\Path\r\n" +
           std::string(3000, 'y') + "\tSoftware\\Varco\\Tool\\Path\tbase:log\r\n");

  std::unique_ptr<Report> report = run(2);
  const IReport& config = probe::child(*report, "configrations");
  EXPECT_EQ((std::vector<std::string>{"tallowSerializeData", "qvdcnf", "qvdIni", "devrollDir", "devrollData",
                                      "docserverConfig", "logs", "none", "one", "dir", "absent", "noValue",
                                      "long"}),
            probe::childNames(config));
  EXPECT_EQ(scratch_ / "TallowData\\TwCtrl.dat", probe::text(config, "tallowSerializeData"));
  EXPECT_EQ(scratch_ / "Kestin\\qvdetc\\qvd.cnf", probe::text(config, "qvdcnf"));
  EXPECT_EQ(scratch_ / "Kestin\\Master", probe::text(config, "docserverConfig"));
  const IReport& matched = probe::child(config, "logs");
  EXPECT_EQ(logs + "\\a.txt", probe::text(matched, "logs")) << "the log folder beside the value's folder";
  EXPECT_EQ("Can't find, " + scratch_ / "Kestin\\bin\\*.cfg", probe::error(probe::find(config, "none")));
  EXPECT_EQ(logs + "\\a.txt", probe::text(probe::child(config, "one"), "one"));
  EXPECT_EQ(logs, probe::text(config, "dir"));
  EXPECT_EQ("directory(or file) " + scratch_ / "Kestin\\bin\\nothing.ini" + " not found",
            probe::error(probe::find(config, "absent")));
  EXPECT_EQ("Can't get registory", probe::error(probe::find(config, "noValue")));
  EXPECT_EQ("directory(or file) " + std::string(300, 'x') + "\\x not found",
            probe::error(probe::find(config, "long")))
      << "a value longer than the first 256 bytes is read on the second attempt";

  // The second run reports each host once.
  const IReport& hosts = probe::child(*report, "registeredHosts");
  ASSERT_EQ(3u, hosts.getSubReports().getCount());
  const IReport& local = probe::child(hosts, "host", 0);
  EXPECT_EQ("127.0.0.1", probe::attribute(local, "name"));
  const IReport& ping = probe::child(local, "ping");
  EXPECT_EQ(
      (std::vector<std::string>{"name", "ipAddress", "packetTransmitted", "packetReceived", "packetLost",
                                "minRoundTripTime", "maxRoundTripTime", "avarageRoundTripTime"}),
      probe::childNames(ping));
  EXPECT_EQ("localhost", probe::text(ping, "name"));
  EXPECT_EQ(2, probe::number(ping, "avarageRoundTripTime"));
  const IReport& trace = probe::child(local, "traceroute");
  EXPECT_EQ(1, probe::number(trace, "hops"));
  EXPECT_EQ("1", probe::attribute(probe::child(trace, "hop"), "index"));
  EXPECT_EQ("127.0.0.1", probe::text(probe::child(trace, "hop"), "ipAddress"));

  const IReport& quiet = probe::child(hosts, "host", 1);
  EXPECT_EQ("quiet", probe::attribute(quiet, "name"));
  EXPECT_EQ("Request timed out", probe::error(probe::find(quiet, "ping")));
  EXPECT_EQ(500, probe::number(probe::child(quiet, "traceroute"), "hops"));
  EXPECT_TRUE(probe::find(probe::child(quiet, "traceroute"), "hop", kNetDiagMaxHops - 1));
  EXPECT_FALSE(probe::find(probe::child(quiet, "traceroute"), "hop", kNetDiagMaxHops))
      << "no hop beyond the records the result holds";

  const IReport& unknown = probe::child(hosts, "host", 2);
  EXPECT_EQ("unresolvable.invalid", probe::attribute(unknown, "name"));
  EXPECT_EQ("NetDiagPing failed (11001)", probe::error(probe::find(unknown, "ping")));
  EXPECT_EQ("NetDiagTraceroute failed (11001)", probe::error(probe::find(unknown, "traceroute")));
}

TEST_F(DvqInfo, BatchFilesAndFileListings) {
  std::string install = folder("Kestin");
  value(kFamilyKey, "InstallDir", install);
  file("Kestin\\start.bat", "@echo off\r\n");
  file("Kestin\\stop.bat", "@echo off\r\n");
  file("Kestin\\readme.txt", "");
  value(kSarnetKey, "InstallDir", folder("Sarnet"));
  value(kEditionDKey, "Version", "9.0");
  value(kEditionDKey, "DATAPATH", "C:/Gimlet/Data");
  value("SYSTEM\\CurrentControlSet\\Services\\Kestin", "ImagePath",
        "\"C:/Prog/Kestin/bin/server.exe\" -service");
  file("filelist_regseparator.txt",
       "service\tSYSTEM\\CurrentControlSet\\Services\\Kestin\\ImagePath:2\r\n"
       "plain\tSYSTEM\\CurrentControlSet\\Services\\Kestin\\ImagePath:x2\r\n"
       "gone\tSYSTEM\\CurrentControlSet\\Services\\Kestin\\Missing\r\n");
  lister_.polls = 3;
  std::unique_ptr<Report> report = run();

  const IReport& batch = probe::child(*report, "batchFiles");
  EXPECT_TRUE(batch.isSuccess());
  std::vector<std::string> batchFiles = {probe::text(batch, "file", 0), probe::text(batch, "file", 1)};
  std::sort(batchFiles.begin(), batchFiles.end());
  EXPECT_EQ((std::vector<std::string>{install + "\\start.bat", install + "\\stop.bat"}), batchFiles);
  EXPECT_FALSE(probe::find(batch, "file", 2));

  EXPECT_EQ(
      (std::vector<std::string>{
          "cmd /c .\\verlist \"" + install + "\" ", "cmd /c .\\verlist \"" + scratch_ / "Sarnet" + "\" ",
          "cmd /c .\\verlist \"C:\\Gimlet\\Data\" ", "cmd /c .\\verlist \"C:\\Prog\\Kestin\" ",
          "cmd /c .\\verlist \"C:\\Prog\\Kestin\\bin\\server.exe\" "}),
      lister_.started);
  EXPECT_EQ(std::vector<std::string>(5, scratch_.path()), lister_.folders)
      << "started beside the host program";
  EXPECT_EQ(5 * 3, docServer_.pauses) << "a pause after each wait that timed out";
  EXPECT_EQ(10, lister_.closed) << "process and thread handles closed";
  const IReport& lists = probe::child(*report, "filelists");
  EXPECT_EQ((std::vector<std::string>{"filelist", "filelist", "filelist", "filelist", "filelist", "gone"}),
            probe::childNames(lists));
  EXPECT_EQ(workFolder_ + "\\InstallDir.txt", probe::text(lists, "filelist", 0));
  EXPECT_EQ(workFolder_ + "\\GimletData.txt", probe::text(lists, "filelist", 2));
  EXPECT_EQ("listed by cmd /c .\\verlist \"C:\\Prog\\Kestin\" ",
            nox_testing::readFile(probe::text(lists, "filelist", 3)));
  EXPECT_EQ("Can't get registory", probe::error(probe::find(lists, "gone")));
}

}  // namespace
