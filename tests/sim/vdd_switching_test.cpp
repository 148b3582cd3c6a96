// The simulated adapter built from a wiring that switches VDD: an unpowered chip, and the
// entry order a 16F62XA on its internal oscillator with MCLR off needs.
#include <gtest/gtest.h>

#include "link/adapters.h"
#include "link/icsp.h"
#include "link/line_driver.h"
#include "sim/sim_adapter.h"

namespace daxwel::sim {
namespace {

struct Bench {
  Bench(SimModel model, std::uint16_t config)
      : wiring(FindAdapterPreset("tait-7407")->wiring),
        sim(model, pacer, 0x378, {}, wiring),
        link(sim, pacer, 0x378, wiring) {
    sim.Memory().config = config;
    sim.Memory().program[0] = 0x1234;
    sim.Memory().program[3] = 0x0ABC;
  }
  std::string ReadProgram() {
    SendCommand(link, latch, cmd::kReadDataProgram);
    BitDelay(link);
    return ReadData(link);
  }
  Wiring wiring;
  VirtualPacer pacer;
  SimAdapter sim;
  Link link;
  std::uint8_t latch = 0;
};

TEST(VddSwitching, EntryOrderDecidesForAPartThatRunsItsOwnProgram) {
  struct Case {
    std::uint16_t config;
    Entry entry;
    bool enters;
  } cases[] = {
      {0x3F58, Entry::kVddFirst, false},  // internal oscillator, MCLRE = 0
      {0x3F58, Entry::kVppFirst, true},
      {0x3F78, Entry::kVddFirst, true},  // MCLRE = 1: held in reset until VPP
      {0x3F78, Entry::kVppFirst, true},
  };
  for (const Case& c : cases) {
    Bench b(SimModel("16F628A"), c.config);
    b.latch = ResetLines(b.link);
    EnterProgramMode(b.link, b.latch, c.entry);
    EXPECT_EQ(b.sim.InProgramMode(), c.enters) << std::hex << c.config;
    EXPECT_EQ(b.ReadProgram(), c.enters ? "01001000110100" : "00000000000000");
    LinesOff(b.link);
    EXPECT_FALSE(b.sim.Powered()) << "VDD off at idle";
    EXPECT_TRUE(b.sim.Violations().empty()) << b.sim.Violations().front();
  }
}

TEST(VddSwitching, AnUnpoweredChipReadsZeroAndForgetsItsAddress) {
  Bench b(SimModel("16F877A"), 0x3F39);
  b.latch = ResetLines(b.link);
  EnterProgramMode(b.link, b.latch);
  for (int i = 0; i < 3; ++i) SendCommand(b.link, b.latch, cmd::kIncrementAddress);
  EXPECT_EQ(b.ReadProgram(), "00101010111100");  // 0x0ABC at address 3

  // VPP stays up while VDD drops: nothing answers.
  b.latch = state::kVpp;
  b.link.WriteLines(b.latch);
  EXPECT_FALSE(b.sim.Powered());
  EXPECT_FALSE(b.sim.InProgramMode());
  EXPECT_EQ(ReadData(b.link), "00000000000000");

  // Powered again (VPP first): the counter starts over at 0.
  LinesOff(b.link);
  b.latch = ResetLines(b.link);
  EnterProgramMode(b.link, b.latch, Entry::kVppFirst);
  EXPECT_EQ(b.ReadProgram(), "01001000110100");
  EXPECT_EQ(b.sim.Memory().program[3], 0x0ABC) << "memories survive the power cycle";
}

}  // namespace
}  // namespace daxwel::sim
