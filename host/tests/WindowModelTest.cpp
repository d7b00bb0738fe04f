#include "WindowModel.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "Options.h"

namespace {

using namespace host;

std::vector<CategoryChoice> catalogue() {
  return {{"PC", true, {{"PC Plugin", true, true, -1}, {"Driver Plugin", false, true, -1}}},
          {"Network", false, {{"DNS Plugin", false, true, 0}, {"SMTP Plugin", false, true, -1}}},
          {"Empty", true, {}}};
}

std::string marks(const std::vector<CategoryChoice>& categories) {
  std::string text;
  for (const CategoryChoice& c : categories) {
    text += c.selected ? 'x' : '.';
    text += '(';
    for (const PluginChoice& p : c.plugins) text += p.selected ? 'x' : '.';
    text += ')';
  }
  return text;
}

TEST(WindowTree, CheckBoxesFollowEachOther) {
  struct Case {
    size_t category;
    int plugin;
    bool on;
    const char* after;
  } cases[] = {
      {1, 0, true, "x(x.)x(x.)x()"},    // a plug-in checks its category
      {0, -1, true, "x(xx)x(x.)x()"},   // a category checks all its plug-ins
      {0, 0, false, "x(.x)x(x.)x()"},   // one of two unchecked: the category stays
      {1, 0, false, "x(.x).(..)x()"},   // the last plug-in unchecked: nothing of it runs
      {0, -1, false, ".(..).(..)x()"},  // a category unchecks its plug-ins
      {2, -1, false, ".(..).(..).()"},  // a category without plug-ins
      {2, 0, true, ".(..).(..).()"},    // a plug-in that is not there changes nothing
      {7, -1, true, ".(..).(..).()"},
  };
  std::vector<CategoryChoice> tree = catalogue();
  EXPECT_EQ(marks(tree), "x(x.).(..)x()");
  for (const Case& c : cases) {
    setChecked(tree, c.category, c.plugin, c.on);
    EXPECT_EQ(marks(tree), c.after) << c.category << "/" << c.plugin << (c.on ? " on" : " off");
  }
}

TEST(WindowTree, SelectionCarriesOverToAFreshCatalogueByName) {
  std::vector<CategoryChoice> from = catalogue();
  setChecked(from, 1, 1, true);
  setChecked(from, 0, -1, false);
  std::vector<CategoryChoice> to = catalogue();
  to[0].plugins[1].name = "Other Plugin";  // a different module in that place keeps its own mark
  copySelection(from, to);
  EXPECT_EQ(marks(to), ".(..)x(.x)x()");
}

std::vector<PluginParameters> echoParameters() {
  PluginParameters echo;
  echo.plugin = "Echo Plugin";
  echo.parameters = {
      {"Target HostName or IPAddress", kEntryHost, "", false},
      {"Target LDAP server\n When changing the port, write server:port\nFor example: LDAP:389", kEntryHost,
       "ldap1\tldap2", false},
      {"username", kEntryText, "guest", false},
      {"password", kEntryPassword, "", false},
      {"Retrieve all files", kEntryFlag, "1", false},
  };
  PluginParameters snmp;
  snmp.plugin = "SNMP Plugin";
  snmp.parameters = {{"Read Community name", kEntryText, "public", false}};
  return {echo, snmp};
}

TEST(WindowFields, ShowEachParameterAsAPersonEditsIt) {
  std::vector<FormField> fields = formFields(echoParameters());
  ASSERT_EQ(fields.size(), 6u);
  EXPECT_EQ(fields[0].kind, FieldKind::Hosts);
  EXPECT_EQ(fields[1].label, "Target LDAP server");
  EXPECT_EQ(fields[1].help, "When changing the port, write server:port\nFor example: LDAP:389");
  EXPECT_EQ(fields[1].text, "ldap1, ldap2");
  EXPECT_EQ(fields[2].text, "guest");
  EXPECT_EQ(fields[3].kind, FieldKind::Password);
  EXPECT_EQ(fields[4].kind, FieldKind::Flag);
  EXPECT_EQ(fields[4].text, "1");
  EXPECT_EQ(fields[5].plugin, 1u);
  EXPECT_EQ(fields[5].parameter, 0u);
  EXPECT_EQ(fieldsOf(fields, 1), std::vector<size_t>{5});
  EXPECT_EQ(fieldsOf(fields, 0).size(), 5u);
}

// Typing into the fields gives the plug-ins what the same values on the
// console host's command line give them.
TEST(WindowFields, MeanWhatTheConsoleSetMeans) {
  std::vector<PluginParameters> presets = echoParameters();
  std::vector<FormField> fields = formFields(presets);
  fields[0].text = " mail01 , 10.0.0.5,";
  fields[1].text = "ldap1, ldap2";  // back to the preset: not a setting
  fields[2].text = "admin";
  fields[3].text = "s3cret";
  fields[4].text = "0";
  fields[5].text = "private";

  std::vector<ParameterSetting> settings = fieldSettings(presets, fields);
  ASSERT_EQ(settings.size(), 5u);
  EXPECT_EQ(settings[0].entry, "1");
  EXPECT_EQ(settings[4].plugin, "SNMP Plugin");

  std::vector<PluginParameters> window = presets;
  EXPECT_TRUE(applySettings(window, settings).empty()) << "a password typed in a field is not remarked on";

  Options console =
      parseCommandLine({"--set", "Echo Plugin:1= mail01 , 10.0.0.5,", "--set", "Echo Plugin:3=admin", "--set",
                        "Echo Plugin:password=s3cret", "--set", "Echo Plugin:Retrieve all files=no", "--set",
                        "SNMP Plugin:1=private", "run", "C:\\R"});
  std::vector<PluginParameters> commandLine = presets;
  applySettings(commandLine, console.settings);
  for (size_t p = 0; p < presets.size(); ++p) {
    for (size_t i = 0; i < presets[p].parameters.size(); ++i) {
      EXPECT_EQ(window[p].parameters[i].value, commandLine[p].parameters[i].value) << p << "/" << i;
      EXPECT_EQ(window[p].parameters[i].changed, commandLine[p].parameters[i].changed) << p << "/" << i;
    }
  }
  EXPECT_EQ(window[0].parameters[0].value, "mail01\t10.0.0.5");
  EXPECT_EQ(window[0].parameters[1].value, "ldap1\tldap2");
  EXPECT_FALSE(window[0].parameters[1].changed);
}

TEST(WindowOutput, FolderPackingAndPartSizes) {
  struct Case {
    Packing packing;
    size_t split;
    const char* other;
    bool compress;
    int kib;
  } cases[] = {
      {Packing::SelfExtracting, 0, "", true, 0},     {Packing::Folder, 0, "", false, 0},
      {Packing::Split, 0, "", true, kFloppyPartKiB}, {Packing::Split, 1, "12", true, kCdPartKiB},
      {Packing::Split, 2, " 2048 ", true, 2048},     {Packing::Split, 2, "2097151", true, kLargestPartKiB},
  };
  for (const Case& c : cases) {
    OutputChoice choice;
    choice.folder = " C:\\Results ";
    choice.packing = c.packing;
    choice.split = c.split;
    choice.otherKiB = c.other;
    OutputPlan plan = outputPlan(choice);
    EXPECT_EQ(plan.folder, "C:\\Results");
    EXPECT_EQ(plan.compress, c.compress) << c.other;
    EXPECT_EQ(plan.splitKiB, c.kib) << c.other;
  }
  EXPECT_EQ(splitChoices()[0].kib, parseSplitSize("floppy"));
  EXPECT_EQ(splitChoices()[1].kib, parseSplitSize("cd"));

  OutputChoice choice;
  EXPECT_THROW(outputPlan(choice), std::invalid_argument);  // no folder
  choice.folder = "C:\\R";
  choice.packing = Packing::Split;
  choice.split = 2;
  for (const char* bad : {"", "0", "1.5", "-3", "2097152", "99999999999", "abc"}) {
    choice.otherKiB = bad;
    EXPECT_THROW(outputPlan(choice), std::invalid_argument) << bad;
  }
  choice.split = 3;
  EXPECT_THROW(outputPlan(choice), std::invalid_argument);
}

TEST(WindowProgress, BarMovesForwardAndNamesTheRunningPlugin) {
  OutputPlan packed;
  Progress p;
  p.planned = 4;
  std::vector<int> positions;
  auto step = [&] {
    ProgressView view = progressView(p, packed, "NoxInfo.xml");
    positions.push_back(view.permille);
    return view;
  };
  EXPECT_EQ(step().status, "Starting...");
  p.stage = Stage::Observing;
  p.running = "DNS Plugin";
  ProgressView view = step();
  EXPECT_EQ(view.status, "Collecting: DNS Plugin");
  EXPECT_EQ(view.count, "0 of 4 plug-ins done");
  p.finished = 3;
  p.running = "SMTP Plugin";
  EXPECT_EQ(step().count, "3 of 4 plug-ins done");
  p.finished = 4;
  p.running.clear();
  step();
  p.stage = Stage::Writing;
  EXPECT_EQ(step().status, "Writing NoxInfo.xml...");
  p.stage = Stage::Packing;
  p.entry = "PC\\setupapi.log";
  p.entries = 7;
  EXPECT_EQ(step().count, "7 files packed: PC\\setupapi.log");
  p.stage = Stage::Splitting;
  p.parts = 4;
  for (p.part = 1; p.part <= 4; ++p.part) step();
  p.part = 2;
  EXPECT_EQ(progressView(p, packed, "NoxInfo.xml").count, "part 2 of 4");
  p.stage = Stage::Finished;
  EXPECT_EQ(step().permille, 1000);
  for (size_t i = 1; i < positions.size(); ++i) EXPECT_LE(positions[i - 1], positions[i]) << i;
  EXPECT_EQ(positions[0], 0);

  // Without packing, collecting and writing fill the whole bar.
  OutputPlan plain;
  plain.compress = false;
  Progress written;
  written.stage = Stage::Writing;
  EXPECT_EQ(progressView(written, plain, "NoxInfo.xml").permille, 950);
}

TEST(WindowRun, ControlsFollowTheRun) {
  RunControl run;
  auto state = [&] {
    ControlState s = run.controls();
    return std::string(s.start ? "S" : "-") + (s.cancel ? "C" : "-") + (s.editing ? "E" : "-") +
           (s.openFolder ? "O" : "-") + " " + s.cancelLabel;
  };
  EXPECT_EQ(state(), "S-E- Cancel");
  EXPECT_FALSE(run.requestCancel());
  EXPECT_TRUE(run.start());
  EXPECT_EQ(state(), "-C-- Cancel");
  EXPECT_FALSE(run.start());
  EXPECT_TRUE(run.requestCancel());
  EXPECT_TRUE(run.cancelRequested());
  EXPECT_EQ(state(), "---- Stopping...");
  EXPECT_FALSE(run.requestCancel());
  run.finish(false);
  EXPECT_EQ(state(), "S-E- Cancel");
  EXPECT_FALSE(run.cancelRequested());
  EXPECT_TRUE(run.start());
  run.finish(true);
  EXPECT_EQ(state(), "S-EO Cancel");
  EXPECT_TRUE(run.start());
  EXPECT_EQ(state(), "-C-- Cancel");
}

TEST(WindowMedia, EveryQuestionOfTheCoreGetsItsButtons) {
  struct Case {
    int type;
    const char* text;
    BoxButtons buttons;
  } cases[] = {
      {3, "Media is not set. Please insert empty disket", BoxButtons::RetryCancel},
      {3, "Disk free space is not enough. Change a media or increase disk free space.",
       BoxButtons::RetryCancel},
      {2, "Target media is not empty, format it?", BoxButtons::YesNoCancel},
      {3, "Target folder is not empty.", BoxButtons::RetryCancel},
      {3, "Can't write to media. Please change a media.", BoxButtons::RetryCancel},
      {2, "Media is not formated. format it?", BoxButtons::YesNoCancel},
  };
  for (const Case& c : cases) {
    MediaBox box = mediaBox(MediaQuestion{c.type, c.text});
    EXPECT_EQ(box.text, c.text);
    EXPECT_EQ(box.buttons, c.buttons) << c.text;
  }
  MediaBox format = mediaBox(MediaQuestion{4, "A:\\"});
  EXPECT_EQ(format.buttons, BoxButtons::YesNoCancel);
  EXPECT_NE(format.text.find("Format the disk in A:\\ now"), std::string::npos);

  EXPECT_EQ(mediaReply(BoxAnswer::Yes), MediaReply::Yes);
  EXPECT_EQ(mediaReply(BoxAnswer::Retry), MediaReply::Yes);
  EXPECT_EQ(mediaReply(BoxAnswer::No), MediaReply::No);
  EXPECT_EQ(mediaReply(BoxAnswer::Cancel), MediaReply::Cancel);
}

Outcome written() {
  Outcome o;
  o.target = "C:\\R";
  o.document = "NoxInfo.xml";
  o.planned = 2;
  o.ran = {{"First", "Alpha Plugin"}, {"Second", "Echo Plugin"}};
  o.documentRead = true;
  o.summary.categories = {{"First", {{"alpha", 0, {}}}}, {"Second", {{"echo", 1, {"echo/probe"}}}}};
  o.files = {{"C:\\R\\NoxResult.exe", 1572864, true}};
  return o;
}

TEST(WindowEnd, SaysWhereTheResultIsHowBigAndWhatFailed) {
  EndSummary done = endSummary(written());
  EXPECT_EQ(done.heading, "The snapshot is ready.");
  EXPECT_EQ(done.resultPath, "C:\\R\\NoxResult.exe");
  EXPECT_EQ(done.size, "1.5 MB");
  EXPECT_EQ(done.folder, "C:\\R");
  EXPECT_EQ(done.lines, outcomeLines(written()));
  EXPECT_EQ(summaryText(done).substr(0, 24), "The snapshot is ready.\r\n");

  Outcome parts = written();
  parts.target = "A:\\";
  parts.parts = parts.partsWritten = 2;
  parts.files = {{"A:\\NoxResult.exe", 1000, true}, {"A:\\NoxResult.exe.002", 23, false}};
  EXPECT_EQ(endSummary(parts).size, "1023 bytes");
  EXPECT_EQ(endSummary(parts).folder, "A:\\");

  Outcome plain = written();
  plain.compress = false;
  plain.files = {{"C:\\R\\NoxInfo.xml", 100, true}};
  plain.folderBytes = 2048;
  EXPECT_EQ(endSummary(plain).size, "2.0 KB");

  Outcome cancelled = written();
  cancelled.ending = Ending::Cancelled;
  cancelled.files.clear();
  EndSummary stopped = endSummary(cancelled);
  EXPECT_EQ(stopped.heading, "The snapshot was cancelled.");
  EXPECT_TRUE(stopped.folder.empty()) << "nothing to open";
  EXPECT_EQ(stopped.lines, outcomeLines(cancelled));

  Outcome failed = written();
  failed.ending = Ending::Failed;
  failed.failure = "the disk is full";
  failed.record = "ID 6, return value 112";
  failed.files.clear();
  EndSummary broken = endSummary(failed);
  EXPECT_EQ(broken.heading, "The snapshot could not be written: the disk is full.");
  EXPECT_EQ(broken.lines.back(), "For support staff: ID 6, return value 112");
}

}  // namespace
