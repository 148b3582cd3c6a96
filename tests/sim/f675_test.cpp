// The 12F629/675 and 16F630/676 model: the factory calibration and the bulk erases that
// destroy it, writes at their worst-case times (1 ns less fails), CP (bit 7) and CPD (bit 8),
// the forbidden sequences, the refused entries, the state file.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "sim/sim_session.h"
#include "sim_driver.h"
#include "support/hex_builder.h"

namespace daxwel::sim {
namespace {

using namespace std::chrono_literals;
using std::chrono::nanoseconds;
using Chip = CommandDriver;

const SimModel kFamily[] = {SimModel("12F629"), SimModel("12F675"), SimModel("16F630"),
                            SimModel("16F676")};
constexpr unsigned kLast = 0x3FF;

// Where the counter stands decides what a program-memory bulk erase takes besides program
// memory, 0x3FF and the configuration word; CP yields only to one from configuration space;
// under CPD it takes the EEPROM too, which a data bulk erase leaves alone.
TEST(F675Test, BulkErasesDestroyTheCalibration) {
  const struct {
    std::uint16_t config;
    int counter;  // -1: program memory; else Load Configuration and this many increments
    unsigned bulk;
    bool program, ids, eeprom;
  } cases[] = {
      {0x01FF, -1, 0x09, true, false, false},   {0x01FF, 0, 0x09, true, true, false},
      {0x01FF, 0x20, 0x09, true, false, false}, {0x017F, -1, 0x09, false, false, false},
      {0x017F, 7, 0x09, true, true, false},     {0x00FF, -1, 0x09, true, false, true},
      {0x00FF, -1, 0x0B, false, false, false},  {0x01FF, -1, 0x0B, false, false, true},
  };
  for (SimModel model : kFamily) {
    for (const auto& c : cases) {
      const std::string where =
          std::string(SimModelName(model)) + " case " + std::to_string(&c - cases);
      Chip chip(model);
      ChipMemory& m = chip.sim.Memory();
      const auto shipped = static_cast<std::uint16_t>(c.config | (m.factory->bandGap << 12));
      m.config = shipped;
      m.program[0] = 0x0123;
      m.ids[2] = 0x0007;
      m.eeprom[1] = 0x55;
      chip.Enter();
      if (c.counter >= 0) chip.ToConfig(c.counter);
      chip.Cmd(c.bulk, 8ms);
      chip.Leave();
      const bool config = c.bulk == 0x09 && c.program;
      EXPECT_EQ(m.program[0] == 0x3FFF, c.program) << where;
      EXPECT_EQ(m.program[kLast] == 0x3FFF, c.program) << where;
      EXPECT_EQ(m.config, config ? 0x31FF : shipped) << where;
      EXPECT_EQ(m.ids[2] == 0x3FFF, c.ids) << where;
      EXPECT_EQ(m.eeprom[1] == 0xFF, c.eeprom) << where;
      EXPECT_TRUE(chip.sim.Violations().empty()) << where << chip.All();
    }
  }
}

// CP hides program memory but 0x3FF and refuses program words; the configuration word still
// takes new 0 bits. CPD hides the EEPROM and refuses its writes.
TEST(F675Test, ProtectionHidesAllButTheCalibration) {
  for (SimModel model : kFamily) {
    Chip chip(model);
    ChipMemory& m = chip.sim.Memory();
    m.program[0] = 0x0123;
    m.eeprom[0] = 0x55;
    m.config = (m.config | 0x0E00) & ~0x0180;  // bits 11:9 read 0 whatever the cell holds
    chip.Enter();
    EXPECT_EQ(chip.Read(0x04) + chip.Read(0x05), 0u);
    chip.Load(0x02, 0x0003);
    chip.Cmd(0x08, 3ms);
    chip.Load(0x03, 0x11);
    chip.Cmd(0x08, 6ms);
    chip.Inc(kLast);
    EXPECT_EQ(chip.Read(0x04), m.factory->osccal);
    chip.ToConfig(7);
    const unsigned config = chip.Read(0x04);
    EXPECT_EQ(config, m.config & 0x31FFu);
    chip.Load(0x02, config & 0x3FF0);
    chip.Cmd(0x08, 3ms);
    chip.Leave();
    EXPECT_EQ(m.program[0], 0x0123);
    EXPECT_EQ(m.eeprom[0], 0x55);
    EXPECT_EQ(m.config & 0x31FF, config & 0x3FF0);
    EXPECT_TRUE(chip.sim.Violations().empty()) << chip.All();
  }
}

TEST(F675Test, EachForbiddenSequenceIsReportedOnce) {
  const struct {
    const char* expected;
    unsigned load, word, begin;
    nanoseconds wait;
    int begins = 1;  // Begin commands on the one Load
  } cases[] = {
      // A word that is not erased, or an ID, keeps old AND new.
      {"at 0x0000 needs bits to go from 0 to 1 (holds 0x0F00, loaded 0x00FF)", 0x02, 0xFF, 0x08,
       3ms},
      {"at 0x2000 needs bits to go from 0 to 1 (holds 0x0F00, loaded 0x31FF)", 0x00, 0x31FF, 0x08,
       3ms},
      {"End Programming 1999.999 us into the Begin Programming Only", 0x02, 0, 0x18,
       2ms - 13us - 1ns},
      {"Begin Programming at 0x0000 with no Load since the last one", 0x02, 0, 0x08, 3ms, 2},
      {"unknown command 0x17", 0x02, 0, 0x17, 0ns},
  };
  for (SimModel model : kFamily) {
    for (const auto& c : cases) {
      Chip chip(model);
      chip.sim.Memory().program[0] = 0x0F00;
      chip.sim.Memory().ids[0] = 0x0F00;
      chip.Enter();
      chip.Load(c.load, c.word);
      for (int i = 0; i < c.begins; ++i) chip.Cmd(c.begin, c.wait);
      if (c.begin == 0x18) chip.Cmd(0x0A);
      chip.Leave();
      ASSERT_EQ(chip.sim.Violations().size(), 1u) << c.expected << "\n" << chip.All();
      EXPECT_NE(chip.All().find(c.expected), std::string::npos) << chip.All();
    }
  }
}

// A refused entry answers garbage that is never the part's ID and takes nothing the
// programmer sends; an erase sent anyway is reported. MCLR off with the internal oscillator
// (FOSC 100 or 101) refuses every entry.
TEST(F675Test, RefusedEntriesLeaveTheChipAlone) {
  for (SimModel model : kFamily) {
    Faults faults;
    faults.refusedEntries = 1;
    Chip chip(model, faults);
    const ChipMemory before = chip.sim.Memory();
    chip.Enter();
    unsigned last = 0;
    for (int i = 0; i < 64; ++i) {
      chip.ToConfig(6);
      const unsigned read = chip.Read(i % 2 == 0 ? 0x04 : 0x05);
      EXPECT_NE(read & 0x3FE0, chip.sim.DeviceId() & 0x3FE0u);
      EXPECT_NE(read, last);
      last = read;
    }
    chip.Cmd(0x09, 8ms);
    chip.Leave();
    EXPECT_EQ(chip.sim.Memory().program, before.program);
    EXPECT_EQ(chip.sim.Memory().config, before.config);
    ASSERT_EQ(chip.sim.Violations().size(), 1u) << chip.All();
    EXPECT_NE(chip.All().find("command 0x09 sent although the part answers garbage"),
              std::string::npos);
    chip.sim.ClearViolations();
    chip.Enter();  // the second entry works
    chip.Inc(kLast);
    EXPECT_EQ(chip.Read(0x04), before.factory->osccal);
    EXPECT_TRUE(chip.sim.Violations().empty()) << chip.All();
  }
  for (std::uint16_t config : {0x31DC, 0x31DD, 0x31FC, 0x31D9, 0x31DE}) {
    Chip chip(SimModel("12F675"));
    chip.sim.Memory().config = config;
    chip.Enter();
    EXPECT_EQ(chip.sim.InProgramMode(), config != 0x31DC && config != 0x31DD) << config;
  }
}

// The documented sequence keeps the calibration through erase after erase: check the ID, save
// the RETLW and the band gap as shipped (never the 11 of a gpasm file), erase from
// configuration space, re-enter, write both back. Every cycle at its worst-case time passes;
// 1 ns less, each is reported.
TEST(F675Test, TheDocumentedSequenceKeepsTheCalibration) {
  const unsigned ids[] = {0x0F80, 0x0FC0, 0x10C0, 0x10E0};
  for (std::size_t i = 0; i < std::size(kFamily); ++i) {
    for (nanoseconds s : {0ns, 1ns}) {
      Chip chip(kFamily[i]);
      const Calibration factory = *chip.sim.Memory().factory;
      EXPECT_NE(factory.bandGap, 3u);
      chip.sim.Memory().eeprom[0x7F] = 0x00;
      for (unsigned round = 0; round < 2; ++round) {
        chip.Enter();
        chip.Inc(kLast);
        const unsigned osccal = chip.Read(0x04);
        EXPECT_EQ(osccal & 0x3C00, 0x3400u);
        chip.ToConfig(6);
        EXPECT_EQ(chip.Read(0x04) & 0x3FE0, ids[i]);
        chip.Inc();
        const unsigned bandGap = chip.Read(0x04) & 0x3000;
        chip.Cmd(0x09, 8ms - 2us - s);
        chip.Leave();
        chip.Pause(10ms);
        chip.Enter();
        chip.Load(0x02, 0x2800 + round);
        chip.Cmd(0x08, 3ms - 2us - s);
        chip.Inc(kLast);
        chip.Load(0x02, osccal);
        chip.Cmd(0x08, 3ms - 2us - s);
        chip.Load(0x03, 0x42 + round);  // PC<7:0> of 0x3FF: the last byte, erased first
        chip.Cmd(0x08, 6ms - 2us - s);
        chip.ToConfig(7);
        chip.Load(0x02, 0x01A4 | bandGap);
        chip.Cmd(0x08, 3ms - 2us - s);
        chip.Leave();
      }
      EXPECT_EQ(chip.sim.Violations().size(), s == 0ns ? 0u : 10u) << chip.All();
      if (s > 0ns) continue;
      const ChipMemory& m = chip.sim.Memory();
      EXPECT_EQ(m.program.size() + m.eeprom.size(), 1024u + 128u);
      EXPECT_EQ(m.program[0], 0x2801);
      EXPECT_EQ(m.program[kLast], factory.osccal);
      EXPECT_EQ(m.config, 0x01A4 | (factory.bandGap << 12));
      EXPECT_EQ(m.eeprom[0x7F], 0x43);
    }
  }
}

// The state file keeps the chip's own 0x3FF and band gap, and its factory values in a record
// the HEX reader skips; a new chip takes the factory values the faults choose, or has lost
// them.
TEST(F675Test, StateFileKeepsTheFactoryCalibration) {
  const testing::TempDir dir;
  const std::string path = dir.Path() + "/chip.hex";
  SimOptions options;
  ASSERT_EQ(ParseSimOptions("12F675:" + path, "virtual", {"osccal=0x3466", "bg=1"}, options), "");
  {
    SimSession session(options);
    ASSERT_EQ(session.LoadState(), "");
    session.Adapter().Memory().program[kLast] = 0x3FFF;
    ASSERT_EQ(session.SaveState(), "");
  }
  {
    SimOptions lost;
    ASSERT_EQ(ParseSimOptions("16F676", "virtual", {"lost-calibration"}, lost), "");
    SimSession session(lost);
    const ChipMemory& m = session.Adapter().Memory();
    EXPECT_EQ(m.program[kLast], 0x3FFF);
    EXPECT_EQ(m.config, 0x31FF);
    EXPECT_TRUE(m.factory.has_value());
  }
  std::ifstream in(path);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find(":0441E00066340010"), std::string::npos) << text;
  ChipContents contents;
  ASSERT_EQ(ReadContentsFile(path, 1024, 128, contents), "");
  options.faults = {};
  SimSession again(options);
  ASSERT_EQ(again.LoadState(), "");
  const ChipMemory& m = again.Adapter().Memory();
  EXPECT_EQ(m.program[kLast], 0x3FFF);
  EXPECT_EQ(m.config, 0x11FF);
  EXPECT_EQ(m.factory, (Calibration{0x3466, 1}));

  for (const char* bad : {"osccal=0x3800", "osccal=0x3FFF", "bg=4", "refuse-entry"}) {
    SimOptions refused;
    EXPECT_NE(ParseSimOptions("12F675", "virtual", {bad}, refused), "") << bad;
  }
  options.model = SimModel("16F628A");
  options.faults.bandGap = 1;
  EXPECT_EQ(CheckFaultsFitChip(options),
            "--sim-fault osccal/bg/lost-calibration: el 16F628A no tiene calibración de fábrica");
}

}  // namespace
}  // namespace daxwel::sim

namespace daxwel::sim {
namespace {

// Faults the part's silicon cannot hold are refused by the part's own chip model, and the
// parts that can hold them are named from the table.
TEST(SimFaultsFit, EachChipModelJudgesItsOwnFaults) {
  const struct {
    const char* target;
    std::vector<std::string> faults;
    const char* problem;
  } kCases[] = {
      {"12F675", {"osccal=0x3466"}, ""},
      {"12F675",
       {"osccal=0x3066"},
       "--sim-fault osccal: OSCCAL debe ser una instrucción RETLW (0x3400 a 0x37FF)"},
      {"12F629", {"osccal=0x37FF", "bg=3"}, ""},
      {"16F877",
       {"osccal=0x3466"},
       "--sim-fault osccal/bg/lost-calibration: el 16F877 no tiene calibración de fábrica"},
      {"16F628A", {"keep-config"}, ""},
      {"16F877A",
       {"keep-config"},
       "--sim-fault keep-config: solo los 16F627A, 16F628A y 16F648A borran así, no el 16F877A"},
  };
  for (const auto& c : kCases) {
    SimOptions options;
    EXPECT_EQ(ParseSimOptions(c.target, "virtual", c.faults, options), c.problem) << c.target;
  }
}

}  // namespace
}  // namespace daxwel::sim
