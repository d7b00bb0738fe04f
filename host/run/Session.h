#pragma once

#include <memory>
#include <string>

#include "Catalogue.h"
#include "Core.h"
#include "Outcome.h"

// One loaded core with the host's listeners: what both hosts use to list the
// categories, take a snapshot or pack a folder, and learn how it went. All of
// it runs on one thread, the one that created the session.
namespace host {

struct RunRequest {
  bool pack = false;
  std::string folder;  // run: the output folder; pack: the target folder
  std::string source;  // pack: the result folder written earlier
  bool compress = true;
  int splitKiB = 0;
  bool console = true;      // advice in words of the command line, or of the window
  bool unattended = false;  // nobody answers media questions: split parts need an empty folder
};

// What a host shows during a run and how it answers.
class RunView {
 public:
  virtual void showProgress(const Progress& progress) = 0;
  virtual MediaReply askMedia(const MediaQuestion& question) = 0;
  // Polled at every progress event; once true, the run stops at its next
  // cancel point (between plug-ins, packed files and parts).
  virtual bool cancelRequested() = 0;
  // Called once, when the run takes up a cancel.
  virtual void cancelTaken() {}

 protected:
  ~RunView() = default;
};

class Session {
 public:
  // Loads the core and its plug-ins. Throws std::runtime_error (CoreFailure
  // for a failure the core reported).
  Session();
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  Catalogue& catalogue();
  ISystemReporter& reporter();
  unsigned long selfExtractorBytes() const;
  // The result document's name (NoxInfo.xml).
  std::string documentName();

  // Checks what can be checked before collecting anything; throws
  // std::invalid_argument with a sentence (a part size too small for the
  // self-extractor, split parts not on a drive letter, no source folder).
  void check(const RunRequest& request);
  // Commits the catalogue, runs or packs, and says how it went. Throws
  // std::invalid_argument as check() does; every other failure is in the outcome.
  Outcome run(const RunRequest& request, RunView& view);

 private:
  struct Listeners;
  std::unique_ptr<CoreLibrary> core_;
  std::unique_ptr<Listeners> listeners_;
  std::unique_ptr<Catalogue> catalogue_;
};

}  // namespace host
