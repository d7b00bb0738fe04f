#pragma once

#include <string>
#include <vector>

#include "ResultDocument.h"

// Where a run is and how it ended, as plain records both hosts show, and the
// words they show them with. Portable: no Windows header.
namespace host {

enum class Stage {
  Starting,       // before the first plug-in
  Observing,      // the plug-ins run
  Writing,        // the document is written
  Packing,        // the archive is built
  SelfExtractor,  // NoxResult.exe is written
  Splitting,      // the parts are written
  Finished,
};

struct PluginRun {
  std::string category;
  std::string plugin;
};

// What a host shows while the run goes on.
struct Progress {
  Stage stage = Stage::Starting;
  int planned = 0;         // plug-ins the run will call
  int finished = 0;        // plug-ins done so far
  std::string running;     // the plug-in running now (Observing)
  std::string lastDone;    // the plug-in that finished last
  std::string entry;       // Packing: the entry being packed
  int entries = 0;         //          and its number
  unsigned int part = 0;   // Splitting: the part being written (from 1)
  unsigned int parts = 0;  //            of how many
};

// A media question of the core (insert, format, a full or non-empty medium).
struct MediaQuestion {
  int type = 0;      // IConfigration::ConfigrationType: 2 question, 3 notice, 4 format request
  std::string text;  // the core's words; for a format request the folder on the medium
};

enum class MediaReply {
  Yes,     // accepted, retry, or formatted
  No,      // refused, or not formatted
  Cancel,  // stop writing the result
};

struct WrittenFile {
  std::string path;
  unsigned long long bytes = 0;
  bool measured = true;  // false for a part on a disk that has been taken out
};

enum class Ending { Written, Cancelled, Failed };

struct Outcome {
  Ending ending = Ending::Written;
  Stage stage = Stage::Starting;  // where a cancel or failure came
  bool pack = false;              // the pack command, not a run
  bool compress = true;
  int splitKiB = 0;
  std::string target;                  // the output folder
  std::string document;                // the document's name, NoxInfo.xml
  std::vector<WrittenFile> files;      // the result: NoxResult.exe, parts, or the document first
  unsigned int parts = 0;              // split: parts in the set, and
  unsigned int partsWritten = 0;       //        how many are complete
  unsigned long long folderBytes = 0;  // no packing: everything in the result folder
  unsigned long folderFiles = 0;
  std::vector<PluginRun> ran;  // plug-ins the core called, in order
  int planned = 0;
  bool documentRead = false;
  DocumentSummary summary;
  std::string failure;      // Failed: what went wrong, in words
  std::string record;       // Failed: the error record for support staff
  bool lateCancel = false;  // a cancel came when nothing could stop any more
};

// The lines a host shows at the end of a run: what was written and where, how
// many plug-ins reported, and which reports hold sections marked unsuccessful;
// for a cancel or failure, what was written and what was not.
std::vector<std::string> outcomeLines(const Outcome& outcome);

}  // namespace host
