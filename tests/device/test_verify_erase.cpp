#include "bench.h"

namespace daxwel {
namespace {

using sim::SimModel;
using testing::Bench;
using testing::HexBuilder;

HexBuilder WithHole() {
  HexBuilder h;
  h.Words(0, {0x0001, 0x0002, 0x0003, 0x0004});
  h.Words(10, {0x000A, 0x000B});
  h.Eeprom(0, {0x10, 0x20});
  h.Config(0x3F31);
  return h;
}

TEST(Verification, MismatchesInTheHoleAndInDataMemory) {
  Bench b(SimModel("16F877"));
  const std::string path = b.dir.Write("hole.hex", WithHole().Text());
  ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok");

  b.sim.Memory().program[6] = 0x0000;  // inside the hole: must read erased
  b.op.messages.clear();
  EXPECT_EQ(VerifyDevice(path, b.link, b.op), "verify-error");
  ASSERT_EQ(b.op.messages.size(), 1u);
  EXPECT_EQ(b.op.LastTitle(), "Error");
  EXPECT_EQ(b.op.LastText(), "Error al verificar Program Memory\rDirección 0x0006");
  EXPECT_FALSE(b.op.Saw("Verificando Program Memory:  0x0007")) << "stops at the first";
  b.ExpectClean("hole");

  b.sim.Memory().program[6] = 0x3FFF;
  b.sim.Memory().program[12] = 0x0000;  // after the last record: never read
  b.sim.Memory().eeprom[1] = 0x21;
  EXPECT_EQ(VerifyDevice(path, b.link, b.op), "verify-error");
  EXPECT_EQ(b.op.LastText(), "Error al verificar Data Memory\rDirección 0x0001");
  b.ExpectClean("data");

  // The file's configuration word is compared; IDs only where the file has them.
  b.sim.Memory().eeprom[1] = 0x20;
  b.sim.Memory().config = 0x3F3D;
  EXPECT_EQ(VerifyDevice(path, b.link, b.op), "verify-error");
  EXPECT_EQ(b.op.LastText(),
            "Error al verificar Configuration Word\rDirección 0x2007: se leyó 0x3F3D, se "
            "esperaba 0x3F31");
  b.sim.Memory().config = 0x3F31;
  b.sim.Memory().ids[0] = 0x0000;
  EXPECT_EQ(VerifyDevice(path, b.link, b.op), "ok");
  b.ExpectClean("ok");
}

TEST(Verification, FailureRowsAndCancel) {
  Bench b(SimModel("16F84A"));
  HexBuilder big, eeBig;
  big.Words(0x400, {0});
  eeBig.Eeprom(64, {0});
  struct Case {
    std::string text, result, title, message;
  };
  const std::vector<Case> cases{
      {"x\n", "format-error", "Archivo Incorrecto", "Este archivo no es Intel Format\rLínea 1"},
      {big.Text(), "size-error", "Tamaño Inválido",
       "Este programa excede el tamaño\rsoportado por este PIC\rLínea 1: la dirección 0x0400 "
       "excede la Flash Program Memory\r\rSe cancelará la verificación !"},
      {eeBig.Text(), "size-error", "Tamaño Inválido",
       "Este programa excede el tamaño\rsoportado por este PIC\ren la EEPROM Data "
       "Memory\rLínea 1: la dirección 0x0040 excede la EEPROM Data Memory\r\rSe cancelará la "
       "verificación !"},
  };
  for (const Case& c : cases) {
    b.op.messages.clear();
    const std::string path = b.dir.Write("v.hex", c.text);
    EXPECT_EQ(VerifyDevice(path, b.link, b.op), c.result);
    EXPECT_EQ(b.op.LastTitle(), c.title);
    EXPECT_EQ(b.op.LastText(), c.message);
    b.ExpectClean(c.result.c_str());
  }
  EXPECT_EQ(VerifyDevice(b.dir.Path() + "/none.hex", b.link, b.op), "verify_error");
  EXPECT_EQ(b.op.LastTitle(), "Error");
  EXPECT_EQ(b.op.fileFailures, static_cast<int>(cases.size()) + 1);

  // The confirmation comes before the file is read; Cancel sends nothing.
  b.op.messages.clear();
  b.op.confirmations.clear();
  b.op.answers = {false};
  const long long writes = b.sim.Stats().programModeEntries;
  EXPECT_EQ(VerifyDevice(b.dir.Path() + "/none.hex", b.link, b.op), "");
  EXPECT_TRUE(b.op.messages.empty());
  EXPECT_EQ(b.op.confirmations[0].title, "Verificar");
  EXPECT_EQ(b.op.confirmations[0].text,
            "Microcontrolador: PIC 16F84\r\rPrograma: " + b.dir.Path() + "/none.hex");
  EXPECT_EQ(b.sim.Stats().programModeEntries, writes);

  b.sim.Memory().config = 0x3FE1;  // bit 4 only
  const std::string path = b.dir.Write("ok.hex", WithHole().Text());
  EXPECT_EQ(VerifyDevice(path, b.link, b.op), "cp-error");
  EXPECT_EQ(b.op.LastTitle(), "Code Protect activado !!!");
  EXPECT_EQ(b.op.LastText(),
            "              Code Protect (CP) activado !!!!\r"
            "      Imposible continuar con la verificación");
  EXPECT_EQ(b.op.showCount, 0) << "refused before the viewer is shown";
  b.ExpectClean("cp");
}

TEST(Verification, UpperBitsOfDataReadsDoNotMatter) {
  for (int upper : {0, 1}) {
    sim::Faults f;
    f.eeUpper = upper;
    Bench b(SimModel("16F870"), f);
    const std::string path = b.dir.Write("hole.hex", WithHole().Text());
    ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok");
    EXPECT_EQ(VerifyDevice(path, b.link, b.op), "ok") << upper;
    b.ExpectClean();
  }
}

TEST(Verification, LostAdapterIsAFailureNotAMatch) {
  sim::Faults f;
  f.unplugAfter = 800;
  Bench b(SimModel("16F877"), f);
  // An erased chip and a file of erased words: all-ones reads would "match" without the
  // adapter's presence check.
  HexBuilder h;
  h.Words(0, std::vector<int>(32, 0x3FFF));
  const std::string path = b.dir.Write("blank.hex", h.Text());
  EXPECT_EQ(VerifyDevice(path, b.link, b.op), "verify_error");
  EXPECT_EQ(b.op.LastTitle(), "Error");
  EXPECT_EQ(b.op.fileFailures, 0) << "the port's failure, not the file's";
  EXPECT_EQ(b.tap.last, 0);
}

TEST(Erase, EveryModelProgramsErasesAndReadsBlank) {
  for (SimModel m : {SimModel("16F84"), SimModel("16F84A"), SimModel("16F870"), SimModel("16F871"),
                     SimModel("16F872"), SimModel("16F873"), SimModel("16F874"), SimModel("16F876"),
                     SimModel("16F877")}) {
    const std::string name(sim::SimModelName(m));
    Bench b(m);
    const std::string path = b.dir.Write("hole.hex", WithHole().Text());
    b.op.configSource = "fromfile";
    ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok") << name;
    EXPECT_EQ(EraseDevice(b.link, b.op), "ok") << name;
    EXPECT_EQ(b.op.LastTitle(), "Fin");
    EXPECT_EQ(b.op.LastText(), "El PIC ha sido borrado");
    EXPECT_EQ(b.op.confirmations.back().title, "Borrar");
    EXPECT_EQ(b.op.confirmations.back().text,
              "El PIC " + std::string(b.op.model == 1 ? "16F84" : name) +
                  " será completamente borrado\r\r                 ¿ Desea continuar ?");
    EXPECT_EQ(b.op.progress.back(), "Borrando memoria de programa y datos ...");
    const sim::ChipMemory& mem = b.sim.Memory();
    for (std::uint16_t w : mem.program) ASSERT_EQ(w, 0x3FFF) << name;
    for (std::uint8_t e : mem.eeprom) ASSERT_EQ(e, 0xFF) << name;
    EXPECT_EQ(mem.config, 0x3FFF) << name;
    b.ExpectClean(name.c_str());
  }
}

TEST(Erase, CodeProtectedChipBecomesProgrammableAgain) {
  Bench b(SimModel("16F876"));
  const std::string path = b.dir.Write("hole.hex", WithHole().Text());
  ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok");
  b.sim.Memory().config = 0x0F01;  // everything protected, data EEPROM too
  EXPECT_EQ(ProgramDevice(path, b.link, b.op), "cp-error");
  EXPECT_EQ(EraseDevice(b.link, b.op), "ok");
  EXPECT_EQ(b.sim.Memory().config, 0x3FFF);
  EXPECT_EQ(ProgramDevice(path, b.link, b.op), "ok");
  EXPECT_EQ(VerifyDevice(path, b.link, b.op), "ok");
  b.ExpectClean();
}

TEST(Erase, FailureRows) {
  {
    sim::Faults f;
    f.stuckProgram = {5};
    Bench b(SimModel("16F84A"), f);
    b.sim.Memory().program[5] = 0x0000;
    EXPECT_EQ(EraseDevice(b.link, b.op), "erase-error");
    EXPECT_EQ(b.op.LastTitle(), "Error");
    EXPECT_EQ(b.op.LastText(), "Dirección 0x0005 no pudo ser borrada");
    b.ExpectClean("stuck");
  }
  {
    Bench b(SimModel("16F877"));
    b.op.answers = {false};
    EXPECT_EQ(EraseDevice(b.link, b.op), "");
    EXPECT_EQ(b.sim.Stats().portWrites, 0) << "Cancel sends nothing";
    EXPECT_TRUE(b.op.messages.empty());
  }
  {
    sim::Faults f;
    f.unplugAfter = 1000;
    Bench b(SimModel("16F877"), f);
    EXPECT_EQ(EraseDevice(b.link, b.op), "erase_error");
    EXPECT_EQ(b.op.LastTitle(), "Error");
    EXPECT_EQ(b.tap.last, 0);
    EXPECT_FALSE(b.op.progressVisible);
  }
}

TEST(Erase, BlankCheckCoversTheWholeModel) {
  Bench small(SimModel("16F84A"));
  ASSERT_EQ(EraseDevice(small.link, small.op), "ok");
  const long long reads84 = small.sim.Stats().portReads;
  Bench big(SimModel("16F877"));
  ASSERT_EQ(EraseDevice(big.link, big.op), "ok");
  // Program and data memory; on the 16F84 row the IDs, the configuration word and the device
  // ID (a data line nothing drives), then the device ID again for the cycle times.
  EXPECT_EQ(reads84, (1024 + 64) * 14 + 6 * 14 + 14);
  EXPECT_EQ(big.sim.Stats().portReads, (8192 + 256) * 14 + 14) << "and the device ID: by hand";
}

TEST(Erase, StopsDuringItsBlankCheck) {
  // "Salir" or Ctrl-C once the chip is erased and the blank check reads it back.
  Bench b(SimModel("16F877"));
  b.op.onYield = [&b] {
    if (b.sim.Stats().portReads > 5000) b.op.abandon = true;
  };
  EXPECT_EQ(EraseDevice(b.link, b.op), "abandoned");
  EXPECT_LT(b.sim.Stats().portReads, 20000) << "stopped half-way";
  for (const auto& m : b.op.messages) EXPECT_NE(m.text, "El PIC ha sido borrado");
  b.ExpectClean("abandoned");
}

}  // namespace
}  // namespace daxwel
