#pragma once

#include <string>
#include <vector>

#include "Text.h"

// Plug-in parameters as the hosts offer them: the fields of the forms each
// plug-in publishes, named the way a person can type them, and the values
// they receive. Portable: no Windows header; the hosts copy the forms into
// these records and the results back.
namespace host {

// The entry types of the forms (the values of ConfigrationEntryType).
enum EntryType : int {
  kEntryText = 1,
  kEntryPassword = 3,
  kEntryFlag = 4,  // "1" on, "0" off
  kEntryHost = 6,  // one or more targets, joined by TAB characters
  kEntryDefault = 9,
};

enum class SettingOrigin {
  CommandLine,  // --set on the command line itself
  AnswersFile,  // --set in a file named by --answers
  Environment,  // --set-env: the value of an environment variable
  Prompt,       // --ask: typed at the terminal without echo
  Window,       // typed into a field of the windowed host
};

// One parameter setting: PLUGIN:ENTRY=VALUE.
struct ParameterSetting {
  std::string plugin;  // plug-in name, case ignored
  std::string entry;   // whole entry name, its first line, or its number
  std::string value;   // the text as given (for Environment: the variable's name)
  SettingOrigin origin = SettingOrigin::CommandLine;
};

struct Parameter {
  std::string name;  // whole name as the plug-in gives it (it may have several lines)
  int type = kEntryDefault;
  std::string value;  // the plug-in's preset, then what the settings give
  bool changed = false;
};

// The parameters of one plug-in, numbered from 1 in form order, then entry order.
struct PluginParameters {
  std::string plugin;
  std::vector<Parameter> parameters;
};

// The plug-in of that name (case ignored), or null.
PluginParameters* findPlugin(std::vector<PluginParameters>& plugins, const std::string& name,
                             LeadByteTest isLeadByte = nullptr);

// Index of the parameter `key` names: its whole name, else its first line, else
// its number as `list` shows it. Throws std::invalid_argument naming the
// parameters when none matches, or the candidates when several do.
size_t findParameter(const PluginParameters& plugin, const std::string& key,
                     LeadByteTest isLeadByte = nullptr);

// The value a field of that type holds for text a person typed: a host list
// separated by commas (or TABs) becomes TAB-separated; a flag given as
// yes/no/true/false/on/off/1/0 becomes "1" or "0". Throws std::invalid_argument
// for a flag it cannot read, naming `what`.
std::string fieldValue(int type, const std::string& typed, const std::string& what);

// The value of a field as a person edits it: a host list with ", " between targets.
std::string editableValue(int type, const std::string& value);

// Applies the settings in order. A setting for a host list that an earlier
// setting of this run already filled adds its targets to the list; any other
// replaces the value. Returns remarks for the user (a password that came from
// the command line). Throws std::invalid_argument for an unknown plug-in or
// parameter or an unreadable value; the plug-ins are left unchanged then.
std::vector<std::string> applySettings(std::vector<PluginParameters>& plugins,
                                       const std::vector<ParameterSetting>& settings,
                                       LeadByteTest isLeadByte = nullptr);

// For `list`: "text", "host list", "flag", "password".
const char* typeName(int type);
// The value shown for a parameter: passwords are never shown.
std::string shownValue(const Parameter& parameter);
// An option that sets parameter `index` (0-based) of plugin, e.g.
// --set "DNS Plugin:1=server1,server2".
std::string exampleSetting(const PluginParameters& plugin, size_t index);

}  // namespace host
