// Three write steps of a program run stopped anywhere (a stop asked at any wait, the adapter
// pulled after any port write across the step): the lines end off, the run never says "ok",
// and a second run leaves the chip as the file says. Nothing the pass keeps outside the file
// is lost to a stop; the adapter pulled loses it only while the run itself had it erased, or
// inside a self-timed cycle that erases and writes it back at once.
#include <algorithm>
#include <functional>

#include "bench.h"

namespace daxwel {
namespace {

using sim::SimModel;
using testing::HexBuilder;
using testing::ScriptedOperator;
using testing::TempDir;

// A value outside the file that the program pass keeps.
struct Kept {
  bool eeprom;
  int index;
  int value;
};

struct Case {
  const char* name;
  SimModel part;
  sim::ChipMemory chip;
  std::string file;
  std::function<bool(const sim::ChipMemory&)> holdsFile;
  std::vector<Kept> kept;
  std::string stepStart;  // the first progress line of the step under test
  bool mayLockOut = false;
};

bool KeptIntact(const Case& c, const sim::ChipMemory& m) {
  return std::all_of(c.kept.begin(), c.kept.end(), [&](const Kept& k) {
    const auto i = static_cast<std::size_t>(k.index);
    return (k.eeprom ? int{m.eeprom[i]} : int{m.program[i]}) == k.value;
  });
}

// Counts the port writes, notes those that started a self-timed cycle, and (when watching)
// the first and last write after which the kept values were not on the chip.
class StepTap final : public PortIo {
 public:
  StepTap(sim::SimAdapter& sim, const Case& c) : sim_(sim), case_(c) {}
  void PortOut(std::uint16_t address, std::uint8_t value) override {
    sim_.PortOut(address, value);
    ++writes;
    if (sim_.Stats().programCycles != cycles_) {
      cycles_ = sim_.Stats().programCycles;
      cycleStarts.push_back(writes);
    }
    if (watch && !KeptIntact(case_, sim_.Memory())) {
      if (exposedFrom < 0) exposedFrom = writes;
      exposedTo = writes;
    }
  }
  std::uint8_t PortIn(std::uint16_t address) override { return sim_.PortIn(address); }
  long long writes = 0;
  std::vector<long long> cycleStarts;
  bool watch = false;
  long long exposedFrom = -1;
  long long exposedTo = -1;

 private:
  sim::SimAdapter& sim_;
  const Case& case_;
  long long cycles_ = 0;
};

struct Rig {
  Rig(const Case& c, const sim::ChipMemory& memory, sim::Faults faults = {})
      : sim(c.part, pacer, 0x378, faults), tap(sim, c), link(tap, pacer, 0x378) {
    sim.Memory() = memory;
    op.model = testing::IndexOf(c.part);
  }
  VirtualPacer pacer;
  sim::SimAdapter sim;
  StepTap tap;
  Link link;
  ScriptedOperator op;
};

// What an uninterrupted run does: where the step starts (in writes and yields), its end, the
// cycles it starts and when the kept values are off the chip.
struct Profile {
  long long stepWrite = -1;
  int stepYield = -1;  // yield points (polls for a stop) before the step
  long long writes = 0;
  int yields = 0;
  std::vector<long long> cycleStarts;
  long long exposedFrom = -1;
  long long exposedTo = -1;
};

Profile ProfileOf(const Case& c) {
  Rig r(c, c.chip);
  Profile p;
  r.tap.watch = true;
  r.op.onProgress = [&](const std::string& line) {
    if (p.stepWrite < 0 && line.rfind(c.stepStart, 0) == 0) {
      p.stepWrite = r.tap.writes;
      p.stepYield = r.op.polls;
    }
  };
  EXPECT_EQ(ProgramDevice(c.file, r.link, r.op), "ok") << r.op.LastText();
  EXPECT_TRUE(c.holdsFile(r.sim.Memory()));
  EXPECT_TRUE(KeptIntact(c, r.sim.Memory()));
  EXPECT_GE(p.stepWrite, 0) << c.stepStart;
  p.writes = r.tap.writes;
  p.yields = r.op.polls;
  p.cycleStarts = r.tap.cycleStarts;
  p.exposedFrom = r.tap.exposedFrom;
  p.exposedTo = r.tap.exposedTo;
  return p;
}

// Every write that starts a cycle in the step and the one before it, and a sample between.
std::vector<long long> CutPoints(const Profile& p, long long stride) {
  std::vector<long long> cuts;
  for (long long w = p.stepWrite; w <= p.writes; w += stride) cuts.push_back(w);
  for (long long s : p.cycleStarts) {
    if (s > p.stepWrite) cuts.insert(cuts.end(), {s - 1, s});
  }
  std::sort(cuts.begin(), cuts.end());
  cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
  return cuts;
}

// The next, uninterrupted run leaves the chip as the file says, and loses nothing the
// interrupted one left in place; or the interrupted run got as far as the configuration that
// locks this adapter out, which is written only after everything else was read back.
void ExpectRecovers(const Case& c, const sim::ChipMemory& left) {
  Rig next(c, left);
  const std::string result = ProgramDevice(c.file, next.link, next.op);
  if (result != "ok") {
    EXPECT_TRUE(c.mayLockOut && c.holdsFile(left)) << result << ": " << next.op.LastText();
  }
  EXPECT_TRUE(c.holdsFile(next.sim.Memory())) << next.op.LastText();
  if (KeptIntact(c, left)) {
    EXPECT_TRUE(KeptIntact(c, next.sim.Memory()));
  }
  EXPECT_EQ(next.sim.DataRegister(), 0);
}

// The adapter pulled after each cut point: lines off, no "ok", recoverable, and the kept
// values lost only inside the run's own window or a cycle cut short.
void UnplugAcrossStep(const Case& c, long long stride) {
  const Profile p = ProfileOf(c);
  const std::vector<long long> cuts = CutPoints(p, stride);
  ASSERT_GE(cuts.size(), 8u);
  for (long long cut : cuts) {
    SCOPED_TRACE(std::string(c.name) + " unplugged after write " + std::to_string(cut));
    sim::Faults faults;
    faults.unplugAfter = cut;
    Rig r(c, c.chip, faults);
    const std::string result = ProgramDevice(c.file, r.link, r.op);
    EXPECT_NE(result, "ok") << r.op.LastText();
    EXPECT_EQ(r.sim.DataRegister(), 0);
    const sim::ChipMemory left = r.sim.Memory();
    if (!KeptIntact(c, left)) {
      const bool exposed = p.exposedFrom >= 0 && cut >= p.exposedFrom && cut <= p.exposedTo;
      const bool cycleCut =
          std::find(p.cycleStarts.begin(), p.cycleStarts.end(), cut) != p.cycleStarts.end();
      EXPECT_TRUE(exposed || cycleCut) << "kept values lost where the run never erased them";
    }
    ExpectRecovers(c, left);
  }
}

// A stop asked at each yield point of the step (a sample when there are many): "abandoned" (or, on
// the lockout path, "ok" with the note), lines off, no broken rule, nothing kept lost,
// recoverable.
void StopAcrossStep(const Case& c, int stride) {
  const Profile p = ProfileOf(c);
  ASSERT_GT(p.yields, p.stepYield);
  int tried = 0;
  for (int k = p.stepYield + 1; k <= p.yields; k += k + stride <= p.yields ? stride : 1) {
    SCOPED_TRACE(std::string(c.name) + " stopped at yield " + std::to_string(k));
    ++tried;
    Rig r(c, c.chip);
    r.op.abandonAtPoll = k;
    // Asked once the locking word may be written, the stop waits for the read-back and the
    // note: the user must learn that this adapter will not reach the part again.
    const std::string result = ProgramDevice(c.file, r.link, r.op);
    if (result == "ok") {
      EXPECT_TRUE(c.mayLockOut && c.holdsFile(r.sim.Memory()));
      EXPECT_TRUE(r.op.LastText().find("MCLRE = 0") != std::string::npos) << r.op.LastText();
    } else {
      EXPECT_EQ(result, "abandoned") << r.op.LastText();
    }
    EXPECT_EQ(r.sim.DataRegister(), 0);
    EXPECT_TRUE(r.sim.Violations().empty()) << r.sim.Violations().front();
    EXPECT_TRUE(KeptIntact(c, r.sim.Memory()));
    ExpectRecovers(c, r.sim.Memory());
  }
  EXPECT_GE(tried, 2);
}

// ---- The lockout path: program and data read back, IDs, then the configuration last ----

Case LockingCase(const char* name, int config, int config2) {
  const SimModel part(name);
  HexBuilder h;
  h.Words(0, {0x2805, 0x0123, 0x3456}).Eeprom(0, {0x5A, 0xA5}).Ids({1, 2, 3, 4});
  if (config2 < 0) {
    h.Config(config);
  } else {
    h.Words(0x2007, {config, config2});
  }
  static const TempDir dir;
  Case c{name,
         part,
         testing::Bench(part).sim.Memory(),
         dir.Write(std::string(name) + ".hex", h.Text()),
         nullptr,
         {},
         "Verificando Program Memory:  0x0000",
         true};
  const FamilyDescriptor& family = *part.Row().family;
  c.holdsFile = [&family, config, config2](const sim::ChipMemory& m) {
    const std::uint16_t mask = family.configMask & family.WritableBits(0x2007);
    bool same = m.program[0] == 0x2805 && m.program[1] == 0x0123 && m.program[2] == 0x3456 &&
                m.eeprom[0] == 0x5A && m.eeprom[1] == 0xA5 && (m.config & mask) == (config & mask);
    for (std::size_t j = 0; j < 4; ++j) same = same && (m.ids[j] & 0x7F) == static_cast<int>(j + 1);
    if (config2 >= 0)
      same = same && (m.high[0] & family.config2Mask) == (config2 & family.config2Mask);
    return same;
  };
  // Words past the file's end that another program left.
  c.chip.program[3] = 0x0333;
  c.chip.program[4] = 0x0444;
  c.kept = {{false, 3, 0x0333}, {false, 4, 0x0444}};
  return c;
}

TEST(WriteInterrupts, LockoutPathCutAnywhereEndsLockedOnlyWithTheWholeFile) {
  const Case cases[] = {LockingCase("16F628A", 0x3F54, -1), LockingCase("16F688", 0x3FD4, -1),
                        LockingCase("16F88", 0x3F54, 0x3FFE)};
  for (const Case& c : cases) {
    UnplugAcrossStep(c, 97);
    StopAcrossStep(c, 1);
  }
}

// ---- The 16F87XA block rewrite: a block erased and written whole by one cycle ----

// The chip holds a program; the file changes the first three words of block 1 and leaves its
// last five out, which the rewrite reads from the chip and writes back.
Case BlockCase() {
  const SimModel part("16F873A");
  static const TempDir dir;
  std::vector<int> words;
  for (int a = 0; a < 11; ++a) words.push_back(a < 8 ? 0x1000 + a : 0x2000 + a);
  Case c{"16F873A block",
         part,
         testing::Bench(part).sim.Memory(),
         dir.Write("block.hex", HexBuilder().Words(0, words).Config(0x3F7A).Text()),
         nullptr,
         {},
         "Programando Program Memory:  0x0000"};
  // Enough programmed words past the file that erasing first would cost more.
  for (int a = 0; a < 256; ++a) c.chip.program[static_cast<std::size_t>(a)] = 0x1000 + a;
  c.holdsFile = [words](const sim::ChipMemory& m) {
    for (std::size_t a = 0; a < words.size(); ++a) {
      if (m.program[a] != words[a]) return false;
    }
    return true;
  };
  for (int a = 11; a < 20; ++a) c.kept.push_back({false, a, 0x1000 + a});
  return c;
}

TEST(WriteInterrupts, BlockRewriteCutAnywhereKeepsTheWordsTheFileLeavesOut) {
  const Case c = BlockCase();
  UnplugAcrossStep(c, 61);
  StopAcrossStep(c, 1);
}

// ---- Data memory bulk-erased before it is written (the 16F6XX write no byte over data) ----

// The file changes bytes that hold data; the chip's bytes past the file's end are read first
// and written back after the erase.
Case DataEraseCase() {
  const SimModel part("16F688");
  static const TempDir dir;
  Case c{"16F688 data",
         part,
         testing::Bench(part).sim.Memory(),
         dir.Write("data.hex",
                   HexBuilder().Words(0, {0x2805}).Eeprom(0, {1, 2, 3, 4}).Config(0x3FF4).Text()),
         nullptr,
         {},
         "Programando Data Memory:  0x0000"};
  for (int i = 0; i < 8; ++i) c.chip.eeprom[static_cast<std::size_t>(i)] = 0x10 + i;
  c.holdsFile = [](const sim::ChipMemory& m) {
    return m.program[0] == 0x2805 && m.eeprom[0] == 1 && m.eeprom[1] == 2 && m.eeprom[2] == 3 &&
           m.eeprom[3] == 4;
  };
  for (int i = 4; i < 8; ++i) c.kept.push_back({true, i, 0x10 + i});
  return c;
}

TEST(WriteInterrupts, DataEraseCutAnywhereKeepsTheBytesOutsideTheFile) {
  const Case c = DataEraseCase();
  UnplugAcrossStep(c, 211);
  StopAcrossStep(c, 1);
}

}  // namespace
}  // namespace daxwel
