#include "Session.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "nox/FileUtil.h"

namespace host {

namespace {

const char kResultName[] = "NoxResult.exe";

struct FileState {
  std::string name;
  unsigned long long bytes;
  FILETIME written;
};

unsigned long long sizeOf(const WIN32_FIND_DATAA& data) {
  return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool isDots(const char* name) { return lstrcmpA(name, ".") == 0 || lstrcmpA(name, "..") == 0; }

// Entries matching pattern in folder (files, or folders when `folders`).
std::vector<FileState> listing(const std::string& folder, const char* pattern, bool folders) {
  std::vector<FileState> found;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(inFolder(folder, pattern).c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return found;
  do {
    bool isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (isDots(data.cFileName) || isFolder != folders) continue;
    found.push_back(FileState{data.cFileName, sizeOf(data), data.ftLastWriteTime});
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return found;
}

bool fileSize(const std::string& path, unsigned long long& bytes) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(path.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  bytes = sizeOf(data);
  return true;
}

// Files and bytes below folder; links are not followed.
void measureFolder(const std::string& folder, unsigned long& files, unsigned long long& bytes,
                   int depth = 0) {
  if (depth > 64) return;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(inFolder(folder, "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (isDots(data.cFileName)) continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        measureFolder(inFolder(folder, data.cFileName), files, bytes, depth + 1);
    } else {
      ++files;
      bytes += sizeOf(data);
    }
  } while (FindNextFileA(find, &data));
  FindClose(find);
}

std::string readFile(const std::string& path, bool& ok) {
  std::ifstream in(path, std::ios::binary);
  ok = static_cast<bool>(in);
  std::stringstream text;
  if (ok) text << in.rdbuf();
  return text.str();
}

std::string partPath(const std::string& target, unsigned int number) {
  std::string path = inFolder(target, kResultName);
  if (number > 1) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%03u", number);
    path += suffix;
  }
  return path;
}

bool folderIsEmpty(const std::string& folder) {
  return listing(folder, "*", false).empty() && listing(folder, "*", true).empty();
}

}  // namespace

// The state of the run under way, as the listeners see it.
struct RunState {
  RunView* view = nullptr;
  std::string target;
  std::vector<PluginRun> plan;
  std::vector<PluginRun> ran;
  Progress progress;
  bool cancelTaken = false;
  Stage cancelStage = Stage::Starting;
  std::vector<WrittenFile> parts;  // complete parts, measured when the next one began

  void takeCancel() {
    if (cancelTaken) return;
    cancelTaken = true;
    cancelStage = progress.stage;
    view->cancelTaken();
  }

  void partsDone(unsigned int count) {
    for (unsigned int number = static_cast<unsigned int>(parts.size()) + 1; number <= count; ++number) {
      WrittenFile file;
      file.path = partPath(target, number);
      file.measured = fileSize(file.path, file.bytes);
      parts.push_back(file);
    }
  }

  // Reads the core's progress texts (the run's, the archive's and the split's).
  void interpret(const std::string& text, int value, int max) {
    Progress& p = progress;
    if (text == "Start Observation...") {
      p.stage = Stage::Observing;
      p.running = plan.empty() ? "" : plan[0].plugin;
    } else if (p.stage == Stage::Observing && value >= 0) {
      // After each plug-in the core names it and gives its ID.
      size_t k = ran.size();
      ran.push_back(PluginRun{k < plan.size() ? plan[k].category : std::string(), text});
      p.finished = static_cast<int>(ran.size());
      p.lastDone = text;
      p.running = k + 1 < plan.size() ? plan[k + 1].plugin : "";
    } else if (text == "Write to file...") {
      p.stage = Stage::Writing;
      p.running.clear();
    } else if (text == "Create an archive...") {
      p.stage = Stage::Packing;
    } else if (text == "Create a selfextacting archive...") {
      p.stage = Stage::SelfExtractor;
    } else if (text == "Split an archive...") {
      p.stage = Stage::Splitting;
    } else if (text == "Observation completed!") {
      p.stage = Stage::Finished;
    } else if (p.stage == Stage::Packing && text != "Create an archive completed!") {
      p.entry = text;
      p.entries = max;
    } else if (p.stage == Stage::Splitting) {
      unsigned int index = 0, count = 0;
      if (std::sscanf(text.c_str(), "file %u/%u", &index, &count) == 2 && index <= count) {
        p.parts = count;
        partsDone(index);
        p.part = index < count ? index + 1 : count;
      }
    }
  }
};

struct Session::Listeners : ProgressEventListener, UIEventListener {
  RunState* state = nullptr;

  void notifyProgressEvent(ProgressEvent& event) override {
    if (!state) return;
    state->interpret(event.getCurrentStatusText().getData(), event.getCurrentStatusValue(),
                     event.getMaxStatusValue());
    if (!state->cancelTaken && state->view->cancelRequested()) state->takeCancel();
    if (state->cancelTaken) event.doCancel();
    state->view->showProgress(state->progress);
  }

  void notifyUIEvent(UIEvent& event) override {
    IConfigrations& items = event.getConfigrations();
    for (unsigned int i = 0; i < items.getCount(); ++i) {
      IConfigration& item = items.getItem(i);
      if (!state) {
        item.setStatus(IConfigration::CONFIG_STATUS_CANCEL);
        continue;
      }
      if (!state->cancelTaken && state->view->cancelRequested()) state->takeCancel();
      MediaReply reply = MediaReply::Cancel;
      if (!state->cancelTaken) {
        reply = state->view->askMedia(MediaQuestion{item.getType(), item.getTitle().getData()});
        if (reply == MediaReply::Cancel) state->takeCancel();
      }
      item.setStatus(reply == MediaReply::Yes  ? IConfigration::CONFIG_STATUS_OK
                     : reply == MediaReply::No ? IConfigration::CONFIG_STATUS_NONE
                                               : IConfigration::CONFIG_STATUS_CANCEL);
    }
  }
};

Session::Session() : core_(new CoreLibrary()), listeners_(new Listeners()) {
  ISystemReporter& reporter = core_->reporter();
  reporter.addProgressEventListener(listeners_.get());
  reporter.addUIEventListener(listeners_.get());
  // Failures are read and released while the core is still loaded: the shared
  // out-of-memory record goes away with it.
  try {
    reporter.initializeSystemReporter();
    catalogue_.reset(new Catalogue(reporter));
  } catch (IException* e) {
    ErrorFacts facts = factsOf(e->getError());
    e->release();
    throw CoreFailure(facts);
  }
}

Session::~Session() {
  catalogue_.reset();
  core_.reset();
}

Catalogue& Session::catalogue() { return *catalogue_; }
ISystemReporter& Session::reporter() { return core_->reporter(); }
unsigned long Session::selfExtractorBytes() const { return core_->selfExtractorBytes(); }

std::string Session::documentName() {
  String name;
  core_->reporter().getResultFileName(name);
  return name.getData();
}

void Session::check(const RunRequest& request) {
  std::string target = absoluteFolder(request.folder);
  if (request.folder.empty()) throw std::invalid_argument("no output folder given");
  if (request.pack) {
    DWORD attributes = GetFileAttributesA(absoluteFolder(request.source).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
      throw std::invalid_argument(absoluteFolder(request.source) + " is not a folder");
  }
  if (request.splitKiB <= 0) return;
  if (!onDriveLetter(target)) {
    throw std::invalid_argument(
        "the target folder must be on a drive letter (A:\\, D:\\Parts) to be split into "
        "parts, not " +
        target);
  }
  unsigned long long part = static_cast<unsigned long long>(request.splitKiB) * 1024;
  if (part < selfExtractorBytes() + 96ull) {
    throw std::invalid_argument(partTooSmallText(request.splitKiB, selfExtractorBytes(), request.console));
  }
  if (request.unattended && GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES &&
      !folderIsEmpty(target)) {
    throw std::invalid_argument("the target folder " + target +
                                " is not empty: split parts go to an empty folder or disk, and nobody is "
                                "there to answer the question");
  }
}

Outcome Session::run(const RunRequest& request, RunView& view) {
  check(request);
  ISystemReporter& reporter = core_->reporter();
  Outcome outcome;
  outcome.pack = request.pack;
  outcome.compress = request.compress || request.pack;
  outcome.splitKiB = request.splitKiB;
  outcome.target = absoluteFolder(request.folder);
  outcome.document = documentName();

  RunState state;
  state.view = &view;
  state.target = outcome.target;
  if (!request.pack) state.plan = catalogue_->plan();
  state.progress.planned = static_cast<int>(state.plan.size());
  outcome.planned = state.progress.planned;

  std::vector<FileState> before = listing(outcome.target, "NoxResult*", false);
  std::string work = getWorkFolder();
  std::vector<FileState> stagingBefore = listing(work, "arcTmp*", true);

  reporter.setCompress(outcome.compress);
  reporter.setSplitSize(request.splitKiB);
  catalogue_->commit();

  bool written = false;
  bool failed = false;
  ErrorFacts facts;
  std::string hostFailure;
  listeners_->state = &state;
  try {
    written = request.pack
                  ? reporter.packFolder(absoluteFolder(request.source).c_str(), outcome.target.c_str())
                  : reporter.startObservation(outcome.target.c_str());
  } catch (IException* e) {
    facts = factsOf(e->getError());
    e->release();
    failed = true;
  } catch (const std::exception& e) {
    hostFailure = e.what();
    failed = true;
  }
  listeners_->state = nullptr;

  // What the run left in the target folder.
  outcome.ran = state.ran;
  outcome.parts = state.progress.parts;
  if (outcome.parts > 0) {
    outcome.files = state.parts;
    outcome.partsWritten = static_cast<unsigned int>(state.parts.size());
  } else if (outcome.compress) {
    for (const FileState& now : listing(outcome.target, "NoxResult*", false)) {
      bool old = false;
      for (const FileState& then : before) {
        old = old || (lstrcmpiA(then.name.c_str(), now.name.c_str()) == 0 && then.bytes == now.bytes &&
                      CompareFileTime(&then.written, &now.written) == 0);
      }
      if (!old) outcome.files.push_back(WrittenFile{inFolder(outcome.target, now.name), now.bytes, true});
    }
  } else {
    WrittenFile document;
    document.path = inFolder(outcome.target, outcome.document);
    if (fileSize(document.path, document.bytes)) outcome.files.push_back(document);
    measureFolder(outcome.target, outcome.folderFiles, outcome.folderBytes);
  }

  bool complete = outcome.parts > 0 && outcome.partsWritten == outcome.parts;
  if (!failed && written) {
    outcome.ending = Ending::Written;
    outcome.lateCancel = state.cancelTaken;
  } else if (complete && state.cancelTaken) {
    // The cancel came with the last part written: the set is whole.
    outcome.ending = Ending::Written;
    outcome.lateCancel = true;
  } else if (!failed || stoppedByUser(facts) || state.cancelTaken) {
    outcome.ending = Ending::Cancelled;
  } else {
    outcome.ending = Ending::Failed;
    if (!hostFailure.empty()) {
      outcome.failure = hostFailure;
    } else {
      FailureContext context;
      context.console = request.console;
      context.compress = outcome.compress;
      context.splitKiB = request.splitKiB;
      context.selfExtractorBytes = selfExtractorBytes();
      context.target = outcome.target;
      outcome.failure = explainFailure(facts, context);
      outcome.record = errorRecordText(facts);
    }
  }
  outcome.stage = state.cancelTaken ? state.cancelStage : state.progress.stage;

  if (outcome.ending == Ending::Written && !request.pack) {
    std::string document;
    if (!outcome.compress) {
      document = inFolder(outcome.target, outcome.document);
    } else {
      for (const FileState& staging : listing(work, "arcTmp*", true)) {
        bool old = false;
        for (const FileState& then : stagingBefore) old = old || then.name == staging.name;
        if (!old) document = inFolder(inFolder(work, staging.name), outcome.document);
      }
    }
    bool read = false;
    std::string text = document.empty() ? std::string() : readFile(document, read);
    outcome.documentRead = read;
    if (read) outcome.summary = summarizeDocument(text);
  }
  return outcome;
}

}  // namespace host
