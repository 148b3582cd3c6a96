// Rules every family shares: the entry times at their minimum (accepted) and just below
// (reported, and the counter not reset), the older parts' remaining cycle times, unimplemented
// configuration bits reading 1, and the fault that makes configuration writes fail.

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "sim/chip.h"
#include "sim/sim_adapter.h"
#include "sim/sim_session.h"
#include "sim_driver.h"

namespace daxwel::sim {
namespace {

using namespace std::chrono_literals;
using std::chrono::nanoseconds;

struct Target : LineDriver {
  using LineDriver::LineDriver;

  void Cmd(unsigned c, nanoseconds wait = 0ns) {
    SendBits(c, 6);
    Pause(1us + wait);
  }
  void Load(unsigned c, unsigned word) {
    Cmd(c);
    SendBits((word & 0x3FFF) << 1, 16);
    Pause(1us);
  }
  unsigned Read(unsigned c) {
    Cmd(c);
    const unsigned word = ReadFrame();
    Pause(1us);
    return word;
  }
  // Writes `word` to 0x2007 with the family's one-location cycle and its published time.
  void WriteConfig(unsigned word, nanoseconds time) {
    Load(0x00, 0x3FFF);
    for (int i = 0; i < 7; ++i) Cmd(0x06);
    Load(0x02, word);
    Cmd(0x08, time);
  }
  std::string All() const {
    std::string all;
    for (const auto& v : sim.Violations()) all += v + "\n";
    return all;
  }
};

// One part of each family with its configuration write time and implemented bits.
const struct {
  SimModel model;
  nanoseconds configTime;
  unsigned implemented;
} kFamilies[] = {{SimModel("16F84"), 20ms, 0x3FFF},
                 {SimModel("16F877"), 8ms, 0x3BFF},
                 {SimModel("16F877A"), 10ms, 0x2FCF},
                 {SimModel("16F628A"), 4ms, 0x21FF}};

// VPP low 10 us resets the address counter; 1 ns less is reported and leaves it where it was.
// The first clock may come 5 us after VPP rises, not 1 ns sooner.
TEST(RulesTest, EntryTimesAtTheirMinimumPassAndJustBelowAreReported) {
  for (const auto& f : kFamilies) {
    for (nanoseconds shortfall : {0ns, 1ns}) {
      const std::string what =
          std::string(SimModelName(f.model)) + (shortfall > 0ns ? " short" : "");
      Target t(f.model);
      t.sim.Memory().program[0] = 0x0100;
      t.sim.Memory().program[1] = 0x0101;
      t.Enter();
      t.Cmd(0x06);
      t.Out(0);
      t.Pause(10us - shortfall);
      t.Out(4);
      t.Pause(5us - shortfall);
      EXPECT_EQ(t.Read(0x04), shortfall > 0ns ? 0x0101u : 0x0100u) << what;
      t.Leave();
      ASSERT_EQ(t.sim.Violations().size(), shortfall > 0ns ? 2u : 0u) << what << "\n" << t.All();
      if (shortfall > 0ns) {
        EXPECT_NE(t.All().find("programming voltage low for only 9.999 us before it rose again "
                               "(needs 10.000 us to reset the address counter)"),
                  std::string::npos)
            << t.All();
        EXPECT_NE(t.All().find("clock or data raised 4.999 us after the programming voltage"),
                  std::string::npos)
            << t.All();
      }
    }
  }
}

// The older parts' cycles not covered elsewhere, each at its published minimum and 1 ns less.
// A configuration word of zeros reads back with every unimplemented bit as 1; with
// config-fail the write does not take and the old word stays.
TEST(RulesTest, ConfigurationWordReadsUnimplementedBitsAsOneAndCanFailToWrite) {
  for (const auto& f : kFamilies) {
    for (bool fail : {false, true}) {
      Faults faults;
      faults.configFail = fail;
      Target t(f.model, faults);
      t.Enter();
      t.WriteConfig(0x0000, f.configTime);
      const unsigned expected = fail ? 0x3FFF : 0x3FFF & ~f.implemented;
      EXPECT_EQ(t.Read(0x04), expected) << SimModelName(f.model) << (fail ? " config-fail" : "");
      t.Leave();
      EXPECT_EQ(t.sim.Memory().config, expected);
      EXPECT_TRUE(t.sim.Violations().empty()) << t.All();
    }
  }
  Faults faults;
  EXPECT_EQ(ParseSimFault("config-fail", faults), "");
  EXPECT_TRUE(faults.configFail);
  EXPECT_NE(ParseSimFault("config-fail=1", faults), "");
}

// Load Data for Data Memory carries the byte with zeros above it on every family: ones there
// are reported, zeros are not, and only the byte is loaded either way.
TEST(RulesTest, DataMemoryLoadsCarryZerosAboveTheByte) {
  for (SimModel m :
       {SimModel("16F84A"), SimModel("16F877"), SimModel("16F877A"), SimModel("16F628A"),
        SimModel("12F675"), SimModel("16F690"), SimModel("16F88")}) {
    for (unsigned upper : {0x0000u, 0x3F00u, 0x0100u}) {
      Target t(m);
      t.Enter();
      t.Load(0x03, upper | 0x5A);
      t.Leave();
      const std::string what = std::string(SimModelName(m)) + " " + Hex(upper, 4);
      ASSERT_EQ(t.sim.Violations().size(), upper != 0 ? 1u : 0u) << what << "\n" << t.All();
      if (upper != 0) {
        EXPECT_NE(t.All().find("Load Data for Data Memory with " + Hex(upper | 0x5A, 4) +
                               ": the six bits above the byte must be 0"),
                  std::string::npos)
            << t.All();
      }
    }
  }
}

}  // namespace
}  // namespace daxwel::sim
