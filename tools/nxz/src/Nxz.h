#pragma once

#include <iosfwd>

// The whole command line of nxz, for main and for the tests: list, test and
// extract a result archive (.nxz), a self-extracting NoxResult.exe or a split set.
// Returns the process exit code: 0 success, 1 damage or failures, 2 usage or an
// unreadable file.
int runNxz(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
