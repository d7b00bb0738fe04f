#pragma once

// Runs the verlist program built beside the test and captures its output.

#include <string>
#include <vector>

namespace verlist_test {

struct RunResult {
  int exitCode = -1;
  std::string out;
};

// verlist with exactly these arguments, started in `workingFolder` (the test's
// own when empty). Standard error is discarded: Wine writes its own notes
// there.
RunResult runVerlist(const std::vector<std::string>& arguments, const std::string& workingFolder = "");

// verlist whose standard output is `readablePath` opened for reading only, so
// that every write to it fails. Returns the exit status.
int runVerlistWithUnwritableOutput(const std::vector<std::string>& arguments,
                                   const std::string& readablePath);

#ifdef _WIN32
// verlist started with a command line written by hand, `tail` following the
// program name.
RunResult runVerlistCommandLine(const std::string& tail);

// Any command line, the program found by the system's search rules.
RunResult runCommandLine(const std::string& commandLine, const std::string& workingFolder);
#endif

// The folder holding the test program (and verlist beside it).
std::string programFolder();

}  // namespace verlist_test
