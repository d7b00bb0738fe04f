#pragma once

#include "nox/PluginModule.h"

namespace dvqlogs {

// "dvqLogsInformation": the log folders and files of the document server
// products and of the server software below them, each as a path the
// serializer carries into the result, then what the three control files
// beside the host program add.
class LogsObservation : public Observation {
 public:
  LogsObservation();
  void observe(Report& report) override;

 private:
  bool wow64_;  // a 32-bit process on 64-bit Windows: values also in the 64-bit view
};

// The root "dvqLogs", without a value of its own.
class DvqLogsRoot : public PluginRootObservation {
 public:
  DvqLogsRoot() { addSubObservation<LogsObservation>(); }
  void observe(Report& report) override { report.setName("dvqLogs"); }
};

}  // namespace dvqlogs
