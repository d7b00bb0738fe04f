// DVQJobs' report against a recorded registry, recorded printers and job
// folders this test writes: listings with times and sizes, folders carried
// whole, the PDF printer's output folder and joblist.txt.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "DvqFixtures.h"
#include "DvqJobsObservation.h"
#include "ReportProbe.h"
#include "nox/testing/Files.h"

namespace {

using namespace dvqjobs;

class DvqJobs : public dvqtest::ProductTest {
 public:
  DvqJobs() : ProductTest("dvqjobs") {}

  std::unique_ptr<Report> run(const char* flag) {
    dvqtest::FixtureMachine machine(registry_, scratch_ / "NxInfo.exe");
    ScopedPlatform platform(machine);
    ScopedSeam<DocServerApi> docServer(docServer_);
    DvqJobsRoot root;
    EXPECT_EQ("DVQ Job Details", std::string(root.getConfigrations().getItem(0).getTitle().getData()));
    IConfigrationEntry& entry = root.getConfigrations().getItem(0).getConfigrationEntries().getItem(0);
    EXPECT_EQ("Retrieve all files", std::string(entry.getName().getData()));
    EXPECT_EQ(IConfigrationEntry::ENTRY_FLAG, entry.getType());
    if (flag) static_cast<ConfigrationEntry&>(entry).setValue(flag);
    std::unique_ptr<Report> report(static_cast<Report*>(&root.createReport()));
    EXPECT_EQ("dvqJobDetails", std::string(report->getName().getData()));
    EXPECT_EQ(machine.openRegistryKeys(), 0);
    EXPECT_EQ(docServer_.openPrinters, 0) << "every printer opened is closed";
    return report;
  }

  dvqtest::FixtureDocServer docServer_;
};

std::vector<std::string> sortedNames(const IReport& node) {
  std::vector<std::string> names;
  for (unsigned int i = 0; i < node.getSubReports().getCount(); ++i) {
    const IReport& child = node.getSubReports().getItem(i);
    names.push_back(std::string(child.getName().getData()) + "=" +
                    static_cast<const char*>(child.getValue()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(DvqJobsFlag, DecimalNumberNonzeroIsOn) {
  const struct {
    const char* text;
    bool on;
  } cases[] = {{"1", true}, {" -2", true},  {"+3x", true},   {"0", false},
               {"", false}, {"abc", false}, {nullptr, false}};
  for (const auto& c : cases) EXPECT_EQ(c.on, flagValue(c.text)) << (c.text ? c.text : "(null)");
}

TEST_F(DvqJobs, NothingInstalledGivesAnEmptyReport) {
  std::unique_ptr<Report> report = run(nullptr);
  EXPECT_EQ(0u, report->getSubReports().getCount());
  EXPECT_TRUE(report->isSuccess());
}

TEST_F(DvqJobs, FoldersListedWithTheirFilesOrCarriedWhole) {
  std::string install = folder("Kestin");
  value(kFamilyKey, "InstallDir", install);
  std::string option = folder("Kestin\\SOption");
  file("Kestin\\SOption\\job1.xml", "12345");
  folder("Kestin\\SOption\\empty");
  // No SOJobMng folder: no node. The data folder from qvd.cnf.
  folder("Kestin\\qvdetc");
  std::string data = folder("Data");
  file("Kestin\\qvdetc\\qvd.cnf", "[path]\r\ndata=" + data + "\r\n");
  folder("Data\\Spool");
  folder("Data\\FtpRoot");
  file("Data\\FtpRoot\\in.ps", "%!");

  std::unique_ptr<Report> listed = run("0");
  EXPECT_EQ((std::vector<std::string>{"sOption", "spool", "ftpRoot"}), probe::childNames(*listed));
  const IReport& node = probe::child(*listed, "sOption");
  EXPECT_EQ(IReport::REPORT_TEXT, node.getType());
  EXPECT_EQ(option, static_cast<const char*>(node.getValue()));
  const IReport& directory = probe::child(node, "directory");
  EXPECT_EQ("SOption", std::string(static_cast<const char*>(directory.getValue())));
  EXPECT_EQ((std::vector<std::string>{"directory=empty", "file=job1.xml"}), sortedNames(directory));
  EXPECT_EQ(0u, probe::child(directory, "directory").getSubReports().getCount());
  const IReport& job = probe::child(directory, "file");
  EXPECT_EQ((std::vector<std::string>{"creationTime", "lastAccessTime", "lastWriteTime", "fileSize"}),
            probe::childNames(job));
  EXPECT_EQ(5, probe::number(job, "fileSize"));
  EXPECT_EQ(IReport::REPORT_DATETIME, probe::child(job, "lastWriteTime").getType());
  SYSTEMTIME written = *static_cast<const SYSTEMTIME*>(probe::child(job, "lastWriteTime").getValue());
  SYSTEMTIME now;
  GetLocalTime(&now);
  EXPECT_EQ(now.wYear, written.wYear) << "the write time in local calendar time";
  EXPECT_EQ(1u, probe::child(probe::child(*listed, "ftpRoot"), "directory").getSubReports().getCount());

  std::unique_ptr<Report> whole = run("1");
  EXPECT_EQ((std::vector<std::string>{"sOption", "spool", "ftpRoot"}), probe::childNames(*whole));
  EXPECT_EQ(IReport::REPORT_PATH, probe::child(*whole, "sOption").getType());
  EXPECT_EQ(option, probe::text(*whole, "sOption"));
  EXPECT_EQ(0u, probe::child(*whole, "sOption").getSubReports().getCount());
  EXPECT_EQ(data + "\\Spool", probe::text(*whole, "spool"));
}

TEST_F(DvqJobs, DataPathBeforeQvdCnf) {
  value(kFamilyKey, "InstallDir", folder("Kestin"));
  value(kEditionDKey, "DATAPATH", folder("Gimlet"));
  folder("Gimlet\\Spool");
  std::unique_ptr<Report> report = run("1");
  EXPECT_EQ(scratch_ / "Gimlet\\Spool", probe::text(*report, "spool"));
}

TEST_F(DvqJobs, PdfPrinterPorts) {
  value(kOptionKey, "PDF_Printer", "Kestin PDF");
  std::string out = folder("pdfout");
  file("pdfout\\a.pdf", "%PDF");
  file("pdfout\\b.txt", "");
  folder("pdfout\\sub.pdf");

  docServer_.printers["Kestin PDF"] = out + "\\*.pdf";
  std::unique_ptr<Report> listed = run(nullptr);
  const IReport& pdf = probe::child(*listed, "acrobatDistiller");
  EXPECT_EQ(out + "\\*.pdf", std::string(static_cast<const char*>(pdf.getValue())));
  EXPECT_EQ((std::vector<std::string>{"file=a.pdf"}), sortedNames(pdf)) << "sub-folders are not entered";
  EXPECT_EQ(4, probe::number(probe::child(pdf, "file"), "fileSize"));
  std::unique_ptr<Report> whole = run("1");
  EXPECT_EQ(out + "\\a.pdf", probe::text(probe::child(*whole, "acrobatDistiller"), "file"));
  EXPECT_EQ(IReport::REPORT_PATH, probe::child(probe::child(*whole, "acrobatDistiller"), "file").getType());

  docServer_.printers["Kestin PDF"] = "LPT1:";
  listed = run("0");
  const IReport& port = probe::child(*listed, "acrobatDistiller");
  EXPECT_EQ("LPT1:", std::string(static_cast<const char*>(port.getValue())));
  EXPECT_EQ("LPT1:", std::string(static_cast<const char*>(probe::child(port, "directory").getValue())));
  EXPECT_EQ(0u, probe::child(port, "directory").getSubReports().getCount());
  whole = run("1");
  EXPECT_EQ(IReport::REPORT_TEXT, probe::child(*whole, "acrobatDistiller").getType())
      << "a port that names no folder is never handed to the serializer as a file";

  docServer_.printers.clear();
  EXPECT_FALSE(probe::find(*run("0"), "acrobatDistiller")) << "a printer that cannot be opened";
}

TEST_F(DvqJobs, JobListLines) {
  std::string base = folder("Jobs");
  folder("Jobs\\queue");
  value("Software\\Varco\\Queue", "Root", base);
  file("joblist.txt",
       "# comment\tSoftware\\Varco\\Queue\\Root\tqueue\r\n"
       "oneTab\tSoftware\\Varco\\Queue\\Root\r\n"
       "queue\tSoftware\\Varco\\Queue\\Root\tqueue\r\n"
       "noFolder\tSoftware\\Varco\\Queue\\Root\tmissing\r\n"
       "noValue\tSoftware\\Varco\\Queue\\Gone\tqueue\r\n"
       "user\t\\HKCU\\Software\\Varco\\Queue\\Root\tqueue\n");
  std::unique_ptr<Report> report = run("1");
  EXPECT_EQ((std::vector<std::string>{"queue", "noValue", "user"}), probe::childNames(*report));
  EXPECT_EQ(base + "\\queue", probe::text(*report, "queue"));
  EXPECT_EQ("Can't get registory", probe::error(probe::find(*report, "noValue")));
  EXPECT_EQ(base + "\\queue", probe::text(*report, "user")) << "\\HKCU\\ is read below HKEY_LOCAL_MACHINE";
}

}  // namespace
