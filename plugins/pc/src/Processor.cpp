#include "Processor.h"

#include <cstring>

#include "PcVocabulary.h"
#include "nox/ReportLeaves.h"
#include "pchelpers/Win32ApiWrapper.h"

namespace pc {

namespace {
const unsigned int EAX = 0, EBX = 1, ECX = 2, EDX = 3;

bool hasDescriptor(const unsigned int leaf2[4], unsigned char wanted) {
  // Bytes 1 to 3 of EAX (its low byte is the repeat count), then all of EBX, ECX, EDX.
  for (int reg = 0; reg < 4; ++reg) {
    for (int byte = reg == 0 ? 1 : 0; byte < 4; ++byte) {
      if (((leaf2[reg] >> (8 * byte)) & 0xFF) == wanted) return true;
    }
  }
  return false;
}
}  // namespace

std::string intelProcessorName(const ProcessorFacts& f) {
  unsigned int family = (f.signature >> 8) & 0xF;
  unsigned int model = (f.signature >> 4) & 0xF;
  std::string name;
  if (family == 4) {
    switch (model) {
      case 0:
      case 1:
        name = "Intel486(TM) DX processor";
        break;
      case 2:
        name = "Intel486(TM) SX processor";
        break;
      case 3:
        name = "IntelDX2(TM) processor";
        break;
      case 4:
        name = "Intel486(TM) processor";
        break;
      case 5:
        name = "IntelSX2(TM) processor";
        break;
      case 7:
        name = "Writeback Enhanced IntelDX2(TM) processor";
        break;
      case 8:
        name = "IntelDX4(TM) processor";
        break;
      default:
        name = "Intel 486 processor";
    }
  } else if (family == 5) {
    name = "Intel Pentium(R) processor";
  } else if (family == 6) {
    if (model == 1) {
      name = "Intel Pentium(R) Pro processor";
    } else if (model == 3) {
      name = "Intel Pentium(R) II processor";
    } else if (model == 6) {
      name = "Intel Celeron(TM) processor";
    } else if (model == 5 || model == 7) {
      const char* generation = model == 5 ? "II" : "III";
      if (hasDescriptor(f.leaf2, 0x40)) {
        name = "Intel Celeron(TM) processor";
      } else if (hasDescriptor(f.leaf2, 0x44) || hasDescriptor(f.leaf2, 0x45)) {
        name = std::string("Intel Pentium(R) ") + generation + " Xeon(TM) processor";
      } else {
        name = std::string("Intel Pentium(R) ") + generation + " processor";
      }
    } else {
      name = brandIndexName(f.leaf1[EBX] & 0xFF);
    }
  }
  if (f.leaf1[EDX] & 0x800000) name += " with MMX";
  return name;
}

ProcessorFacts detectProcessor(Platform& platform) {
  ProcessorFacts f;
  SYSTEM_INFO info;
  Win32ApiWrapper().GetSystemInfo(&info);
  f.architecture = info.wProcessorArchitecture;
  f.processors = info.dwNumberOfProcessors;
  if (f.architecture != 0) return f;

  f.hasCpuid = platform.cpuidSupported();
  if (!f.hasCpuid) return f;
  unsigned int r[4];
  platform.cpuid(0, r);
  f.maxStandardLeaf = r[EAX];
  char vendor[13] = {};
  std::memcpy(vendor, &r[EBX], 4);
  std::memcpy(vendor + 4, &r[EDX], 4);
  std::memcpy(vendor + 8, &r[ECX], 4);
  f.vendorId = vendor;
  f.vendorCode = vendorCode(f.vendorId);

  platform.cpuid(0x80000000, r);
  f.maxExtendedLeaf = r[EAX];

  platform.cpuid(1, f.leaf1);
  f.signature = f.leaf1[EAX];
  if (f.maxExtendedLeaf >= 0x80000001) {
    // AMD repeats the signature in the extended leaf; Intel leaves it 0 there,
    // which would make every recent Intel processor family 0.
    platform.cpuid(0x80000001, r);
    if (r[EAX] != 0) f.signature = r[EAX];
  }
  if (f.maxExtendedLeaf >= 0x80000004) {
    char brand[49] = {};
    for (unsigned int i = 0; i < 3; ++i) {
      platform.cpuid(0x80000002 + i, r);
      std::memcpy(brand + 16 * i, r, 16);
    }
    f.brand = brand;
  }
  platform.cpuid(2, r);
  if ((r[EAX] & 0xFF) == 1) std::memcpy(f.leaf2, r, sizeof r);
  if (f.vendorCode == 1) f.name = intelProcessorName(f);
  return f;
}

unsigned int measureClockMHz(Platform& platform, const ProcessorFacts& f) {
  if (!f.hasCpuid || !(f.leaf1[EDX] & 0x10)) return 0;
  Win32ApiWrapper api;
  HANDLE self = api.GetCurrentProcess();
  DWORD priority = api.GetPriorityClass(self);
  api.SetPriorityClass(self, HIGH_PRIORITY_CLASS);
  unsigned int result = 0;
  for (int measurement = 0; measurement < 10; ++measurement) {
    DWORD start = api.timeGetTime();
    while (api.timeGetTime() - start < 2) {
    }
    unsigned int first = static_cast<unsigned int>(platform.readTimeStampCounter());
    DWORD from = api.timeGetTime();
    while (api.timeGetTime() - from < 501) {
    }
    unsigned int second = static_cast<unsigned int>(platform.readTimeStampCounter());
    unsigned int speed = (second - first) / 500000u;
    bool settled = measurement > 0 && speed == result;
    result = speed;
    if (settled) break;
  }
  api.SetPriorityClass(self, priority);
  return result;
}

void fillProcessorSection(const ProcessorFacts& f, Report& section) {
  addText(section, "cpuArchitecture", architectureName(f.architecture));
  addText(section, "cpuVendor", vendorName(f.vendorCode));
  addText(section, "cpuName", f.name.c_str());
  addText(section, "cpuBrandName", f.brand.c_str());
  addNumber(section, "clockSpeed", f.clockMHz);
  addNumber(section, "cpuFamily", (f.signature >> 8) & 0xF);
  addNumber(section, "cpuModel", (f.signature >> 4) & 0xF);
  addNumber(section, "cpuStepping", f.signature & 0xF);
  addNumber(section, "numberOfProcessors", f.processors);
}

}  // namespace pc
