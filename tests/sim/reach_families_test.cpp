// The 16F627/628, 16F716 and 12F61X models: what their programming documents say breaks a
// chip is reported, and what they allow is not.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "sim_driver.h"

namespace daxwel::sim {
namespace {

using namespace std::chrono_literals;
using Chip = CommandDriver;

constexpr unsigned kBeginProgramming = 0x08;
constexpr unsigned kBulkEraseProgram = 0x09;
constexpr unsigned kEnd61x = 0x0A;
constexpr unsigned kEnd716 = 0x0E;
constexpr unsigned kProgramOnly = 0x18;

Faults Vpp(int volts) {
  Faults f;
  f.vppVolts = volts;
  return f;
}

// Each case breaks one rule; "" when the sequence is allowed.
TEST(ReachFamiliesSim, WhatTheDocumentsForbidIsReported) {
  const struct {
    const char* what;
    SimModel model;
    Faults faults;
    std::function<void(Chip&)> run;
    const char* reported;
  } cases[] = {
      {"12F609 word written and ended",
       SimModel("12F609"),
       {},
       [](Chip& c) {
         c.Load(0x02, 0x1234);
         c.Cmd(kProgramOnly, 3ms);
         c.Cmd(kEnd61x, 100us);
       },
       ""},
      {"12F609 bulk erase from 0x2000",
       SimModel("12F609"),
       {},
       [](Chip& c) {
         c.ToConfig(0);
         c.Cmd(kBulkEraseProgram, 6ms);
       },
       ""},
      {"12F609 bulk erase on the calibration word",
       SimModel("12F609"),
       {},
       [](Chip& c) {
         c.ToConfig(8);
         c.Cmd(kBulkEraseProgram, 6ms);
       },
       "calibration word at 0x2008: it erases it"},
      {"16HV616 write to the calibration word",
       SimModel("16HV616"),
       {},
       [](Chip& c) {
         c.ToConfig(8);
         c.Load(0x02, 0x0000);
         c.Cmd(kProgramOnly, 3ms);
         c.Cmd(kEnd61x, 100us);
       },
       "no programmer may write it"},
      {"12F615 self-timed write",
       SimModel("12F615"),
       {},
       [](Chip& c) {
         c.Load(0x02, 0x0000);
         c.Cmd(kBeginProgramming, 3ms);
       },
       "no self-timed write"},
      {"12F617 missing End Programming",
       SimModel("12F617"),
       {},
       [](Chip& c) {
         c.Load(0x02, 0x0000);
         c.Cmd(kProgramOnly, 3ms);
         c.Cmd(0x06);
       },
       "End Programming 0x0A first"},
      {"16F610 End Programming too soon",
       SimModel("16F610"),
       {},
       [](Chip& c) {
         c.Load(0x02, 0x0000);
         c.Cmd(kProgramOnly, 2900us);
         c.Cmd(kEnd61x, 100us);
       },
       "nothing programmed"},
      {"16F610 write over a programmed word",
       SimModel("16F610"),
       {},
       [](Chip& c) {
         c.Load(0x02, 0x0000);
         c.Cmd(kProgramOnly, 3ms);
         c.Cmd(kEnd61x, 100us);
         c.Load(0x02, 0x1234);
         c.Cmd(kProgramOnly, 3ms);
         c.Cmd(kEnd61x, 100us);
       },
       "not erased"},
      {"12F609 at 14 V", SimModel("12F609"), Vpp(14), [](Chip&) {}, "above the 13 V"},
      {"12F609 at 13 V", SimModel("12F609"), Vpp(13), [](Chip&) {}, ""},
      {"16F716 row ended by 001110",
       SimModel("16F716"),
       {},
       [](Chip& c) {
         for (unsigned i = 0; i < 4; ++i) {
           if (i > 0) c.Inc();
           c.Load(0x02, 0x100 + i);
         }
         c.Cmd(kProgramOnly, 1ms);
         c.Cmd(kEnd716, 100us);
       },
       ""},
      {"16F716 missing End Programming",
       SimModel("16F716"),
       {},
       [](Chip& c) {
         c.Load(0x02, 0x0000);
         c.Cmd(kProgramOnly, 1ms);
         c.Inc();
       },
       "End Programming 0x0E first"},
      {"16F716 self-timed write",
       SimModel("16F716"),
       {},
       [](Chip& c) {
         c.Load(0x02, 0x0000);
         c.Cmd(kBeginProgramming, 2ms);
       },
       "unknown command 0x08"},
      {"16F716 clock right after End Programming",
       SimModel("16F716"),
       {},
       [](Chip& c) {
         c.Load(0x02, 0x0000);
         c.Cmd(kProgramOnly, 1ms);
         c.Cmd(kEnd716);
         c.Cmd(0x06);
       },
       "discharge after End Programming"},
      {"16F716 reserved word written",
       SimModel("16F716"),
       {},
       [](Chip& c) {
         c.Load(0x00, 0x0010);  // the latch of 0x2000 and, after four increments, of 0x2004
         c.Inc(7);
         c.Load(0x02, 0x3FF1);
         c.Cmd(kProgramOnly, 1ms);
         c.Cmd(kEnd716, 100us);
       },
       "reserved word 0x2004"},
      {"16F627 Setup1/Setup2 erase at 0x2007",
       SimModel("16F627"),
       {},
       [](Chip& c) {
         c.Load(0x00, 0x0000);
         c.Inc(7);
         c.Cmd(0x01);
         c.Cmd(0x07);
         c.Cmd(kBeginProgramming, 13ms);
         c.Cmd(0x01);
         c.Cmd(0x07);
       },
       ""},
      {"16F627 Setup1 away from 0x2007",
       SimModel("16F627"),
       {},
       [](Chip& c) {
         c.Cmd(0x01);
         c.Cmd(0x07);
       },
       "the document sends it at 0x2007"},
      {"16F628 program-only over a programmed word",
       SimModel("16F628"),
       {},
       [](Chip& c) {
         c.Load(0x02, 0x0000);
         c.Cmd(kProgramOnly, 8ms);
         c.Load(0x02, 0x1234);
         c.Cmd(kProgramOnly, 8ms);
       },
       "not erased"},
      {"16F628 erase/program over a programmed word",
       SimModel("16F628"),
       {},
       [](Chip& c) {
         c.Load(0x02, 0x0000);
         c.Cmd(kBeginProgramming, 13ms);
         c.Load(0x02, 0x1234);
         c.Cmd(kBeginProgramming, 13ms);
       },
       ""},
      {"16F628 cycle without its own Load",
       SimModel("16F628"),
       {},
       [](Chip& c) {
         c.Load(0x02, 0x0000);
         c.Cmd(kBeginProgramming, 13ms);
         c.Cmd(kBeginProgramming, 13ms);
       },
       "with no Load since the last one"},
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

// What the erases take: the 12F61X's keeps the calibration word from 0x2000 and takes it on
// 0x2008; the 16F627's Setup1/Setup2 erase sets the configuration word's bits again.
TEST(ReachFamiliesSim, ErasesTakeWhatTheDocumentsSay) {
  {
    Chip chip(SimModel("16F616"));
    const std::uint16_t factory = chip.sim.Memory().high[0];
    chip.sim.Memory().program[3] = 0x0000;
    chip.sim.Memory().ids[1] = 0x0000;
    chip.Enter();
    chip.ToConfig(0);
    chip.Cmd(kBulkEraseProgram, 6ms);
    chip.Leave();
    EXPECT_EQ(chip.sim.Memory().program[3], 0x3FFF);
    EXPECT_EQ(chip.sim.Memory().ids[1], 0x3FFF);
    EXPECT_EQ(chip.sim.Memory().high[0], factory);
    chip.Enter();
    chip.ToConfig(8);
    chip.Cmd(kBulkEraseProgram, 6ms);
    chip.Leave();
    EXPECT_EQ(chip.sim.Memory().high[0], 0x3FFF);
  }
  {
    Chip chip(SimModel("16F628"));
    chip.sim.Memory().config = 0x0000;
    chip.sim.Memory().eeprom[3] = 0x12;
    chip.Enter();
    // A bulk erase does nothing on a protected part.
    chip.Load(0x02, 0x3FFF);
    chip.Cmd(kBulkEraseProgram);
    chip.Cmd(kBeginProgramming, 5ms);
    EXPECT_EQ(chip.sim.Memory().config & 0x3DFF, 0x0000);
    chip.Load(0x00, 0x0000);
    chip.Inc(7);
    chip.Cmd(0x01);
    chip.Cmd(0x07);
    chip.Cmd(kBeginProgramming, 13ms);
    chip.Leave();
    EXPECT_EQ(chip.sim.Memory().config & 0x3DFF, 0x3DFF);
    EXPECT_EQ(chip.sim.Memory().eeprom[3], 0xFF);
    EXPECT_TRUE(chip.sim.Violations().empty()) << chip.All();
  }
}

}  // namespace
}  // namespace daxwel::sim
