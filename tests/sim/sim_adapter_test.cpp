#include "sim/sim_adapter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "sim_driver.h"

namespace daxwel::sim {
namespace {

using namespace std::chrono_literals;
using std::chrono::nanoseconds;

// The careful programmer of sim_driver.h, with the protocol's frames on top.
struct Bench : LineDriver {
  using LineDriver::LineDriver;

  void Command(unsigned command) {
    SendBits(command, 6);
    Pause(1us);
  }
  void Data(unsigned word) {
    SendBits((word & 0x3FFF) << 1, 16);
    Pause(1us);
  }
  unsigned Read() {
    const unsigned word = ReadFrame();
    Pause(1us);
    return word;
  }
  void Cycle(nanoseconds wait = 20ms) {
    Command(0x08);
    Pause(wait);
  }
  void Increment(int times = 1) {
    for (int i = 0; i < times; ++i) Command(0x06);
  }
  unsigned ReadProgram() {
    Command(0x04);
    return Read();
  }
  unsigned ReadEeprom() {
    Command(0x05);
    return Read();
  }
  void WriteProgram(unsigned word, nanoseconds wait = 20ms) {
    Command(0x02);
    Data(word);
    Cycle(wait);
  }
  void WriteEeprom(unsigned byte) {
    Command(0x03);
    Data(byte);  // zeros above the byte, as the documents give the frame
    Cycle();
  }
  void LoadConfiguration() {
    Command(0x00);
    Data(0x3FFF);
  }
  void ChipErase() {
    LoadConfiguration();
    Increment(7);
    Command(0x01);
    Command(0x07);
    Cycle();
    Command(0x01);
    Command(0x07);
  }
};

std::string Joined(const std::vector<std::string>& lines) {
  std::string all;
  for (const auto& line : lines) all += line + "\n";
  return all;
}

TEST(SimAdapterTest, ParsesModelNames) {
  const SimModel all[] = {SimModel("16F84"),  SimModel("16F84A"), SimModel("16F870"),
                          SimModel("16F871"), SimModel("16F872"), SimModel("16F873"),
                          SimModel("16F874"), SimModel("16F876"), SimModel("16F877")};
  for (SimModel model : all) {
    EXPECT_EQ(ParseSimModel(SimModelName(model)), model) << SimModelName(model);
    EXPECT_EQ(ParseSimModel("PIC" + std::string(SimModelName(model))), model);
  }
  EXPECT_EQ(ParseSimModel("pic16f84a"), SimModel("16F84A"));
  EXPECT_EQ(ParseSimModel("16f84"), SimModel("16F84"));
  EXPECT_EQ(SimModelName(SimModel("16F877")), "16F877");
  for (const char* bad : {"", "PIC", "16F85", "16F877B", "PIC 16F877", "F877"}) {
    EXPECT_FALSE(ParseSimModel(bad).has_value()) << bad;
  }
}

TEST(SimAdapterTest, StatusShowsPresenceAndTheDataLine) {
  Bench bench(SimModel("16F877"), {}, 0x278);
  EXPECT_EQ(bench.Status() & 0xF8, 0x80);
  bench.Enter();
  bench.Out(6);  // data high, clock low: the line reads back through the status port
  EXPECT_EQ(bench.Status() & 0xF8, 0xC0);
  EXPECT_EQ(bench.sim.PortIn(0x278), 6);
  bench.sim.PortOut(0x378, 0);  // another port: the adapter does not see it
  EXPECT_EQ(bench.sim.DataRegister(), 6);
  EXPECT_EQ(bench.sim.PortIn(0x379), 0xFF);
  EXPECT_EQ(bench.sim.Stats().portWrites, 4);
  EXPECT_EQ(bench.sim.Stats().portReads, 4);

  bench.sim.GetFaults().noAdapter = true;
  const std::uint8_t absent = bench.Status() & 0xF8;
  EXPECT_NE(absent, 0x80);
  EXPECT_NE(absent, 0xC0);

  // A missing target: the data-in bit is stuck and nothing written reaches a memory.
  for (int stuck : {0, 1}) {
    Faults faults;
    faults.noTarget = stuck;
    Bench lonely(SimModel("16F877"), faults);
    lonely.Enter();
    EXPECT_EQ(lonely.Status() & 0xB8, 0x80);
    lonely.WriteProgram(0x0123);
    EXPECT_EQ(lonely.ReadProgram(), stuck ? 0x3FFFu : 0u);
    EXPECT_FALSE(lonely.sim.InProgramMode());
    EXPECT_EQ(lonely.sim.Memory().program[0], 0x3FFF);
  }

  // Unplugged after the write that raised VPP: the target drops out of programming mode.
  Faults faults;
  faults.unplugAfter = 2;
  Bench unplugged(SimModel("16F84A"), faults);
  unplugged.Out(0);
  EXPECT_EQ(unplugged.Status() & 0xF8, 0x80);
  unplugged.Out(4);
  EXPECT_NE(unplugged.Status() & 0xF8, 0x80);
  EXPECT_FALSE(unplugged.sim.InProgramMode());
  unplugged.sim.ResetStats();  // the plan counts every write, not the statistics
  unplugged.Enter();
  EXPECT_FALSE(unplugged.sim.InProgramMode());
}

TEST(SimAdapterTest, ReadsTheDeviceIdOfEveryModel) {
  const std::pair<SimModel, unsigned> ids[] = {
      {SimModel("16F84"), 0x0000},  {SimModel("16F84A"), 0x056E}, {SimModel("16F870"), 0x0D0F},
      {SimModel("16F871"), 0x0D21}, {SimModel("16F872"), 0x08EC}, {SimModel("16F873"), 0x0961},
      {SimModel("16F874"), 0x092E}, {SimModel("16F876"), 0x09E5}, {SimModel("16F877"), 0x09A3}};
  for (const auto& [model, id] : ids) {
    Bench bench(model);
    EXPECT_EQ(bench.sim.DeviceId(), id);
    bench.Enter();
    bench.Command(0x00);
    bench.Data(0x0010);
    bench.Increment(6);
    EXPECT_EQ(bench.ReadProgram(), id) << SimModelName(model);
    EXPECT_TRUE(bench.sim.Violations().empty()) << Joined(bench.sim.Violations());
  }

  Faults faults;
  faults.deviceId = 0x09BF;
  Bench other(SimModel("16F877"), faults);
  other.Enter();
  other.LoadConfiguration();
  other.Increment(6);
  EXPECT_EQ(other.ReadProgram(), 0x09BFu);
  // A fresh entry returns to program memory address 0.
  other.sim.Memory().program[0] = 0x1234;
  other.Leave();
  other.Enter();
  EXPECT_EQ(other.ReadProgram(), 0x1234u);
}

TEST(SimAdapterTest, WritesAndReadsBackEachMemory) {
  Bench bench(SimModel("16F877"));
  bench.Enter();
  EXPECT_TRUE(bench.sim.InProgramMode());
  bench.Increment(0x1A3);
  EXPECT_EQ(bench.ReadProgram(), 0x3FFFu);
  bench.WriteProgram(0x2ABC);
  EXPECT_EQ(bench.ReadProgram(), 0x2ABCu);
  bench.Increment();
  bench.WriteProgram(0x0001);
  EXPECT_EQ(bench.sim.Memory().program[0x1A3], 0x2ABC);
  EXPECT_EQ(bench.sim.Memory().program[0x1A4], 0x0001);
  bench.Leave();

  bench.Enter();
  bench.Increment(5);
  bench.WriteEeprom(0x41);
  EXPECT_EQ(bench.ReadEeprom(), 0x0041u);  // upper six bits read 0 by default
  bench.sim.GetFaults().eeUpper = 1;
  EXPECT_EQ(bench.ReadEeprom(), 0x3F41u);
  EXPECT_EQ(bench.sim.Memory().eeprom[5], 0x41);
  bench.Leave();

  bench.Enter();
  bench.Command(0x00);
  bench.Data(0x0000);
  for (unsigned id : {0x3F85u, 0x3F80u, 0x3F8Fu, 0x3F80u}) {
    bench.WriteProgram(id);
    bench.Increment();
  }
  bench.Increment(2);
  bench.WriteProgram(0x0000);  // device ID is read-only
  bench.Increment();
  bench.WriteProgram(0x3F72);
  EXPECT_EQ(bench.ReadProgram(), 0x3F72u);
  // Bit 13 was 1, but the target lets go after clock 15: the line shows the programmer's low.
  EXPECT_EQ(bench.Status() & 0x40, 0);
  bench.Leave();

  const ChipMemory& memory = bench.sim.Memory();
  EXPECT_EQ(memory.ids[0], 0x3F85);
  EXPECT_EQ(memory.ids[2], 0x3F8F);
  EXPECT_EQ(memory.config, 0x3F72);
  EXPECT_EQ(bench.sim.DeviceId(), 0x09A3);
  const SimStats& stats = bench.sim.Stats();
  EXPECT_EQ(stats.programModeEntries, 3);
  EXPECT_EQ(stats.programCycles, 9);
  EXPECT_EQ(stats.programWrites, 2);
  EXPECT_EQ(stats.eepromWrites, 1);
  EXPECT_EQ(stats.configWrites, 6);
  EXPECT_EQ(stats.bulkErases, 0);
  EXPECT_TRUE(bench.sim.Violations().empty()) << Joined(bench.sim.Violations());
}

TEST(SimAdapterTest, CodeProtectionHidesMemoryUntilChipErase) {
  // 16F877 with CP1:CP0 = 01 in both copies: 1000h-1FFFh protected.
  Faults faults;
  faults.stuckProgram = {0x0002};
  Bench bench(SimModel("16F877"), faults);
  ChipMemory& memory = bench.sim.Memory();
  memory.config = 0x3FFF & ~0x2020;
  memory.program[0x0002] = 0x0BAD;
  memory.program[0x0FFF] = 0x2222;
  memory.program[0x1000] = 0x1111;
  memory.eeprom[0] = 0x55;
  memory.ids[1] = 0x3F81;

  bench.Enter();
  bench.Increment(0x0FFF);
  EXPECT_EQ(bench.ReadProgram(), 0x2222u);
  bench.Increment();
  EXPECT_EQ(bench.ReadProgram(), 0u);
  bench.WriteProgram(0x0000);
  EXPECT_EQ(bench.sim.Memory().program[0x1000], 0x1111);
  bench.Leave();

  bench.Enter();
  bench.LoadConfiguration();
  bench.Increment(7);
  bench.WriteProgram(0x3FFF);  // protection stays until the chip erase
  EXPECT_EQ(bench.ReadProgram(), 0x1FDFu);
  bench.Command(0x09);
  bench.Cycle();  // a bulk erase of a protected part does nothing
  EXPECT_EQ(bench.sim.Memory().program[0x0FFF], 0x2222);
  bench.Leave();

  bench.Enter();
  bench.ChipErase();
  bench.Leave();
  EXPECT_EQ(memory.config, 0x3FFF);
  EXPECT_EQ(memory.program[0x1000], 0x3FFF);
  EXPECT_EQ(memory.program[0x0FFF], 0x3FFF);
  EXPECT_EQ(memory.program[0x0002], 0x0BAD);
  EXPECT_EQ(memory.eeprom[0], 0xFF);
  EXPECT_EQ(memory.ids[1], 0x3FFF);
  EXPECT_EQ(bench.sim.Stats().bulkErases, 2);
  EXPECT_TRUE(bench.sim.Violations().empty()) << Joined(bench.sim.Violations());

  // CPD = 0 hides the data EEPROM and keeps it from being written.
  memory.config = 0x3FFF & ~0x0100;
  memory.eeprom[0] = 0x55;
  bench.Enter();
  EXPECT_EQ(bench.ReadEeprom(), 0u);
  bench.WriteEeprom(0x12);
  EXPECT_EQ(memory.eeprom[0], 0x55);
  EXPECT_EQ(bench.ReadProgram(), 0x3FFFu);
  bench.Leave();

  // 16F84: bit 4 clear protects everything; 16F872: a half or top setting still protects all.
  const std::pair<SimModel, std::uint16_t> protectedAll[] = {{SimModel("16F84"), 0x3FEF},
                                                             {SimModel("16F872"), 0x2FEF}};
  for (const auto& [model, config] : protectedAll) {
    Bench other(model);
    other.sim.Memory().config = config;
    other.sim.Memory().program[0] = 0x0123;
    other.sim.Memory().eeprom[0] = 0x99;
    other.Enter();
    EXPECT_EQ(other.ReadProgram(), 0u) << SimModelName(model);
    EXPECT_EQ(other.ReadEeprom() & 0xFF, model == SimModel("16F84") ? 0u : 0x99u);
  }
}

TEST(SimAdapterTest, BulkErasesTouchOnlyTheirOwnMemory) {
  Faults faults;
  faults.stuckEeprom = {7};
  Bench bench(SimModel("16F876"), faults);
  ChipMemory& memory = bench.sim.Memory();
  memory.program[0x1FFF] = 0;
  memory.eeprom[0] = 0;
  memory.eeprom[7] = 0;
  memory.config = 0x3F3A;

  bench.Enter();
  bench.Command(0x09);
  bench.Cycle();
  // A finished cycle shows as soon as the memory is asked for, before the next port access.
  EXPECT_EQ(bench.sim.Memory().program[0x1FFF], 0x3FFF);
  EXPECT_EQ(memory.eeprom[0], 0);
  bench.Command(0x0B);
  bench.Cycle();
  bench.Leave();
  EXPECT_EQ(memory.eeprom[0], 0xFF);
  EXPECT_EQ(memory.eeprom[7], 0);
  EXPECT_EQ(memory.config, 0x3F3A);
  EXPECT_EQ(bench.sim.Stats().bulkErases, 2);
  EXPECT_TRUE(bench.sim.Violations().empty()) << Joined(bench.sim.Violations());
}

TEST(SimAdapterTest, RunLineAndProgrammingModeAreTold) {
  Bench bench(SimModel("16F84A"));
  bench.Out(8);
  EXPECT_TRUE(bench.sim.Running());
  EXPECT_FALSE(bench.sim.InProgramMode());
  bench.Enter();
  EXPECT_FALSE(bench.sim.Running());
  EXPECT_TRUE(bench.sim.InProgramMode());
  bench.Leave();
  EXPECT_FALSE(bench.sim.InProgramMode());
  EXPECT_TRUE(bench.sim.Violations().empty()) << Joined(bench.sim.Violations());
}

// Each case breaks one rule on a fresh 16F877 that has just entered programming mode.
TEST(SimAdapterTest, ReportsEachBrokenRule) {
  struct Case {
    const char* expected;
    std::function<void(Bench&)> act;
  };
  const Case cases[] = {
      {"clock or data high while the programming voltage rises",
       [](Bench& b) {
         b.Leave();
         b.Out(5);
       }},
      {"after the programming voltage (needs 5.000 us)",
       [](Bench& b) {
         b.Leave();
         b.Out(4);
         b.Pause(4999ns);
         b.Command(0x06);
       }},
      {"clock high for only 0.999 us",
       [](Bench& b) {
         b.Out(5);
         b.Pause(999ns);
         b.Out(4);
       }},
      {"clock low for only 0.999 us",
       [](Bench& b) {
         b.Out(5);
         b.Pause(1us);
         b.Out(4);
         b.Pause(999ns);
         b.Out(5);
       }},
      {"before the falling clock edge (setup",
       [](Bench& b) {
         b.Out(5);
         b.Pause(1us);
         b.Out(6);
       }},
      {"after the falling clock edge (hold",
       [](Bench& b) {
         b.Out(7);
         b.Pause(1us);
         b.Out(6);
         b.Pause(99ns);
         b.Out(4);
       }},
      {"data line driven high while the target sends",
       [](Bench& b) {
         b.Command(0x04);
         b.Out(5);
         b.Pause(1us);
         b.Out(4);
         b.Pause(1us);
         b.Out(7);
       }},
      {"clock raised 7999.999 us into the programming cycle at 0x0000",
       [](Bench& b) {
         b.WriteProgram(0x1234, 8ms - 2us - 1ns);
         b.Command(0x04);
       }},
      {"programming voltage dropped 5000.000 us into the data memory cycle",
       [](Bench& b) {
         b.Command(0x03);
         b.Data(0x12);
         b.Cycle(5ms - 2us);
         b.Leave();
       }},
      {"programming voltage dropped inside a frame",
       [](Bench& b) {
         b.Command(0x02);
         b.Leave();
       }},
      {"unused bits written as 1: 0x14", [](Bench& b) { b.Out(0x14); }},
      {"run line written together with other lines: 0x0C", [](Bench& b) { b.Out(0x0C); }},
      {"clock or data driven without programming voltage: 0x01",
       [](Bench& b) {
         b.Leave();
         b.Out(1);
       }},
      {"start bit of a data frame sent as 1",
       [](Bench& b) {
         b.Command(0x02);
         b.SendBits((0x1234u << 1) | 1u, 16);
       }},
      {"stop bit of a data frame sent as 1",
       [](Bench& b) {
         b.Command(0x02);
         b.SendBits((0x1234u << 1) | 0x8000u, 16);
       }},
      {"unknown command 0x3F", [](Bench& b) { b.Command(0x3F); }},
      {"Begin Erase/Programming Cycle with no data loaded", [](Bench& b) { b.Cycle(); }},
      {"Bulk Erase Setup1/Setup2 cycle at 0x0000",
       [](Bench& b) {
         b.Command(0x01);
         b.Command(0x07);
         b.Cycle();
       }},
  };
  for (const Case& c : cases) {
    Bench bench(SimModel("16F877"));
    bench.Enter();
    bench.sim.Memory().program[0] = 0;
    c.act(bench);
    const std::string all = Joined(bench.sim.Violations());
    EXPECT_NE(all.find(c.expected), std::string::npos) << "wanted: " << c.expected << "\n" << all;
  }

  // A cycle cut short leaves its word erased, not programmed; clearing forgets the report.
  Bench cut(SimModel("16F877"));
  cut.sim.Memory().program[0] = 0;
  cut.Enter();
  cut.WriteProgram(0x1234, 4ms);
  cut.Leave();
  EXPECT_EQ(cut.sim.Memory().program[0], 0x3FFF);
  EXPECT_EQ(cut.sim.Violations().size(), 1u);
  cut.sim.ClearViolations();
  EXPECT_TRUE(cut.sim.Violations().empty());

  // The list stays bounded and says how much it left out.
  for (int i = 0; i < 500; ++i) cut.Out(0x10);
  EXPECT_EQ(cut.sim.Violations().size(), 200u);
  EXPECT_NE(cut.sim.Violations().back().find("and 301 more"), std::string::npos);
}

// Pauses of exactly the minimum pass; one nanosecond less cuts the self-timed cycle short.
TEST(SimAdapterTest, CycleTimesFollowTheModel) {
  const struct {
    SimModel model;
    nanoseconds word;
    nanoseconds bulk;
  } models[] = {{SimModel("16F84"), 20ms, 20ms},
                {SimModel("16F84A"), 8ms, 10ms},
                {SimModel("16F873"), 8ms, 8ms}};
  // The command's own trailing pauses (2 us) count towards the cycle.
  for (const auto& m : models) {
    for (nanoseconds shortfall : {0ns, 1ns}) {
      Bench bench(m.model);
      bench.sim.Memory().program[1] = 0;
      bench.Enter();
      bench.Command(0x09);
      bench.Cycle(m.bulk - 2us - shortfall);
      bench.WriteProgram(0x0155, m.word - 2us - shortfall);
      bench.ReadProgram();
      bench.Leave();
      const bool inTime = shortfall == 0ns;
      EXPECT_EQ(bench.sim.Violations().size(), inTime ? 0u : 2u) << SimModelName(m.model) << "\n"
                                                                 << Joined(bench.sim.Violations());
      EXPECT_EQ(bench.sim.Memory().program[0], inTime ? 0x0155 : 0x3FFF);
      EXPECT_EQ(bench.sim.Memory().program[1], inTime ? 0x3FFF : 0);
    }
  }
}

// Programming only stores old AND new: the chip takes it on an erased word in its own 4 ms,
// reports it on any other word, and the 16F84 has no such command.
TEST(SimAdapterTest, ProgrammingOnlyCycleClearsBitsOnly) {
  const struct {
    SimModel model;
    unsigned before;
    nanoseconds wait;
    std::size_t violations;
    unsigned after;
  } cases[] = {
      {SimModel("16F877"), 0x3FFF, 4ms, 0, 0x0155},
      {SimModel("16F877"), 0x3FFF, 4ms - 1ns, 1, 0x3FFF},
      {SimModel("16F877"), 0x2AAA, 4ms, 1, 0x2AAA & 0x0155},
      {SimModel("16F84"), 0x3FFF, 20ms, 1, 0x3FFF},
  };
  for (const auto& c : cases) {
    Bench bench(c.model);
    bench.sim.Memory().program[0] = static_cast<std::uint16_t>(c.before);
    bench.Enter();
    bench.Command(0x02);
    bench.Data(0x0155);
    bench.Command(0x18);
    bench.Pause(c.wait - 2us);  // the command's own trailing pauses count
    bench.ReadProgram();
    bench.Leave();
    EXPECT_EQ(bench.sim.Violations().size(), c.violations) << Joined(bench.sim.Violations());
    EXPECT_EQ(bench.sim.Memory().program[0], c.after);
  }
}

// The 16F87X protect the top 256 words, the top half or everything; the 2K parts and the
// 16F84/84A only all or nothing. A zero in either copy of CP1:CP0 counts.
TEST(SimAdapterTest, ProtectedRangesFollowTheFamily) {
  const struct {
    SimModel model;
    std::uint16_t config;
    int firstProtected;  // -1: nothing protected
  } cases[] = {
      {SimModel("16F877"), 0x2FEF, 0x1F00}, {SimModel("16F877"), 0x1FDF, 0x1000},
      {SimModel("16F877"), 0x0FCF, 0x0000}, {SimModel("16F877"), 0x1FFF, 0x1000},
      {SimModel("16F876"), 0x2FEF, 0x1F00}, {SimModel("16F873"), 0x2FEF, 0x0F00},
      {SimModel("16F874"), 0x1FDF, 0x0800}, {SimModel("16F870"), 0x2FEF, 0x0000},
      {SimModel("16F871"), 0x3FEF, 0x0000}, {SimModel("16F84A"), 0x3FEF, 0x0000},
      {SimModel("16F84"), 0x3FFF, -1},      {SimModel("16F877"), 0x3EFF, -1},
  };
  for (const auto& c : cases) {
    Bench bench(c.model);
    ChipMemory& memory = bench.sim.Memory();
    const int size = static_cast<int>(memory.program.size());
    for (int a = 0; a < size; ++a) memory.program[static_cast<std::size_t>(a)] = 0x0155;
    memory.config = c.config;
    const int first = c.firstProtected < 0 ? size : c.firstProtected;
    const std::string what = std::string(SimModelName(c.model)) + " " + std::to_string(c.config);

    bench.Enter();
    if (first > 0) {
      bench.Increment(first - 1);
      EXPECT_EQ(bench.ReadProgram(), 0x0155u) << what << " below the protected range";
      bench.Increment();
    }
    if (first < size) {
      EXPECT_EQ(bench.ReadProgram(), 0u) << what << " first protected word";
      bench.WriteProgram(0x0AAA);
      EXPECT_EQ(bench.sim.Memory().program[static_cast<std::size_t>(first)], 0x0155) << what;
    }
    bench.Leave();
    EXPECT_TRUE(bench.sim.Violations().empty()) << what << "\n" << Joined(bench.sim.Violations());
  }
}

// The chip erase takes the model's bulk erase time; cut short, it erases nothing.
TEST(SimAdapterTest, ChipEraseNeedsItsWholeCycle) {
  for (nanoseconds wait : {nanoseconds(20ms - 2us - 1ns), nanoseconds(20ms - 2us)}) {
    Bench bench(SimModel("16F84"));
    bench.sim.Memory().config = 0x000F;
    bench.sim.Memory().program[0] = 0x0123;
    bench.Enter();
    bench.LoadConfiguration();
    bench.Increment(7);
    bench.Command(0x01);
    bench.Command(0x07);
    bench.Cycle(wait);
    bench.Command(0x01);
    bench.Command(0x07);
    bench.Leave();
    const bool whole = wait == 20ms - 2us;
    EXPECT_EQ(bench.sim.Memory().config, whole ? 0x3FFF : 0x000F);
    EXPECT_EQ(bench.sim.Memory().program[0], whole ? 0x3FFF : 0x0123);
    const std::string all = Joined(bench.sim.Violations());
    EXPECT_EQ(all.find("into the bulk erase cycle") != std::string::npos, !whole) << all;
  }
}

}  // namespace
}  // namespace daxwel::sim
