// The 16F87XA and 16F62XA models: each part's ID, each memory written with the family's own
// sequence at exactly its published minimum time (1 ns less fails), every forbidden sequence
// reported once, code protection and the erases that lift it, the refused entry.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <utility>

#include "sim/sim_adapter.h"
#include "sim/sim_session.h"
#include "sim_driver.h"

namespace daxwel::sim {
namespace {

using namespace std::chrono_literals;
using std::chrono::nanoseconds;

using Chip = CommandDriver;

const SimModel kFamilyA[] = {SimModel("16F873A"), SimModel("16F874A"), SimModel("16F876A"),
                             SimModel("16F877A")};
const SimModel kFamilyB[] = {SimModel("16F627A"), SimModel("16F628A"), SimModel("16F648A")};

TEST(NewFamiliesTest, EachPartHasItsNameIdAndSizes) {
  const struct {
    SimModel model;
    const char* name;
    unsigned id;
    std::size_t words, bytes;
  } parts[] = {{SimModel("16F873A"), "16F873A", 0x0E4A, 4096, 128},
               {SimModel("16F874A"), "16F874A", 0x0E6B, 4096, 128},
               {SimModel("16F876A"), "16F876A", 0x0E08, 8192, 256},
               {SimModel("16F877A"), "16F877A", 0x0E29, 8192, 256},
               {SimModel("16F627A"), "16F627A", 0x104B, 1024, 128},
               {SimModel("16F628A"), "16F628A", 0x106C, 2048, 128},
               {SimModel("16F648A"), "16F648A", 0x1102, 4096, 256}};
  int index = 9;
  for (const auto& p : parts) {
    EXPECT_EQ(p.model.Row().index, index++);
    EXPECT_EQ(ParseSimModel(std::string("pic") + p.name), p.model);
    EXPECT_EQ(SimModelName(p.model), p.name);
    Chip chip(p.model);
    chip.Enter();
    chip.ToConfig(6);
    EXPECT_EQ(chip.Read(0x04), p.id) << p.name;
    EXPECT_EQ(chip.sim.Memory().program.size(), p.words);
    EXPECT_EQ(chip.sim.Memory().eeprom.size(), p.bytes);
    chip.Inc();  // unimplemented configuration bits read 1, as on a real blank 16F877A
    EXPECT_EQ(chip.Read(0x04), 0x3FFFu) << p.name;
    EXPECT_TRUE(chip.sim.Violations().empty()) << chip.All();
  }
}

// One write per case, at its worst-case time minus `shortfall`.
struct WriteCase {
  const char* what;
  std::function<void(Chip&, nanoseconds shortfall)> write;
  std::function<bool(const ChipMemory&)> written;
};

void RunWrites(const SimModel (&models)[], std::size_t count, const std::vector<WriteCase>& cases) {
  for (std::size_t m = 0; m < count; ++m) {
    for (const WriteCase& c : cases) {
      for (nanoseconds shortfall : {0ns, 1ns}) {
        Chip chip(models[m]);
        chip.Enter();
        c.write(chip, shortfall);
        chip.Read(0x04);
        chip.Leave();
        const std::string where = std::string(SimModelName(models[m])) + " " + c.what;
        EXPECT_EQ(chip.sim.Violations().size(), shortfall == 0ns ? 0u : 1u) << where << chip.All();
        EXPECT_EQ(c.written(chip.sim.Memory()), shortfall == 0ns) << where;
      }
    }
  }
}

TEST(NewFamiliesTest, FamilyAWritesWithItsOwnSequencesAndTimes) {
  const std::vector<WriteCase> cases = {
      {"row by 001000",
       [](Chip& c, nanoseconds s) {
         c.Inc(8);
         c.LoadRow(0x0100);
         c.Cmd(0x08, 10ms - 2us - s);
       },
       [](const ChipMemory& m) { return m.program[8] == 0x0100 && m.program[15] == 0x0107; }},
      {"word by 011000",
       [](Chip& c, nanoseconds s) {
         c.Load(0x02, 0x0155);
         c.Cmd(0x18, 1ms - 13us - s);
         c.Cmd(0x17, 98us);
       },
       [](const ChipMemory& m) { return m.program[0] == 0x0155 && m.program[1] == 0x3FFF; }},
      {"EEPROM byte",
       [](Chip& c, nanoseconds s) {
         c.Inc(3);
         c.Load(0x03, 0x42);
         c.Cmd(0x08, 10ms - 2us - s);
       },
       [](const ChipMemory& m) { return m.eeprom[3] == 0x42; }},
      {"configuration word",
       [](Chip& c, nanoseconds s) {
         c.ToConfig(7);
         c.Load(0x02, 0x3F3A);
         c.Cmd(0x08, 10ms - 2us - s);
       },
       [](const ChipMemory& m) { return m.config == 0x3F3A; }},
      // 001000 erases before it writes: bits set again in a programmed row, ID or word.
      {"programmed row by 001000, erased first",
       [](Chip& c, nanoseconds s) {
         for (int i = 8; i < 16; ++i) c.sim.Memory().program[static_cast<std::size_t>(i)] = 0;
         c.sim.Memory().program[16] = 0x0123;
         c.Inc(8);
         c.LoadRow(0x0100);
         c.Cmd(0x08, 10ms - 2us - s);
       },
       [](const ChipMemory& m) {
         return m.program[8] == 0x0100 && m.program[15] == 0x0107 && m.program[16] == 0x0123;
       }},
      {"the four IDs as one block, erased first",
       [](Chip& c, nanoseconds s) {
         c.sim.Memory().ids = {0, 0, 0, 0};
         c.sim.Memory().config = 0x3F31;
         c.Load(0x00, 0x0005);
         for (unsigned id : {0x3F06u, 0x3F07u, 0x3FFFu}) {
           c.Inc();
           c.Load(0x02, id);
         }
         c.Cmd(0x08, 10ms - 2us - s);
       },
       [](const ChipMemory& m) {
         return m.ids == std::array<std::uint16_t, 4>{0x0005, 0x3F06, 0x3F07, 0x3FFF} &&
                (m.config & 0x2FCF) == 0x2F01;
       }},
      {"programmed configuration word, erased first",
       [](Chip& c, nanoseconds s) {
         c.sim.Memory().config = 0x2F01;
         c.ToConfig(7);
         c.Load(0x02, 0x3F3A);
         c.Cmd(0x08, 10ms - 2us - s);
       },
       [](const ChipMemory& m) { return (m.config & 0x2FCF) == 0x2F0A; }},
      {"chip erase",
       [](Chip& c, nanoseconds s) {
         c.sim.Memory().program[5] = 0;
         c.Cmd(0x1F, 10ms - 2us - s);
       },
       [](const ChipMemory& m) { return m.program[5] == 0x3FFF; }},
  };
  RunWrites(kFamilyA, std::size(kFamilyA), cases);
}

TEST(NewFamiliesTest, FamilyBWritesWithItsOwnSequencesAndTimes) {
  const std::vector<WriteCase> cases = {
      {"program word",
       [](Chip& c, nanoseconds s) {
         c.Inc(2);
         c.Load(0x02, 0x2155);
         c.Cmd(0x08, 4ms - 2us - s);
       },
       [](const ChipMemory& m) { return m.program[2] == 0x2155; }},
      {"ID word",
       [](Chip& c, nanoseconds s) {
         c.ToConfig(1);
         c.Load(0x02, 0x0005);
         c.Cmd(0x08, 4ms - 2us - s);
       },
       [](const ChipMemory& m) { return m.ids[1] == 0x0005; }},
      {"EEPROM byte over a programmed one (erased by the write itself)",
       [](Chip& c, nanoseconds s) {
         c.sim.Memory().eeprom[0] = 0x81;
         c.Load(0x03, 0x24);
         c.Cmd(0x08, 6ms - 2us - s);
       },
       [](const ChipMemory& m) { return m.eeprom[0] == 0x24; }},
      {"first ID from Load Configuration's own word",
       [](Chip& c, nanoseconds s) {
         c.Load(0x00, 0x0009);
         c.Cmd(0x08, 4ms - 2us - s);
       },
       [](const ChipMemory& m) { return m.ids[0] == 0x0009; }},
      {"bulk erase data",
       [](Chip& c, nanoseconds s) {
         c.sim.Memory().eeprom[9] = 0;
         c.Cmd(0x0B, 6ms - 2us - s);
       },
       [](const ChipMemory& m) { return m.eeprom[9] == 0xFF; }},
  };
  RunWrites(kFamilyB, std::size(kFamilyB), cases);
}

TEST(NewFamiliesTest, EachForbiddenSequenceIsReportedOnce) {
  const struct {
    SimModel model;
    const char* expected;
    std::function<void(Chip&)> act;
  } cases[] = {
      {SimModel("16F877A"), "with 7 of its 8 latches loaded",
       [](Chip& c) {
         c.Load(0x02, 0x0001);
         c.Inc();
         for (int i = 1; i < 7; ++i, c.Inc()) c.Load(0x02, 0x0001);
         c.Cmd(0x08, 16ms);
       }},
      {SimModel("16F877A"),
       "Programming Only Cycle on the row at 0x0000 over 1 location(s) that are "
       "not erased (first 0x0001)",
       [](Chip& c) {
         // Latch 0 loads all ones (programs nothing), latch 1 0x0000 over a programmed word.
         c.sim.Memory().program[0] = 0x0F00;
         c.sim.Memory().program[1] = 0x0F00;
         c.LoadRow(0x3FFF);
         c.Cmd(0x18, 1ms);
         c.Cmd(0x17, 100us);
       }},
      {SimModel("16F876A"),
       "Programming Only Cycle at 0x2007 on a location that is not erased (holds "
       "0x3F3F, loaded 0x3F0F)",
       [](Chip& c) {
         c.sim.Memory().config = 0x3F3F;
         c.ToConfig(7);
         c.Load(0x02, 0x3F0F);
         c.Cmd(0x18, 1ms);
         c.Cmd(0x17, 100us);
       }},
      // One ID at a time: the block's other IDs are written from latches left at 0x3FFF.
      {SimModel("16F874A"),
       "Erase/Programming Cycle on the ID block at 0x2000 with 2 of its 4 latches loaded",
       [](Chip& c) {
         c.ToConfig(2);
         c.Load(0x02, 0x3FF0);
         c.Cmd(0x08, 10ms);
       }},
      // End Programming with nothing open sets the latches back to all ones.
      {SimModel("16F873A"), "Erase/Programming Cycle on the row at 0x0000 with 1 of its 8 latches",
       [](Chip& c) {
         c.LoadRow(0x0100);
         c.Cmd(0x17, 100us);
         c.Load(0x02, 0x0107);
         c.Cmd(0x08, 10ms);
       }},
      {SimModel("16F877A"), "End Programming 999.999 us into the Begin Programming Only row cycle",
       [](Chip& c) {
         c.Load(0x02, 0x0001);
         c.Cmd(0x18, 1ms - 13us - 1ns);
         c.Cmd(0x17, 100us);
       }},
      {SimModel("16F877A"), "command 0x06 while the Begin Programming Only cycle at 0x0000 is open",
       [](Chip& c) {
         c.Load(0x02, 0x0001);
         c.Cmd(0x18, 1ms);
         c.Inc();
       }},
      {SimModel("16F877A"), "clock raised 99.999 us into the discharge after End Programming",
       [](Chip& c) {
         c.Load(0x02, 0x0001);
         c.Cmd(0x18, 1ms);
         c.Cmd(0x17, 98us - 1ns);
         c.Inc();
       }},
      {SimModel("16F876A"), "Bulk Erase Setup1 (0x01) sent to the 16F876A",
       [](Chip& c) { c.Cmd(1); }},
      {SimModel("16F873A"), "Bulk Erase Setup2 (0x07) sent to the 16F873A",
       [](Chip& c) { c.Cmd(7); }},
      {SimModel("16F874A"), "unknown command 0x3F for the 16F874A", [](Chip& c) { c.Cmd(0x3F); }},
      {SimModel("16F877A"), "clock raised 9999.999 us into the bulk erase cycle",
       [](Chip& c) {
         c.Cmd(0x09);
         c.Cmd(0x08, 10ms - 2us - 1ns);
         c.Inc();
       }},
      {SimModel("16F628A"),
       "Begin Programming at 0x0000 on a location that is not erased (holds "
       "0x0F00, loaded 0x0F00)",
       [](Chip& c) {
         c.sim.Memory().program[0] = 0x0F00;
         c.Load(0x02, 0x0F00);
         c.Cmd(0x08, 4ms);
       }},
      {SimModel("16F627A"), "Begin Programming at 0x2003 on a location that is not erased",
       [](Chip& c) {
         c.sim.Memory().ids[3] = 0x3FFE;
         c.ToConfig(3);
         c.Load(0x02, 0x3FFC);
         c.Cmd(0x08, 4ms);
       }},
      {SimModel("16F648A"),
       "Begin Programming at 0x2007 on a location that is not erased (holds "
       "0x3FF7, loaded 0x3FF7)",
       [](Chip& c) {
         c.sim.Memory().config = 0x3FF7;
         c.ToConfig(7);
         c.Load(0x02, 0x3FF7);
         c.Cmd(0x08, 4ms);
       }},
      {SimModel("16F648A"), "Begin Programming with no data loaded",
       [](Chip& c) { c.Cmd(0x08, 4ms); }},
      {SimModel("16F627A"), "after a self-timed bulk erase with no new load",
       [](Chip& c) {
         c.Load(0x02, 0x3FFF);
         c.Cmd(0x09, 6ms);
         c.Cmd(0x08, 4ms);
       }},
      {SimModel("16F628A"), "clock raised 5999.999 us into the bulk erase program memory cycle",
       [](Chip& c) {
         c.Cmd(0x09, 6ms - 2us - 1ns);
         c.Inc();
       }},
  };
  for (const auto& c : cases) {
    Chip chip(c.model);
    chip.Enter();
    c.act(chip);
    chip.Leave();
    ASSERT_EQ(chip.sim.Violations().size(), 1u) << c.expected << "\n" << chip.All();
    EXPECT_NE(chip.All().find(c.expected), std::string::npos) << c.expected << "\n" << chip.All();
  }
  // The 16F62XA lacks the 16F87X's and 16F87XA's extra commands.
  for (const char* command : {"0x01", "0x07", "0x17", "0x18", "0x1F"}) {
    Chip chip(SimModel("16F648A"));
    chip.Enter();
    chip.Cmd(static_cast<unsigned>(std::stoul(command, nullptr, 16)));
    ASSERT_EQ(chip.sim.Violations().size(), 1u) << chip.All();
    EXPECT_NE(chip.All().find(std::string("unknown command ") + command + " for the 16F648A"),
              std::string::npos)
        << chip.All();
  }
}

// CP (bit 13) hides all program memory and CPD (bit 8) the EEPROM; on the 16F87XA only Chip
// Erase lifts them, and from program space it leaves the IDs.
TEST(NewFamiliesTest, ChipEraseLiftsFamilyAProtection) {
  for (bool fromConfig : {false, true}) {
    Chip chip(SimModel("16F874A"));
    ChipMemory& m = chip.sim.Memory();
    m.config = 0x2FCF & ~0x2100;
    m.program[0] = 0x0123;
    m.eeprom[0] = 0x55;
    m.ids[0] = 0x0001;
    chip.Enter();
    EXPECT_EQ(chip.Read(0x04), 0u);
    EXPECT_EQ(chip.Read(0x05), 0u);
    chip.LoadRow(0x0000);
    chip.Cmd(0x08, 10ms);
    chip.Cmd(0x09);
    chip.Cmd(0x08, 10ms);  // a bulk erase does nothing on a protected part
    chip.ToConfig(7);
    chip.Load(0x02, 0x3FFF);
    chip.Cmd(0x08, 10ms);  // nor does a new configuration word
    EXPECT_EQ(m.program[0], 0x0123);
    EXPECT_EQ(m.config, 0x2FCF & ~0x2100);
    EXPECT_TRUE(chip.sim.Violations().empty()) << chip.All();
    chip.Leave();
    chip.Enter();
    if (fromConfig) chip.Load(0x00, 0x3FFF);
    chip.Cmd(0x1F, 10ms);
    EXPECT_EQ(chip.Read(0x04), 0x3FFFu);
    chip.Leave();
    EXPECT_EQ(m.program[0], 0x3FFF);
    EXPECT_EQ(m.eeprom[0], 0xFF);
    EXPECT_EQ(m.config, 0x3FFF);
    EXPECT_EQ(m.ids[0], fromConfig ? 0x3FFF : 0x0001);
    EXPECT_TRUE(chip.sim.Violations().empty()) << chip.All();
  }
}

// Bulk Erase Program Memory run by 001000 never erases the configuration word; from test
// memory it takes the IDs with program memory, from program memory neither. The EEPROM stays.
TEST(NewFamiliesTest, FamilyABulkEraseKeepsTheConfigurationWord) {
  for (SimModel model : kFamilyA) {
    for (bool fromConfig : {false, true}) {
      Chip chip(model);
      ChipMemory& m = chip.sim.Memory();
      m.config = 0x3F31;
      m.program[3] = 0x0123;
      m.eeprom[3] = 0x55;
      m.ids = {1, 2, 3, 4};
      chip.Enter();
      if (fromConfig) chip.Load(0x00, 0x3FFF);
      chip.Load(0x02, 0x3FFF);
      chip.Cmd(0x09);
      chip.Cmd(0x08, 10ms);
      chip.Cmd(0x17, 100us);
      chip.Leave();
      const std::string where = std::string(SimModelName(model)) + (fromConfig ? " config" : "");
      EXPECT_EQ(m.program[3], 0x3FFF) << where;
      EXPECT_EQ(m.config & 0x2FCF, 0x2F01) << where;
      EXPECT_EQ(m.eeprom[3], 0x55) << where;
      EXPECT_EQ(m.ids[0], fromConfig ? 0x3FFF : 1) << where;
      EXPECT_TRUE(chip.sim.Violations().empty()) << where << chip.All();
    }
  }
}

// On the 16F62XA a program bulk erase from program space leaves a protected part alone; from
// configuration space it clears the word and so lets the data bulk erase work. keep-config:
// the word survives, and the EEPROM with it.
TEST(NewFamiliesTest, BulkEraseInConfigSpaceLiftsFamilyBProtection) {
  for (bool keep : {false, true}) {
    Faults faults;
    faults.keepConfig = keep;
    Chip chip(SimModel("16F628A"), faults);
    ChipMemory& m = chip.sim.Memory();
    m.config = 0x21FF & ~0x2100;
    m.program[7] = 0x0123;
    m.eeprom[7] = 0x55;
    m.ids[3] = 0x0002;
    chip.Enter();
    chip.Cmd(0x09, 6ms);
    EXPECT_EQ(m.program[7], 0x0123);
    chip.Load(0x00, 0x3FFF);
    chip.Cmd(0x09, 6ms);
    chip.Cmd(0x0B, 6ms);
    chip.Leave();
    EXPECT_EQ(m.program[7], 0x3FFF);
    EXPECT_EQ(m.ids[3], 0x3FFF);
    EXPECT_EQ(m.config, keep ? 0x21FF & ~0x2100 : 0x3FFF);
    EXPECT_EQ(m.eeprom[7], keep ? 0x55 : 0xFF);
    EXPECT_EQ(chip.sim.Stats().bulkErases, 3);
    EXPECT_TRUE(chip.sim.Violations().empty()) << chip.All();
  }
  SimOptions options;
  EXPECT_EQ(ParseSimFault("keep-config", options.faults), "");
  options.model = SimModel("16F877A");
  EXPECT_NE(CheckFaultsFitChip(options), "");
  options.model = SimModel("16F648A");
  EXPECT_EQ(CheckFaultsFitChip(options), "");
}

// MCLR off and the internal oscillator: the part runs its own code and never listens.
TEST(NewFamiliesTest, FamilyBWithMclrOffAndInternalOscillatorRefusesEntry) {
  const struct {
    std::uint16_t config;
    bool enters;
  } cases[] = {{0x3FDC, false}, {0x3FDD, false}, {0x3FFC, true}, {0x3FC9, true}, {0x3FDE, true}};
  for (const auto& c : cases) {
    Chip chip(SimModel("16F628A"));
    chip.sim.Memory().config = c.config;
    chip.sim.Memory().program[0] = 0x0123;
    chip.Enter();
    EXPECT_EQ(chip.sim.InProgramMode(), c.enters) << c.config;
    EXPECT_EQ(chip.Read(0x04), c.enters ? 0x0123u : 0u) << c.config;
    chip.ToConfig(6);
    EXPECT_EQ(chip.Read(0x04), c.enters ? 0x106Cu : 0u) << c.config;
    chip.Leave();
    EXPECT_TRUE(chip.sim.Violations().empty()) << chip.All();
  }
}

// Statistics: every cycle counts with its own published minimum.
TEST(NewFamiliesTest, CyclesAddTheirOwnTimes) {
  Chip a(SimModel("16F877A"));
  a.Enter();
  a.LoadRow(0);
  a.Cmd(0x08, 10ms);
  a.Inc();
  a.Load(0x02, 1);
  a.Cmd(0x18, 1ms);
  a.Cmd(0x17, 100us);
  a.Cmd(0x1F, 10ms);
  const SimStats& s = a.sim.Stats();
  EXPECT_EQ(s.programCycles, 3);
  EXPECT_EQ(s.programOnlyCycles, 1);
  EXPECT_EQ(s.programWrites, 9);
  EXPECT_EQ(s.bulkErases, 1);
  EXPECT_EQ(s.cycleTimeTotal, 10ms + 1ms + 10ms);
  EXPECT_TRUE(a.sim.Violations().empty()) << a.All();
}

}  // namespace
}  // namespace daxwel::sim
