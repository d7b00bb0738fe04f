#pragma once

#include <string>

#include "nox/Report.h"
#include "pchelpers/Platform.h"

namespace pc {

// What the processor says about itself; gathered once per observation.
struct ProcessorFacts {
  unsigned int architecture = 0;
  unsigned int processors = 0;
  unsigned int clockMHz = 0;
  bool hasCpuid = false;
  unsigned int maxStandardLeaf = 0;
  unsigned int maxExtendedLeaf = 0;
  std::string vendorId;
  int vendorCode = 0;
  unsigned int leaf1[4] = {};  // EAX EBX ECX EDX
  unsigned int leaf2[4] = {};
  unsigned int signature = 0;
  std::string brand;
  std::string name;
};

ProcessorFacts detectProcessor(Platform& platform);

// The Intel name from family, model, brand index and the cache descriptors;
// empty for other vendors and unknown families. " with MMX" follows when set.
std::string intelProcessorName(const ProcessorFacts& facts);

// Measures the time-stamp counter against the millisecond clock at raised
// priority; 0 without CPUID or a time-stamp counter.
unsigned int measureClockMHz(Platform& platform, const ProcessorFacts& facts);

void fillProcessorSection(const ProcessorFacts& facts, Report& section);

}  // namespace pc
