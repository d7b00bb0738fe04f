// Times the PC report of PC.nxo on the machine it runs on: the whole report
// and each of its thirteen sections, once on a freshly initialised module (the
// processor section then measures the clock) and as the best of later reports.
//   pc_report_bench [REPEAT]
// Prints one line per measurement: "<what> first_ms=<ms> best_ms=<ms> mean_ms=<ms>".
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "nox/PluginModule.h"

namespace {

double now(const LARGE_INTEGER& frequency) {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Milliseconds for one createReport; the report is released afterwards.
double timeReport(IObservation& observation, const LARGE_INTEGER& frequency, std::string* name = nullptr) {
  double start = now(frequency);
  IReport& report = observation.createReport();
  double elapsed = now(frequency) - start;
  if (name) *name = report.getName().getData();
  delete static_cast<Report*>(&report);
  return elapsed;
}

struct Module {
  HMODULE handle;
  IObservation* root() {
    return noxPluginExport<NoxGetObservationFunction>(handle, NOX_EXPORT_GET_OBSERVATION)();
  }
  void start() { noxPluginExport<NoxInitializePluginFunction>(handle, NOX_EXPORT_INITIALIZE_PLUGIN)(); }
  void stop() { noxPluginExport<NoxUninitializePluginFunction>(handle, NOX_EXPORT_UNINITIALIZE_PLUGIN)(); }
};

}  // namespace

int main(int argc, char** argv) {
  int repeat = argc > 1 ? std::atoi(argv[1]) : 5;
  if (repeat < 1) repeat = 1;
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  Module pc{LoadLibraryA("PC.nxo")};
  if (!pc.handle) {
    std::fprintf(stderr, "PC.nxo not found beside the program\n");
    return 2;
  }
  try {
    // The whole report: first on a fresh module, then the best of the later ones.
    pc.start();
    double wholeFirst = timeReport(*pc.root(), frequency);
    double wholeBest = -1, wholeSum = 0;
    for (int i = 0; i < repeat; ++i) {
      double t = timeReport(*pc.root(), frequency);
      wholeSum += t;
      if (wholeBest < 0 || t < wholeBest) wholeBest = t;
    }
    pc.stop();

    // Each section alone, again starting from a fresh module.
    pc.start();
    IObservations& sections = pc.root()->getSubObservations();
    std::vector<std::string> names(sections.getCount());
    std::vector<double> first(sections.getCount()), best(sections.getCount(), -1), sum(sections.getCount());
    for (unsigned int s = 0; s < sections.getCount(); ++s) {
      first[s] = timeReport(sections.getItem(s), frequency, &names[s]);
    }
    for (int i = 0; i < repeat; ++i) {
      for (unsigned int s = 0; s < sections.getCount(); ++s) {
        double t = timeReport(sections.getItem(s), frequency);
        sum[s] += t;
        if (best[s] < 0 || t < best[s]) best[s] = t;
      }
    }
    pc.stop();

    std::printf("PC first_ms=%.1f best_ms=%.1f mean_ms=%.1f\n", wholeFirst, wholeBest, wholeSum / repeat);
    for (size_t s = 0; s < names.size(); ++s) {
      std::printf("%s first_ms=%.1f best_ms=%.1f mean_ms=%.1f\n", names[s].c_str(), first[s], best[s],
                  sum[s] / repeat);
    }
  } catch (IException* e) {
    std::fprintf(stderr, "the PC report raised error %u\n", e->getError().getID());
    e->release();
    return 1;
  }
  FreeLibrary(pc.handle);
  return 0;
}
