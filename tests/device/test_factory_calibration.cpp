// The 12F629/675 and 16F630/676 keep their factory OSCCAL RETLW (0x3FF) and band-gap bits
// (13:12) through everything, and nothing is erased on a chip that does not show them.
#include "bench.h"
#include "device/calibration_store.h"
#include "device/read_device.h"

namespace daxwel {
namespace {

using sim::SimModel;
using testing::Bench;
using testing::HexBuilder;

constexpr SimModel kParts[] = {SimModel::F629, SimModel::F675, SimModel::F630, SimModel::F676};

void ExpectFactoryKept(const Bench& b, const char* where) {
  const auto& m = b.sim.Memory();
  ASSERT_TRUE(m.factory.has_value());
  EXPECT_EQ(m.program.back(), m.factory->osccal) << where;
  EXPECT_EQ((m.config >> 12) & 3, m.factory->bandGap) << where;
}

// Ten rounds of program and erase with files that want other values at 0x3FF and in bits
// 13:12: the chip keeps its own, the file's code and configuration are there, and the result
// says the file's 0x3FF was not written.
TEST(FactoryCalibration, TenProgramAndEraseRoundsKeepIt) {
  for (SimModel part : kParts) {
    SCOPED_TRACE(std::string(sim::SimModelName(part)));
    Bench b(part);
    for (int round = 0; round < 10; ++round) {
      HexBuilder h;
      h.Words(0, {0x2805, 0x3000 + round});
      h.Words(0x3FF, {0x3401 + round});
      h.Eeprom(0, {round});
      h.Config(((round & 3) << 12) | 0x01F4);  // INTOSC I/O, MCLRE on, BG from the round
      const std::string path = b.dir.Write("r.hex", h.Text());
      ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok") << round << ": " << b.op.LastText();
      EXPECT_NE(b.op.LastText().find("se conservó el valor de fábrica"), std::string::npos);
      EXPECT_EQ(b.sim.Memory().program[1], 0x3000 + round);
      EXPECT_EQ(b.sim.Memory().config & 0x01FF, 0x01F4);
      EXPECT_EQ(b.sim.Memory().eeprom[0], round);
      ExpectFactoryKept(b, "program");
      EXPECT_EQ(VerifyDevice(path, b.link, b.op), "ok") << b.op.LastText();
      if (round % 2 == 1) {
        ASSERT_EQ(EraseDevice(b.link, b.op), "ok") << b.op.LastText();
        EXPECT_EQ(b.sim.Memory().program[1], 0x3FFF);
        ExpectFactoryKept(b, "erase");
      }
      b.ExpectClean("round");
    }
  }
}

// A chip that does not answer as itself (a refused entry reads garbage) or whose 0x3FF is
// not a RETLW is left exactly as it was, with the reason; a value given by hand restores a
// lost one, and the user's store offers the last good one.
TEST(FactoryCalibration, NothingErasedWithoutItAndRestoredByHand) {
  for (SimModel part : kParts) {
    SCOPED_TRACE(std::string(sim::SimModelName(part)));
    HexBuilder h;
    h.Words(0, {0x2805}).Config(0x01F4);
    {
      sim::Faults refused;
      refused.refusedEntries = 1000;
      Bench b(part, refused);
      b.sim.Memory().program[0] = 0x1234;
      const sim::ChipMemory before = b.sim.Memory();
      EXPECT_NE(ProgramDevice(b.dir.Write("p.hex", h.Text()), b.link, b.op), "ok");
      EXPECT_NE(EraseDevice(b.link, b.op), "ok");
      EXPECT_EQ(b.sim.Memory().program, before.program);
      EXPECT_EQ(b.sim.Memory().config, before.config);
      EXPECT_EQ(b.sim.Memory().eeprom, before.eeprom);
      EXPECT_EQ(b.sim.Stats().programCycles, 0);
    }

    testing::TempDir store;
    Bench good(part);
    good.op.calibrationFolder = store.Path();
    ASSERT_EQ(EraseDevice(good.link, good.op), "ok");
    const sim::Calibration factory = *good.sim.Memory().factory;

    sim::Faults lost;
    lost.lostCalibration = true;
    lost.osccal = factory.osccal;
    lost.bandGap = factory.bandGap;
    Bench b(part, lost);
    b.op.calibrationFolder = store.Path();
    const std::string path = b.dir.Write("p.hex", h.Text());
    EXPECT_EQ(ProgramDevice(path, b.link, b.op), "");
    EXPECT_NE(b.op.LastText().find("se leyó 0x3FFF"), std::string::npos) << b.op.LastText();
    char kept[32];
    std::snprintf(kept, sizeof kept, "OSCCAL 0x%04X, BG %u", unsigned{factory.osccal},
                  unsigned{factory.bandGap});
    EXPECT_NE(b.op.LastText().find(kept), std::string::npos) << b.op.LastText();
    EXPECT_EQ(b.sim.Memory().program[0], 0x3FFF);
    EXPECT_EQ(VerifyDevice(path, b.link, b.op), "verify-error");

    b.op.factoryValues = {{"OSCCAL", factory.osccal}, {"BG", factory.bandGap}};
    b.op.answers = {false};
    EXPECT_EQ(ProgramDevice(path, b.link, b.op), "");
    EXPECT_EQ(b.sim.Memory().program[0], 0x3FFF);
    ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok") << b.op.LastText();
    ExpectFactoryKept(b, "by hand");
    b.op.factoryValues.clear();
    EXPECT_EQ(VerifyDevice(path, b.link, b.op), "ok") << b.op.LastText();
    b.ExpectClean("by hand");
  }
}

}  // namespace
}  // namespace daxwel
