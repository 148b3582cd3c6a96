// The 16F87/88/818/819 model: each memory written with the family's own sequence at exactly
// its published minimum (1 ns less fails), every forbidden sequence reported once, the erases
// a protected part obeys, and the 250 us entry window of a part that runs its own code.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "link/adapters.h"
#include "link/icsp.h"
#include "link/line_driver.h"
#include "sim/sim_adapter.h"
#include "sim_driver.h"

namespace daxwel::sim {
namespace {

using namespace std::chrono_literals;
using std::chrono::nanoseconds;

using Chip = CommandDriver;

// End Programming `time` after the Begin just sent (less `shortfall`): 13 us of the command
// frames' own clocks lie between their sixth falling edges.
void EndAfter(Chip& c, nanoseconds time, nanoseconds shortfall) {
  c.Pause(time - 13us - shortfall);
  c.Cmd(0x17);
}

TEST(F81xTest, EachMemoryIsWrittenWithItsOwnSequenceAndMinimumTime) {
  const struct {
    const char* what;
    nanoseconds time;  // 16F88 / 16F819 figure
    std::function<void(Chip&)> begin;
    std::function<bool(const ChipMemory&)> done;
  } cases[] = {
      {"row erase", 1ms,
       [](Chip& c) {
         for (int i = 32; i < 64; ++i) c.sim.Memory().program[static_cast<std::size_t>(i)] = 0;
         c.Inc(40);
         c.Load(0x02, 0x3FFF);
         c.Cmd(0x08);
       },
       [](const ChipMemory& m) { return m.program[32] == 0x3FFF && m.program[63] == 0x3FFF; }},
      {"group of four", 1ms,
       [](Chip& c) {
         c.Inc(4);
         for (unsigned i = 0; i < 4; ++i, i < 4 ? c.Inc() : void()) c.Load(0x02, 0x0100 + i);
         c.Cmd(0x18);
       },
       [](const ChipMemory& m) { return m.program[4] == 0x0100 && m.program[7] == 0x0103; }},
      {"data byte erase", 1ms,
       [](Chip& c) {
         c.sim.Memory().eeprom[2] = 0x00;
         c.Inc(2);
         c.Load(0x03, 0x01);
         c.Cmd(0x08);
       },
       [](const ChipMemory& m) { return m.eeprom[2] == 0xFF; }},
      {"data byte", 1ms,
       [](Chip& c) {
         c.Load(0x03, 0x5A);
         c.Cmd(0x18);
       },
       [](const ChipMemory& m) { return m.eeprom[0] == 0x5A; }},
      {"configuration word, bits set and cleared", 1ms,
       [](Chip& c) {
         c.sim.Memory().config = 0x3F00;
         c.ToConfig(7);
         c.Load(0x02, 0x3FF1);
         c.Cmd(0x18);
       },
       [](const ChipMemory& m) { return m.config == 0x3FF1; }},
      {"ID erase", 1ms,
       [](Chip& c) {
         c.sim.Memory().ids = {0, 0, 0, 0};
         c.ToConfig(0);
         c.Load(0x02, 0x3FFF);
         c.Cmd(0x08);
       },
       [](const ChipMemory& m) { return m.ids[3] == 0x3FFF; }},
      // The row holding the IDs holds the configuration words: they go with it, though not
      // protection that is on.
      {"ID erase with the configuration word", 1ms,
       [](Chip& c) {
         c.sim.Memory().ids[1] = 0x0012;
         c.sim.Memory().config = 0x3F21;
         c.ToConfig(1);
         c.Load(0x02, 0x3FFF);
         c.Cmd(0x08);
       },
       [](const ChipMemory& m) { return m.ids[1] == 0x3FFF && m.config == 0x3FFF; }},
      {"ID erase under code protection", 1ms,
       [](Chip& c) {
         c.sim.Memory().config = 0x1F21;
         c.ToConfig(0);
         c.Load(0x02, 0x3FFF);
         c.Cmd(0x08);
       },
       [](const ChipMemory& m) { return m.config == 0x1FFF; }},
      {"bulk erase from configuration memory", 10ms,
       [](Chip& c) {
         c.sim.Memory().program[9] = 0;
         c.sim.Memory().ids[0] = 0;
         c.sim.Memory().config = 0x3F21;
         c.ToConfig(0);
         c.Cmd(0x09);
         c.Cmd(0x08);
       },
       [](const ChipMemory& m) {
         return m.program[9] == 0x3FFF && m.ids[0] == 0x3FFF && m.config == 0x3F21;
       }},
  };
  for (SimModel model : {SimModel("16F88"), SimModel("16F819")}) {
    for (const auto& c : cases) {
      // The 16F818/819's bulk erase is published as 2 ms.
      const nanoseconds time = model == SimModel("16F819") && c.time == 10ms ? 2ms : c.time;
      for (nanoseconds shortfall : {0ns, 1ns}) {
        const std::string where =
            std::string(SimModelName(model)) + " " + c.what + (shortfall > 0ns ? " short" : "");
        Chip chip(model);
        chip.Enter();
        c.begin(chip);
        EndAfter(chip, time, shortfall);
        chip.Leave();
        EXPECT_EQ(chip.sim.Violations().size(), shortfall > 0ns ? 1u : 0u) << where << chip.All();
        EXPECT_EQ(c.done(chip.sim.Memory()), shortfall == 0ns) << where;
      }
    }
  }
}

TEST(F81xTest, EachForbiddenSequenceIsReportedOnce) {
  const struct {
    const char* expected;
    std::function<void(Chip&)> act;
  } cases[] = {
      // The 16F87XA's word write: 001000 erases here and waits for End Programming.
      {"command 0x04 while the Begin Erase of the row at 0x0000 is open (End Programming 0x17 "
       "first): nothing done (001000 is Begin Erase",
       [](Chip& c) {
         c.Load(0x02, 0x0123);
         c.Cmd(0x08, 10ms);
         c.Read(0x04);
       }},
      {"Begin Programming Only at 0x0001 needs bits to go from 0 to 1 (holds 0x0000, loaded "
       "0x0101)",
       [](Chip& c) {
         c.sim.Memory().program[1] = 0;
         c.Inc();
         c.Load(0x02, 0x0101);
         c.Cmd(0x18, 1ms);
         c.Cmd(0x17);
       }},
      {"programming voltage dropped with the Begin Programming Only of the group at 0x0000 open",
       [](Chip& c) {
         c.Load(0x02, 0x0100);
         c.Cmd(0x18, 2ms);
       }},
      {"Begin Erase at 0x0000 with no Load since entering programming mode",
       [](Chip& c) { c.Cmd(0x08, 1ms); }},
      // Load Configuration's data word is not the configuration word's.
      {"Begin Programming Only at 0x2007 with nothing loaded since the last End Programming",
       [](Chip& c) {
         c.Load(0x00, 0x3F21);
         c.Inc(7);
         c.Cmd(0x18, 1ms);
       }},
      {"Begin Erase at 0x2007: in configuration memory only the IDs",
       [](Chip& c) {
         c.ToConfig(7);
         c.Load(0x02, 0x3FFF);
         c.Cmd(0x08, 1ms);
       }},
      {"End Programming with no Begin Erase or Begin Programming Only open",
       [](Chip& c) { c.Cmd(0x17); }},
      {"unknown command 0x0A for the 16F88", [](Chip& c) { c.Cmd(0x0A); }},
      {"unknown command 0x01 for the 16F88", [](Chip& c) { c.Cmd(0x01); }},
      {"clock raised 9999.999 us into the chip erase cycle",
       [](Chip& c) {
         c.Cmd(0x1F, 10ms - 2us - 1ns);
         c.Inc();
       }},
  };
  for (const auto& c : cases) {
    Chip chip(SimModel("16F88"));
    chip.Enter();
    c.act(chip);
    chip.Leave();
    ASSERT_EQ(chip.sim.Violations().size(), 1u) << c.expected << "\n" << chip.All();
    EXPECT_NE(chip.All().find(c.expected), std::string::npos) << c.expected << "\n" << chip.All();
  }
}

// CP and CPD on: the row and bulk erases change nothing; Chip Erase lifts both, and clears the
// EEPROM and IDs too only from configuration memory. 0x00: Load Configuration.
TEST(F81xTest, OnlyChipEraseLiftsProtection) {
  const struct {
    const char* what;
    std::vector<unsigned> commands;
    bool lifted;
    bool all;
  } cases[] = {{"row erase", {0x08, 0x17}, false, false},
               {"bulk erases", {0x09, 0x08, 0x17, 0x0B, 0x08, 0x17}, false, false},
               {"chip erase from program memory", {0x1F}, true, false},
               {"chip erase from configuration memory", {0x00, 0x1F}, true, true}};
  for (const auto& c : cases) {
    Chip chip(SimModel("16F87"));
    ChipMemory& m = chip.sim.Memory();
    m.program[0] = 0x0123;
    m.eeprom[0] = 0x45;
    m.ids[0] = 0x3FF6;
    m.config = 0x1E21;
    chip.Enter();
    chip.Load(0x02, 0x3FFF);  // selects program memory for the erases
    for (unsigned command : c.commands) command == 0 ? chip.ToConfig(0) : chip.Cmd(command, 10ms);
    chip.Leave();
    chip.Enter();
    EXPECT_EQ(chip.Read(0x04), c.lifted ? 0x3FFFu : 0u) << c.what;
    chip.Leave();
    const ChipMemory& after = chip.sim.Memory();
    EXPECT_EQ(after.eeprom[0] == 0xFF && after.ids[0] == 0x3FFF, c.all) << c.what;
    EXPECT_TRUE(chip.sim.Violations().empty()) << c.what << chip.All();
  }
}

// With MCLR off and the internal oscillator the part runs its code unless VPP reaches it within
// 250 us of VDD; with MCLR on, or another oscillator, it waits in reset for any entry.
TEST(F81xTest, MclrOffAndInternalOscillatorNeedVppWithin250usOfVdd) {
  const struct {
    std::uint16_t config;
    nanoseconds vddToVpp;  // negative: VDD never switched
    bool enters;
  } cases[] = {{0x3F5C, 100us, true},        {0x3F5C, 250us, true}, {0x3F5C, 250us + 1ns, false},
               {0x3F5D, -1ns, false},        {0x3F5C, -1ns, false}, {0x3F7C, -1ns, true},
               {0x3F4D /* XT */, -1ns, true}};
  for (const auto& c : cases) {
    const std::string what =
        std::to_string(c.config) + " after " + std::to_string(c.vddToVpp.count());
    const bool switched = c.vddToVpp >= 0ns;
    const Wiring wiring = FindAdapterPreset(switched ? "tait-7407" : "daxwel")->wiring;
    VirtualPacer pacer;
    SimAdapter sim(SimModel("16F818"), pacer, 0x378, {}, wiring);
    Link link(sim, pacer, 0x378, wiring);
    sim.Memory().config = c.config;
    sim.Memory().program[0] = 0x0042;
    std::uint8_t latch = ResetLines(link);
    if (switched) {
      latch = state::kVdd;
      link.WriteLines(latch);
      pacer.Wait(c.vddToVpp, {});
      latch |= state::kVpp;
      link.WriteLines(latch);
      pacer.Wait(10us, {});
    } else {
      EnterProgramMode(link, latch);
    }
    EXPECT_EQ(sim.InProgramMode(), c.enters) << what;
    SendCommand(link, latch, cmd::kReadDataProgram);
    BitDelay(link);
    EXPECT_EQ(ReadData(link), c.enters ? "00000001000010" : "00000000000000") << what;
    EXPECT_TRUE(sim.Violations().empty()) << what << sim.Violations().front();
  }
}

}  // namespace
}  // namespace daxwel::sim
