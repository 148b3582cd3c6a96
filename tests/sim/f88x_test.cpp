// The 16F88X/16F6XX/16F91X model: what its programming documents forbid is reported, and the
// latch block write. The operations' tests and the gpsim round trip cover the erases and the
// state file.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

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

constexpr unsigned kBeginProgramming = 0x08;
constexpr unsigned kBulkEraseProgram = 0x09;

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
       SimModel("16F887"),
       {},
       [](Chip& c) {
         c.ToConfig(9);
         c.Cmd(kBulkEraseProgram, 6ms);
       },
       "calibration word at 0x2009"},
      {"bulk erase on the 16F690's calibration word",
       SimModel("16F690"),
       {},
       [](Chip& c) {
         c.ToConfig(8);
         c.Cmd(kBulkEraseProgram, 6ms);
       },
       "calibration word at 0x2008"},
      {"bulk erase on the 16F887's second configuration word",
       SimModel("16F887"),
       {},
       [](Chip& c) {
         c.ToConfig(8);
         c.Cmd(kBulkEraseProgram, 6ms);
       },
       ""},
      {"writing a calibration word",
       SimModel("16F917"),
       {},
       [](Chip& c) {
         c.ToConfig(9);
         c.Load(0x02, 0x0000);
         c.Cmd(kBeginProgramming, 3ms);
       },
       "no programmer may write it"},
      {"the 16F87XA's End Programming",
       SimModel("16F887"),
       {},
       [](Chip& c) { c.Cmd(0x17); },
       "unknown command 0x17"},
      {"a programmed word taken for erased (001000 does not erase here)",
       SimModel("16F684"),
       {},
       [](Chip& c) {
         c.Load(0x02, 0x0000);
         c.Cmd(kBeginProgramming, 3ms);
         c.Load(0x02, 0x1234);
         c.Cmd(kBeginProgramming, 3ms);
       },
       "not erased"},
      {"a clock before the word's 3 ms",
       SimModel("16F883"),
       {},
       [](Chip& c) {
         c.Load(0x02, 0x0000);
         c.Cmd(kBeginProgramming, 3ms - 2us - 1ns);
         c.Cmd(0x06);
       },
       "into the programming cycle"},
      {"13 V on a 12 V part", SimModel("16F916"), Vpp(13), [](Chip&) {}, "13 V on MCLR"},
      {"13 V on a 13 V part", SimModel("16F690"), Vpp(13), [](Chip&) {}, ""},
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
  for (SimModel m : {SimModel("16F882"), SimModel("16F887")}) {
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

// Row Erase takes its row from PC<11:4>, as the documents print it: on an 8K-word part a row
// of the upper half names the same row of the lower half, which is erased instead.
TEST(F88xTest, RowEraseTakesItsRowFromPc11To4) {
  for (SimModel m : {SimModel("16F887"), SimModel("16F917"), SimModel("16F883")}) {
    Chip c(m);
    auto& program = c.sim.Memory().program;
    const int upper = program.size() > 0x1000 ? 0x1234 : 0x0234;
    program[0x0234] = 0x0001;
    program[static_cast<std::size_t>(upper)] = 0x0002;
    c.Enter();
    c.Inc(upper);
    c.Cmd(0x11, 6ms);
    c.Leave();
    EXPECT_EQ(program[0x0234], 0x3FFF) << SimModelName(m);
    if (upper != 0x0234) {
      EXPECT_EQ(program[static_cast<std::size_t>(upper)], 0x0002);
    }
    EXPECT_TRUE(c.sim.Violations().empty()) << c.All();
  }
}

// On the 16F6XX and 12F683 a data byte's cycle does not erase it: the byte keeps old AND new,
// and a write that needs a bit set is reported. The 16F88X erases the byte first.
TEST(F88xTest, DataByteWritesEraseOnlyWhereTheDocumentSaysSo) {
  for (SimModel m : {SimModel("16F690"), SimModel("12F683"), SimModel("16F887")}) {
    const bool erases = m == SimModel("16F887");
    Chip c(m);
    c.sim.Memory().eeprom[0] = 0x0F;
    c.Enter();
    c.Load(0x03, 0x35);
    c.Cmd(0x08, 6ms);
    c.Leave();
    EXPECT_EQ(c.sim.Memory().eeprom[0], erases ? 0x35 : 0x05) << SimModelName(m);
    EXPECT_EQ(c.sim.Violations().size(), erases ? 0u : 1u) << c.All();
  }
}

}  // namespace
}  // namespace daxwel::sim
