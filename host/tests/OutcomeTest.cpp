#include "Outcome.h"

#include <gtest/gtest.h>

namespace {

using host::Ending;
using host::Outcome;
using host::Stage;

Outcome snapshot() {
  Outcome o;
  o.target = "C:\\R";
  o.document = "NoxInfo.xml";
  o.planned = 4;
  o.ran = {{"First", "Alpha Plugin"},
           {"First", "Beta Plugin"},
           {"Second", "Gamma Plugin"},
           {"Second", "Echo Plugin"}};
  o.documentRead = true;
  o.summary.hasRoot = o.summary.wellFormed = true;
  o.summary.categories = {{"First", {{"alpha", 0, {}}}},
                          {"Second", {{"gamma", 0, {}}, {"echo", 5, {"echo/probe", "echo/a", "echo/b"}}}}};
  return o;
}

using Lines = std::vector<std::string>;

TEST(Outcome, WrittenSaysWhereHowBigAndWhatToLookAt) {
  Outcome o = snapshot();
  o.files = {{"C:\\R\\NoxResult.exe", 1572864, true}};
  EXPECT_EQ(host::outcomeLines(o),
            (Lines{"Result: C:\\R\\NoxResult.exe (1.5 MB)", "Plug-ins: 3 of 4 reported",
                   "  No report in category First: 1 of 2 (Alpha Plugin, Beta Plugin)",
                   "Sections marked unsuccessful:", "  Echo Plugin: 5 (echo/probe, echo/a, echo/b, ...)"}));

  // Every plug-in reported: reports are named after their plug-ins.
  o.ran.erase(o.ran.begin() + 1);
  o.planned = 3;
  o.summary.categories[1].reports[1].failed = 1;
  o.summary.categories[1].reports[1].failedPaths = {"echo/probe"};
  EXPECT_EQ(host::outcomeLines(o),
            (Lines{"Result: C:\\R\\NoxResult.exe (1.5 MB)", "Plug-ins: 3 of 3 reported",
                   "Sections marked unsuccessful:", "  Echo Plugin: 1 (echo/probe)"}));

  o.summary.categories[1].reports[1].failed = 0;
  o.lateCancel = true;
  EXPECT_EQ(host::outcomeLines(o),
            (Lines{"Result: C:\\R\\NoxResult.exe (1.5 MB)", "Plug-ins: 3 of 3 reported",
                   "No section was marked unsuccessful",
                   "The cancel came too late to stop the run: the result is complete"}));
}

TEST(Outcome, WrittenPartsAndPlainFolders) {
  Outcome o = snapshot();
  o.target = "A:\\";
  o.parts = o.partsWritten = 3;
  o.files = {{"A:\\NoxResult.exe", 1457152, true},
             {"A:\\NoxResult.exe.002", 1457152, true},
             {"A:\\NoxResult.exe.003", 1000, true}};
  EXPECT_EQ(host::outcomeLines(o)[0],
            "Result: 3 parts in A:\\ (NoxResult.exe to NoxResult.exe.003), 2.8 MB in all");

  Outcome plain = snapshot();
  plain.compress = false;
  plain.files = {{"C:\\R\\NoxInfo.xml", 12 * 1024, true}};
  plain.folderFiles = 3;
  plain.folderBytes = 40 * 1024;
  EXPECT_EQ(host::outcomeLines(plain)[0],
            "Result: C:\\R\\NoxInfo.xml (12 KB); the folder holds 3 files, 40 KB in all");

  Outcome unread = snapshot();
  unread.documentRead = false;
  EXPECT_EQ(host::outcomeLines(unread),
            (Lines{"Plug-ins: 4 were called; the document could not be read to check their reports"}));

  Outcome pack;
  pack.pack = true;
  pack.files = {{"C:\\P\\NoxResult.exe", 800, true}};
  EXPECT_EQ(host::outcomeLines(pack), (Lines{"Result: C:\\P\\NoxResult.exe (800 bytes)"}));
}

TEST(Outcome, ACancelSaysWhatWasWrittenAndWhatWasNot) {
  struct Row {
    Stage stage;
    bool compress;
    std::vector<host::WrittenFile> files;
    unsigned int parts, partsWritten;
    Lines lines;
  };
  const std::vector<Row> rows = {
      {Stage::Observing,
       true,
       {},
       0,
       0,
       {"Cancelled after 2 of 4 plug-ins had run", "Nothing was written to C:\\R: no report was written"}},
      {Stage::Writing,
       true,
       {{"C:\\R\\NoxResult.exe", 900, true}},
       0,
       0,
       {"Cancelled after 2 of 4 plug-ins had run",
        "Written: C:\\R\\NoxResult.exe, but it holds only an empty NoxInfo.xml: no report was written"}},
      {Stage::Observing,
       false,
       {{"C:\\R\\NoxInfo.xml", 0, true}},
       0,
       0,
       {"Cancelled after 2 of 4 plug-ins had run",
        "Written: C:\\R\\NoxInfo.xml, empty: no report was written"}},
      {Stage::Packing,
       true,
       {},
       0,
       0,
       {"Cancelled while packing", "Nothing was written to C:\\R; the collected reports were not kept"}},
      {Stage::Splitting,
       true,
       {{"C:\\R\\NoxResult.exe", 1457152, true}},
       3,
       1,
       {"Cancelled before part 2 of 3 was written",
        "Written: NoxResult.exe; the set is incomplete and cannot be unpacked: run again to write all 3 "
        "parts"}},
      {Stage::Splitting,
       true,
       {{"C:\\R\\NoxResult.exe", 1457152, true}, {"C:\\R\\NoxResult.exe.002", 1457152, true}},
       4,
       2,
       {"Cancelled before part 3 of 4 was written",
        "Written: NoxResult.exe, NoxResult.exe.002; the set is incomplete and cannot be unpacked: run again "
        "to "
        "write all 4 parts"}},
      {Stage::Splitting,
       true,
       {},
       3,
       0,
       {"Cancelled before part 1 of 3 was written", "No part was written to C:\\R"}},
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    Outcome o = snapshot();
    o.ending = Ending::Cancelled;
    o.ran.resize(2);
    o.stage = rows[i].stage;
    o.compress = rows[i].compress;
    o.files = rows[i].files;
    o.parts = rows[i].parts;
    o.partsWritten = rows[i].partsWritten;
    EXPECT_EQ(host::outcomeLines(o), rows[i].lines) << "row " << i;
  }
  Outcome pack;
  pack.pack = true;
  pack.ending = Ending::Cancelled;
  pack.stage = Stage::Packing;
  pack.target = "C:\\P";
  EXPECT_EQ(host::outcomeLines(pack)[1], "Nothing was written to C:\\P; the result folder is unchanged");
}

TEST(Outcome, AFailureSaysWhatIsLeft) {
  Outcome o = snapshot();
  o.ending = Ending::Failed;
  EXPECT_EQ(host::outcomeLines(o), (Lines{"Nothing was written to C:\\R"}));
  o.parts = 3;
  o.partsWritten = 1;
  o.files = {{"C:\\R\\NoxResult.exe", 1457152, true}};
  EXPECT_EQ(host::outcomeLines(o),
            (Lines{"Written before the failure: NoxResult.exe; the set of 3 parts is incomplete"}));
}

}  // namespace
