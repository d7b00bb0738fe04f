#pragma once

#include <string>
#include <vector>

// The host's command line, parsed. Portable: no Windows header.
namespace host {

enum class Command { Help, List, Run, Pack };
enum class MediaAnswer { Ask, Yes, No, Cancel };

struct ParameterSetting {
  std::string plugin;  // plug-in (sub-category) name, matched ignoring case
  std::string entry;   // entry name of one of its forms, matched ignoring case
  std::string value;
};

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
  bool quiet = false;
};

// Throws std::invalid_argument with a message for the user when the words
// cannot be read. Lines of an answers file (--answers FILE) are read with
// `readFile` and parsed like options: one option with its value per line,
// '#' starts a comment.
Options parseCommandLine(const std::vector<std::string>& words,
                         std::string (*readFile)(const std::string& path) = nullptr);

ParameterSetting parseSetting(const std::string& text);

extern const char kUsage[];

}  // namespace host
