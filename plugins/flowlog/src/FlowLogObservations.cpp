#include "FlowLogObservations.h"

#include "LogExport.h"
#include "RouterClient.h"
#include "nox/FileUtil.h"
#include "nox/ReportLeaves.h"

namespace flowlog {

namespace {

void addPath(Report& parent, const char* name, const std::string& path) {
  Report& leaf = addNode(parent, name);
  leaf.setType(IReport::REPORT_PATH);
  leaf.setValue(const_cast<char*>(path.c_str()), static_cast<long>(path.size() + 1));
}

}  // namespace

void LogExportObservation::observe(Report& report) {
  report.setName(kExportsReport);
  const std::string workFolder = getWorkFolder();
  const RouterSettings settings = RouterSettings::read();
  ClientSession client(settings.registryPath);
  for (const LogExport& log : kLogExports) {
    const std::string file = workFolder + "\\" + log.node + ".csv";
    exportLog(settings, log, file);
    addPath(report, log.node, file);
  }
}

void FlowLogRoot::observe(Report& report) { report.setName(kRootReport); }

}  // namespace flowlog
