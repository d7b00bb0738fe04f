#include "Processor.h"

#include <gtest/gtest.h>

#include "PcVocabulary.h"
#include "ReportProbe.h"
#include "Scenario.h"

namespace {

TEST(Processor, IntelNames) {
  struct Row {
    unsigned int signature, brandIndex;
    unsigned int leaf2[4];
    bool mmx;
    const char* expected;
  } rows[] = {
      {0x400, 0, {}, false, "Intel486(TM) DX processor"},
      {0x410, 0, {}, false, "Intel486(TM) DX processor"},
      {0x420, 0, {}, false, "Intel486(TM) SX processor"},
      {0x470, 0, {}, false, "Writeback Enhanced IntelDX2(TM) processor"},
      {0x490, 0, {}, false, "Intel 486 processor"},
      {0x543, 0, {}, true, "Intel Pentium(R) processor with MMX"},
      {0x610, 0, {}, false, "Intel Pentium(R) Pro processor"},
      {0x633, 0, {}, true, "Intel Pentium(R) II processor with MMX"},
      {0x660, 0, {}, false, "Intel Celeron(TM) processor"},
      {0x650,
       0,
       {0x00000001, 0, 0, 0x40},
       false,
       "Intel Celeron(TM) processor"},  // descriptor in EDX's low byte
      {0x650, 0, {0x00440001, 0, 0, 0}, false, "Intel Pentium(R) II Xeon(TM) processor"},
      {0x670, 0, {0x00000001, 0, 0x45000000, 0}, false, "Intel Pentium(R) III Xeon(TM) processor"},
      {0x650,
       0,
       {0x00000040, 0, 0, 0},
       false,
       "Intel Pentium(R) II processor"},  // EAX's low byte is no descriptor
      {0x670, 0, {0x00000001, 0, 0, 0}, false, "Intel Pentium(R) III processor"},
      {0x680, 3, {}, false, "Genuine Intel Pentium(R) III Xeon(TM) processor"},
      {0x680, 3, {}, true, "Genuine Intel Pentium(R) III Xeon(TM) processor with MMX"},
      {0x6B0, 8, {}, false, "Genuine Intel Pentium(R) 4 processor"},
      {0x6B0, 5, {}, false, "Unknown Genuine Intel processor"},
      {0xF29, 8, {}, false, ""},
      {0xF29, 8, {}, true, " with MMX"},
  };
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    pc::ProcessorFacts f;
    f.signature = rows[i].signature;
    f.leaf1[1] = rows[i].brandIndex;
    f.leaf1[3] = rows[i].mmx ? 0x800000 : 0;
    std::copy(rows[i].leaf2, rows[i].leaf2 + 4, f.leaf2);
    EXPECT_EQ(pc::intelProcessorName(f), rows[i].expected) << "row " << i;
  }
}

struct MachineRow {
  const char* scenario;
  const char* vendor;
  const char* name;
  const char* brand;
  long long clock, family, model, stepping, processors;
};

// The recorded clock moves 1 ms per reading, so the counter is read 502 ms apart:
// 3000 MHz measures as 3000 * 502 / 500 = 3012.
TEST(Processor, SectionPerRecordedMachine) {
  const MachineRow rows[] = {
      {"win95", "Intel", "Intel Pentium(R) processor with MMX", "", 200, 5, 4, 3, 1},
      {"xp", "Intel", " with MMX", "              Intel(R) Pentium(R) 4 CPU 3.00GHz", 3012, 15, 2, 9, 2},
      {"w2008r2", "AMD", "", "AMD Opteron(TM) Processor #316", 2610, 15, 4, 2, 4},
  };
  for (const MachineRow& row : rows) {
    ScenarioMachine machine(row.scenario);
    pc::ProcessorFacts facts = pc::detectProcessor(machine.platform());
    facts.clockMHz = pc::measureClockMHz(machine.platform(), facts);
    Report section;
    pc::fillProcessorSection(facts, section);
    EXPECT_EQ(
        probe::childNames(section),
        (std::vector<std::string>{"cpuArchitecture", "cpuVendor", "cpuName", "cpuBrandName", "clockSpeed",
                                  "cpuFamily", "cpuModel", "cpuStepping", "numberOfProcessors"}));
    EXPECT_EQ(probe::text(section, "cpuArchitecture"), "x86") << row.scenario;
    EXPECT_EQ(probe::text(section, "cpuVendor"), row.vendor) << row.scenario;
    EXPECT_EQ(probe::text(section, "cpuName"), row.name) << row.scenario;
    EXPECT_EQ(probe::text(section, "cpuBrandName"), row.brand) << row.scenario;
    EXPECT_EQ(probe::number(section, "clockSpeed"), row.clock) << row.scenario;
    EXPECT_EQ(probe::number(section, "cpuFamily"), row.family) << row.scenario;
    EXPECT_EQ(probe::number(section, "cpuModel"), row.model) << row.scenario;
    EXPECT_EQ(probe::number(section, "cpuStepping"), row.stepping) << row.scenario;
    EXPECT_EQ(probe::number(section, "numberOfProcessors"), row.processors) << row.scenario;
    // The measurement ran at high priority and put the old priority back.
    const std::vector<DWORD>& sets = machine.platform().priorityClassesSet();
    ASSERT_EQ(sets.size(), 2u) << row.scenario;
    EXPECT_EQ(sets[0], static_cast<DWORD>(HIGH_PRIORITY_CLASS));
    EXPECT_EQ(sets[1], static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
  }
}

TEST(Processor, WithoutCpuidOrNotX86) {
  for (const char* text : {"[system]\narchitecture=0\nprocessors=1\n[cpu]\ncpuid=no\n",
                           "[system]\narchitecture=2\nprocessors=1\n[cpu]\ncpuid=yes\nmhz=100\n"}) {
    ScenarioMachine machine = ScenarioMachine::fromText(text);
    pc::ProcessorFacts facts = pc::detectProcessor(machine.platform());
    facts.clockMHz = pc::measureClockMHz(machine.platform(), facts);
    Report section;
    pc::fillProcessorSection(facts, section);
    EXPECT_EQ(probe::text(section, "cpuVendor"), "Unknown") << text;
    EXPECT_EQ(probe::text(section, "cpuName"), "") << text;
    EXPECT_EQ(probe::text(section, "cpuBrandName"), "") << text;
    EXPECT_EQ(probe::number(section, "clockSpeed"), 0) << text;
    EXPECT_EQ(probe::number(section, "cpuFamily"), 0) << text;
    EXPECT_TRUE(machine.platform().priorityClassesSet().empty())
        << "no measurement without a time-stamp counter";
  }
  ScenarioMachine alpha = ScenarioMachine::fromText("[system]\narchitecture=2\n");
  Report section;
  pc::fillProcessorSection(pc::detectProcessor(alpha.platform()), section);
  EXPECT_EQ(probe::text(section, "cpuArchitecture"), "Alpha");
}

TEST(Processor, VendorCodes) {
  const std::pair<const char*, const char*> rows[] = {
      {"GenuineIntel", "Intel"},   {"AuthenticAMD", "AMD"},       {"CyrixInstead", "Cyrix"},
      {"CentaurHauls", "Centaur"}, {"GenuineTMx86", "Transmeta"}, {"HygonGenuine", "Unknown"},
  };
  for (const auto& row : rows)
    EXPECT_STREQ(pc::vendorName(pc::vendorCode(row.first)), row.second) << row.first;
}

}  // namespace
