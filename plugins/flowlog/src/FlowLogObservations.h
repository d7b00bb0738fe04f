#pragma once

#include "nox/PluginModule.h"

namespace flowlog {

// The sub-observation: its report "flowLogsInformation" holds one path node
// per log kind, naming the CSV file of the work folder the log went into. The
// node is there whether or not the export produced the file.
class LogExportObservation : public Observation {
 public:
  void observe(Report& report) override;
};

// The root "flowLogs".
class FlowLogRoot : public PluginRootObservation {
 public:
  FlowLogRoot() { addSubObservation<LogExportObservation>(); }
  void observe(Report& report) override;
};

}  // namespace flowlog
