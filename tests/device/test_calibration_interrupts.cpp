// A run of program or erase on the 12F629/675 and 16F630/676 stopped anywhere (a signal at any
// wait, the adapter pulled at any self-timed cycle) never costs the chip its factory OSCCAL and
// band-gap bits: a stop is acted on only once they are written back, and a chip the adapter
// left erased gets them back on the next run from the record written before the erase.
#include <cstdio>
#include <functional>

#include "bench.h"
#include "device/calibration_store.h"

namespace daxwel {
namespace {

using sim::SimModel;
using testing::HexBuilder;
using testing::ScriptedOperator;
using testing::TempDir;

const SimModel kParts[] = {SimModel("12F629"), SimModel("12F675"), SimModel("16F630"),
                           SimModel("16F676")};

// Counts the port writes and notes those after which the chip started a self-timed cycle.
class CycleTap final : public PortIo {
 public:
  explicit CycleTap(sim::SimAdapter& sim) : sim_(sim) {}
  void PortOut(std::uint16_t address, std::uint8_t value) override {
    sim_.PortOut(address, value);
    ++writes;
    if (sim_.Stats().programCycles != cycles_) {
      cycles_ = sim_.Stats().programCycles;
      cycleStarts.push_back(writes);
    }
  }
  std::uint8_t PortIn(std::uint16_t address) override { return sim_.PortIn(address); }
  long long writes = 0;
  std::vector<long long> cycleStarts;

 private:
  sim::SimAdapter& sim_;
  long long cycles_ = 0;
};

// A chip, the adapter and a user, with the chip's memories as another rig left them.
struct Rig {
  Rig(SimModel part, const sim::ChipMemory& memory, const std::string& store,
      sim::Faults faults = {})
      : sim(part, pacer, 0x378, faults), tap(sim), link(tap, pacer, 0x378) {
    sim.Memory() = memory;
    op.model = testing::IndexOf(part);
    op.calibrationFolder = store;
  }
  VirtualPacer pacer;
  sim::SimAdapter sim;
  CycleTap tap;
  Link link;
  ScriptedOperator op;
};

bool FactoryKept(const sim::ChipMemory& m) {
  return m.program.back() == m.factory->osccal && ((m.config >> 12) & 3) == m.factory->bandGap;
}

std::string FactoryText(const sim::Calibration& c) {
  char text[32];
  std::snprintf(text, sizeof text, "OSCCAL 0x%04X, BG %u", unsigned{c.osccal}, unsigned{c.bandGap});
  return text;
}

struct Operation {
  const char* name;
  std::function<std::string(Rig&, const std::string& file)> run;
};

const Operation kOperations[] = {
    {"program", [](Rig& r, const std::string& f) { return ProgramDevice(f, r.link, r.op); }},
    {"erase", [](Rig& r, const std::string&) { return EraseDevice(r.link, r.op); }},
};

// A chip holding code the file changes by setting bits, so program erases first; the file
// wants other values where the factory's bits are.
struct Scenario {
  sim::ChipMemory chip;
  std::string file;
};

Scenario MakeSetup(SimModel part, const TempDir& dir) {
  Scenario s;
  testing::Bench fresh(part);
  s.chip = fresh.sim.Memory();
  s.chip.program[0] = 0x0000;
  s.chip.program[5] = 0x2222;
  HexBuilder h;
  h.Words(0, {0x2805, 0x3001}).Words(0x3FF, {0x3455}).Eeprom(0, {7}).Config(0x31F4);
  s.file = dir.Write("f.hex", h.Text());
  return s;
}

// What a full run does: its yields, the yield at which the erase starts, its cycle starts.
struct Profile {
  int yields = 0;
  int eraseYield = -1;
  std::vector<long long> cycleStarts;
};

Profile ProfileOf(SimModel part, const Scenario& setup, const Operation& operation) {
  const TempDir store;
  Rig r(part, setup.chip, store.Path());
  Profile p;
  r.op.onYield = [&] { ++p.yields; };
  r.op.onProgress = [&](const std::string& line) {
    if (line.rfind("Borrando", 0) == 0) p.eraseYield = p.yields;
  };
  EXPECT_EQ(operation.run(r, setup.file), "ok") << r.op.LastText();
  EXPECT_TRUE(FactoryKept(r.sim.Memory()));
  p.cycleStarts = r.tap.cycleStarts;
  return p;
}

// A stop asked at any wait: the run ends ("abandoned", or "ok" when asked after the last
// yield point) with the calibration in place and the lines off, never in between.
TEST(CalibrationInterrupts, AStopAtAnyWaitKeepsIt) {
  for (SimModel part : kParts) {
    const TempDir dir;
    const Scenario setup = MakeSetup(part, dir);
    for (const Operation& operation : kOperations) {
      const Profile profile = ProfileOf(part, setup, operation);
      ASSERT_GE(profile.eraseYield, 0) << operation.name << " erases";
      // Every wait from just before the erase on; before it nothing is erased yet, so a
      // sample of those will do.
      for (int k = 1; k <= profile.yields + 1; k += k < profile.eraseYield - 2 ? 37 : 1) {
        SCOPED_TRACE(std::string(sim::SimModelName(part)) + " " + operation.name + " yield " +
                     std::to_string(k));
        const TempDir store;
        Rig r(part, setup.chip, store.Path());
        int yields = 0;
        r.op.onYield = [&] {
          if (++yields == k) r.op.abandon = true;
        };
        const std::string result = operation.run(r, setup.file);
        EXPECT_TRUE(result == "abandoned" || result == "ok") << result << ": " << r.op.LastText();
        EXPECT_TRUE(FactoryKept(r.sim.Memory()));
        EXPECT_TRUE(r.sim.Violations().empty()) << r.sim.Violations().front();
        EXPECT_EQ(r.sim.DataRegister(), 0);
      }
    }
  }
}

// The adapter pulled just before or just after any cycle starts: the chip keeps its
// calibration, or the next run finds the record written before the erase, shows its values
// and writes them back; either way that run programs the file and keeps them.
TEST(CalibrationInterrupts, AnUnpluggedAdapterLeavesItRecoverable) {
  int recovered = 0;
  for (SimModel part : kParts) {
    const TempDir dir;
    const Scenario setup = MakeSetup(part, dir);
    const std::string factory = FactoryText(*setup.chip.factory);
    for (const Operation& operation : kOperations) {
      const Profile profile = ProfileOf(part, setup, operation);
      ASSERT_GE(profile.cycleStarts.size(), 3u) << operation.name;
      for (long long start : profile.cycleStarts) {
        for (long long unplug : {start - 1, start}) {
          SCOPED_TRACE(std::string(sim::SimModelName(part)) + " " + operation.name +
                       " unplugged after write " + std::to_string(unplug));
          const TempDir store;
          sim::Faults faults;
          faults.unplugAfter = unplug;
          Rig cut(part, setup.chip, store.Path(), faults);
          operation.run(cut, setup.file);
          const bool lost = !FactoryKept(cut.sim.Memory());

          Rig next(part, cut.sim.Memory(), store.Path());
          ASSERT_EQ(ProgramDevice(setup.file, next.link, next.op), "ok") << next.op.LastText();
          EXPECT_TRUE(FactoryKept(next.sim.Memory()));
          EXPECT_EQ(next.sim.Memory().program[0], 0x2805);
          EXPECT_TRUE(next.sim.Violations().empty());
          bool offered = false;
          for (const auto& c : next.op.confirmations) {
            offered = offered || (c.title == "Restaurar calibración" &&
                                  c.text.find(factory) != std::string::npos);
          }
          EXPECT_EQ(offered, lost) << "the record is offered exactly when the chip lost it";
          recovered += lost ? 1 : 0;
        }
      }
    }
  }
  // Cut between an erase and its write-back, some runs must have needed the record.
  EXPECT_GT(recovered, 0);
}

// A write that fails: after the erase, writing the band gap back (the configuration word does
// not take) ends the run saying where the values are kept, and the next run offers them; a
// program word or an EEPROM byte that does not take later costs nothing of the calibration.
TEST(CalibrationInterrupts, FailedWritesLeaveItRecoverable) {
  for (SimModel part : kParts) {
    SCOPED_TRACE(std::string(sim::SimModelName(part)));
    const TempDir dir;
    const Scenario setup = MakeSetup(part, dir);
    const std::string factory = FactoryText(*setup.chip.factory);
    {
      const TempDir store;
      sim::Faults faults;
      faults.configFail = true;
      Rig r(part, setup.chip, store.Path(), faults);
      EXPECT_EQ(EraseDevice(r.link, r.op), "erase-error");
      EXPECT_NE(r.op.LastText().find("no se pudo escribir de nuevo la calibración de fábrica (" +
                                     factory + ")"),
                std::string::npos)
          << r.op.LastText();
      EXPECT_NE(r.op.LastText().find("Quedó guardada en " + store.Path()), std::string::npos);
      const auto pending = CalibrationStore(store.Path()).Pending(r.sim.DeviceId());
      ASSERT_TRUE(pending.has_value());
      EXPECT_EQ(pending->Describe(), factory);

      r.sim.GetFaults().configFail = false;
      ASSERT_EQ(EraseDevice(r.link, r.op), "ok") << r.op.LastText();
      EXPECT_TRUE(FactoryKept(r.sim.Memory()));
      ASSERT_FALSE(r.op.confirmations.empty());
      EXPECT_NE(r.op.confirmations.back().text.find(factory), std::string::npos);
      EXPECT_FALSE(CalibrationStore(store.Path()).Pending(r.sim.DeviceId()).has_value());
    }
    for (const bool eeprom : {false, true}) {
      const TempDir store;
      sim::Faults faults;
      (eeprom ? faults.stuckEeprom : faults.stuckProgram) = {eeprom ? 0 : 1};
      Rig r(part, setup.chip, store.Path(), faults);
      EXPECT_EQ(ProgramDevice(setup.file, r.link, r.op), "verify-error") << r.op.LastText();
      EXPECT_GT(r.sim.Stats().bulkErases, 0) << "the failure comes after the erase";
      EXPECT_TRUE(FactoryKept(r.sim.Memory())) << (eeprom ? "EEPROM" : "program word");
    }
  }
}

}  // namespace
}  // namespace daxwel
