#pragma once

#include <string>

#include "nox/Report.h"

namespace pc {

// The Windows name of the running system, from its version records.
std::string windowsName();

void fillOsVersionSection(Report& section);
void fillMemorySection(Report& section);
void fillEnvironmentSection(Report& section);
void fillDriveSection(Report& section);

}  // namespace pc
