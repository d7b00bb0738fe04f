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
    "\n"
    "Takes a snapshot of this PC and its printing, network, directory and document-server\n"
    "environment. The categories and plug-ins come from NxInfo.ini beside this program.\n"
    "\n"
    "Commands:\n"
    "  list                 show the categories, their plug-ins (selected: [x]) and the\n"
    "                       parameters each plug-in asks for\n"
    "  run OUTPUT_FOLDER    take the snapshot; with packing on (the default) the folder\n"
    "                       receives NoxResult.exe (or its split parts), otherwise\n"
    "                       NoxInfo.xml with its side files\n"
    "  pack RESULT TARGET   pack a result folder written earlier into TARGET\n"
    "\n"
    "Options:\n"
    "  --only NAME[,NAME..] select exactly these categories or plug-ins, nothing else\n"
    "  --select NAME        select a category (with all its plug-ins) or one plug-in\n"
    "  --deselect NAME      deselect a category or one plug-in\n"
    "                       NAME is a category name or a plug-in name as `list` shows\n"
    "                       them, ignoring case; the options apply in the order given\n"
    "  --set PLUGIN:ENTRY=VALUE\n"
    "                       fill in a plug-in parameter (a target host, a community,\n"
    "                       a user name or password); `list` shows the entry names\n"
    "  --answers FILE       read options from FILE, one per line (e.g. \"--set DNS Plugin:\n"
    "                       Target HostName or IPAddress=printserver\"); '#' comments\n"
    "  --no-compress        write the result folder as it is, without packing\n"
    "  --compress           pack the result (default)\n"
    "  --split KIB          split the packed result into parts of KIB KiB each, for\n"
    "                       removable media; the parts go to the output folder\n"
    "  --media ANSWER       how to answer media questions (insert, format, replace a\n"
    "                       medium): ask (default when the input is a terminal), yes,\n"
    "                       no or cancel (default otherwise)\n"
    "  --quiet              no progress display\n"
    "  --help               this text\n"
    "\n"
    "Exit status: 0 the result was written, 1 cancelled, 2 failed (the error record is\n"
    "printed), 64 the command line was wrong.\n";

namespace {

std::vector<std::string> splitList(const std::string& text) {
  std::vector<std::string> items;
  std::stringstream parts(text);
  std::string item;
  while (std::getline(parts, item, ',')) {
    if (!item.empty()) items.push_back(item);
  }
  return items;
}

std::string trim(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t\r\n");
  if (begin == std::string::npos) return "";
  return text.substr(begin, text.find_last_not_of(" \t\r\n") - begin + 1);
}

// One answers-file line into option words: "--set A:B=C D" keeps the rest whole.
std::vector<std::string> lineWords(const std::string& line) {
  std::string text = trim(line);
  if (text.empty() || text[0] == '#') return {};
  size_t space = text.find_first_of(" \t");
  if (space == std::string::npos) return {text};
  return {text.substr(0, space), trim(text.substr(space + 1))};
}

}  // namespace

ParameterSetting parseSetting(const std::string& text) {
  size_t colon = text.find(':');
  size_t equals = colon == std::string::npos ? std::string::npos : text.find('=', colon);
  if (colon == std::string::npos || equals == std::string::npos || colon == 0 || equals == colon + 1) {
    throw std::invalid_argument("--set wants PLUGIN:ENTRY=VALUE, not \"" + text + "\"");
  }
  return {trim(text.substr(0, colon)), trim(text.substr(colon + 1, equals - colon - 1)),
          text.substr(equals + 1)};
}

Options parseCommandLine(const std::vector<std::string>& words, std::string (*readFile)(const std::string&)) {
  Options options;
  std::vector<std::string> positional;
  std::vector<std::string> queue(words);
  for (size_t i = 0; i < queue.size(); ++i) {
    const std::string& word = queue[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= queue.size()) throw std::invalid_argument(word + " needs a value");
      return queue[++i];
    };
    if (word == "--help" || word == "-h" || word == "/?") {
      options.command = Command::Help;
      return options;
    } else if (word == "--only") {
      for (const std::string& name : splitList(value())) options.only.push_back(name);
    } else if (word == "--select") {
      options.select.push_back(value());
    } else if (word == "--deselect") {
      options.deselect.push_back(value());
    } else if (word == "--set") {
      options.settings.push_back(parseSetting(value()));
    } else if (word == "--answers") {
      std::string path = value();
      if (!readFile) throw std::invalid_argument("--answers is not available here");
      std::stringstream lines(readFile(path));
      std::vector<std::string> extra;
      std::string line;
      while (std::getline(lines, line)) {
        for (const std::string& w : lineWords(line)) extra.push_back(w);
      }
      queue.insert(queue.begin() + static_cast<long>(i) + 1, extra.begin(), extra.end());
    } else if (word == "--compress") {
      options.compress = true;
    } else if (word == "--no-compress") {
      options.compress = false;
    } else if (word == "--split") {
      std::string text = value();
      char* end = nullptr;
      long kib = std::strtol(text.c_str(), &end, 10);
      if (text.empty() || *end != '\0' || kib <= 0 || kib > 2097151) {
        throw std::invalid_argument("--split wants a part size in KiB from 1 to 2097151, not \"" + text +
                                    "\"");
      }
      options.splitKiB = static_cast<int>(kib);
    } else if (word == "--media") {
      std::string answer = value();
      if (answer == "ask") {
        options.media = MediaAnswer::Ask;
      } else if (answer == "yes") {
        options.media = MediaAnswer::Yes;
      } else if (answer == "no") {
        options.media = MediaAnswer::No;
      } else if (answer == "cancel") {
        options.media = MediaAnswer::Cancel;
      } else {
        throw std::invalid_argument("--media wants ask, yes, no or cancel, not \"" + answer + "\"");
      }
    } else if (word == "--quiet" || word == "-q") {
      options.quiet = true;
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
