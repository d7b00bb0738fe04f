// DVQConnect's report against recorded COM answers and the QSvrInfo stand-in
// reading a server description this test writes.
#include <gtest/gtest.h>

#include <memory>

#include "DvqConnectObservations.h"
#include "DvqConnectVocabulary.h"
#include "RecordedCom.h"
#include "RecordedLocale.h"
#include "ReportProbe.h"
#include "nox/testing/Files.h"

namespace {

using namespace dvqconnect;

// The servers QSvrInfo knows for the length of a test.
class ServerDescription {
 public:
  explicit ServerDescription(const std::string& text) {
    nox_testing::writeFile(folder_ / "servers.ini", text);
    SetEnvironmentVariableA("QSVRINFO_SERVERS", (folder_ / "servers.ini").c_str());
  }
  ~ServerDescription() { SetEnvironmentVariableA("QSVRINFO_SERVERS", nullptr); }

 private:
  nox_testing::ScratchFolder folder_{"dvqconnect"};
};

const char kServers[] =
    "[alpha]\nHostName=alpha.corp.test\nEditions=0x07\n"
    "[high]\nEditions=0x80\n"
    "[split]\nHostName=split.corp.test\nEditions=5\n"
    "[bare]\nEditions=0\n";

long liveServerRecords() {
  using Fn = LONG(__cdecl*)();
  auto count = reinterpret_cast<Fn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("QSvrInfo.dll"), "QSvrInfoStandinLiveRecords")));
  return count ? count() : -1;
}

// A root with its sub-observation, the form answered with `servers`, under a
// recorded machine whose COM answers come from `com`.
class DvqConnect : public ::testing::Test {
 protected:
  std::unique_ptr<Report> run(const std::string& servers, const std::string& comSection = "") {
    machine_ = RecordedPlatform::fromText("[com]\n" + comSection);
    com_ = std::make_unique<RecordedCom>(*machine_);
    locale_ = std::make_unique<RecordedLocale>(*machine_);
    ScopedSeam<ComApi> comScope(*com_);
    ScopedSeam<LocaleApi> localeScope(*locale_);
    DvqConnectRoot root;
    root.getConfigrations().getItem(0).getConfigrationEntries().getItem(0).setValue(servers.c_str());
    std::unique_ptr<Report> report(static_cast<Report*>(&root.createReport()));
    EXPECT_EQ(com_->openApartments(), 0) << "every apartment entered is left";
    EXPECT_EQ(com_->liveObjects(), 0) << "every object obtained is released";
    EXPECT_EQ(liveServerRecords(), 0) << "every server record is released";
    return report;
  }
  // The sub-observation's report.
  static const IReport& connect(const Report& root) {
    const IReport* node = probe::find(root, kServerReport);
    EXPECT_NE(node, nullptr);
    return node ? *node : root;
  }

  ServerDescription description_{kServers};
  std::unique_ptr<RecordedPlatform> machine_;
  std::unique_ptr<RecordedCom> com_;
  std::unique_ptr<RecordedLocale> locale_;
};

TEST_F(DvqConnect, FormAndRoot) {
  DvqConnectRoot root;
  ASSERT_EQ(root.getConfigrations().getCount(), 1u);
  IConfigration& form = root.getConfigrations().getItem(0);
  EXPECT_STREQ(form.getTitle().getData(), "DVQ Server Connect Information");
  EXPECT_EQ(form.getType(), IConfigration::CONFIG_TYPE_TARGET);
  ASSERT_EQ(form.getConfigrationEntries().getCount(), 1u);
  EXPECT_STREQ(form.getConfigrationEntries().getItem(0).getName().getData(), "Target server Name");
  EXPECT_EQ(form.getConfigrationEntries().getItem(0).getType(), IConfigrationEntry::ENTRY_HOST);
  EXPECT_EQ(root.getSubObservations().getCount(), 1u);
}

TEST_F(DvqConnect, ServerListsSplitAtTabs) {
  struct Row {
    const char* list;
    long count;  // "dvqConnectServers", -1: absent
    std::vector<std::string> names;
  } rows[] = {
      {"", -1, {}},
      {"alpha", 1, {"alpha"}},
      {"alpha\t\thigh", 3, {"alpha", "", "high"}},
      {"alpha\t", 2, {"alpha"}},
      {"\t", 2, {""}},
      {"\talpha", 2, {"", "alpha"}},
      {"alpha\t\t", 3, {"alpha", ""}},
      {" alpha \thigh", 2, {" alpha ", "high"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(std::string(row.list)));
    EXPECT_EQ(splitServerList(row.list), row.names);
    std::unique_ptr<Report> root = run(row.list);
    const IReport& report = connect(*root);
    EXPECT_TRUE(report.isSuccess());
    const IReport* servers = probe::find(report, kServersNode);
    if (row.count < 0) {
      EXPECT_EQ(report.getSubReports().getCount(), 0u);
      continue;
    }
    ASSERT_NE(servers, nullptr);
    EXPECT_EQ(probe::number(report, kServersNode), row.count);
    ASSERT_EQ(servers->getSubReports().getCount(), row.names.size());
    for (size_t i = 0; i < row.names.size(); ++i) {
      const IReport& server = servers->getSubReports().getItem(static_cast<unsigned>(i));
      EXPECT_STREQ(server.getName().getData(), kServerReport);
      EXPECT_EQ(probe::attribute(server, "index"), std::to_string(i + 1));
      EXPECT_EQ(probe::text(server, kServerNameNode), row.names[i]);
    }
  }
}

TEST_F(DvqConnect, EditionsAndActivations) {
  std::unique_ptr<Report> root = run("alpha\thigh\tsplit\tbare\tnobody",
                                     "class.{1405C4C9-A56B-41CB-8220-1B57E64C5FB0} = 0\n"
                                     "class.{B0F23B2B-2802-41D8-9974-CBB243327265} = 0x800706BA\n");
  const IReport* servers = probe::find(connect(*root), kServersNode);
  ASSERT_NE(servers, nullptr);
  ASSERT_EQ(servers->getSubReports().getCount(), 5u);

  // alpha: all three editions; the gateway's class answers "RPC server unavailable".
  const IReport& alpha = servers->getSubReports().getItem(0);
  EXPECT_EQ(probe::childNames(alpha), (std::vector<std::string>{"serverName", "interfaces"}));
  EXPECT_EQ(probe::number(alpha, kInterfacesNode), 3);
  const IReport& alphaInterfaces = *probe::find(alpha, kInterfacesNode);
  const char* expected[][3] = {{"1", "Kestin DS Standard Edition", "success"},
                               {"2", "Kestin DS Enterprise Edition", "success"},
                               {"3", "Kestin DS Document Gateway", "failed (0x800706ba)"}};
  ASSERT_EQ(alphaInterfaces.getSubReports().getCount(), 3u);
  for (unsigned i = 0; i < 3; ++i) {
    const IReport& node = alphaInterfaces.getSubReports().getItem(i);
    EXPECT_STREQ(node.getName().getData(), kInterfaceNode);
    EXPECT_EQ(probe::attribute(node, "index"), expected[i][0]);
    EXPECT_EQ(probe::text(node, kNameNode), expected[i][1]);
    EXPECT_EQ(probe::text(node, kResultNode), expected[i][2]);
    EXPECT_TRUE(probe::find(node, kResultNode)->isSuccess()) << "a failed activation is an ordinary text";
  }

  // high: only bit 8, which counts but names no edition.
  const IReport& high = servers->getSubReports().getItem(1);
  EXPECT_EQ(probe::number(high, kInterfacesNode), 1);
  EXPECT_EQ(probe::find(high, kInterfacesNode)->getSubReports().getCount(), 0u);

  // split: bits 1 and 4 give the indexes 1 and 2.
  const IReport& split = *probe::find(servers->getSubReports().getItem(2), kInterfacesNode);
  ASSERT_EQ(split.getSubReports().getCount(), 2u);
  EXPECT_EQ(probe::attribute(split.getSubReports().getItem(0), "index"), "1");
  EXPECT_EQ(probe::text(split.getSubReports().getItem(0), kNameNode), "Kestin DS Standard Edition");
  EXPECT_EQ(probe::attribute(split.getSubReports().getItem(1), "index"), "2");
  EXPECT_EQ(probe::text(split.getSubReports().getItem(1), kNameNode), "Kestin DS Document Gateway");

  // bare: no edition at all; nobody: the library does not know the server.
  const IReport* bare = probe::find(servers->getSubReports().getItem(3), kInterfacesNode);
  ASSERT_NE(bare, nullptr);
  EXPECT_FALSE(bare->isSuccess());
  EXPECT_STREQ(bare->getErrorText().getData(), "Kestin DS product is not installed");
  EXPECT_EQ(bare->getValue(), nullptr);
  const IReport* nobody = probe::find(servers->getSubReports().getItem(4), kInterfacesNode);
  ASSERT_NE(nobody, nullptr);
  EXPECT_FALSE(nobody->isSuccess());
  EXPECT_STREQ(nobody->getErrorText().getData(), "NoxRecvServer Failed");
  EXPECT_EQ(probe::text(servers->getSubReports().getItem(4), kServerNameNode), "nobody");

  // Each activation: the edition's class on the record's host, context 21, the product interface.
  const std::vector<RecordedCom::Activation>& calls = com_->activations();
  ASSERT_EQ(calls.size(), 5u);
  const char* classes[] = {"{1405C4C9-A56B-41CB-8220-1B57E64C5FB0}", "{1405C4C9-A56B-41CB-8220-1B57E64C5FB0}",
                           "{B0F23B2B-2802-41D8-9974-CBB243327265}", "{1405C4C9-A56B-41CB-8220-1B57E64C5FB0}",
                           "{B0F23B2B-2802-41D8-9974-CBB243327265}"};
  const char* hosts[] = {"alpha.corp.test", "alpha.corp.test", "alpha.corp.test", "split.corp.test",
                         "split.corp.test"};
  for (size_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].classId, classes[i]) << i;
    EXPECT_EQ(calls[i].server, hosts[i]) << i;
    EXPECT_EQ(calls[i].context, 21u) << i;
    EXPECT_EQ(calls[i].interfaceId, "{B54BBD7E-DB7E-4635-AE67-59197CFD3AA6}") << i;
    EXPECT_EQ(calls[i].queries, 1u) << i;
  }
  EXPECT_EQ(com_->models(), std::vector<DWORD>{COINIT_APARTMENTTHREADED});
}

TEST_F(DvqConnect, ComThatCannotStartStopsTheReport) {
  std::unique_ptr<Report> root = run("alpha\tsplit", "initialize = 0x80010106\n");
  const IReport& report = connect(*root);
  EXPECT_FALSE(report.isSuccess());
  EXPECT_STREQ(report.getErrorText().getData(), "Initialize COM Failed");
  EXPECT_EQ(report.getValue(), nullptr);
  EXPECT_EQ(report.getSubReports().getCount(), 0u);
  EXPECT_TRUE(com_->activations().empty());
  EXPECT_EQ(com_->openApartments(), 0) << "no CoUninitialize after a failed start";
}

TEST_F(DvqConnect, AnApartmentAlreadyThereIsLeftAsFound) {
  std::unique_ptr<Report> root = run("split", "initialize = 1\n");  // S_FALSE
  EXPECT_TRUE(connect(*root).isSuccess());
  EXPECT_EQ(com_->activations().size(), 2u);
}

}  // namespace
