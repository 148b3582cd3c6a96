// The 12F629/675 and 16F630/676 keep their factory OSCCAL RETLW (0x3FF) and band-gap bits
// (13:12) through everything, and nothing is erased on a chip that does not show them.
#include <string>
#include <vector>

#include "bench.h"
#include "device/calibration_store.h"
#include "device/catalogue.h"
#include "device/read_device.h"
#include "device/session.h"

namespace daxwel {
namespace {

using sim::SimModel;
using testing::Bench;
using testing::HexBuilder;

const SimModel kParts[] = {SimModel("12F629"), SimModel("12F675"), SimModel("16F630"),
                           SimModel("16F676")};

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

sim::Faults Factory(int osccal, int bandGap) {
  sim::Faults f;
  f.osccal = osccal;
  f.bandGap = bandGap;
  return f;
}

std::string ProgramFile(Bench& b) {
  HexBuilder h;
  h.Words(0, {0x2805}).Config(0x31F4);
  return b.dir.Write("p.hex", h.Text());
}

bool Shown(const std::vector<testing::ScriptedOperator::Shown>& asked, const std::string& title,
           const std::string& text) {
  for (const auto& a : asked) {
    if (a.title == title && a.text.find(text) != std::string::npos) return true;
  }
  return false;
}

// What the store knows wins over a band gap that reads erased, and is never overwritten by it;
// a second chip with the same OSCCAL and another band gap gets a record of its own.
TEST(FactoryCalibration, TheStoreNeverLearnsAnErasedBandGap) {
  testing::TempDir store;
  Bench a(SimModel("12F675"), Factory(0x3490, 2));
  a.op.calibrationFolder = store.Path();
  const std::string path = ProgramFile(a);
  ASSERT_EQ(ProgramDevice(path, a.link, a.op), "ok") << a.op.LastText();

  // Another tool wrote the configuration without keeping the band gap: it reads 3.
  a.sim.Memory().config |= 0x3000;
  EXPECT_EQ(VerifyDevice(path, a.link, a.op), "verify-error");
  EXPECT_NE(a.op.LastText().find("el registro guarda para este chip OSCCAL 0x3490, BG 2"),
            std::string::npos)
      << a.op.LastText();
  a.op.answers = {true, false};
  EXPECT_EQ(ProgramDevice(path, a.link, a.op), "");
  EXPECT_TRUE(Shown(a.op.confirmations, "Restaurar calibración", "BG 3"));
  EXPECT_EQ((a.sim.Memory().config >> 12) & 3, 3u) << "refused: nothing written";
  a.op.confirmations.clear();
  ASSERT_EQ(ProgramDevice(path, a.link, a.op), "ok") << a.op.LastText();
  EXPECT_TRUE(Shown(a.op.confirmations, "Restaurar calibración", "BG 3"));
  ExpectFactoryKept(a, "stored value written back");
  for (const CalibrationRecord& r : CalibrationStore(store.Path()).History()) {
    EXPECT_EQ(r.Value("BG"), 2) << "a read 3 is never kept";
  }
  a.ExpectClean();

  Bench b(SimModel("12F675"), Factory(0x3490, 1));
  b.op.calibrationFolder = store.Path();
  b.op.answers = {true, false};
  EXPECT_EQ(ProgramDevice(path, b.link, b.op), "");
  EXPECT_TRUE(Shown(b.op.confirmations, "Confirmar", "otro registro"));
  EXPECT_EQ(CalibrationStore(store.Path()).Candidates(b.sim.DeviceId()).size(), 1u);
  ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok") << b.op.LastText();
  ExpectFactoryKept(b, "twin");
  const auto candidates = CalibrationStore(store.Path()).Candidates(b.sim.DeviceId());
  ASSERT_EQ(candidates.size(), 2u);
  EXPECT_EQ(candidates[0].Describe(), "OSCCAL 0x3490, BG 1");
  EXPECT_EQ(candidates[1].Describe(), "OSCCAL 0x3490, BG 2");
}

// A store that cannot be written is said, and nothing is erased without its record unless the
// user explicitly goes on.
TEST(FactoryCalibration, AStoreThatCannotBeWrittenIsShownAndStopsTheErase) {
  Bench b(SimModel("12F629"), Factory(0x3478, 1));
  b.op.calibrationFolder = b.dir.Write("plain", "x") + "/daxwel";
  b.sim.Memory().program[0] = 0x1234;
  const sim::ChipMemory before = b.sim.Memory();
  b.op.overrideAnswer = false;
  EXPECT_EQ(EraseDevice(b.link, b.op), "");
  ASSERT_FALSE(b.op.warnings.empty());
  EXPECT_NE(b.op.warnings[0].find("no quedó guardada"), std::string::npos) << b.op.warnings[0];
  EXPECT_TRUE(Shown(b.op.overrides, "Aviso", "OSCCAL 0x3478, BG 1"));
  EXPECT_NE(b.op.LastText().find("No se borró ni se escribió nada"), std::string::npos);
  EXPECT_EQ(b.sim.Memory().program, before.program);
  EXPECT_EQ(b.sim.Stats().bulkErases, 0);
  b.op.overrideAnswer = true;
  ASSERT_EQ(EraseDevice(b.link, b.op), "ok") << b.op.LastText();
  ExpectFactoryKept(b, "erased on the user's word");
  b.ExpectClean();
}

// A value by hand never replaces a good one read from the chip without the explicit
// confirmation, and the one read is kept first; a value given alone where another is lost is
// refused with what the store knows.
TEST(FactoryCalibration, HandValuesOnlyOnPurpose) {
  testing::TempDir store;
  Bench b(SimModel("12F675"), Factory(0x3490, 2));
  b.op.calibrationFolder = store.Path();
  const std::string path = ProgramFile(b);
  b.op.factoryValues = {{"OSCCAL", 0x3480}, {"BG", 2}};
  b.op.overrideAnswer = false;
  EXPECT_EQ(ProgramDevice(path, b.link, b.op), "");
  EXPECT_EQ(b.sim.Memory().program.back(), 0x3490);
  EXPECT_EQ(b.sim.Memory().program[0], 0x3FFF);
  const auto kept = CalibrationStore(store.Path()).History();
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_EQ(kept[0].Describe(), "OSCCAL 0x3490, BG 2");
  EXPECT_EQ(kept[0].kind, RecordKind::kRead);
  b.op.overrideAnswer = true;
  ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok") << b.op.LastText();
  EXPECT_EQ(b.sim.Memory().program.back(), 0x3480);
  const auto history = CalibrationStore(store.Path()).History();
  ASSERT_GE(history.size(), 2u);
  EXPECT_EQ(history[1].kind, RecordKind::kByHand);
  EXPECT_EQ(history[1].Describe(), "OSCCAL 0x3480, BG 2");

  sim::Faults lost = Factory(0x3490, 2);
  lost.lostCalibration = true;
  Bench c(SimModel("12F675"), lost);
  c.op.calibrationFolder = store.Path();
  c.op.factoryValues = {{"OSCCAL", 0x3490}};
  EXPECT_EQ(ProgramDevice(path, c.link, c.op), "");
  EXPECT_NE(c.op.LastText().find("Dé también a mano"), std::string::npos) << c.op.LastText();
  EXPECT_NE(c.op.LastText().find("OSCCAL 0x3490, BG 2"), std::string::npos) << c.op.LastText();
  EXPECT_EQ(c.sim.Stats().programCycles, 0);
}

// The catalogue's parts with bits kept from the factory, by name.
std::vector<std::string> FactoryPartNames() {
  std::vector<std::string> names;
  for (const DeviceModel& m : Catalogue()) {
    if (!m.family->preserved.empty()) names.emplace_back(m.modelName);
  }
  return names;
}

// A 0x3FF that is not a RETLW (11 01xx kkkk kkkk) is no factory value: nothing is erased or
// written. The words differ from a RETLW in one opcode bit each, or are erased or zero.
TEST(FactoryCalibration, OnlyARetlwAtTheLastWordIsTheFactorys) {
  struct Case {
    int word;
    bool factory;
  };
  const Case cases[] = {
      {0x3400, true},  {0x37FF, true},  {0x3FFF, false}, {0x2034, false}, {0x0034, false},
      {0x3C80, false}, {0x3080, false}, {0x2480, false}, {0x1480, false}, {0x3880, false},
  };
  for (const std::string& part : FactoryPartNames()) {
    for (const Case& c : cases) {
      SCOPED_TRACE(part + " 0x" + detail::AddressText(c.word));
      Bench b(*sim::ParseSimModel(part), Factory(c.word, 2));
      b.sim.Memory().program[0] = 0x1234;
      const sim::ChipMemory before = b.sim.Memory();
      const std::string program = ProgramDevice(ProgramFile(b), b.link, b.op);
      if (c.factory) {
        EXPECT_EQ(program, "ok") << b.op.LastText();
        EXPECT_EQ(b.sim.Memory().program.back(), c.word);
        continue;
      }
      EXPECT_EQ(program, "");
      EXPECT_NE(b.op.LastText().find("OSCCAL (0x03FF): se leyó"), std::string::npos)
          << b.op.LastText();
      EXPECT_EQ(EraseDevice(b.link, b.op), "");
      EXPECT_EQ(b.sim.Stats().programCycles, 0);
      EXPECT_EQ(b.sim.Memory().program, before.program);
      EXPECT_EQ(b.sim.Memory().config, before.config);
    }
  }
}

// A write-back after the erase that does not take (the configuration word keeps its erased
// band gap; the OSCCAL word is stuck erased under a value given by hand) ends the erase or the
// program as a failure naming the address, the values and the file that keeps them.
TEST(FactoryCalibration, AWriteBackThatDoesNotTakeIsAFailure) {
  struct Case {
    const char* what;
    bool configFail;
    int address;
  };
  const Case cases[] = {{"band gap", true, 0x2007}, {"OSCCAL", false, 0x03FF}};
  for (const std::string& part : FactoryPartNames()) {
    for (const Case& c : cases) {
      for (const bool erase : {true, false}) {
        SCOPED_TRACE(part + " " + c.what + (erase ? " erase" : " program"));
        sim::Faults f = Factory(0x3490, 2);
        f.configFail = c.configFail;
        if (!c.configFail) {
          f.lostCalibration = true;
          f.stuckProgram = {0x3FF};
        }
        Bench b(*sim::ParseSimModel(part), f);
        testing::TempDir store;
        b.op.calibrationFolder = store.Path();
        if (!c.configFail) b.op.factoryValues = {{"OSCCAL", 0x3490}, {"BG", 2}};
        b.sim.Memory().program[0] = 0x1234;  // the program pass has to erase first
        const std::string result =
            erase ? EraseDevice(b.link, b.op) : ProgramDevice(ProgramFile(b), b.link, b.op);
        EXPECT_EQ(result, erase ? "erase-error" : "verify-error");
        const std::string text = b.op.LastText();
        char head[120];
        std::snprintf(head, sizeof head,
                      "Dirección 0x%04X: no se pudo escribir de nuevo la calibración de fábrica "
                      "(OSCCAL 0x3490, BG 2)",
                      static_cast<unsigned>(c.address));
        EXPECT_NE(text.find(head), std::string::npos) << text;
        const CalibrationStore kept(store.Path());
        EXPECT_NE(text.find("Quedó guardada en " + kept.FilePath()), std::string::npos) << text;
        const auto pending = kept.Pending(b.sim.DeviceId());
        EXPECT_EQ(pending ? pending->Describe() : "none", "OSCCAL 0x3490, BG 2");
      }
    }
  }
}

}  // namespace
}  // namespace daxwel
