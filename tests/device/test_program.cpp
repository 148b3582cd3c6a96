#include <algorithm>

#include "bench.h"
#include "device/catalogue.h"
#include "image/hex_image.h"

namespace daxwel {
namespace {

using sim::SimModel;
using testing::Bench;
using testing::HexBuilder;

constexpr const char* kSummary3F31 =
    "Code Protected: OFF\rFlash Program Memory Write: Enable\rEE Data Memory: Unprotected\r"
    "Low Voltage Programming: Disabled\rBrown-Out Reset: Disabled\rPower Up Timer: Enable\r"
    "Wachdog Timer: Disable\rOscilator: XT\r";

HexBuilder SmallProgram() {
  HexBuilder h;
  h.Words(0, {0x2805, 0x0000, 0x3FFF, 0x1683, 0x0186, 0x1283, 0x0A86, 0x2806});
  h.Eeprom(0, {0x41, 0x42, 0x00, 0xFF, 0x7E});
  h.Ids({0x0005, 0x1234});
  h.Config(0x3F31);
  return h;
}

TEST(Programming, BlankChipThenVerifyThenSecondRunRewritesOnlyIdsAndConfig) {
  Bench b(SimModel("16F877"));
  const std::string path = b.dir.Write("small.hex", SmallProgram().Text());

  EXPECT_EQ(ProgramDevice(path, b.link, b.op), "ok");
  b.ExpectClean("program");
  ASSERT_EQ(b.op.confirmations.size(), 1u);
  EXPECT_EQ(b.op.confirmations[0].title, "Confirmar");
  EXPECT_EQ(b.op.confirmations[0].text,
            "Microcontrolador: PIC 16F877\r\rPrograma: " + path +
                "\r\r          **** Configuración ****\rTipo: Desde Archivo\r" + kSummary3F31);
  EXPECT_EQ(b.op.LastTitle(), "Fin");
  EXPECT_EQ(b.op.LastText(), "Programación finalizada");
  EXPECT_TRUE(b.op.Saw("Programando Program Memory:  0x0007"));
  EXPECT_FALSE(b.op.Saw("Programando Program Memory:  0x0008"));
  EXPECT_TRUE(b.op.Saw("Programando Data Memory:  0x0004"));
  EXPECT_EQ(b.op.progress.back(), "Programando Configuration Word...");

  const sim::ChipMemory& m = b.sim.Memory();
  const std::vector<int> words{0x2805, 0x0000, 0x3FFF, 0x1683, 0x0186, 0x1283, 0x0A86, 0x2806};
  for (std::size_t a = 0; a < words.size(); ++a) EXPECT_EQ(m.program[a], words[a]) << a;
  EXPECT_EQ(m.program[8], 0x3FFF);
  const std::vector<int> bytes{0x41, 0x42, 0x00, 0xFF, 0x7E};
  for (std::size_t i = 0; i < bytes.size(); ++i) EXPECT_EQ(m.eeprom[i], bytes[i]) << i;
  EXPECT_EQ(m.ids[0], 0x3F85) << "only the low four bits of an ID word are programmed";
  EXPECT_EQ(m.ids[1], 0x3F84);
  EXPECT_EQ(m.ids[2], 0x3F80) << "an ID absent from the file is programmed as 0x3F80";
  EXPECT_EQ(m.ids[3], 0x3F80);
  EXPECT_EQ(m.config, 0x3F31);

  b.op.messages.clear();
  EXPECT_EQ(VerifyDevice(path, b.link, b.op), "ok");
  EXPECT_EQ(b.op.LastTitle(), "Fin");
  EXPECT_EQ(b.op.LastText(), "** PIC Verificado OK **");
  b.ExpectClean("verify");

  b.sim.ResetStats();
  EXPECT_EQ(ProgramDevice(path, b.link, b.op), "ok");
  EXPECT_EQ(b.sim.Stats().programWrites, 0);
  EXPECT_EQ(b.sim.Stats().eepromWrites, 0);
  EXPECT_EQ(b.sim.Stats().configWrites, 5) << "four IDs and the configuration word";
  b.ExpectClean("second run");
}

// Records at odd byte addresses, and IDs and a configuration word with bits 15:14 set as
// toolchains write them, land on the chip as the words they describe; the notes reach the user.
TEST(Programming, ToolchainLayoutsLandAsTheirWords) {
  Bench b(SimModel("16F84A"));
  HexBuilder h;
  h.Raw(":0100000005FA").Raw(":03000100280628A6").Raw(":020004000728CB");
  h.Record(0x4201, 0x00, {0x00, 0x41});
  h.Record(0x400E, 0x00, {0xF1, 0xFF});
  h.Record(0x4000, 0x00, {0x05, 0xFF});
  const std::string path = b.dir.Write("xc8.hex", h.Text());
  const std::string notes =
      "\r\rNota: Línea 5: la Configuration Word 0x2007 trae 0xFFF1, se toma como 0x3FF1 (14 "
      "bits)\r\rNota: Línea 6: la ID Location 0x2000 trae 0xFF05, se toma como 0x3F05 (14 bits)";

  EXPECT_EQ(ProgramDevice(path, b.link, b.op), "ok");
  EXPECT_EQ(b.op.LastText(), "Programación finalizada" + notes);
  b.ExpectClean("program");
  const sim::ChipMemory& m = b.sim.Memory();
  EXPECT_EQ(m.program[0], 0x2805);
  EXPECT_EQ(m.program[1], 0x2806);
  EXPECT_EQ(m.program[2], 0x2807);
  EXPECT_EQ(m.program[3], 0x3FFF);
  EXPECT_EQ(m.eeprom[0], 0xFF);
  EXPECT_EQ(m.eeprom[1], 0x41);
  EXPECT_EQ(m.config, 0x3FF1);
  EXPECT_EQ(m.ids[0], 0x3F85);

  b.op.messages.clear();
  EXPECT_EQ(VerifyDevice(path, b.link, b.op), "ok");
  EXPECT_EQ(b.op.LastText(), "** PIC Verificado OK **" + notes);
  b.ExpectClean("verify");
}

TEST(Programming, ManualConfigurationAndEepromOnlyFile) {
  Bench b(SimModel("16F84A"));
  b.sim.Memory().program[0] = 0x1234;
  HexBuilder h;
  h.Eeprom(0, {0x41});
  const std::string path = b.dir.Write("ee.hex", h.Text());
  b.op.configSource = "11111111110001";  // the 16F84 dialog's defaults

  EXPECT_EQ(ProgramDevice(path, b.link, b.op), "ok");
  b.ExpectClean();
  EXPECT_EQ(b.op.confirmations[0].text,
            "Microcontrolador: PIC 16F84\r\rPrograma: " + path +
                "\r\r          **** Configuración ****\rTipo: Manual\r"
                "Code Protected: OFF\rPower Up Timer: Enable\rWachdog Timer: Disable\r"
                "Oscilator: XT\r");
  EXPECT_EQ(b.sim.Memory().program[0], 0x3FFF) << "address 0 is visited even without code";
  EXPECT_EQ(b.sim.Memory().eeprom[0], 0x41);
  EXPECT_EQ(b.sim.Memory().config, 0x3FF1);
  EXPECT_TRUE(b.op.Saw("Programando Program Memory:  0x0000"));
  EXPECT_TRUE(b.op.Saw("Programando Data Memory:  0x0000"));
}

// Each cycle waits its own worst case. The 16F87X write a word that reads erased with the
// programming-only cycle (4 ms, no erase), any other with erase and program (8 ms); a part
// that shows the 16F84A ID gets the 16F84A's times, one without it the 16F84's 20 ms.
TEST(Programming, EachCycleWaitsItsOwnWorstCase) {
  using std::chrono::milliseconds;
  const struct {
    SimModel model;
    int programOnly;  // of the three differing program words
    milliseconds programOnlyTime, eraseProgramTime, bulkEraseTime;
  } cases[] = {
      {SimModel("16F877"), 2, milliseconds(4), milliseconds(8), milliseconds(8)},
      {SimModel("16F870"), 2, milliseconds(4), milliseconds(8), milliseconds(8)},
      {SimModel("16F84A"), 0, milliseconds(8), milliseconds(8), milliseconds(10)},
      {SimModel("16F84"), 0, milliseconds(20), milliseconds(20), milliseconds(20)},
  };
  HexBuilder h;
  h.Words(0, {0x2805, 0x3000, 0x1683});
  h.Eeprom(0, {0x41, 0x42});
  h.Config(0x3FF1);
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(sim::SimModelName(c.model)));
    Bench b(c.model);
    // Not erased: programming only would leave 0x0F0F AND 0x3000 = 0 there.
    b.sim.Memory().program[1] = 0x0F0F;
    const std::string path = b.dir.Write("p.hex", h.Text());
    ASSERT_EQ(ProgramDevice(path, b.link, b.op), "ok");
    b.ExpectClean("program");
    EXPECT_EQ(b.sim.Stats().programOnlyCycles, c.programOnly);
    // Three program words, then two EEPROM bytes, four IDs and the configuration word.
    EXPECT_EQ(b.pacer.WaitedTotal(),
              c.programOnly * c.programOnlyTime + (3 - c.programOnly + 7) * c.eraseProgramTime);
    EXPECT_EQ(VerifyDevice(path, b.link, b.op), "ok");

    const auto before = b.pacer.WaitedTotal();
    ASSERT_EQ(EraseDevice(b.link, b.op), "ok");
    b.ExpectClean("erase");
    EXPECT_EQ(b.pacer.WaitedTotal() - before, 3 * c.bulkEraseTime);
  }
}

TEST(Programming, FileAndConfigurationFailuresTouchNothing) {
  struct Case {
    const char* name;
    SimModel model;
    std::string text;
    std::string configSource;
    std::string result;
    std::string title;
    std::string message;  // empty: only the title is checked
  };
  HexBuilder tooBig, eeTooBig, noConfig, badSum;
  tooBig.Words(0x3FF, {0x0000, 0x0001});
  eeTooBig.Eeprom(63, {1, 2});
  noConfig.Words(0, {0x0000});
  badSum.Raw(":02000000FF3FC1");
  const std::vector<Case> cases{
      {"format", SimModel("16F877"), "hello\n:00000001FF\n", "fromfile", "format-error",
       "Archivo Incorrecto", "Este archivo no es Intel Format\rLínea 1"},
      {"program size", SimModel("16F84A"), tooBig.Text(), "fromfile", "size-error",
       "Tamaño Inválido",
       "Este programa excede el tamaño\rsoportado por este PIC\ren la Flash Program "
       "Memory\rLínea 1: la dirección 0x0400 excede la Flash Program Memory\r\rSe cancelará "
       "la programación !"},
      {"eeprom size", SimModel("16F84A"), eeTooBig.Text(), "fromfile", "size-error",
       "Tamaño Inválido",
       "Este programa excede el tamaño\rsoportado por este PIC\ren la EEPROM Data "
       "Memory\rLínea 1: la dirección 0x0040 excede la EEPROM Data Memory\r\rSe cancelará "
       "la programación !"},
      {"config", SimModel("16F877"), noConfig.Text(), "fromfile", "config-error",
       "Configuración Inválida",
       "No pudo leerse la configuración\rdesde el archivo\r\rDeberá configurarlo "
       "manualmente\r\rSe cancelará la programación !!!"},
      {"checksum", SimModel("16F877"), badSum.Text(), "fromfile", "program_error", "Error", ""},
  };
  for (const Case& c : cases) {
    Bench b(c.model);
    const std::string path = b.dir.Write("f.hex", c.text);
    b.op.configSource = c.configSource;
    EXPECT_EQ(ProgramDevice(path, b.link, b.op), c.result) << c.name;
    ASSERT_EQ(b.op.messages.size(), 1u) << c.name;
    EXPECT_EQ(b.op.LastTitle(), c.title) << c.name;
    if (!c.message.empty()) {
      EXPECT_EQ(b.op.LastText(), c.message) << c.name;
    }
    EXPECT_TRUE(b.op.confirmations.empty()) << c.name;
    EXPECT_EQ(b.sim.Stats().programModeEntries, 0) << c.name;
    // The host learns which ends are the file's: all but the configuration's.
    EXPECT_EQ(b.op.fileFailures, c.result == "config-error" ? 0 : 1) << c.name;
    b.ExpectClean(c.name);
  }

  Bench b(SimModel("16F877"));
  EXPECT_EQ(ProgramDevice(b.dir.Path() + "/missing.hex", b.link, b.op), "program_error");
  EXPECT_EQ(b.op.LastTitle(), "Error");
  EXPECT_FALSE(b.op.LastText().empty());
  EXPECT_EQ(b.op.fileFailures, 1);
  b.ExpectClean("missing file");
}

TEST(Programming, CancelAtConfirmationSendsNothing) {
  Bench b(SimModel("16F877"));
  const std::string path = b.dir.Write("small.hex", SmallProgram().Text());
  b.op.answers = {false};
  EXPECT_EQ(ProgramDevice(path, b.link, b.op), "");
  EXPECT_TRUE(b.op.messages.empty());
  EXPECT_EQ(b.sim.Stats().programModeEntries, 0);
  EXPECT_EQ(b.sim.Memory().program[0], 0x3FFF);
  b.ExpectClean();
}

TEST(Programming, CodeProtectedChipsAreRefusedOrStopAtTheProtectedRange) {
  {
    Bench b(SimModel("16F84A"));
    b.sim.Memory().config = 0x000F;  // every CP bit on
    const std::string path = b.dir.Write("small.hex", SmallProgram().Text());
    b.op.configSource = "11111111110001";
    EXPECT_EQ(ProgramDevice(path, b.link, b.op), "cp-error");
    EXPECT_EQ(b.op.LastTitle(), "Code Protect activado !!!");
    EXPECT_EQ(b.op.LastText(),
              "              Code Protect (CP) activado !!!!\r"
              "      Imposible continuar con la programación\r\r"
              "Para eliminar el CP primero efectuar un BORRADO");
    EXPECT_EQ(b.sim.Stats().programWrites, 0);
    b.ExpectClean("whole");
  }
  {
    // 16F876 protected from 1000h to 1FFFh: bit 4 is 1, so the test passes and the first
    // protected word fails to read back.
    Bench b(SimModel("16F876"));
    b.sim.Memory().config = 0x1F31 & ~0x0020;
    HexBuilder h;
    h.Words(0x0FFE, {0x0001, 0x0002, 0x0003});
    h.Config(0x3F31);
    const std::string path = b.dir.Write("upper.hex", h.Text());
    EXPECT_EQ(ProgramDevice(path, b.link, b.op), "verify-error");
    EXPECT_EQ(b.op.LastTitle(), "Error");
    EXPECT_EQ(b.op.LastText(), "Error al programar Program Memory\rDirección 0x1000");
    EXPECT_EQ(b.sim.Memory().program[0x0FFF], 0x0002) << "words below the range were written";
    b.ExpectClean("partial");
  }
}

TEST(Programming, StuckWordsAndALostAdapterEndTheRun) {
  {
    sim::Faults f;
    f.stuckProgram = {0x1A3};
    Bench b(SimModel("16F877"), f);
    HexBuilder h;
    std::vector<int> words(0x1A8, 0x0123);
    h.Words(0, words);
    h.Config(0x3F31);
    const std::string path = b.dir.Write("p.hex", h.Text());
    EXPECT_EQ(ProgramDevice(path, b.link, b.op), "verify-error");
    EXPECT_EQ(b.op.LastText(), "Error al programar Program Memory\rDirección 0x01A3");
    EXPECT_EQ(b.sim.Memory().program[0x1A4], 0x3FFF) << "nothing after the failure is written";
    EXPECT_EQ(b.sim.Memory().config, 0x3FFF);
    b.ExpectClean("stuck word");
  }
  {
    sim::Faults f;
    f.stuckEeprom = {0};
    Bench b(SimModel("16F877"), f);
    const std::string path = b.dir.Write("small.hex", SmallProgram().Text());
    EXPECT_EQ(ProgramDevice(path, b.link, b.op), "verify-error");
    EXPECT_EQ(b.op.LastTitle(), "Error");
    EXPECT_EQ(b.op.LastText(), "Error al programar Data Memory\rDirección 0x0000");
    b.ExpectClean("stuck byte");
  }
  {
    sim::Faults f;
    f.unplugAfter = 1500;
    Bench b(SimModel("16F877"), f);
    const std::string path = b.dir.Write("small.hex", SmallProgram().Text());
    EXPECT_EQ(ProgramDevice(path, b.link, b.op), "program_error");
    EXPECT_EQ(b.op.LastTitle(), "Error");
    EXPECT_NE(b.op.LastText().find("programador"), std::string::npos) << b.op.LastText();
    EXPECT_EQ(b.tap.last, 0) << "the last thing written is 0";
    EXPECT_FALSE(b.op.progressVisible);
  }
}

TEST(Programming, EepromIsComparedOnItsLowByteWhateverTheUpperBitsRead) {
  for (int upper : {0, 1}) {
    sim::Faults f;
    f.eeUpper = upper;
    Bench b(SimModel("16F873"), f);
    const std::string path = b.dir.Write("small.hex", SmallProgram().Text());
    EXPECT_EQ(ProgramDevice(path, b.link, b.op), "ok") << upper;
    EXPECT_EQ(VerifyDevice(path, b.link, b.op), "ok") << upper;
    b.sim.ResetStats();
    EXPECT_EQ(ProgramDevice(path, b.link, b.op), "ok") << upper;
    EXPECT_EQ(b.sim.Stats().eepromWrites, 0) << "matching bytes are not rewritten";
    b.ExpectClean();
  }
}

TEST(Programming, AbandonStopsAtTheNextYieldPointWithTheLinesOff) {
  Bench b(SimModel("16F877"));
  HexBuilder h;
  h.Words(0, std::vector<int>(64, 0x0AAA));
  h.Config(0x3F31);
  const std::string path = b.dir.Write("p.hex", h.Text());
  b.op.abandonAfterProgress = 10;
  EXPECT_EQ(ProgramDevice(path, b.link, b.op), "abandoned");
  EXPECT_TRUE(b.op.messages.empty()) << "no message when the host asked to stop";
  EXPECT_EQ(b.op.progress.size(), 10u);
  EXPECT_EQ(b.sim.Memory().program[10], 0x3FFF);
  EXPECT_EQ(b.sim.Memory().config, 0x3FFF);
  b.ExpectClean();
}

// What one full 16F877 run costs, so later work can see the effect of a change.
TEST(Programming, CostOfAFull16F877Run) {
  Bench b(SimModel("16F877"));
  HexBuilder h;
  std::vector<int> words(8192);
  for (int a = 0; a < 8192; ++a) words[static_cast<std::size_t>(a)] = (a * 7 + 3) & 0x3FFF;
  h.Words(0, words);
  std::vector<int> bytes(256);
  for (int i = 0; i < 256; ++i) bytes[static_cast<std::size_t>(i)] = (i * 13) & 0xFF;
  h.Eeprom(0, bytes);
  // Words that already read erased are not written.
  const long long toWrite =
      std::count_if(words.begin(), words.end(), [](int w) { return w != 0x3FFF; }) +
      std::count_if(bytes.begin(), bytes.end(), [](int b) { return b != 0xFF; });
  ASSERT_LT(toWrite, 8192 + 256);
  h.Config(0x3F31);
  const std::string path = b.dir.Write("full.hex", h.Text());

  const auto cost = [&](const char* name) {
    const long long writes0 = b.tap.writes;
    const long long waits0 = b.pacer.WaitCount();
    const auto t0 = b.pacer.Now();
    EXPECT_EQ(ProgramDevice(path, b.link, b.op), "ok") << name;
    b.ExpectClean(name);
    const long long writes = b.tap.writes - writes0;
    const long long waits = b.pacer.WaitCount() - waits0;
    const double seconds = std::chrono::duration<double>(b.pacer.Now() - t0).count();
    std::printf("%s: %lld port writes, %lld cycle waits, %.2f s on the chip's clock\n", name,
                writes, waits, seconds);
    ::testing::Test::RecordProperty(std::string(name) + "_writes", std::to_string(writes));
    return std::pair{writes, waits};
  };
  // Per word: a reading pass (6 + 16 clocks, increment 6), then load (6), data (16), cycle
  // (6), read back (22), increment (6); per byte the same without the reading pass; two
  // writes a clock.
  const auto [blankWrites, blankWaits] = cost("blank chip");
  EXPECT_EQ(blankWaits, toWrite + 5);
  EXPECT_GT(blankWrites, 8192 * 2 * 82);
  EXPECT_LT(blankWrites, (8192 + 256) * 2 * 86);
  const auto [againWrites, againWaits] = cost("second run");
  EXPECT_EQ(againWaits, 5);
  EXPECT_LT(againWrites, blankWrites / 2);
  EXPECT_EQ(b.sim.Memory().program[8191], words[8191]);
}

}  // namespace
}  // namespace daxwel

namespace daxwel {
namespace {

TEST(Programming, AssembledExamplesLandExactlyAsTheirImages) {
  struct Example {
    const char* file;
    sim::SimModel model;
  };
  for (const Example& e : {Example{"toggle84a.inhx8m.hex", sim::SimModel("16F84A")},
                           Example{"eeprom877.inhx32.hex", sim::SimModel("16F877")},
                           Example{"walk873.inhx8m.hex", sim::SimModel("16F873")}}) {
    testing::Bench b(e.model);
    b.op.model = 0;  // detect, as a user leaving "Autodetectar" would
    const std::string path = testing::Example(e.file);
    const DeviceModel& model = *ModelByIndex(testing::IndexOf(e.model));
    const HexLoadResult loaded = LoadHexImage(path, {model.programWords, model.eepromBytes});
    ASSERT_EQ(loaded.status, HexStatus::Ok) << e.file;
    const HexImage& image = loaded.image;

    EXPECT_EQ(ProgramDevice(path, b.link, b.op), "ok") << e.file;
    EXPECT_EQ(VerifyDevice(path, b.link, b.op), "ok") << e.file;
    b.ExpectClean(e.file);

    const sim::ChipMemory& m = b.sim.Memory();
    for (int a = 0; a < model.programWords; ++a)
      ASSERT_EQ(m.program[static_cast<std::size_t>(a)],
                image.ProgramWords[static_cast<std::size_t>(a)] & 0x3FFF)
          << e.file << " word " << a;
    for (int i = 0; i < model.eepromBytes; ++i)
      ASSERT_EQ(m.eeprom[static_cast<std::size_t>(i)],
                image.EepromWords[static_cast<std::size_t>(i)] & 0xFF)
          << e.file << " byte " << i;
    for (int j = 0; j < 4; ++j)
      EXPECT_EQ(m.ids[static_cast<std::size_t>(j)],
                0x3F80 | (image.IdWords()[static_cast<std::size_t>(j)] & 0xF));
    EXPECT_EQ(ToBitString(m.config), image.FileConfig()) << e.file;
  }
}

}  // namespace
}  // namespace daxwel
