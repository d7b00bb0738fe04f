#include "Parameters.h"

#include <cstdlib>
#include <stdexcept>

namespace host {

namespace {

bool isNumber(const std::string& text) {
  if (text.empty() || text.size() > 4) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

// "1 "Target LDAP server", 2 "password"" for messages.
std::string numberedNames(const PluginParameters& plugin, const std::vector<size_t>& indexes) {
  std::string text;
  for (size_t index : indexes) {
    if (!text.empty()) text += ", ";
    text += std::to_string(index + 1) + " " + quoted(firstLine(plugin.parameters[index].name));
  }
  return text;
}

std::vector<size_t> allIndexes(const PluginParameters& plugin) {
  std::vector<size_t> indexes;
  for (size_t i = 0; i < plugin.parameters.size(); ++i) indexes.push_back(i);
  return indexes;
}

std::string readFlag(const std::string& typed, const std::string& what) {
  static const char* const on[] = {"1", "yes", "true", "on", "y"};
  static const char* const off[] = {"0", "no", "false", "off", "n"};
  std::string text = trim(typed);
  for (const char* word : on) {
    if (sameText(text, word)) return "1";
  }
  for (const char* word : off) {
    if (sameText(text, word)) return "0";
  }
  throw std::invalid_argument(what + " is a flag: give yes or no (also true/false, on/off, 1/0), not " +
                              quoted(typed));
}

}  // namespace

PluginParameters* findPlugin(std::vector<PluginParameters>& plugins, const std::string& name,
                             LeadByteTest isLeadByte) {
  for (PluginParameters& plugin : plugins) {
    if (sameText(plugin.plugin, trim(name), isLeadByte)) return &plugin;
  }
  return nullptr;
}

size_t findParameter(const PluginParameters& plugin, const std::string& key, LeadByteTest isLeadByte) {
  std::string wanted = trim(key);
  std::vector<size_t> byName, byFirstLine;
  for (size_t i = 0; i < plugin.parameters.size(); ++i) {
    const std::string& name = plugin.parameters[i].name;
    if (sameText(name, wanted, isLeadByte) || sameText(trim(name), wanted, isLeadByte)) byName.push_back(i);
    if (sameText(firstLine(name), wanted, isLeadByte)) byFirstLine.push_back(i);
  }
  const std::vector<size_t>& matches = !byName.empty() ? byName : byFirstLine;
  if (matches.size() == 1) return matches[0];
  std::string where = "plug-in " + quoted(plugin.plugin);
  if (matches.size() > 1) {
    throw std::invalid_argument(quoted(wanted) + " names several parameters of " + where + ": " +
                                numberedNames(plugin, matches) + "; name one by its number");
  }
  if (isNumber(wanted)) {
    unsigned long number = std::stoul(wanted);
    if (number >= 1 && number <= plugin.parameters.size()) return number - 1;
  }
  if (plugin.parameters.empty()) throw std::invalid_argument(where + " has no parameters");
  throw std::invalid_argument("no parameter " + quoted(wanted) + " in " + where + "; its parameters are " +
                              numberedNames(plugin, allIndexes(plugin)) + " (see `NxInfo list`)");
}

std::string fieldValue(int type, const std::string& typed, const std::string& what) {
  if (type == kEntryFlag) return readFlag(typed, what);
  if (type != kEntryHost) return typed;
  std::string joined;
  for (const std::string& target : splitTrimmed(typed, ",\t")) {
    if (!joined.empty()) joined += '\t';
    joined += target;
  }
  return joined;
}

std::string editableValue(int type, const std::string& value) {
  if (type != kEntryHost) return value;
  std::string shown;
  for (const std::string& target : splitTrimmed(value, "\t")) {
    if (!shown.empty()) shown += ", ";
    shown += target;
  }
  return shown;
}

std::vector<std::string> applySettings(std::vector<PluginParameters>& plugins,
                                       const std::vector<ParameterSetting>& settings,
                                       LeadByteTest isLeadByte) {
  std::vector<PluginParameters> result = plugins;
  std::vector<std::string> remarks;
  for (const ParameterSetting& setting : settings) {
    PluginParameters* plugin = findPlugin(result, setting.plugin, isLeadByte);
    if (!plugin) {
      throw std::invalid_argument("no plug-in named " + quoted(setting.plugin) + " (see `NxInfo list`)");
    }
    Parameter& parameter = plugin->parameters[findParameter(*plugin, setting.entry, isLeadByte)];
    std::string what = quoted(plugin->plugin + ":" + firstLine(parameter.name));
    std::string value = fieldValue(parameter.type, setting.value, what);
    if (parameter.type == kEntryHost && parameter.changed && !parameter.value.empty() && !value.empty()) {
      parameter.value += '\t' + value;
    } else {
      parameter.value = value;
    }
    parameter.changed = true;
    if (parameter.type == kEntryPassword && setting.origin == SettingOrigin::CommandLine) {
      remarks.push_back("the password " + what +
                        " was given on the command line, where other programs can read it; "
                        "--ask or --set-env keep it off the command line");
    }
  }
  plugins = result;
  return remarks;
}

const char* typeName(int type) {
  switch (type) {
    case kEntryPassword:
      return "password";
    case kEntryFlag:
      return "flag";
    case kEntryHost:
      return "host list";
    default:
      return "text";
  }
}

std::string shownValue(const Parameter& parameter) {
  if (parameter.type == kEntryPassword) return parameter.value.empty() ? "(empty)" : "(set, not shown)";
  if (parameter.type == kEntryFlag)
    return std::strtol(parameter.value.c_str(), nullptr, 10) != 0 ? "yes" : "no";
  if (parameter.value.empty()) return "(empty)";
  return quoted(editableValue(parameter.type, parameter.value));
}

std::string exampleSetting(const PluginParameters& plugin, size_t index) {
  const Parameter& parameter = plugin.parameters[index];
  std::string target = plugin.plugin + ":" + std::to_string(index + 1);
  switch (parameter.type) {
    case kEntryPassword:
      return "--ask " + quoted(target);
    case kEntryFlag:
      return "--set " + quoted(target + "=yes");
    case kEntryHost:
      return "--set " + quoted(target + "=server1,server2");
    default:
      return "--set " + quoted(target + "=" + (parameter.value.empty() ? "TEXT" : parameter.value));
  }
}

}  // namespace host
