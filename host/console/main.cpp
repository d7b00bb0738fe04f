// NxInfo.exe: the console host. Loads NoxCore.dll from its own folder, lets the
// user choose what to collect and fill in the plug-ins' parameters, runs the
// snapshot and packs the result.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "Options.h"
#include "Session.h"
#include "nox/Version.h"

namespace {

enum ExitCode { EXIT_DONE = 0, EXIT_CANCELLED = 1, EXIT_FAILED = 2, EXIT_USAGE = 64 };

// Set by Ctrl+C or Ctrl+Break; the run stops at its next cancel point. A
// second Ctrl+C ends the program at once.
volatile LONG g_interrupted = 0;
volatile LONG g_linePending = 0;

BOOL WINAPI onConsoleBreak(DWORD type) {
  if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
  if (InterlockedExchange(&g_interrupted, 1) != 0) return FALSE;
  std::fprintf(stderr, "%sNxInfo: interrupted; stopping at the next step (Ctrl+C again ends at once)\n",
               g_linePending ? "\n" : "");
  std::fflush(stderr);
  return TRUE;
}

std::string readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::invalid_argument("cannot read answers file " + path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string readLine() {
  char line[1024] = {};
  if (!std::fgets(line, sizeof line, stdin)) return std::string("\x04");  // end of input
  std::string text(line);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

bool inputIsTerminal() { return _isatty(_fileno(stdin)) != 0; }

// A value typed at the terminal without echo; from a pipe, one line of input.
std::string readHidden(const std::string& label) {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  bool console = GetConsoleMode(input, &mode) != 0;
  if (console) {
    std::fprintf(stderr, "%s: ", label.c_str());
    std::fflush(stderr);
    SetConsoleMode(input, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT));
  }
  std::string value = readLine();
  if (console) {
    SetConsoleMode(input, mode);
    std::fprintf(stderr, "\n");
  }
  if (value == "\x04") throw std::invalid_argument("no value was typed for " + label);
  return value;
}

// --set-env and --ask settings get their values here.
std::vector<host::ParameterSetting> resolveSettings(const std::vector<host::ParameterSetting>& settings) {
  std::vector<host::ParameterSetting> resolved;
  for (host::ParameterSetting setting : settings) {
    if (setting.origin == host::SettingOrigin::Environment) {
      char value[32768];
      DWORD n = GetEnvironmentVariableA(setting.value.c_str(), value, sizeof value);
      if (n == 0 || n >= sizeof value)
        throw std::invalid_argument("the environment variable " + setting.value + " (for " + setting.plugin +
                                    ":" + setting.entry + ") is not set");
      setting.value = value;
    } else if (setting.origin == host::SettingOrigin::Prompt) {
      setting.value = readHidden(setting.plugin + ":" + setting.entry);
    }
    resolved.push_back(setting);
  }
  return resolved;
}

// Progress on stderr: in log mode one line per step; in line mode one line
// that is rewritten in place.
class ConsoleView : public host::RunView {
 public:
  ConsoleView(host::ProgressMode mode, host::MediaAnswer media, const std::string& document)
      : mode_(mode), media_(media), document_(document) {}

  void showProgress(const host::Progress& p) override {
    if (mode_ == host::ProgressMode::None) return;
    if (mode_ == host::ProgressMode::Log) {
      logStep(p);
    } else {
      showLine(lineFor(p));
    }
  }

  host::MediaReply askMedia(const host::MediaQuestion& q) override {
    endLine();
    const int kQuestion = 2, kFormat = 4;
    if (media_ == host::MediaAnswer::Cancel) {
      std::fprintf(stderr, "NxInfo: %s%s -> cancel (nobody is there to answer)\n",
                   q.type == kFormat ? "format the disk in " : "", q.text.c_str());
      return host::MediaReply::Cancel;
    }
    for (;;) {
      if (q.type == kQuestion) {
        std::fprintf(stderr, "NxInfo: %s [y]es, [n]o or [c]ancel: ", q.text.c_str());
      } else if (q.type == kFormat) {
        std::fprintf(stderr,
                     "NxInfo: format the disk in %s now (in Explorer, or with FORMAT in another window),\n"
                     "        then press Enter; type n if it could not be formatted, c to cancel: ",
                     q.text.c_str());
      } else {
        std::fprintf(stderr,
                     "NxInfo: %s\n        Press Enter to try again, or type c to cancel: ", q.text.c_str());
      }
      std::fflush(stderr);
      std::string answer = readLine();
      if (answer == "\x04" || g_interrupted) return host::MediaReply::Cancel;
      char c = answer.empty() ? '\0' : static_cast<char>(answer[0] | 0x20);
      if (c == 'c') return host::MediaReply::Cancel;
      if (q.type == kQuestion) {
        if (c == 'y') return host::MediaReply::Yes;
        if (c == 'n') return host::MediaReply::No;
        continue;
      }
      if (c == 'n') return host::MediaReply::No;
      return host::MediaReply::Yes;
    }
  }

  bool cancelRequested() override { return g_interrupted != 0; }

  void endLine() {
    if (!g_linePending) return;
    std::fprintf(stderr, "\n");
    std::fflush(stderr);
    g_linePending = 0;
    shown_ = 0;
  }

 private:
  void logStep(const host::Progress& p) {
    if (p.stage != last_.stage) {
      switch (p.stage) {
        case host::Stage::Observing:
          std::fprintf(stderr, "Collecting: %d plug-in%s\n", p.planned, p.planned == 1 ? "" : "s");
          break;
        case host::Stage::Writing:
          std::fprintf(stderr, "Writing %s\n", document_.c_str());
          break;
        case host::Stage::Packing:
          std::fprintf(stderr, "Packing\n");
          break;
        case host::Stage::SelfExtractor:
          std::fprintf(stderr, "Writing the self-extracting program\n");
          break;
        case host::Stage::Splitting:
          std::fprintf(stderr, "Splitting into parts\n");
          break;
        default:
          break;
      }
    }
    if (p.finished > last_.finished) {
      std::fprintf(stderr, "[%d/%d] %s done\n", p.finished, p.planned, p.lastDone.c_str());
    }
    if (p.stage == host::Stage::Packing && p.entries != last_.entries && !p.entry.empty())
      std::fprintf(stderr, "  packing %s\n", p.entry.c_str());
    if (p.stage == host::Stage::Splitting && (p.part != last_.part || p.parts != last_.parts) && p.parts)
      std::fprintf(stderr, "  part %u of %u\n", p.part, p.parts);
    std::fflush(stderr);
    last_ = p;
  }

  std::string lineFor(const host::Progress& p) const {
    char text[512];
    switch (p.stage) {
      case host::Stage::Starting:
        return "Starting...";
      case host::Stage::Observing:
        if (p.running.empty()) return "All " + std::to_string(p.planned) + " plug-ins done";
        std::snprintf(text, sizeof text, "[%d/%d] %s...", p.finished + 1, p.planned, p.running.c_str());
        return text;
      case host::Stage::Writing:
        return "Writing " + document_ + "...";
      case host::Stage::Packing:
        std::snprintf(text, sizeof text, "Packing: %d files (%s)", p.entries, p.entry.c_str());
        return text;
      case host::Stage::SelfExtractor:
        return "Writing the self-extracting program...";
      case host::Stage::Splitting:
        if (!p.parts) return "Splitting into parts...";
        std::snprintf(text, sizeof text, "Writing part %u of %u...", p.part, p.parts);
        return text;
      case host::Stage::Finished:
        return "Done";
    }
    return "";
  }

  void showLine(std::string text) {
    const size_t width = 79;
    if (text.size() > width) text = text.substr(0, width - 3) + "...";
    size_t previous = shown_;
    std::fprintf(stderr, "\r%s", text.c_str());
    if (previous > text.size()) std::fprintf(stderr, "%*s", static_cast<int>(previous - text.size()), "");
    std::fflush(stderr);
    shown_ = text.size();
    g_linePending = 1;
  }

  host::ProgressMode mode_;
  host::MediaAnswer media_;
  std::string document_;
  host::Progress last_;
  size_t shown_ = 0;
};

void printError(const std::string& line) { std::fprintf(stderr, "NxInfo: %s\n", line.c_str()); }

void listCatalogue(host::Catalogue& catalogue, const std::vector<host::PluginParameters>& defaults,
                   const std::string& document) {
  const std::vector<host::CategoryChoice>& categories = catalogue.categories();
  if (categories.empty()) std::printf("No categories: NxInfo.ini beside this program lists none.\n");
  for (const host::CategoryChoice& category : categories) {
    std::printf("[%c] %s\n", category.selected ? 'x' : ' ', category.name.c_str());
    for (const host::PluginChoice& plugin : category.plugins) {
      std::printf("    [%c] %s\n", plugin.selected ? 'x' : ' ', plugin.name.c_str());
      if (plugin.parameters < 0) continue;
      const host::PluginParameters& now = catalogue.parameters()[plugin.parameters];
      const host::PluginParameters& preset = defaults[plugin.parameters];
      for (size_t i = 0; i < now.parameters.size(); ++i) {
        const host::Parameter& parameter = now.parameters[i];
        std::string more = host::firstLine(parameter.name) == host::trim(parameter.name) ? "" : " (...)";
        std::printf("          %u. %s%s\n", static_cast<unsigned>(i + 1),
                    host::firstLine(parameter.name).c_str(), more.c_str());
        std::string facts = std::string(host::typeName(parameter.type)) +
                            ", default: " + host::shownValue(preset.parameters[i]);
        if (parameter.changed) facts += ", set to: " + host::shownValue(parameter);
        std::printf("             %s\n", facts.c_str());
        std::printf("             %s\n", host::exampleSetting(now, i).c_str());
      }
    }
  }
  std::printf("Result document: %s\n", document.c_str());
}

int drive(host::Session& session, const host::Options& options) {
  host::Catalogue& catalogue = session.catalogue();
  std::vector<host::PluginParameters> defaults = catalogue.parameters();
  if (!options.only.empty()) catalogue.selectOnly(options.only);
  for (const std::string& name : options.select) catalogue.select(name, true);
  for (const std::string& name : options.deselect) catalogue.select(name, false);
  for (const std::string& remark : catalogue.applySettings(resolveSettings(options.settings)))
    printError("note: " + remark);

  if (options.command == host::Command::List) {
    listCatalogue(catalogue, defaults, session.documentName());
    return EXIT_DONE;
  }

  host::MediaAnswer media = options.media;
  if (!options.mediaGiven && !inputIsTerminal()) media = host::MediaAnswer::Cancel;
  host::ProgressMode progress = options.progress;
  if (progress == host::ProgressMode::Auto)
    progress = _isatty(_fileno(stderr)) ? host::ProgressMode::Line : host::ProgressMode::Log;

  host::RunRequest request;
  request.pack = options.command == host::Command::Pack;
  request.folder = request.pack ? options.targetFolder : options.outputFolder;
  request.source = options.sourceFolder;
  request.compress = options.compress;
  request.splitKiB = options.splitKiB;
  request.console = true;
  request.unattended = media == host::MediaAnswer::Cancel;

  ConsoleView view(progress, media, session.documentName());
  host::Outcome outcome = session.run(request, view);
  view.endLine();
  std::vector<std::string> lines = host::outcomeLines(outcome);
  switch (outcome.ending) {
    case host::Ending::Written:
      for (const std::string& line : lines) std::printf("%s\n", line.c_str());
      return EXIT_DONE;
    case host::Ending::Cancelled:
      for (const std::string& line : lines) printError(line);
      return EXIT_CANCELLED;
    case host::Ending::Failed:
      printError("failed: " + outcome.failure);
      if (!outcome.record.empty()) printError("error record: " + outcome.record);
      for (const std::string& line : lines) printError(line);
      return EXIT_FAILED;
  }
  return EXIT_FAILED;
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  SetConsoleCtrlHandler(onConsoleBreak, TRUE);
  std::vector<std::string> words(argv + 1, argv + argc);
  if (words.size() == 1 && words[0] == "--version") {
    std::printf("NxInfo %s\n", NOX_VERSION_TEXT);
    return EXIT_DONE;
  }
  host::Options options;
  try {
    options = host::parseCommandLine(words, readWholeFile);
  } catch (const std::invalid_argument& e) {
    std::fprintf(stderr, "NxInfo: %s\n\n%s", e.what(), host::kUsage);
    return EXIT_USAGE;
  }
  if (options.command == host::Command::Help) {
    std::fputs(host::kUsage, stdout);
    return EXIT_DONE;
  }
  try {
    host::Session session;
    return drive(session, options);
  } catch (const host::CoreFailure& failure) {
    host::FailureContext context;
    context.compress = options.compress;
    context.splitKiB = options.splitKiB;
    printError("failed: " + host::explainFailure(failure.facts(), context));
    printError("error record: " + host::errorRecordText(failure.facts()));
  } catch (const std::invalid_argument& e) {
    printError(e.what());
    return EXIT_USAGE;
  } catch (const std::exception& e) {
    printError(std::string("failed: ") + e.what());
  }
  return EXIT_FAILED;
}
