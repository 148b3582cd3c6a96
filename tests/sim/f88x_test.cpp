// The 16F88X/16F6XX/16F91X model: what its programming documents forbid is reported, the
// latch block write, the documented erase that keeps the calibration, and the calibration
// kept across a state file.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "image/hex_writer.h"
#include "sim/sim_session.h"
#include "sim_driver.h"

namespace daxwel::sim {
namespace {

using namespace std::chrono_literals;
using Chip = CommandDriver;

Faults Vpp(int volts) {
  Faults f;
  f.vppVolts = volts;
  return f;
}
Faults Lost(bool lost) {
  Faults f;
  f.lostCalibration = lost;
  return f;
}

constexpr unsigned kBeginProgramming = 0x08;
constexpr unsigned kBulkEraseProgram = 0x09;
constexpr unsigned kBulkEraseData = 0x0B;

// Each case breaks one rule; "" when the sequence is allowed.
TEST(F88xTest, WhatTheDocumentsForbidIsReported) {
  const struct {
    const char* what;
    SimModel model;
    Faults faults;
    std::function<void(Chip&)> run;
    const char* reported;
  } cases[] = {
      {"bulk erase on the 16F887's calibration word",
       SimModel::F887,
       {},
       [](Chip& c) {
         c.ToConfig(9);
         c.Cmd(kBulkEraseProgram, 6ms);
       },
       "calibration word at 0x2009"},
      {"bulk erase on the 16F690's calibration word",
       SimModel::F690,
       {},
       [](Chip& c) {
         c.ToConfig(8);
         c.Cmd(kBulkEraseProgram, 6ms);
       },
       "calibration word at 0x2008"},
      {"bulk erase on the 16F887's second configuration word",
       SimModel::F887,
       {},
       [](Chip& c) {
         c.ToConfig(8);
         c.Cmd(kBulkEraseProgram, 6ms);
       },
       ""},
      {"writing a calibration word",
       SimModel::F917,
       {},
       [](Chip& c) {
         c.ToConfig(9);
         c.Load(0x02, 0x0000);
         c.Cmd(kBeginProgramming, 3ms);
       },
       "no programmer may write it"},
      {"the 16F87XA's End Programming",
       SimModel::F887,
       {},
       [](Chip& c) { c.Cmd(0x17); },
       "unknown command 0x17"},
      {"a programmed word taken for erased (001000 does not erase here)",
       SimModel::F684,
       {},
       [](Chip& c) {
         c.Load(0x02, 0x0000);
         c.Cmd(kBeginProgramming, 3ms);
         c.Load(0x02, 0x1234);
         c.Cmd(kBeginProgramming, 3ms);
       },
       "not erased"},
      {"a clock before the word's 3 ms",
       SimModel::F883,
       {},
       [](Chip& c) {
         c.Load(0x02, 0x0000);
         c.Cmd(kBeginProgramming, 3ms - 2us - 1ns);
         c.Cmd(0x06);
       },
       "into the programming cycle"},
      {"13 V on a 12 V part", SimModel::F916, Vpp(13), [](Chip&) {}, "13 V on MCLR"},
      {"13 V on a 13 V part", SimModel::F690, Vpp(13), [](Chip&) {}, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Chip chip(c.model, c.faults);
    chip.Enter();
    c.run(chip);
    chip.Pause(1ms);
    chip.Leave();
    if (*c.reported == '\0') {
      EXPECT_TRUE(chip.sim.Violations().empty()) << chip.All();
    } else {
      ASSERT_EQ(chip.sim.Violations().size(), 1u) << chip.All();
      EXPECT_NE(chip.All().find(c.reported), std::string::npos) << chip.All();
    }
  }
}

// Four loads and one 001000 write a whole latch block at once, on four-latch and eight-latch
// parts alike; the next block's latches start erased.
TEST(F88xTest, BeginProgrammingWritesTheLatchBlock) {
  for (SimModel m : {SimModel::F882, SimModel::F887}) {
    SCOPED_TRACE(std::string(SimModelName(m)));
    Chip chip(m);
    chip.Enter();
    for (unsigned i = 0; i < 4; ++i) {
      if (i > 0) chip.Inc();
      chip.Load(0x02, 0x100 + i);
    }
    chip.Cmd(kBeginProgramming, 3ms);
    chip.Inc();
    chip.Load(0x02, 0x200);
    chip.Cmd(kBeginProgramming, 3ms);
    chip.Leave();
    const auto& program = chip.sim.Memory().program;
    EXPECT_EQ(program[0], 0x100);
    EXPECT_EQ(program[3], 0x103);
    EXPECT_EQ(program[4], 0x200);
    EXPECT_EQ(program[5], 0x3FFF);
    EXPECT_TRUE(chip.sim.Violations().empty()) << chip.All();
  }
}

// The documents' full erase (bulk erase at 0, again from 0x2000, then the data memory) lifts
// CP and CPD and clears IDs, configuration and data, and keeps every calibration word.
TEST(F88xTest, TheDocumentedEraseKeepsTheCalibration) {
  for (SimModel m : {SimModel::F886, SimModel::F677, SimModel::F913}) {
    SCOPED_TRACE(std::string(SimModelName(m)));
    Chip chip(m);
    ChipMemory& memory = chip.sim.Memory();
    const auto factory = memory.high;
    memory.config = 0x3F34;  // CP and CPD on
    memory.ids = {1, 2, 3, 4};
    memory.program[5] = 0x1234;
    memory.eeprom[1] = 0x12;
    chip.Enter();
    chip.Cmd(kBulkEraseProgram, 6ms);
    chip.ToConfig(0);
    chip.Cmd(kBulkEraseProgram, 6ms);
    chip.Cmd(kBulkEraseData, 6ms);
    chip.Leave();
    EXPECT_EQ(chip.sim.Memory().high, factory);
    EXPECT_EQ(chip.sim.Memory().config & 0x00C0, 0x00C0);
    EXPECT_EQ(chip.sim.Memory().ids[0], 0x3FFF);
    EXPECT_EQ(chip.sim.Memory().program[5], 0x3FFF);
    EXPECT_EQ(chip.sim.Memory().eeprom[1], 0xFF);
    EXPECT_TRUE(chip.sim.Violations().empty()) << chip.All();
  }
}

// A state file keeps the calibration words (at 0x4010/0x4012) and a lost one stays lost.
TEST(F88xTest, StateFilesKeepTheCalibrationWords) {
  for (bool lost : {false, true}) {
    const VirtualPacer pacer;
    SimAdapter chip(SimModel::F917, pacer.GetClock(), 0x378, Lost(lost));
    const auto high = chip.Memory().high;
    EXPECT_EQ(high[0] == 0x3FFF, lost);
    ChipContents contents;
    ASSERT_EQ(ContentsOfText(FormatInhx8m(ContentsOfMemory(chip.Memory()), true), "state", 8192,
                             256, contents),
              "");
    SimAdapter other(SimModel::F917, pacer.GetClock());
    LoadMemory(contents, other.Memory());
    EXPECT_EQ(other.Memory().high, high);
  }
  SimOptions options;
  EXPECT_EQ(ParseSimOptions("16F887", "virtual", {"lost-calibration", "vpp=13"}, options), "");
  EXPECT_EQ(options.faults.vppVolts, 13);
  EXPECT_NE(ParseSimOptions("16F887", "virtual", {"vpp=30"}, options), "");
}

}  // namespace
}  // namespace daxwel::sim
