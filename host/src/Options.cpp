#include "Options.h"

#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace host {

const char kUsage[] =
    "Usage: NxInfo [options] list\n"
    "       NxInfo [options] run OUTPUT_FOLDER\n"
    "       NxInfo [options] pack RESULT_FOLDER TARGET_FOLDER\n"
    "       NxInfo --help\n"
    "       NxInfo --version\n"
    "\n"
    "Takes a snapshot of this PC and its printing, network, directory and document-server\n"
    "environment. The categories and plug-ins come from NxInfo.ini beside this program.\n"
    "\n"
    "Commands:\n"
    "  list                 show the categories and plug-ins (selected: [x]) and each\n"
    "                       plug-in's parameters: number, name, type, default, example\n"
    "  run OUTPUT_FOLDER    take the snapshot; with packing on (the default) the folder\n"
    "                       receives NoxResult.exe (or its split parts), otherwise\n"
    "                       NoxInfo.xml with its side files\n"
    "  pack RESULT TARGET   pack a result folder written earlier into TARGET\n"
    "\n"
    "Choosing what to collect:\n"
    "  --only NAME[,NAME..] select exactly these categories or plug-ins, nothing else\n"
    "  --select NAME        select a category (with all its plug-ins) or one plug-in\n"
    "  --deselect NAME      deselect a category or one plug-in\n"
    "                       NAME is a category or plug-in name as `list` shows it,\n"
    "                       case ignored; the options apply in the order given\n"
    "\n"
    "Plug-in parameters (a target host, a community, a user name or password):\n"
    "  --set PLUGIN:ENTRY=VALUE\n"
    "                       ENTRY is the parameter's number as `list` shows it, its\n"
    "                       first line or its whole name, case ignored. A host list\n"
    "                       takes several targets separated by commas, or one --set\n"
    "                       per target; a flag takes yes or no (true/false, on/off,\n"
    "                       1/0)\n"
    "  --set-env PLUGIN:ENTRY=VARIABLE\n"
    "                       the value of an environment variable (for a password)\n"
    "  --ask PLUGIN:ENTRY   type the value at the terminal, not shown (for a password);\n"
    "                       without a terminal one line is read from the input\n"
    "  --answers FILE       read options from FILE, one per line, e.g.\n"
    "                         --set DNS Plugin:1=printserver, mail01\n"
    "                       lines starting with '#' are comments\n"
    "\n"
    "Packing:\n"
    "  --no-compress        write the result folder as it is, without packing\n"
    "  --compress           pack the result (default)\n"
    "  --split SIZE         split the packed result into parts for removable media:\n"
    "                       floppy (1423 KiB, the most a formatted 1.44 MB disk takes),\n"
    "                       cd (650 MB) or a size in KiB. The output folder must be on\n"
    "                       a drive letter (A:\\, D:\\Parts) and empty; each further\n"
    "                       part is written when its disk is ready\n"
    "  --media ANSWER       what happens at a media question (insert a disk, format it,\n"
    "                       a full or non-empty disk or folder): ask, at the terminal\n"
    "                       (the default when the input is one); or cancel (the\n"
    "                       default otherwise): nobody can format or change a disk in\n"
    "                       an unattended run, so it stops at the first question,\n"
    "                       keeps the parts already written and exits with 1\n"
    "\n"
    "Display:\n"
    "  --progress MODE      line: one line, updated in place (the default at a\n"
    "                       terminal); log: one line per step (the default otherwise);\n"
    "                       none\n"
    "  --quiet              no progress display (--progress none)\n"
    "  --help               this text\n"
    "\n"
    "Exit status: 0 the result was written, 1 cancelled (Ctrl+C, or a media question\n"
    "answered with cancel), 2 failed (a sentence saying why, then the error record for\n"
    "support staff), 64 the command line was wrong.\n";

namespace {

struct Word {
  std::string text;
  bool fromAnswersFile;
};

// One answers-file line into option words: "--set A:B=C D" keeps the rest whole.
std::vector<std::string> lineWords(const std::string& line) {
  std::string text = trim(line);
  if (text.empty() || text[0] == '#') return {};
  size_t space = text.find_first_of(" \t");
  if (space == std::string::npos) return {text};
  return {text.substr(0, space), trim(text.substr(space + 1))};
}

}  // namespace

ParameterSetting parseSetting(const std::string& text, SettingOrigin origin, bool wantsValue) {
  size_t colon = text.find(':');
  size_t equals = colon == std::string::npos ? std::string::npos : text.find('=', colon);
  std::string form = wantsValue ? "PLUGIN:ENTRY=VALUE" : "PLUGIN:ENTRY";
  bool shapeOk = colon != std::string::npos && colon != 0 &&
                 (wantsValue ? equals != std::string::npos && equals > colon + 1
                             : equals == std::string::npos && colon + 1 < text.size());
  if (!shapeOk) throw std::invalid_argument("wanted " + form + ", not \"" + text + "\"");
  ParameterSetting setting;
  setting.plugin = trim(text.substr(0, colon));
  setting.entry = trim(text.substr(colon + 1, wantsValue ? equals - colon - 1 : std::string::npos));
  if (wantsValue) setting.value = text.substr(equals + 1);
  setting.origin = origin;
  if (setting.plugin.empty() || setting.entry.empty())
    throw std::invalid_argument("wanted " + form + ", not \"" + text + "\"");
  return setting;
}

int parseSplitSize(const std::string& text) {
  if (text == "floppy") return kFloppyPartKiB;
  if (text == "cd") return kCdPartKiB;
  char* end = nullptr;
  long kib = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || kib <= 0 || kib > kLargestPartKiB) {
    throw std::invalid_argument("--split wants floppy, cd or a part size in KiB from 1 to " +
                                std::to_string(kLargestPartKiB) + ", not \"" + text + "\"");
  }
  return static_cast<int>(kib);
}

Options parseCommandLine(const std::vector<std::string>& words, std::string (*readFile)(const std::string&)) {
  Options options;
  std::vector<std::string> positional;
  std::vector<Word> queue;
  for (const std::string& word : words) queue.push_back({word, false});
  for (size_t i = 0; i < queue.size(); ++i) {
    const std::string word = queue[i].text;
    const bool fromFile = queue[i].fromAnswersFile;
    auto value = [&]() -> std::string {
      if (i + 1 >= queue.size()) throw std::invalid_argument(word + " needs a value");
      return queue[++i].text;
    };
    if (word == "--help" || word == "-h" || word == "/?") {
      options.command = Command::Help;
      return options;
    } else if (word == "--only") {
      for (const std::string& name : splitTrimmed(value(), ",")) options.only.push_back(name);
    } else if (word == "--select") {
      options.select.push_back(value());
    } else if (word == "--deselect") {
      options.deselect.push_back(value());
    } else if (word == "--set") {
      options.settings.push_back(
          parseSetting(value(), fromFile ? SettingOrigin::AnswersFile : SettingOrigin::CommandLine));
    } else if (word == "--set-env") {
      options.settings.push_back(parseSetting(value(), SettingOrigin::Environment));
    } else if (word == "--ask") {
      options.settings.push_back(parseSetting(value(), SettingOrigin::Prompt, false));
    } else if (word == "--answers") {
      std::string path = value();
      if (!readFile) throw std::invalid_argument("--answers is not available here");
      std::stringstream lines(readFile(path));
      std::vector<Word> extra;
      std::string line;
      while (std::getline(lines, line)) {
        for (const std::string& w : lineWords(line)) extra.push_back({w, true});
      }
      queue.insert(queue.begin() + static_cast<long>(i) + 1, extra.begin(), extra.end());
    } else if (word == "--compress") {
      options.compress = true;
    } else if (word == "--no-compress") {
      options.compress = false;
    } else if (word == "--split") {
      options.splitKiB = parseSplitSize(value());
    } else if (word == "--media") {
      std::string answer = value();
      if (answer == "ask") {
        options.media = MediaAnswer::Ask;
      } else if (answer == "cancel") {
        options.media = MediaAnswer::Cancel;
      } else if (answer == "yes" || answer == "no") {
        throw std::invalid_argument(
            "--media " + answer +
            " is no longer offered: an unattended run can neither format nor change a disk, so every media "
            "question ends it (--media cancel); --media ask asks at the terminal");
      } else {
        throw std::invalid_argument("--media wants ask or cancel, not \"" + answer + "\"");
      }
      options.mediaGiven = true;
    } else if (word == "--progress") {
      std::string mode = value();
      if (mode == "line") {
        options.progress = ProgressMode::Line;
      } else if (mode == "log") {
        options.progress = ProgressMode::Log;
      } else if (mode == "none") {
        options.progress = ProgressMode::None;
      } else {
        throw std::invalid_argument("--progress wants line, log or none, not \"" + mode + "\"");
      }
    } else if (word == "--quiet" || word == "-q") {
      options.progress = ProgressMode::None;
    } else if (word.size() > 1 && word[0] == '-') {
      throw std::invalid_argument("unknown option " + word);
    } else {
      positional.push_back(word);
    }
  }
  if (options.splitKiB > 0 && !options.compress) {
    throw std::invalid_argument("--split packs the result; it cannot go with --no-compress");
  }
  if (positional.empty()) throw std::invalid_argument("no command given (list, run or pack)");
  const std::string& command = positional[0];
  if (command == "list" && positional.size() == 1) {
    options.command = Command::List;
  } else if (command == "run" && positional.size() == 2) {
    options.command = Command::Run;
    options.outputFolder = positional[1];
  } else if (command == "pack" && positional.size() == 3) {
    options.command = Command::Pack;
    options.sourceFolder = positional[1];
    options.targetFolder = positional[2];
  } else if (command == "list" || command == "run" || command == "pack") {
    throw std::invalid_argument("wrong number of arguments for " + command);
  } else {
    throw std::invalid_argument("unknown command \"" + command + "\"");
  }
  return options;
}

}  // namespace host
