// The 12F629/675 and 16F630/676 model: the factory calibration and the bulk erases that
// destroy it, each write at its worst-case time (1 ns less fails), code protection by CP
// (bit 7) and CPD (bit 8), every forbidden sequence, the refused entries, the state file.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "sim/sim_session.h"
#include "sim_driver.h"
#include "support/hex_builder.h"

namespace daxwel::sim {
namespace {

using namespace std::chrono_literals;
using std::chrono::nanoseconds;
using Chip = CommandDriver;

constexpr SimModel kFamily[] = {SimModel::F629, SimModel::F675, SimModel::F630, SimModel::F676};
constexpr unsigned kLast = 0x3FF;

unsigned BandGap(const ChipMemory& m) { return (m.config >> 12) & 3u; }

// What a careful programmer finds: the ID, the RETLW at 0x3FF and bits 13:12 as shipped, bits
// 11:9 as 0 whatever the cell holds.
TEST(F675Test, EachPartShipsWithItsIdAndCalibration) {
  const struct {
    const char* name;
    unsigned id;
  } parts[] = {{"12F629", 0x0F80}, {"12F675", 0x0FC0}, {"16F630", 0x10C0}, {"16F676", 0x10E0}};
  for (std::size_t i = 0; i < std::size(kFamily); ++i) {
    const SimModel model = kFamily[i];
    EXPECT_EQ(ParseSimModel(std::string("pic") + parts[i].name), model);
    EXPECT_EQ(FamilyOf(model), SimFamily::F675);
    Chip chip(model);
    const ChipMemory& m = chip.sim.Memory();
    ASSERT_TRUE(m.factory.has_value());
    EXPECT_EQ(m.program.size(), 1024u);
    EXPECT_EQ(m.eeprom.size(), 128u);
    EXPECT_EQ(m.factory->osccal & 0x3C00, 0x3400) << parts[i].name;
    EXPECT_NE(m.factory->bandGap, 3u) << "a gpasm file's 11 would go unnoticed";
    chip.Enter();
    chip.Inc(kLast);
    EXPECT_EQ(chip.Read(0x04), m.factory->osccal);
    chip.ToConfig(6);
    EXPECT_EQ(chip.Read(0x04) & 0x3FE0, parts[i].id) << parts[i].name;
    chip.sim.Memory().config = 0x3FFF & ~0x3000;
    chip.Inc();
    EXPECT_EQ(chip.Read(0x04), 0x01FFu);
    EXPECT_TRUE(chip.sim.Violations().empty()) << chip.All();
  }
  Faults faults;
  faults.osccal = 0x3455;
  faults.bandGap = 3;
  Chip chosen(SimModel::F675, faults);
  EXPECT_EQ(chosen.sim.Memory().program[kLast], 0x3455);
  EXPECT_EQ(chosen.sim.Memory().config, 0x31FF);
}

// One write per case, at its worst-case time minus `shortfall`.
TEST(F675Test, WritesAtTheirWorstCaseTimes) {
  const struct {
    const char* what;
    std::function<void(Chip&, nanoseconds shortfall)> write;
    std::function<bool(const ChipMemory&)> written;
  } cases[] = {
      {"program word",
       [](Chip& c, nanoseconds s) {
         c.Inc(2);
         c.Load(0x02, 0x2155);
         c.Cmd(0x08, 3ms - 2us - s);
       },
       [](const ChipMemory& m) { return m.program[2] == 0x2155; }},
      {"ID word from Load Configuration's own data",
       [](Chip& c, nanoseconds s) {
         c.Load(0x00, 0x0005);
         c.Cmd(0x08, 3ms - 2us - s);
       },
       [](const ChipMemory& m) { return m.ids[0] == 0x0005; }},
      {"configuration word",
       [](Chip& c, nanoseconds s) {
         c.ToConfig(7);
         c.Load(0x02, 0x0FA4);  // band gap 00: clearing bits needs no erase
         c.Cmd(0x08, 3ms - 2us - s);
       },
       [](const ChipMemory& m) { return (m.config & 0x01FF) == 0x01A4; }},
      {"EEPROM byte over a written one (the cycle erases first)",
       [](Chip& c, nanoseconds s) {
         c.sim.Memory().eeprom[3] = 0x00;
         c.Inc(3);
         c.Load(0x03, 0x5A);
         c.Cmd(0x08, 6ms - 2us - s);
       },
       [](const ChipMemory& m) { return m.eeprom[3] == 0x5A; }},
      {"word by 011000 ... 001010",
       [](Chip& c, nanoseconds s) {
         c.Load(0x02, 0x0155);
         c.Cmd(0x18, 2ms - 13us - s);
         c.Cmd(0x0A);
       },
       [](const ChipMemory& m) { return m.program[0] == 0x0155; }},
      {"bulk erase program memory",
       [](Chip& c, nanoseconds s) {
         c.sim.Memory().program[5] = 0;
         c.Cmd(0x09, 8ms - 2us - s);
       },
       [](const ChipMemory& m) { return m.program[5] == 0x3FFF; }},
      {"bulk erase data memory",
       [](Chip& c, nanoseconds s) {
         c.sim.Memory().eeprom[9] = 0;
         c.Cmd(0x0B, 8ms - 2us - s);
       },
       [](const ChipMemory& m) { return m.eeprom[9] == 0xFF; }},
  };
  for (SimModel model : kFamily) {
    for (const auto& c : cases) {
      for (nanoseconds shortfall : {0ns, 1ns}) {
        Chip chip(model);
        chip.Enter();
        c.write(chip, shortfall);
        chip.Read(0x04);
        chip.Leave();
        const std::string where = std::string(SimModelName(model)) + " " + c.what;
        EXPECT_EQ(chip.sim.Violations().size(), shortfall == 0ns ? 0u : 1u) << where << chip.All();
        EXPECT_EQ(c.written(chip.sim.Memory()), shortfall == 0ns) << where;
      }
    }
  }
}

// Where the counter stands decides what a program-memory bulk erase takes besides program
// memory, 0x3FF and the configuration word; CP only yields to one from configuration space;
// under CPD it takes the EEPROM too, which a data bulk erase leaves alone.
TEST(F675Test, BulkErasesDestroyTheCalibration) {
  const struct {
    const char* what;
    std::uint16_t config;
    int counter;  // -1: program memory; else Load Configuration and this many increments
    unsigned bulk;
    bool program, ids, eeprom;
  } cases[] = {
      {"from program memory", 0x31FF, -1, 0x09, true, false, false},
      {"from 0x2000", 0x31FF, 0, 0x09, true, true, false},
      {"from 0x2020", 0x31FF, 0x20, 0x09, true, false, false},
      {"CP, from program memory", 0x317F, -1, 0x09, false, false, false},
      {"CP, from 0x2007", 0x317F, 7, 0x09, true, true, false},
      {"CPD, program bulk", 0x30FF, -1, 0x09, true, false, true},
      {"CPD, data bulk", 0x30FF, -1, 0x0B, false, false, false},
      {"data bulk", 0x31FF, -1, 0x0B, false, false, true},
  };
  for (SimModel model : kFamily) {
    for (const auto& c : cases) {
      const std::string where = std::string(SimModelName(model)) + " " + c.what;
      Chip chip(model);
      ChipMemory& m = chip.sim.Memory();
      const Calibration factory = *m.factory;
      m.config = static_cast<std::uint16_t>((c.config & 0x0FFF) | (factory.bandGap << 12));
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
      EXPECT_EQ(m.config == 0x31FF, config) << where;
      EXPECT_EQ(BandGap(m) == factory.bandGap, !config) << where;
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
    const std::uint16_t osccal = m.factory->osccal;
    m.program[1] = 0x0123;
    m.eeprom[0] = 0x55;
    m.config &= ~0x0180;
    chip.Enter();
    chip.Inc();
    EXPECT_EQ(chip.Read(0x04), 0u);
    chip.Load(0x02, 0x0003);
    chip.Cmd(0x08, 3ms);
    chip.Inc(kLast - 1);
    EXPECT_EQ(chip.Read(0x04), osccal);
    EXPECT_EQ(chip.Read(0x05), 0u);
    chip.Load(0x03, 0x11);
    chip.Cmd(0x08, 6ms);
    chip.ToConfig(7);
    const unsigned config = chip.Read(0x04);
    EXPECT_EQ(config, m.config);
    chip.Load(0x02, config & 0x3FF0);
    chip.Cmd(0x08, 3ms);
    chip.Leave();
    EXPECT_EQ(m.program[1], 0x0123);
    EXPECT_EQ(m.eeprom[0x7F], 0xFF);
    EXPECT_EQ(m.config & 0x01FF, 0x0070);
    EXPECT_TRUE(chip.sim.Violations().empty()) << chip.All();
  }
}

TEST(F675Test, EachForbiddenSequenceIsReportedOnce) {
  const struct {
    const char* expected;
    std::function<void(Chip&)> act;
  } cases[] = {
      {"Begin Programming at 0x0000 with no Load since the last one",
       [](Chip& c) { c.Cmd(0x08, 3ms); }},
      {"Begin Programming at 0x0001 with no Load since the last one",
       [](Chip& c) {
         c.Load(0x02, 0x0001);
         c.Cmd(0x08, 3ms);
         c.Inc();
         c.Cmd(0x08, 3ms);
       }},
      {"needs bits to go from 0 to 1 (holds 0x0F00, loaded 0x00FF)",
       [](Chip& c) {
         c.sim.Memory().program[0] = 0x0F00;
         c.Load(0x02, 0x00FF);
         c.Cmd(0x08, 3ms);
       }},
      {"at 0x2007 needs bits to go from 0 to 1",  // the band gap cannot be set back
       [](Chip& c) {
         c.ToConfig(7);
         c.Load(0x02, 0x31FF);
         c.Cmd(0x08, 3ms);
       }},
      {"End Programming 1999.999 us into the Begin Programming Only programming cycle",
       [](Chip& c) {
         c.Load(0x02, 0x0001);
         c.Cmd(0x18, 2ms - 13us - 1ns);
         c.Cmd(0x0A);
       }},
      {"command 0x06 while the Begin Programming Only cycle at 0x0000 is open",
       [](Chip& c) {
         c.Load(0x02, 0x0001);
         c.Cmd(0x18, 2ms);
         c.Inc();
       }},
      {"programming voltage dropped with the Begin Programming Only cycle at 0x0000 open",
       [](Chip& c) {
         c.Load(0x03, 0x01);
         c.Cmd(0x18, 6ms);
       }},
      {"clock raised 2999.999 us into the programming cycle at 0x0000",
       [](Chip& c) {
         c.Load(0x02, 0x0001);
         c.Cmd(0x08, 3ms - 2us - 1ns);
         c.Inc();
       }},
      {"clock raised 7999.999 us into the bulk erase program memory cycle",
       [](Chip& c) {
         c.Cmd(0x09, 8ms - 2us - 1ns);
         c.Inc();
       }},
      {"unknown command 0x17", [](Chip& c) { c.Cmd(0x17); }},
      {"unknown command 0x1F", [](Chip& c) { c.Cmd(0x1F); }},
      {"unknown command 0x01", [](Chip& c) { c.Cmd(0x01); }},
  };
  for (SimModel model : kFamily) {
    for (const auto& c : cases) {
      Chip chip(model);
      chip.Enter();
      c.act(chip);
      chip.Leave();
      ASSERT_EQ(chip.sim.Violations().size(), 1u) << c.expected << "\n" << chip.All();
      EXPECT_NE(chip.All().find(c.expected), std::string::npos) << c.expected << "\n" << chip.All();
    }
  }
}

// A refused entry answers garbage that is never the part's ID and changes nothing; an erase
// sent anyway is reported. MCLR off with the internal oscillator refuses every entry.
TEST(F675Test, RefusedEntriesLeaveTheChipAlone) {
  for (SimModel model : kFamily) {
    Faults faults;
    faults.refusedEntries = 1;
    Chip chip(model, faults);
    const ChipMemory before = chip.sim.Memory();
    chip.Enter();
    std::vector<unsigned> reads;
    for (int i = 0; i < 64; ++i) {
      reads.push_back(chip.Read(i % 2 == 0 ? 0x04 : 0x05));
      EXPECT_NE(reads.back() & 0x3FE0, chip.sim.DeviceId() & 0x3FE0u);
      chip.Load(0x00, 0x3FFF);
      chip.Inc(6);
    }
    EXPECT_NE(reads[0], reads[2]);
    chip.Cmd(0x09, 8ms);
    chip.Load(0x02, 0x0000);
    chip.Cmd(0x08, 3ms);
    chip.Leave();
    EXPECT_EQ(chip.sim.Memory().program, before.program);
    EXPECT_EQ(chip.sim.Memory().config, before.config);
    ASSERT_EQ(chip.sim.Violations().size(), 2u) << chip.All();
    EXPECT_NE(chip.All().find("command 0x09 sent although the part answers garbage"),
              std::string::npos);
    chip.sim.ClearViolations();
    chip.Enter();  // the second entry works
    chip.Inc(kLast);
    EXPECT_EQ(chip.Read(0x04), before.factory->osccal);
    EXPECT_TRUE(chip.sim.Violations().empty()) << chip.All();
  }
  const struct {
    std::uint16_t config;
    bool enters;
  } configs[] = {{0x31DC, false}, {0x31DD, false}, {0x31FC, true}, {0x31D9, true}, {0x31DE, true}};
  for (const auto& c : configs) {
    Chip chip(SimModel::F675);
    chip.sim.Memory().config = c.config;
    chip.Enter();
    EXPECT_EQ(chip.sim.InProgramMode(), c.enters) << c.config;
    chip.Leave();
  }
}

// The documented sequence keeps the calibration: save it, erase from configuration space,
// re-enter, write 0x3FF and the configuration word back with the saved bits, and repeat.
TEST(F675Test, TheDocumentedSequenceKeepsTheCalibration) {
  for (SimModel model : kFamily) {
    Chip chip(model);
    const Calibration factory = *chip.sim.Memory().factory;
    chip.sim.Memory().ids[0] = 0x0001;
    for (int round = 0; round < 2; ++round) {
      chip.Enter();
      chip.Inc(kLast);
      const unsigned osccal = chip.Read(0x04);
      chip.ToConfig(7);
      const unsigned bandGap = chip.Read(0x04) & 0x3000;
      chip.Cmd(0x09, 8ms);
      chip.Cmd(0x0B, 8ms);
      chip.Leave();
      chip.Pause(10ms);
      chip.Enter();
      chip.Load(0x02, 0x2800 + static_cast<unsigned>(round));
      chip.Cmd(0x08, 3ms);
      chip.Inc(kLast);
      chip.Load(0x02, osccal);
      chip.Cmd(0x08, 3ms);
      chip.Load(0x03, 0x42);
      chip.Cmd(0x08, 6ms);
      chip.ToConfig(7);
      chip.Load(0x02, (0x3FA4 & 0x01FF) | bandGap);
      chip.Cmd(0x08, 3ms);
      chip.Leave();
    }
    const ChipMemory& m = chip.sim.Memory();
    EXPECT_EQ(m.program[0], 0x2801);
    EXPECT_EQ(m.program[kLast], factory.osccal);
    EXPECT_EQ(m.config, 0x01A4 | (factory.bandGap << 12));
    EXPECT_EQ(m.eeprom[0x7F], 0x42);  // PC<7:0> of 0x3FF, on 128 bytes
    EXPECT_EQ(m.ids[0], 0x3FFF);
    EXPECT_TRUE(chip.sim.Violations().empty()) << SimModelName(model) << chip.All();
  }
}

// The state file keeps the chip's own 0x3FF and band gap, and its factory values in a record
// the HEX reader skips; a new chip takes the factory values the faults choose.
TEST(F675Test, StateFileKeepsTheFactoryCalibration) {
  const testing::TempDir dir;
  const std::string path = dir.Path() + "/chip.hex";
  SimOptions options;
  ASSERT_EQ(ParseSimOptions("12F675:" + path, "virtual", {"osccal=0x3466", "bg=1"}, options), "");
  {
    SimSession session(options);
    ASSERT_EQ(session.LoadState(), "");
    ChipMemory& m = session.Adapter().Memory();
    m.program[kLast] = 0x3FFF;
    m.config = 0x31FF;
    ASSERT_EQ(session.SaveState(), "");
  }
  std::ifstream in(path);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find(":0441E00066340010"), std::string::npos) << text;
  ChipContents contents;
  ASSERT_EQ(ReadContentsFile(path, 1024, 128, contents), "");
  EXPECT_EQ(contents.program[kLast], 0x3FFF);
  options.faults = {};
  SimSession again(options);
  ASSERT_EQ(again.LoadState(), "");
  const ChipMemory& m = again.Adapter().Memory();
  EXPECT_EQ(m.program[kLast], 0x3FFF);
  EXPECT_EQ(m.config, 0x31FF);
  EXPECT_EQ(m.factory, (Calibration{0x3466, 1}));

  Faults f;
  for (const char* bad : {"osccal=0x3800", "osccal=0x3FFF", "osccal=0", "bg=4", "refuse-entry"}) {
    EXPECT_NE(ParseSimFault(bad, f), "") << bad;
  }
  EXPECT_EQ(ParseSimFault("refuse-entry=2", f), "");
  EXPECT_EQ(f.refusedEntries, 2);
  SimOptions other;
  other.model = SimModel::F628A;
  other.faults.bandGap = 1;
  EXPECT_EQ(CheckFaultsFitChip(other),
            "--sim-fault osccal/bg: el 16F628A no tiene calibración de "
            "fábrica");
}

}  // namespace
}  // namespace daxwel::sim
