#include "WindowModel.h"

#include <stdexcept>

#include "Options.h"
#include "Text.h"

namespace host {

// ---- The category tree ----

void setChecked(std::vector<CategoryChoice>& categories, size_t category, int plugin, bool on) {
  if (category >= categories.size()) return;
  CategoryChoice& c = categories[category];
  if (plugin < 0) {
    c.selected = on;
    for (PluginChoice& p : c.plugins) p.selected = on;
    return;
  }
  if (static_cast<size_t>(plugin) >= c.plugins.size()) return;
  c.plugins[plugin].selected = on;
  if (on) {
    c.selected = true;
    return;
  }
  bool any = false;
  for (const PluginChoice& p : c.plugins) any = any || p.selected;
  if (!any) c.selected = false;
}

void copySelection(const std::vector<CategoryChoice>& from, std::vector<CategoryChoice>& to) {
  for (size_t i = 0; i < from.size() && i < to.size(); ++i) {
    if (from[i].name != to[i].name) continue;
    to[i].selected = from[i].selected;
    for (size_t j = 0; j < from[i].plugins.size() && j < to[i].plugins.size(); ++j) {
      if (from[i].plugins[j].name == to[i].plugins[j].name)
        to[i].plugins[j].selected = from[i].plugins[j].selected;
    }
  }
}

// ---- The plug-ins' parameter fields ----

namespace {

FieldKind kindOf(int type) {
  switch (type) {
    case kEntryHost:
      return FieldKind::Hosts;
    case kEntryPassword:
      return FieldKind::Password;
    case kEntryFlag:
      return FieldKind::Flag;
    default:
      return FieldKind::Text;
  }
}

// The lines of a name after its first, each trimmed, joined by line breaks.
std::string furtherLines(const std::string& name) {
  size_t end = name.find_first_of("\r\n");
  if (end == std::string::npos) return "";
  std::string help;
  for (const std::string& line : splitTrimmed(name.substr(end), "\r\n"))
    help += (help.empty() ? "" : "\n") + line;
  return help;
}

}  // namespace

std::vector<FormField> formFields(const std::vector<PluginParameters>& plugins) {
  std::vector<FormField> fields;
  for (size_t p = 0; p < plugins.size(); ++p) {
    for (size_t i = 0; i < plugins[p].parameters.size(); ++i) {
      const Parameter& parameter = plugins[p].parameters[i];
      FormField field;
      field.plugin = p;
      field.parameter = i;
      field.label = firstLine(parameter.name);
      field.help = furtherLines(parameter.name);
      field.kind = kindOf(parameter.type);
      if (field.kind == FieldKind::Flag) {
        field.preset = std::string(shownValue(parameter) == "yes" ? "1" : "0");
      } else {
        field.preset = editableValue(parameter.type, parameter.value);
      }
      field.text = field.preset;
      fields.push_back(field);
    }
  }
  return fields;
}

std::vector<size_t> fieldsOf(const std::vector<FormField>& fields, size_t plugin) {
  std::vector<size_t> found;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].plugin == plugin) found.push_back(i);
  }
  return found;
}

std::vector<ParameterSetting> fieldSettings(const std::vector<PluginParameters>& plugins,
                                            const std::vector<FormField>& fields) {
  std::vector<ParameterSetting> settings;
  for (const FormField& field : fields) {
    if (field.text == field.preset || field.plugin >= plugins.size()) continue;
    ParameterSetting setting;
    setting.plugin = plugins[field.plugin].plugin;
    setting.entry = std::to_string(field.parameter + 1);
    setting.value = field.text;
    setting.origin = SettingOrigin::Window;
    settings.push_back(setting);
  }
  return settings;
}

// ---- Result folder and packing ----

const std::vector<SplitChoice>& splitChoices() {
  static const std::vector<SplitChoice> choices = {
      {"1.44 MB floppy disks (1423 KB parts)", kFloppyPartKiB},
      {"CDs (650 MB parts)", kCdPartKiB},
      {"Parts of this size in KB:", 0},
  };
  return choices;
}

OutputPlan outputPlan(const OutputChoice& choice) {
  OutputPlan plan;
  plan.folder = trim(choice.folder);
  if (plan.folder.empty()) throw std::invalid_argument("Choose the folder the result goes to.");
  plan.compress = choice.packing != Packing::Folder;
  if (choice.packing != Packing::Split) return plan;
  const std::vector<SplitChoice>& choices = splitChoices();
  if (choice.split >= choices.size()) throw std::invalid_argument("Choose the size of the parts.");
  plan.splitKiB = choices[choice.split].kib;
  if (plan.splitKiB > 0) return plan;
  std::string typed = trim(choice.otherKiB);
  bool digits = !typed.empty() && typed.size() <= 10;
  for (char c : typed) digits = digits && c >= '0' && c <= '9';
  unsigned long long kib = 0;
  for (char c : typed) kib = kib * 10 + static_cast<unsigned long long>(c - '0');
  if (!digits || kib < 1 || kib > static_cast<unsigned long long>(kLargestPartKiB)) {
    throw std::invalid_argument("The part size must be a whole number of KB from 1 to " +
                                std::to_string(kLargestPartKiB) + ", not \"" + choice.otherKiB + "\".");
  }
  plan.splitKiB = static_cast<int>(kib);
  return plan;
}

// ---- Progress and Cancel ----

namespace {

std::string plugins(int count) { return std::to_string(count) + (count == 1 ? " plug-in" : " plug-ins"); }

}  // namespace

ProgressView progressView(const Progress& p, const OutputPlan& plan, const std::string& document) {
  // Collecting takes most of a run; writing and packing share the rest.
  const int collectEnd = plan.compress ? 800 : 950;
  const int writeEnd = plan.compress ? 850 : 1000;
  ProgressView view;
  switch (p.stage) {
    case Stage::Starting:
      view.status = "Starting...";
      break;
    case Stage::Observing:
      view.permille = p.planned > 0 ? collectEnd * p.finished / p.planned : collectEnd;
      view.status = p.running.empty() ? "All plug-ins have run" : "Collecting: " + p.running;
      view.count = std::to_string(p.finished) + " of " + plugins(p.planned) + " done";
      break;
    case Stage::Writing:
      view.permille = collectEnd;
      view.status = "Writing " + document + "...";
      break;
    case Stage::Packing:
      view.permille = writeEnd;
      view.status = "Packing the result...";
      if (!p.entry.empty()) view.count = std::to_string(p.entries) + " files packed: " + p.entry;
      break;
    case Stage::SelfExtractor:
      view.permille = 950;
      view.status = "Writing the self-extracting program...";
      break;
    case Stage::Splitting:
      view.permille = p.parts > 0 ? 900 + static_cast<int>(100 * (p.part - 1) / p.parts) : 900;
      view.status = "Writing the parts...";
      if (p.parts > 0) view.count = "part " + std::to_string(p.part) + " of " + std::to_string(p.parts);
      break;
    case Stage::Finished:
      view.permille = 1000;
      view.status = "Done";
      break;
  }
  return view;
}

bool RunControl::start() {
  if (phase_ == RunPhase::Running || phase_ == RunPhase::Cancelling) return false;
  phase_ = RunPhase::Running;
  hasFolder_ = false;
  return true;
}

bool RunControl::requestCancel() {
  if (phase_ != RunPhase::Running) return false;
  phase_ = RunPhase::Cancelling;
  return true;
}

void RunControl::finish(bool hasFolder) {
  phase_ = RunPhase::Done;
  hasFolder_ = hasFolder;
}

ControlState RunControl::controls() const {
  ControlState state;
  bool busy = phase_ == RunPhase::Running || phase_ == RunPhase::Cancelling;
  state.start = !busy;
  state.editing = !busy;
  state.cancel = phase_ == RunPhase::Running;
  state.cancelLabel = phase_ == RunPhase::Cancelling ? "Stopping..." : "Cancel";
  state.openFolder = phase_ == RunPhase::Done && hasFolder_;
  return state;
}

// ---- Media questions ----

MediaBox mediaBox(const MediaQuestion& q) {
  const int kQuestion = 2, kFormat = 4;
  MediaBox box;
  box.caption = "NoxInfo: disk";
  if (q.type == kQuestion) {
    box.text = q.text;
    box.buttons = BoxButtons::YesNoCancel;
  } else if (q.type == kFormat) {
    box.text = "Format the disk in " + q.text +
               " now (in My Computer: right-click the drive, then Format).\n\n"
               "Yes: it is formatted, write the result on it.\n"
               "No: it could not be formatted.\n"
               "Cancel: stop writing the result.";
    box.buttons = BoxButtons::YesNoCancel;
  } else {
    box.text = q.text;
    box.buttons = BoxButtons::RetryCancel;
  }
  return box;
}

MediaReply mediaReply(BoxAnswer answer) {
  switch (answer) {
    case BoxAnswer::Yes:
    case BoxAnswer::Retry:
      return MediaReply::Yes;
    case BoxAnswer::No:
      return MediaReply::No;
    case BoxAnswer::Cancel:
      break;
  }
  return MediaReply::Cancel;
}

// ---- The end ----

EndSummary endSummary(const Outcome& o) {
  EndSummary summary;
  switch (o.ending) {
    case Ending::Written:
      summary.heading = o.pack ? "The folder is packed." : "The snapshot is ready.";
      break;
    case Ending::Cancelled:
      summary.heading = "The snapshot was cancelled.";
      break;
    case Ending::Failed:
      summary.heading = "The snapshot could not be written: " + o.failure + ".";
      break;
  }
  summary.lines = outcomeLines(o);
  if (o.ending == Ending::Failed && !o.record.empty())
    summary.lines.push_back("For support staff: " + o.record);
  if (!o.files.empty()) {
    summary.resultPath = o.files.front().path;
    unsigned long long bytes = 0;
    for (const WrittenFile& file : o.files) bytes += file.bytes;
    if (!o.compress && !o.pack) bytes = o.folderBytes;
    summary.size = sizeText(bytes);
    summary.folder = o.target;
  }
  return summary;
}

std::string summaryText(const EndSummary& summary) {
  std::string text = summary.heading;
  for (const std::string& line : summary.lines) text += "\r\n" + line;
  return text;
}

}  // namespace host
