// NxInfo.exe: the console host. Loads NoxCore.dll from its own folder, lets the
// user choose what to collect, runs the snapshot and packs the result.
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
#include "nox/Configration.h"
#include "nox/SystemReporter.h"

namespace {

// Set by Ctrl+C or Ctrl+Break; the run stops at its next progress event.
volatile LONG g_interrupted = 0;

BOOL WINAPI onConsoleBreak(DWORD type) {
  if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
  InterlockedExchange(&g_interrupted, 1);
  return TRUE;
}

enum ExitCode { EXIT_DONE = 0, EXIT_CANCELLED = 1, EXIT_FAILED = 2, EXIT_USAGE = 64 };

std::string readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::invalid_argument("cannot read answers file " + path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool sameName(const char* a, const std::string& b) { return lstrcmpiA(a, b.c_str()) == 0; }

std::string programFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string text(path);
  return text.substr(0, text.find_last_of('\\') + 1);
}

// Progress on stderr: one line per step, the plug-in count in front.
class ProgressDisplay : public ProgressEventListener {
 public:
  explicit ProgressDisplay(bool quiet) : quiet_(quiet) {}
  void setPlannedObservations(int count) { planned_ = count; }
  void notifyProgressEvent(ProgressEvent& event) override {
    if (g_interrupted && !event.isCancel()) {
      std::fprintf(stderr, "NxInfo: interrupted; stopping...\n");
      event.doCancel();
    }
    if (quiet_) return;
    std::string text = event.getCurrentStatusText().getData();
    int value = event.getCurrentStatusValue();
    if (value >= 0 && text.rfind("file ", 0) != 0) {
      // After each plug-in the core names it and gives its ID.
      std::fprintf(stderr, "[%d/%d] %s done\n", ++done_, planned_, text.c_str());
    } else if (event.getMaxStatusValue() > 0 && text.rfind("file ", 0) != 0) {
      std::fprintf(stderr, "  packing %s\n", text.c_str());
    } else {
      std::fprintf(stderr, "%s\n", text.c_str());
    }
    std::fflush(stderr);
  }

 private:
  bool quiet_;
  int planned_ = 0;
  int done_ = 0;
};

// Answers the core's media questions: at the terminal, or as --media says.
class MediaQuestions : public UIEventListener {
 public:
  explicit MediaQuestions(host::MediaAnswer answer) : answer_(answer) {}
  void notifyUIEvent(UIEvent& event) override {
    IConfigrations& items = event.getConfigrations();
    for (unsigned int i = 0; i < items.getCount(); ++i) answer(items.getItem(i));
  }

 private:
  void answer(IConfigration& item) {
    std::string title = item.getTitle().getData();
    IConfigration::ConfigrationType type = item.getType();
    std::string question = type == IConfigration::CONFIG_TYPE_FORMAT
                               ? "Please format the medium in " + title + " now. Done?"
                           : type == IConfigration::CONFIG_TYPE_NOTICE ? title + " Retry?"
                                                                       : title;
    std::fprintf(stderr, "%s", question.c_str());
    bool yes = false;
    if (answer_ == host::MediaAnswer::Ask) {
      std::fprintf(stderr, " [y/N] ");
      std::fflush(stderr);
      char line[64] = {};
      yes = std::fgets(line, sizeof line, stdin) && (line[0] == 'y' || line[0] == 'Y');
    } else {
      // Unattended: a medium that keeps failing would ask for ever; give up after a few rounds.
      yes = answer_ == host::MediaAnswer::Yes && ++unattendedYes_ <= kUnattendedRounds;
      std::fprintf(stderr, " -> %s\n", yes ? "yes" : answer_ == host::MediaAnswer::No ? "no" : "cancel");
    }
    if (yes) {
      item.setStatus(IConfigration::CONFIG_STATUS_OK);
    } else if (answer_ == host::MediaAnswer::No && type == IConfigration::CONFIG_TYPE_QUESTION) {
      item.setStatus(IConfigration::CONFIG_STATUS_NONE);
    } else {
      item.setStatus(IConfigration::CONFIG_STATUS_CANCEL);
    }
  }

  static const int kUnattendedRounds = 6;
  host::MediaAnswer answer_;
  int unattendedYes_ = 0;
};

class Core {
 public:
  Core() {
    std::string path = programFolder() + "NoxCore.dll";
    module_ = LoadLibraryA(path.c_str());
    if (!module_) {
      throw std::runtime_error("cannot load " + path + " (error " + std::to_string(GetLastError()) + ")");
    }
    auto initialize = reinterpret_cast<NoxInitializeFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(module_, "initialize")));
    uninitialize_ = reinterpret_cast<NoxUninitializeFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(module_, "uninitialize")));
    if (!initialize || !uninitialize_) throw std::runtime_error(path + " lacks initialize/uninitialize");
    reporter_ = initialize();
  }
  ~Core() {
    if (uninitialize_) uninitialize_();
    if (module_) FreeLibrary(module_);
  }
  ISystemReporter& reporter() { return *reporter_; }

 private:
  HMODULE module_ = nullptr;
  NoxUninitializeFunction uninitialize_ = nullptr;
  ISystemReporter* reporter_ = nullptr;
};

// The categories with their plug-ins, for lookups by name.
void forEachCategory(IReportCategories& top, void (*visit)(IReportCategory&, IReportCategory*, void*),
                     void* data) {
  for (unsigned int i = 0; i < top.getCount(); ++i) {
    IReportCategory& category = *top.getItem(i);
    visit(category, nullptr, data);
    IReportCategories* subs = category.getSubCategories();
    for (unsigned int j = 0; subs && j < subs->getCount(); ++j) visit(*subs->getItem(j), &category, data);
  }
}

void applySelection(IReportCategories& top, const std::string& name, bool select) {
  bool found = false;
  for (unsigned int i = 0; i < top.getCount(); ++i) {
    IReportCategory& category = *top.getItem(i);
    IReportCategories* subs = category.getSubCategories();
    if (sameName(category.getName().getData(), name)) {
      found = true;
      category.setSelected(select);
      for (unsigned int j = 0; select && subs && j < subs->getCount(); ++j)
        subs->getItem(j)->setSelected(true);
    }
    for (unsigned int j = 0; subs && j < subs->getCount(); ++j) {
      if (!sameName(subs->getItem(j)->getName().getData(), name)) continue;
      found = true;
      subs->getItem(j)->setSelected(select);
      if (select) category.setSelected(true);
    }
  }
  if (!found)
    throw std::invalid_argument("no category or plug-in named \"" + name + "\" (see `NxInfo list`)");
}

void applyOptions(ISystemReporter& reporter, const host::Options& options) {
  IReportCategories& top = reporter.getReportCategories();
  if (!options.only.empty()) {
    forEachCategory(
        top, [](IReportCategory& c, IReportCategory*, void*) { c.setSelected(false); }, nullptr);
    for (const std::string& name : options.only) applySelection(top, name, true);
  }
  for (const std::string& name : options.select) applySelection(top, name, true);
  for (const std::string& name : options.deselect) applySelection(top, name, false);

  for (const host::ParameterSetting& setting : options.settings) {
    bool set = false;
    for (unsigned int i = 0; i < top.getCount() && !set; ++i) {
      IReportCategories* subs = top.getItem(i)->getSubCategories();
      for (unsigned int j = 0; subs && j < subs->getCount() && !set; ++j) {
        IReportCategory& sub = *subs->getItem(j);
        if (!sameName(sub.getName().getData(), setting.plugin) || !sub.getObservation()) continue;
        IConfigrations& forms = sub.getObservation()->getConfigrations();
        for (unsigned int f = 0; f < forms.getCount() && !set; ++f) {
          IConfigrationEntries& entries = forms.getItem(f).getConfigrationEntries();
          for (unsigned int e = 0; e < entries.getCount() && !set; ++e) {
            if (!sameName(entries.getItem(e).getName().getData(), setting.entry)) continue;
            entries.getItem(e).setValue(setting.value.c_str());
            forms.getItem(f).setStatus(IConfigration::CONFIG_STATUS_OK);
            set = true;
          }
        }
      }
    }
    if (!set) {
      throw std::invalid_argument("no parameter \"" + setting.entry + "\" in plug-in \"" + setting.plugin +
                                  "\" (see `NxInfo list`)");
    }
  }
  reporter.setCompress(options.compress);
  reporter.setSplitSize(options.splitKiB);
}

const char* entryTypeName(IConfigrationEntry::ConfigrationEntryType type) {
  switch (type) {
    case IConfigrationEntry::ENTRY_TEXT:
      return "text";
    case IConfigrationEntry::ENTRY_PASSWORD:
      return "password";
    case IConfigrationEntry::ENTRY_FLAG:
      return "flag (0 or 1)";
    case IConfigrationEntry::ENTRY_HOST:
      return "host name or address";
    default:
      return "text";
  }
}

void listCategories(ISystemReporter& reporter) {
  IReportCategories& top = reporter.getReportCategories();
  if (top.getCount() == 0) std::printf("No categories: NxInfo.ini beside this program lists none.\n");
  for (unsigned int i = 0; i < top.getCount(); ++i) {
    IReportCategory& category = *top.getItem(i);
    std::printf("[%c] %s\n", category.isSelected() ? 'x' : ' ', category.getName().getData());
    IReportCategories* subs = category.getSubCategories();
    for (unsigned int j = 0; subs && j < subs->getCount(); ++j) {
      IReportCategory& sub = *subs->getItem(j);
      std::printf("    [%c] %s\n", sub.isSelected() ? 'x' : ' ', sub.getName().getData());
      if (!sub.getObservation()) continue;
      IConfigrations& forms = sub.getObservation()->getConfigrations();
      for (unsigned int f = 0; f < forms.getCount(); ++f) {
        IConfigrationEntries& entries = forms.getItem(f).getConfigrationEntries();
        for (unsigned int e = 0; e < entries.getCount(); ++e) {
          IConfigrationEntry& entry = entries.getItem(e);
          bool hidden = entry.getType() == IConfigrationEntry::ENTRY_PASSWORD;
          std::printf("          --set \"%s:%s=...\"  %s, now \"%s\"\n", sub.getName().getData(),
                      entry.getName().getData(), entryTypeName(entry.getType()),
                      hidden && entry.getValue().length() ? "****" : entry.getValue().getData());
        }
      }
    }
  }
  String serializer;
  reporter.getProfileString("Serializer", "FileName", "", serializer);
  String document;
  reporter.getResultFileName(document);
  std::printf("Result document: %s\n", document.getData());
}

int countSelectedObservations(ISystemReporter& reporter) {
  int count = 0;
  IReportCategories& top = reporter.getReportCategories();
  for (unsigned int i = 0; i < top.getCount(); ++i) {
    IReportCategory& category = *top.getItem(i);
    if (!category.isSelected()) continue;
    IReportCategories* subs = category.getSubCategories();
    for (unsigned int j = 0; subs && j < subs->getCount(); ++j) {
      if (subs->getItem(j)->isSelected() && subs->getItem(j)->getObservation()) ++count;
    }
  }
  return count;
}

std::string absoluteFolder(const std::string& folder) {
  char full[MAX_PATH] = {};
  DWORD n = GetFullPathNameA(folder.c_str(), MAX_PATH, full, nullptr);
  std::string text = (n == 0 || n >= MAX_PATH) ? folder : std::string(full);
  while (text.size() > 3 && (text.back() == '\\' || text.back() == '/')) text.pop_back();
  return text;
}

// Files named NoxResult.exe* in folder written since `since`: the packed result.
std::vector<std::string> packedResults(const std::string& folder, const FILETIME& since) {
  std::vector<std::string> found;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\NoxResult*.exe*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return found;
  do {
    std::string separator = !folder.empty() && folder.back() == '\\' ? "" : "\\";
    if (CompareFileTime(&data.ftLastWriteTime, &since) >= 0)
      found.push_back(folder + separator + data.cFileName);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return found;
}

void printError(const IErrorRecord& e) {
  std::fprintf(
      stderr,
      "NxInfo: failed: error ID %u, return value %u (0x%x), system error %u, in %s, %s line %u, %s%s%s\n",
      e.getID(), e.getReturnValue(), e.getReturnValue(), e.getLastError(), e.getModuleName().getData(),
      e.getFileName().getData(), e.getLineNumber(), e.getClassName().getData(),
      e.getClassName().length() ? "::" : "", e.getMethodName().getData());
  if (e.getMemo().length()) std::fprintf(stderr, "NxInfo: %s\n", e.getMemo().getData());
}

int drive(ISystemReporter& reporter, const host::Options& options);

int run(const host::Options& options) {
  Core core;
  // Failures are read and released while the core is still loaded: the shared
  // out-of-memory record goes away with it.
  try {
    return drive(core.reporter(), options);
  } catch (IException* e) {
    const IErrorRecord& error = e->getError();
    // The user stopped the media dialogue: the split ends with the engine's
    // "cancelled" code (14).
    bool stoppedByUser = error.getID() == 5 && error.getReturnValue() == 14 &&
                         lstrcmpA(error.getMethodName().getData(), "concatSelfEx") == 0;
    if (stoppedByUser) {
      std::fprintf(stderr, "NxInfo: cancelled while writing the result to media\n");
    } else {
      printError(error);
    }
    e->release();
    return stoppedByUser ? EXIT_CANCELLED : EXIT_FAILED;
  }
}

int drive(ISystemReporter& reporter, const host::Options& options) {
  ProgressDisplay progress(options.quiet);
  host::MediaAnswer media = options.media;
  if (media == host::MediaAnswer::Ask && !_isatty(_fileno(stdin))) media = host::MediaAnswer::Cancel;
  MediaQuestions questions(media);
  reporter.addProgressEventListener(&progress);
  reporter.addUIEventListener(&questions);
  reporter.initializeSystemReporter();
  applyOptions(reporter, options);

  if (options.command == host::Command::List) {
    listCategories(reporter);
    return EXIT_DONE;
  }
  FILETIME start;
  GetSystemTimeAsFileTime(&start);
  if (options.command == host::Command::Pack) {
    std::string source = absoluteFolder(options.sourceFolder);
    std::string target = absoluteFolder(options.targetFolder);
    DWORD attributes = GetFileAttributesA(source.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      std::fprintf(stderr, "NxInfo: %s is not a folder\n", source.c_str());
      return EXIT_USAGE;
    }
    reporter.packFolder(source.c_str(), target.c_str());
    for (const std::string& file : packedResults(target, start)) std::printf("Packed: %s\n", file.c_str());
    return EXIT_DONE;
  }

  std::string folder = absoluteFolder(options.outputFolder);
  progress.setPlannedObservations(countSelectedObservations(reporter));
  bool written = reporter.startObservation(folder.c_str());
  if (!written) {
    std::fprintf(stderr, "NxInfo: cancelled; nothing was collected into %s\n", folder.c_str());
    return EXIT_CANCELLED;
  }
  if (options.compress) {
    std::vector<std::string> files = packedResults(folder, start);
    for (const std::string& file : files) std::printf("Result: %s\n", file.c_str());
    if (files.empty()) std::printf("Result: packed into %s\n", folder.c_str());
  } else {
    String name;
    reporter.getResultFileName(name);
    std::printf("Result: %s\\%s\n", folder.c_str(), name.getData());
  }
  return EXIT_DONE;
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  SetConsoleCtrlHandler(onConsoleBreak, TRUE);
  std::vector<std::string> words(argv + 1, argv + argc);
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
    return run(options);
  } catch (const std::invalid_argument& e) {
    std::fprintf(stderr, "NxInfo: %s\n", e.what());
    return EXIT_USAGE;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "NxInfo: failed: %s\n", e.what());
  }
  return EXIT_FAILED;
}
