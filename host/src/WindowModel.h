#pragma once

#include <string>
#include <vector>

#include "Choices.h"
#include "Outcome.h"
#include "Parameters.h"

// What the windowed host shows and what its controls mean, without the window:
// the check boxes of the category tree, the plug-ins' parameter fields, the
// result folder and packing, the progress bar and Cancel, the message boxes of
// the media questions and the summary at the end. Portable: no Windows header;
// the window copies these records into its controls and the user's input back.
namespace host {

// ---- The category tree ----

// Checks or unchecks a category (plugin < 0; its plug-ins follow it) or one of
// its plug-ins (checking one checks its category; unchecking the last checked
// one unchecks the category, so that nothing of it runs).
void setChecked(std::vector<CategoryChoice>& categories, size_t category, int plugin, bool on);

// Carries the check marks of `from` over to `to` (the categories of a freshly
// loaded core with the same settings file): by position where the names agree.
void copySelection(const std::vector<CategoryChoice>& from, std::vector<CategoryChoice>& to);

// ---- The plug-ins' parameter fields ----

enum class FieldKind { Text, Hosts, Password, Flag };

struct FormField {
  size_t plugin = 0;     // index into the plug-ins' parameter records
  size_t parameter = 0;  // index of the parameter in its record
  std::string label;     // the first line of its name
  std::string help;      // the further lines of its name (how to write it)
  FieldKind kind = FieldKind::Text;
  std::string preset;  // what the field shows at first
  std::string text;    // what it holds now; a flag holds "1" or "0"
};

// The fields of every plug-in, in parameter order: a host list shows its
// targets separated by ", ", a flag "1" or "0".
std::vector<FormField> formFields(const std::vector<PluginParameters>& plugins);

// The fields of one plug-in (indexes into `fields`).
std::vector<size_t> fieldsOf(const std::vector<FormField>& fields, size_t plugin);

// The settings the fields stand for: one for each field whose text differs from
// its preset, naming the parameter by its number, exactly as the console host's
// --set would (a host list takes targets separated by commas).
std::vector<ParameterSetting> fieldSettings(const std::vector<PluginParameters>& plugins,
                                            const std::vector<FormField>& fields);

// ---- Result folder and packing ----

enum class Packing { SelfExtracting, Folder, Split };

struct SplitChoice {
  const char* label;
  int kib;  // 0: the size typed beside the list
};
// The part sizes offered for a split: floppy disks, CDs, a size in KiB.
const std::vector<SplitChoice>& splitChoices();

struct OutputChoice {
  std::string folder;
  Packing packing = Packing::SelfExtracting;
  size_t split = 0;      // index into splitChoices()
  std::string otherKiB;  // the typed part size, when that choice is taken
};

struct OutputPlan {
  std::string folder;
  bool compress = true;
  int splitKiB = 0;
};

// Throws std::invalid_argument with a sentence for the window: no folder, or a
// typed part size that is not a whole number of KiB in range.
OutputPlan outputPlan(const OutputChoice& choice);

// ---- Progress and Cancel ----

struct ProgressView {
  int permille = 0;    // position of the bar, 0 to 1000
  std::string status;  // what is being done: the running plug-in's name while collecting
  std::string count;   // how far: "3 of 12 plug-ins", "part 2 of 4"
};

ProgressView progressView(const Progress& progress, const OutputPlan& plan, const std::string& document);

enum class RunPhase { Ready, Running, Cancelling, Done };

// Which controls the window enables, and what its buttons say.
struct ControlState {
  bool start = false;
  bool cancel = false;
  bool editing = false;     // tree, fields, folder, packing, Save
  bool openFolder = false;  // only at the end, with a result folder
  std::string cancelLabel;  // "Cancel", "Stopping..."
};

class RunControl {
 public:
  RunPhase phase() const { return phase_; }
  // Ready or Done to Running; false while a run is under way.
  bool start();
  // Running to Cancelling: the run stops at its next cancel point (after the
  // running plug-in, packed file or part). False when there is nothing to stop.
  bool requestCancel();
  bool cancelRequested() const { return phase_ == RunPhase::Cancelling; }
  // The run returned.
  void finish(bool hasFolder);
  ControlState controls() const;

 private:
  RunPhase phase_ = RunPhase::Ready;
  bool hasFolder_ = false;
};

// ---- Media questions ----

enum class BoxButtons { YesNoCancel, RetryCancel };
enum class BoxAnswer { Yes, No, Retry, Cancel };

struct MediaBox {
  std::string caption;
  std::string text;
  BoxButtons buttons = BoxButtons::RetryCancel;
};

// The message box for a question of the core: its own words, with Yes, No and
// Cancel for a yes/no question, Retry and Cancel for a notice; a format request
// (whose text is the folder on the medium) says what to format.
MediaBox mediaBox(const MediaQuestion& question);
MediaReply mediaReply(BoxAnswer answer);

// ---- The end ----

struct EndSummary {
  std::string heading;             // one line: written, cancelled or failed
  std::vector<std::string> lines;  // what was written where, the plug-ins whose sections
                                   // were marked unsuccessful, the failure
  std::string resultPath;          // NoxResult.exe, the first part, or the document
  std::string size;                // its size for people, the whole set for parts
  std::string folder;              // what "Open folder" opens; empty when nothing was written
};

EndSummary endSummary(const Outcome& outcome);

// The summary as the window's text box shows it (lines joined with CR LF).
std::string summaryText(const EndSummary& summary);

}  // namespace host
