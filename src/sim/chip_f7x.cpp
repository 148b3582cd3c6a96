// The 16F72/73/74/76/77 (DS30324B, DS39588A). Load Data fills the write latch PC<0> selects;
// Load Configuration only moves the counter to 0x2000 (its data word is discarded). Begin
// Programming (001000) writes the latches loaded since the last write into the pair PC<12:1>
// names without erasing (old AND new) and lasts until End Programming (001110): TPROG at least
// 1 ms, nothing else in between. Chip Erase (001001) times itself (TERA at least 30 ms) and
// clears program memory, the IDs and the configuration word wherever the counter stands. CP
// (bit 4) at 0 hides program memory (it reads 0) and keeps it from being written; the IDs
// and the configuration word still take 1s to 0s. VPP 12.75-13.25 V.

#include <algorithm>

#include "sim/chip.h"

namespace daxwel::sim {

namespace {

using std::chrono::milliseconds;

constexpr nanoseconds kNone{0};

// Table 5-1: TPROG min 1 ms (1-3 ms on the 16F72), TERA min 30 ms; nothing after 001110.
constexpr CycleTimes kF7X{.word = kNone,
                          .eeprom = kNone,
                          .row = kNone,
                          .programOnly = milliseconds(1),
                          .bulk = milliseconds(30),
                          .chip = kNone,
                          .discharge = kNone};

enum Kind { kPair, kChipErase };

constexpr std::uint8_t kEndProgramming7X = 0x0E;
constexpr std::uint16_t kCodeProtect = 0x0010;
constexpr int kLatches = 2;

class F7XChip final : public Chip {
 public:
  using Chip::Chip;

 protected:
  bool FamilyCommand(std::uint8_t command, nanoseconds now) override {
    switch (command) {
      case kBeginEraseProgram:
        BeginProgramming(now);
        return true;
      case kEndProgramming7X:
        EndProgramming(now);
        return true;
      case kBulkEraseProgram: {
        Cycle next;
        next.kind = kChipErase;
        next.address = address_;
        next.what = "chip erase";
        ++stats_.bulkErases;
        Start(std::move(next), now, part_.times.bulk);
        return true;
      }
      default:
        return false;
    }
  }

  void BeforeCommand(std::uint8_t command, nanoseconds now) override {
    if (!open_ || command == kEndProgramming7X) return;
    open_ = false;
    Violation(now, "command " + Hex(command, 2) + " while the programming cycle of the pair at " +
                       Hex(static_cast<unsigned>(pending_.address), 4) +
                       " is open (End Programming 0x0E first): nothing programmed");
  }

  bool ConfigurationLoadsData() const override { return false; }

  void AfterLoad(std::uint8_t command, std::uint16_t word) override {
    if (command != kLoadDataProgram) return;
    const auto latch = static_cast<std::size_t>(address_ & (kLatches - 1));
    latches_[latch] = static_cast<std::uint16_t>(word & kWordMask);
    loadedLatches_ |= 1U << latch;
  }

  void OnEnter() override {
    open_ = false;
    loadedLatches_ = 0;
  }

  void OnLeave(nanoseconds now, bool report) override {
    if (!open_) return;
    open_ = false;
    if (report) {
      Violation(now, "programming voltage dropped with the programming cycle of the pair at " +
                         Hex(static_cast<unsigned>(pending_.address), 4) +
                         " open, without End Programming: nothing programmed");
    }
  }

  int ProtectedFrom() const override { return (Config() & kCodeProtect) ? part_.programWords : 0; }
  bool EepromProtected() const override { return false; }

  void Apply(const Cycle& c, bool complete) override {
    if (!complete) return;
    if (c.kind == kPair) {
      for (int i = 0; i < kLatches; ++i) {
        if ((c.rowLoaded & (1U << i)) == 0) continue;
        Program(c.address + i, c.row[static_cast<std::size_t>(i)]);
      }
    } else if (c.kind == kChipErase) {
      EraseProgram();
      SetConfig(kErasedWord);
      memory_.ids.fill(kErasedWord);
    }
  }

 private:
  void Program(int address, std::uint16_t value) {
    if (address < kConfigBase) {
      if (ProtectedFrom() == 0) return;
      const int index = ProgramIndex(address);
      WriteProgramCell(index, ProgramWord(index) & value);
    } else if (address - kConfigBase < 4) {
      memory_.ids[static_cast<std::size_t>(address - kConfigBase)] &= value;
    } else if (address == kConfigWordAddress) {
      WriteConfigCell(static_cast<std::uint16_t>(Config() & value));
    }
  }

  void CheckPair(int pair, nanoseconds now) {
    for (int i = 0; i < kLatches; ++i) {
      const int a = pair + i;
      const std::uint16_t value = latches_[static_cast<std::size_t>(i)];
      if ((loadedLatches_ & (1U << i)) == 0 || value == kErasedWord) continue;
      if (a >= kConfigBase + 4 && a < kConfigWordAddress) {
        Violation(now, "programming cycle writes " + Hex(value, 4) + " to the unwritable word " +
                           Hex(static_cast<unsigned>(a), 4));
        continue;
      }
      CheckErased("Begin Programming", a, false, value, now);
      if (a < kConfigBase) ++stats_.programWrites;
    }
  }

  void BeginProgramming(nanoseconds now) {
    const int pair = address_ & ~(kLatches - 1);
    if (loadedLatches_ == 0) {
      Violation(now, "Begin Programming at " + Hex(static_cast<unsigned>(address_), 4) +
                         " with no latch loaded");
    }
    CheckPair(pair, now);
    Cycle next;
    next.kind = kPair;
    next.address = pair;
    next.rowLoaded = loadedLatches_;
    std::copy_n(latches_.begin(), kLatches, next.row.begin());
    next.what = "programming cycle of the pair at " + Hex(static_cast<unsigned>(pair), 4);
    if (pair >= kConfigBase) ++stats_.configWrites;
    ++stats_.programCycles;
    stats_.cycleTimeTotal += part_.times.programOnly;
    next.start = now;
    next.end = now + part_.times.programOnly;
    pending_ = std::move(next);
    open_ = true;
    loadedLatches_ = 0;
  }

  void EndProgramming(nanoseconds now) {
    if (!open_) return;
    open_ = false;
    if (now < pending_.end) {
      Violation(now, "End Programming " + Micros(now - pending_.start) + " into the " +
                         pending_.what + ", which needs " + Micros(pending_.end - pending_.start) +
                         ": nothing programmed");
      return;
    }
    Apply(pending_, true);
  }

  std::array<std::uint16_t, kLatches> latches_{};
  unsigned loadedLatches_ = 0;
  bool open_ = false;
  Cycle pending_;
};

}  // namespace

std::unique_ptr<Chip> MakeF7XChip(const PartInfo& part, Faults& faults, SimStats& stats,
                                  ViolationLog& log) {
  return std::make_unique<F7XChip>(part, faults, stats, log);
}

void RegisterChips_chip_f7x(ChipAdder add) {
  // DS30324B Register 3-1: BODEN, CP, PWRTE, WDTE and FOSC1:0 are stored; VPP 12.75-13.25 V
  // in whole volts, 13 at both ends.
  add("16F7X", {[](const DeviceModel& row, std::string_view name) {
                  PartInfo part = PartFromRow(row, name);
                  part.configMask = 0x005F;
                  part.latches = kLatches;
                  part.times = kF7X;
                  part.vppMinVolts = 13;
                  part.vppLimitVolts = 13;
                  return part;
                },
                MakeF7XChip});
}

}  // namespace daxwel::sim
