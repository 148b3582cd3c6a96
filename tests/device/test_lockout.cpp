// Firmware that keeps an adapter which leaves VDD on out of programming mode once written, and
// parts that take less VPP than the adapter gives: nothing the user cannot undo happens
// without being verified or confirmed first.
#include "bench.h"
#include "device/locked_config.h"
#include "device/read_device.h"

namespace daxwel {
namespace {

using sim::SimModel;
using testing::Bench;
using testing::HexBuilder;

// One part of each family that has such a configuration: the internal oscillator with MCLR
// off (and, where the part has one, a second configuration word).
struct Locking {
  SimModel model;
  int config;
  int config2;  // -1: the part has one configuration word
  // Whether the simulated part can be told that configuration writes do not take.
  bool configFailFault;
};
const Locking kLocking[] = {
    {SimModel("12F675"), 0x3FD4, -1, false},   {SimModel("16F628A"), 0x3F54, -1, true},
    {SimModel("16F688"), 0x3FD4, -1, false},   {SimModel("16F818"), 0x3F54, -1, true},
    {SimModel("16F88"), 0x3F54, 0x3FFE, true}, {SimModel("16F887"), 0x2FD4, 0x3EFF, false},
    {SimModel("16F917"), 0x3FD5, -1, false}};

std::string LockingFile(const Bench& b, const Locking& c) {
  HexBuilder h;
  h.Words(0, {0x2805, 0x0123, 0x3456}).Eeprom(0, {0x5A, 0xA5}).Ids({1, 2, 3, 4});
  if (c.config2 < 0) {
    h.Config(c.config);
  } else {
    h.Words(0x2007, {c.config, c.config2});
  }
  return b.dir.Write("locking.hex", h.Text());
}

// The chip holds the whole file, the IDs and configuration words included.
void ExpectHolds(const Bench& b, const Locking& c) {
  const FamilyDescriptor& family = *ModelByIndex(testing::IndexOf(c.model))->family;
  const sim::ChipMemory& m = b.sim.Memory();
  EXPECT_EQ(m.program[0], 0x2805);
  EXPECT_EQ(m.program[1], 0x0123);
  EXPECT_EQ(m.program[2], 0x3456);
  EXPECT_EQ(m.eeprom[0], 0x5A);
  EXPECT_EQ(m.eeprom[1], 0xA5);
  for (std::size_t j = 0; j < 4; ++j) EXPECT_EQ(m.ids[j] & 0x7F, static_cast<int>(j + 1)) << j;
  const std::uint16_t mask = family.configMask & family.WritableBits(0x2007);
  EXPECT_EQ(m.config & mask, c.config & mask);
  if (c.config2 >= 0) {
    EXPECT_EQ(m.high[0] & family.config2Mask, c.config2 & family.config2Mask);
  }
}

// On the default adapter, which keeps VDD on: the configuration word goes last and is read back
// in the same entry, the run ends "ok" with the note, and the chip is indeed out of reach
// afterwards, which verify and detection then explain.
TEST(Lockout, LockingConfigurationIsWrittenLastAndReadBackInTheSameEntry) {
  for (const Locking& c : kLocking) {
    SCOPED_TRACE(std::string(sim::SimModelName(c.model)));
    Bench b(c.model);
    const std::string path = LockingFile(b, c);
    long long entriesAtConfig = -1;
    b.op.onProgress = [&](const std::string& line) {
      if (line == "Programando Configuration Word...")
        entriesAtConfig = b.sim.Stats().programModeEntries;
    };
    ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok") << b.op.LastText();
    EXPECT_EQ(b.op.LastTitle(), "Fin");
    EXPECT_NE(b.op.LastText().find(detail::LockoutNote()), std::string::npos) << b.op.LastText();
    EXPECT_EQ(b.sim.Stats().programModeEntries, entriesAtConfig)
        << "no entry after the configuration write";
    EXPECT_TRUE(b.op.Saw("Verificando Program Memory:  0x0002"));
    EXPECT_TRUE(b.op.Saw("Verificando Data Memory:  0x0001"));
    b.ExpectClean("program");
    ExpectHolds(b, c);

    b.op.onProgress = nullptr;
    EXPECT_NE(VerifyDevice(path, b.link, b.op), "ok");
    EXPECT_NE(b.op.LastText().find("MCLRE = 0"), std::string::npos) << b.op.LastText();
    b.op.model = 0;
    EXPECT_EQ(DetectModel(b.link, b.op), 0);
    EXPECT_EQ(b.op.LastText().rfind("   No fue posible detectar el PIC\r\r", 0), 0u);
    EXPECT_NE(b.op.LastText().find("MCLRE = 0"), std::string::npos) << b.op.LastText();
    b.op.model = testing::IndexOf(c.model);
    EXPECT_EQ(ReadDevice(b.link, b.op, ReadScope::ConfigurationOnly).result, "");
    EXPECT_NE(b.op.LastText().find("MCLRE = 0"), std::string::npos) << b.op.LastText();
    ExpectHolds(b, c);
  }
}

// The read-back is real: a configuration write that does not take ends as an error, and
// MCLR on (or the adapter's VDD switched) takes the ordinary path without the note.
TEST(Lockout, FailedConfigurationWriteIsAnErrorAndOtherConfigurationsGetNoNote) {
  for (const Locking& c : kLocking) {
    SCOPED_TRACE(std::string(sim::SimModelName(c.model)));
    if (c.configFailFault) {
      sim::Faults fail;
      fail.configFail = true;
      Bench failing(c.model, fail);
      EXPECT_EQ(ProgramDevice(LockingFile(failing, c), failing.link, failing.op), "verify-error");
      // The 16F88's second word goes first, before the word that locks the adapter out.
      EXPECT_EQ(failing.op.LastText().find(
                    c.config2 < 0 ? "Error al programar Configuration Word\rDirección 0x2007"
                                  : "Error al programar Configuration Word 2\rDirección 0x2008"),
                0u)
          << failing.op.LastText();
    }

    Bench b(c.model);
    Locking mclrOn = c;
    mclrOn.config |= 0x0020;
    const std::string path = LockingFile(b, mclrOn);
    ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok") << b.op.LastText();
    EXPECT_EQ(b.op.LastText().find("Nota: la configuración grabada"), std::string::npos);
    EXPECT_EQ(VerifyDevice(path, b.link, b.op), "ok") << b.op.LastText();
    b.ExpectClean("mclr on");
  }
}

// A part that takes at most 12 V on an adapter that gives 13: every operation asks before it
// enters, with the model chosen by hand or detected (only the detection's own read comes
// first). Refused, nothing else enters; accepted, it goes on, asked once.
TEST(VppLimit, EveryOperationAsksBeforeEnteringAboveThePartsLimit) {
  enum Op { kProgram, kErase, kRead, kInfo, kVerify, kDetect };
  const char* names[] = {"program", "erase", "read", "info", "verify", "detect"};
  for (Op op : {kProgram, kErase, kRead, kInfo, kVerify, kDetect}) {
    for (bool byHand : {true, false}) {
      for (bool accept : {false, true}) {
        if (op == kDetect && byHand) continue;  // detection names the part itself
        SCOPED_TRACE(std::string(names[op]) + (byHand ? " by hand" : " detected") +
                     (accept ? " accepted" : " refused"));
        sim::Faults f;
        f.vppVolts = 13;
        Bench b(SimModel("16F887"), f);
        b.op.model = byHand ? testing::IndexOf(SimModel("16F887")) : 0;
        int asked = 0;
        b.op.answerFor = [&](const std::string& text) {
          if (text.find("admite como máximo 12 V") == std::string::npos) return true;
          ++asked;
          return accept;
        };
        const std::string path =
            b.dir.Write("p.hex", HexBuilder().Words(0, {0x2805}).Config(0x2FF4).Text());
        std::string result;
        switch (op) {
          case kProgram:
            result = ProgramDevice(path, b.link, b.op);
            break;
          case kErase:
            result = EraseDevice(b.link, b.op);
            break;
          case kRead:
            result = ReadDevice(b.link, b.op).result;
            break;
          case kInfo:
            result = ReadDevice(b.link, b.op, ReadScope::ConfigurationOnly).result;
            break;
          case kVerify:
            result = VerifyDevice(path, b.link, b.op);
            break;
          case kDetect:
            result = DetectModel(b.link, b.op) != 0 ? "ok" : "";
            break;
        }
        EXPECT_EQ(asked, 1);
        const long long detection = byHand ? 0 : 1;
        if (accept) {
          EXPECT_EQ(result, op == kVerify ? "verify-error" : "ok") << b.op.LastText();
          if (op != kDetect) {
            EXPECT_GT(b.sim.Stats().programModeEntries, detection);
          }
        } else {
          EXPECT_EQ(result, "") << b.op.LastText();
          EXPECT_EQ(b.sim.Stats().programModeEntries, detection);
          EXPECT_EQ(b.sim.Violations().size(), static_cast<std::size_t>(detection));
          EXPECT_EQ(b.sim.Memory().program[0], 0x3FFF);
          EXPECT_EQ(b.op.model, byHand ? testing::IndexOf(SimModel("16F887")) : 0);
        }
        EXPECT_EQ(b.sim.DataRegister(), 0);
      }
    }
  }
}

}  // namespace
}  // namespace daxwel
