// The 16F716 (DS40245B). Load Data fills the write latch PC<1:0> selects, Load Configuration
// the first one (its data word is loaded). Begin Programming (011000) writes the four latches
// into the row PC<11:2> names without erasing (old AND new) and lasts until End Programming
// (001110), which sets the latches back to all ones; nothing else may come in between, and
// no clock for TDIS after it. There is no self-timed write, no 001000 and no 001010. Bulk
// Erase (001001) times itself: program memory and the configuration word, and from
// configuration memory the IDs too. The configuration word takes any value, but CP only goes
// from 0 to 1 through a bulk erase.

#include <algorithm>

#include "sim/chip.h"

namespace daxwel::sim {

namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

constexpr nanoseconds kNone{0};

// DS40245B Table 5-1: TPROG typically 1 ms, at most 2 ms, no least printed (the typical one
// is held to); TDIS at least 100 us; TERA at most 6 ms.
constexpr CycleTimes kF716{.word = kNone,
                           .eeprom = kNone,
                           .row = kNone,
                           .programOnly = milliseconds(1),
                           .bulk = milliseconds(6),
                           .chip = kNone,
                           .discharge = microseconds(100)};

enum Kind { kRow, kDischarge, kProgramBulk };

constexpr std::uint8_t kEndProgramming716 = 0x0E;
constexpr std::uint16_t kCodeProtect = 0x2000;
constexpr int kLatches = 4;

class F716Chip final : public Chip {
 public:
  using Chip::Chip;

 protected:
  bool FamilyCommand(std::uint8_t command, nanoseconds now) override {
    switch (command) {
      case kBeginProgramOnly:
        BeginProgramming(now);
        return true;
      case kEndProgramming716:
        EndProgramming(now);
        return true;
      case kBulkEraseProgram: {
        Cycle next;
        next.kind = kProgramBulk;
        next.address = address_;
        next.what = "bulk erase cycle";
        ++stats_.bulkErases;
        Start(std::move(next), now, part_.times.bulk);
        return true;
      }
      default:
        return false;
    }
  }

  void BeforeCommand(std::uint8_t command, nanoseconds now) override {
    if (!open_ || command == kEndProgramming716) return;
    open_ = false;
    Violation(now, "command " + Hex(command, 2) + " while the programming cycle of the row at " +
                       Hex(static_cast<unsigned>(pending_.address), 4) +
                       " is open (End Programming 0x0E first): nothing programmed");
  }

  void AfterLoad(std::uint8_t command, std::uint16_t word) override {
    if (command == kLoadDataData) return;
    const auto latch = static_cast<std::size_t>(address_ & (kLatches - 1));
    latches_[latch] = static_cast<std::uint16_t>(word & kWordMask);
    loadedLatches_ |= 1U << latch;
  }

  void OnEnter() override {
    open_ = false;
    ResetLatches();
  }

  void OnLeave(nanoseconds now, bool report) override {
    if (!open_) return;
    open_ = false;
    if (report) {
      Violation(now, "programming voltage dropped with the programming cycle of the row at " +
                         Hex(static_cast<unsigned>(pending_.address), 4) +
                         " open, without End Programming: nothing programmed");
    }
  }

  int ProtectedFrom() const override { return (Config() & kCodeProtect) ? part_.programWords : 0; }
  bool EepromProtected() const override { return false; }

  void Apply(const Cycle& c, bool complete) override {
    if (!complete) return;
    if (c.kind == kRow) {
      for (int i = 0; i < kLatches; ++i) {
        Program(c.address + i, c.row[static_cast<std::size_t>(i)]);
      }
    } else if (c.kind == kProgramBulk) {
      EraseProgram();
      SetConfig(kErasedWord);
      if (c.address >= kConfigBase) memory_.ids.fill(kErasedWord);
    }
  }

 private:
  void ResetLatches() {
    latches_.fill(kErasedWord);
    loadedLatches_ = 0;
  }

  void Program(int address, std::uint16_t value) {
    if (address < kConfigBase) {
      const int index = ProgramIndex(address);
      if (ProtectedFrom() == 0) return;
      WriteProgramCell(index, ProgramWord(index) & value);
    } else if (address - kConfigBase < 4) {
      memory_.ids[static_cast<std::size_t>(address - kConfigBase)] &= value;
    } else if (address == kConfigWordAddress) {
      // Any value, but a protected part stays protected.
      const auto keep = static_cast<std::uint16_t>(Config() & kCodeProtect ? 0 : kCodeProtect);
      WriteConfigCell(static_cast<std::uint16_t>(value & ~keep));
    }
  }

  void BeginProgramming(nanoseconds now) {
    const int row = address_ & ~(kLatches - 1);
    if (loadedLatches_ == 0) {
      Violation(now, "Begin Programming at " + Hex(static_cast<unsigned>(address_), 4) +
                         " with no latch loaded");
    }
    Cycle next;
    next.kind = kRow;
    next.address = row;
    std::copy_n(latches_.begin(), kLatches, next.row.begin());
    next.what = "programming cycle of the row at " + Hex(static_cast<unsigned>(row), 4);
    for (int i = 0; i < kLatches; ++i) {
      const int a = row + i;
      const std::uint16_t value = latches_[static_cast<std::size_t>(i)];
      if (a == kConfigWordAddress || value == kErasedWord) continue;
      if (a >= kConfigBase + 4 && a < kConfigWordAddress) {
        Violation(now, "programming cycle writes " + Hex(value, 4) + " to the reserved word " +
                           Hex(static_cast<unsigned>(a), 4));
        continue;
      }
      CheckErased("Begin Programming", a, false, value, now);
      if (a < kConfigBase) ++stats_.programWrites;
    }
    if (row >= kConfigBase) ++stats_.configWrites;
    ++stats_.programCycles;
    ++stats_.programOnlyCycles;
    stats_.cycleTimeTotal += part_.times.programOnly;
    next.start = now;
    next.end = now + part_.times.programOnly;
    pending_ = std::move(next);
    open_ = true;
  }

  void EndProgramming(nanoseconds now) {
    if (open_) {
      open_ = false;
      if (now < pending_.end) {
        Violation(now, "End Programming " + Micros(now - pending_.start) + " into the " +
                           pending_.what + ", which needs " +
                           Micros(pending_.end - pending_.start) + ": nothing programmed");
      } else {
        Apply(pending_, true);
      }
    }
    ResetLatches();
    Cycle discharge;
    discharge.kind = kDischarge;
    discharge.clockOnly = true;
    discharge.what = "discharge after End Programming";
    Start(std::move(discharge), now, part_.times.discharge);
    --stats_.programCycles;  // not a cycle of its own
  }

  std::array<std::uint16_t, kLatches> latches_{};
  unsigned loadedLatches_ = 0;
  bool open_ = false;
  Cycle pending_;
};

}  // namespace

std::unique_ptr<Chip> MakeF716Chip(const PartInfo& part, Faults& faults, SimStats& stats,
                                   ViolationLog& log) {
  return std::make_unique<F716Chip>(part, faults, stats, log);
}

void RegisterChips_chip_f716(ChipAdder add) {
  // DS40245B Register 3-1: CP, BORV, BOREN, PWRTE, WDTE and FOSC1:0 are stored.
  add("16F716", {[](const DeviceModel& row, std::string_view name) {
                   PartInfo part = PartFromRow(row, name);
                   part.configMask = 0x20CF;
                   part.latches = kLatches;
                   part.times = kF716;
                   return part;
                 },
                 MakeF716Chip});
}

}  // namespace daxwel::sim
