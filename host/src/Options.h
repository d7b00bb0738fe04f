#pragma once

#include <string>
#include <vector>

#include "Parameters.h"

// The console host's command line, parsed. Portable: no Windows header.
namespace host {

enum class Command { Help, List, Run, Pack };
// Media questions: asked at the terminal, or each answered with cancel.
enum class MediaAnswer { Ask, Cancel };
enum class ProgressMode { Auto, Line, Log, None };

// Named part sizes for --split, in KiB. A formatted 1.44 MB disk has 1,457,664
// bytes free: 1423 KiB is the largest whole part that fits (the self-extractor,
// part header and back distance of the first part are inside the part size).
constexpr int kFloppyPartKiB = 1423;
// 650 MB: fits a 74-minute CD-R (681,984,000 bytes) with room for its file system.
constexpr int kCdPartKiB = 650 * 1024;
// The core takes part sizes in KiB that stay below 2 GiB in bytes.
constexpr int kLargestPartKiB = 2097151;

struct Options {
  Command command = Command::Help;
  std::string outputFolder;  // run
  std::string sourceFolder;  // pack
  std::string targetFolder;  // pack
  std::vector<std::string> select, deselect, only;
  std::vector<ParameterSetting> settings;
  bool compress = true;
  int splitKiB = 0;
  MediaAnswer media = MediaAnswer::Ask;
  bool mediaGiven = false;  // --media was on the command line
  ProgressMode progress = ProgressMode::Auto;
};

// Throws std::invalid_argument with a message for the user when the words
// cannot be read. Lines of an answers file (--answers FILE) are read with
// `readFile` and parsed like options: one option with its value per line,
// '#' starts a comment.
Options parseCommandLine(const std::vector<std::string>& words,
                         std::string (*readFile)(const std::string& path) = nullptr);

// PLUGIN:ENTRY=VALUE, or PLUGIN:ENTRY alone when `wantsValue` is false (--ask).
ParameterSetting parseSetting(const std::string& text, SettingOrigin origin, bool wantsValue = true);

// "floppy", "cd" or a number of KiB from 1 to kLargestPartKiB.
int parseSplitSize(const std::string& text);

extern const char kUsage[];

}  // namespace host
