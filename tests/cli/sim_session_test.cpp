// The simulator options and the state file that keeps a simulated chip between runs.
#include "sim/sim_session.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "cli/cli_runner.h"
#include "image/hex_image.h"
#include "support/hex_builder.h"

namespace daxwel::sim {
namespace {

using testing::HexBuilder;
using testing::ReadAll;
using testing::TempDir;

TEST(SimOptionsParsing, TargetTimeAndFaults) {
  SimOptions o;
  EXPECT_EQ(ParseSimTarget("16F877:/tmp/a:b.hex", o), "");
  EXPECT_EQ(o.model, SimModel("16F877"));
  EXPECT_EQ(o.statePath, "/tmp/a:b.hex") << "only the first colon separates";
  EXPECT_EQ(ParseSimTarget("pic16f84a", o), "");
  EXPECT_EQ(o.model, SimModel("16F84A"));
  EXPECT_EQ(o.statePath, "");
  EXPECT_NE(ParseSimTarget("16F878", o), "");
  EXPECT_NE(ParseSimTarget("16F877:", o), "");
  EXPECT_EQ(ParseSimTime("virtual", o), "");
  EXPECT_EQ(o.time, SimTime::Virtual);
  EXPECT_NE(ParseSimTime("fast", o), "");

  Faults f;
  for (const char* ok : {"no-adapter", "no-target=1", "stuck=0x1FFF", "stuck=7", "ee-stuck=0xff",
                         "unplug-after=123456", "ee-upper=0", "id=0x09A5"}) {
    EXPECT_EQ(ParseSimFault(ok, f), "") << ok;
  }
  EXPECT_TRUE(f.noAdapter);
  EXPECT_EQ(f.noTarget, 1);
  EXPECT_EQ(f.stuckProgram, (std::vector<int>{0x1FFF, 7}));
  EXPECT_EQ(f.stuckEeprom, (std::vector<int>{255}));
  EXPECT_EQ(f.unplugAfter, 123456);
  EXPECT_EQ(f.eeUpper, 0);
  EXPECT_EQ(f.deviceId, 0x09A5);
  for (const char* bad : {"no-adapter=1", "stuck", "stuck=", "stuck=12x", "stuck=0x2000",
                          "no-target=2", "ee-upper=-1", "id=0x4000", "melt=1", "0x"}) {
    EXPECT_NE(ParseSimFault(bad, f), "") << bad;
  }

  // Every kind of the one list is taken with its example value, and the list is what an
  // unknown kind and "help" answer.
  for (const FaultKind& kind : FaultKinds()) {
    Faults taken;
    const std::string text =
        std::string(kind.name) + (kind.example.empty() ? "" : "=" + std::string(kind.example));
    EXPECT_EQ(ParseSimFault(text, taken), "") << text;
    EXPECT_NE(taken, Faults{}) << text << " changed nothing";
    if (!kind.value.empty()) {
      EXPECT_EQ(ParseSimFault(kind.name, taken), "--sim-fault " + std::string(kind.name) +
                                                     ": falta el valor (" + std::string(kind.name) +
                                                     "=VALOR)");
    }
  }
  EXPECT_EQ(ParseSimFault("melt=1", f),
            "--sim-fault melt=1: falla desconocida (" + FaultKindList() + ")");
  EXPECT_EQ(ParseSimFault("help", f), "--sim-fault: los tipos de falla son " + FaultKindList());
  EXPECT_NE(FaultKindList().find("config-fail, refuse-entry=N"), std::string::npos);

  // A stuck cell must exist on the chosen chip, or the fault would test nothing.
  SimOptions small;
  small.model = SimModel("16F84");
  small.faults.stuckProgram = {0x3FF};
  small.faults.stuckEeprom = {63};
  EXPECT_EQ(CheckFaultsFitChip(small), "");
  small.faults.stuckProgram = {0x3FF, 0x400};
  EXPECT_EQ(CheckFaultsFitChip(small),
            "--sim-fault stuck: la dirección 0x0400 no existe en el 16F84 (0x0000 a 0x03FF)");
  small.faults.stuckProgram.clear();
  small.faults.stuckEeprom = {64};
  EXPECT_NE(CheckFaultsFitChip(small), "");
  small.model = SimModel("16F876");
  small.faults.stuckProgram = {0x1FFF};
  small.faults.stuckEeprom = {255};
  EXPECT_EQ(CheckFaultsFitChip(small), "");
}

TEST(SimSessionState, MissingFileStartsErasedAndMemoriesSurviveARestart) {
  TempDir dir;
  SimOptions o;
  o.model = SimModel("16F873");
  o.time = SimTime::Virtual;
  o.statePath = dir.Path() + "/chip.hex";
  {
    SimSession s(o);
    ASSERT_EQ(s.LoadState(), "");
    ASSERT_TRUE(std::filesystem::exists(o.statePath)) << "created as an erased chip";
    ChipContents erased;
    ASSERT_EQ(ReadContentsFile(o.statePath, 4096, 128, erased), "");
    EXPECT_EQ(erased.program[0], 0x3FFF);
    EXPECT_EQ(erased.Config(), 0x3FFF);

    ChipMemory& m = s.Adapter().Memory();
    m.program[0] = 0x2805;
    m.program[4095] = 0x0000;
    m.eeprom[127] = 0x5A;
    m.ids = {0x3F81, 0x3F82, 0x3F83, 0x3F84};
    m.config = 0x1F11;  // upper half protected: the chip starts protected next time
    ASSERT_EQ(s.SaveState(), "");
  }
  SimSession again(o);
  ASSERT_EQ(again.LoadState(), "");
  const ChipMemory& m = again.Adapter().Memory();
  EXPECT_EQ(m.program[0], 0x2805);
  EXPECT_EQ(m.program[1], 0x3FFF);
  EXPECT_EQ(m.program[4095], 0x0000);
  EXPECT_EQ(m.eeprom[127], 0x5A);
  EXPECT_EQ(m.eeprom[0], 0xFF);
  EXPECT_EQ(m.ids, (std::array<std::uint16_t, 4>{0x3F81, 0x3F82, 0x3F83, 0x3F84}));
  EXPECT_EQ(m.config, 0x1F11);

  // An empty file (as mktemp leaves it) is a new chip too; a file that is not Intel HEX is not.
  const std::string empty = dir.Write("empty.hex", "");
  o.statePath = empty;
  SimSession fresh(o);
  EXPECT_EQ(fresh.LoadState(), "");
  EXPECT_EQ(fresh.Adapter().Memory().program[0], 0x3FFF);
  ChipContents written;
  EXPECT_EQ(ReadContentsFile(empty, 4096, 128, written), "") << "written erased";
  o.statePath = dir.Write("junk.hex", "not a hex file\n");
  SimSession junk(o);
  EXPECT_NE(junk.LoadState(), "");
  EXPECT_EQ(ReadAll(o.statePath), "not a hex file\n") << "a file it cannot use is left alone";
  o.statePath = dir.Path() + "/chip.hex";

  // A file for a bigger chip does not fit a smaller one.
  o.model = SimModel("16F870");
  SimSession smaller(o);
  EXPECT_NE(smaller.LoadState(), "");

  // IDs and configuration absent from a file are erased.
  const std::string bare = dir.Write("bare.hex", HexBuilder().Words(2, {0x0123}).Text());
  ChipContents c;
  ASSERT_EQ(ReadContentsFile(bare, 1024, 64, c), "");
  EXPECT_EQ(c.program[2], 0x0123);
  EXPECT_EQ(c.ids[0], 0x3FFF);
  EXPECT_FALSE(c.Config().has_value());
}

TEST(SimSessionState, AtomicWritesKeepOrReplaceAsAsked) {
  TempDir dir;
  const std::string path = dir.Write("out.hex", "old");
  EXPECT_NE(WriteFileAtomically(path, "new", false), "");
  EXPECT_EQ(ReadAll(path), "old");
  EXPECT_EQ(WriteFileAtomically(path, "new", true), "");
  EXPECT_EQ(ReadAll(path), "new");
  EXPECT_EQ(WriteFileAtomically(dir.Path() + "/fresh.hex", "x", false), "");
  EXPECT_EQ(ReadAll(dir.Path() + "/fresh.hex"), "x");
  EXPECT_NE(WriteFileAtomically(dir.Path() + "/no/dir.hex", "x", true), "");
  // Said in the program's language, as every other message.
  std::filesystem::create_directory(dir.Path() + "/folder");
  EXPECT_EQ(WriteFileAtomically(dir.Path() + "/folder", "x", true),
            "No se puede escribir el archivo " + dir.Path() + "/folder: es una carpeta");
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 3) << "no temporary file left behind";
}

}  // namespace
}  // namespace daxwel::sim
