#pragma once

// One run of FlowLog: the router's logs into CSV files of the work folder.

#include <string>
#include <vector>

#include "FlowLogText.h"
#include "FlowLogVocabulary.h"

namespace flowlog {

// Where the router keeps its settings, and what they say.
struct RouterSettings {
  std::string folder;  // the settings folder, without a trailing backslash
  std::string registryPath;
  std::string host;
  int port = 0;
  unsigned int codePage = 0;  // of the database texts
  TimeZone timeZone;          // of this machine, for DATE values

  // Reads the folder from Pellard, the connection from qvdlog4s.cnf and this
  // machine's time zone.
  static RouterSettings read();
  // The columns of `table` in QvdLog.ldf; empty when FIELDCOUNT is below 1.
  // A definition that is missing or empty names no column and is left out.
  std::vector<Column> columns(const std::string& table) const;
};

// Exports one log kind into `file`. Failures (running out of memory too) end
// only this export: they leave the file empty or absent and are logged.
void exportLog(const RouterSettings& settings, const LogExport& log, const std::string& file);

// The CSV text of one value as the router stores it: converted from UTF-16
// with the router's code page, then read by the column's type.
std::string csvValue(const RouterSettings& settings, const Column& column, const std::wstring& text);

}  // namespace flowlog
