// The 12F609/615/617, 16F610/616 and the HV parts (DS41284C). Load Data fills the write latch
// PC selects (one, or four on the parts the parts file gives four); Begin Programming (011000)
// writes the latches of the row in program memory, or the one addressed word in configuration
// memory, without erasing (old AND new), and lasts until End Programming (001010); nothing
// else may come in between, and no clock for TDIS after it. The family has no self-timed
// write: 001000 is no command of theirs. Bulk Erase (001001) times itself: program memory and
// the configuration word; from configuration memory the IDs too, and with the counter on the
// calibration word at 0x2008 that word as well, which no programmer may do. MCLR takes 13 V
// at most. The 12F752 and 12HV752 (no programming document read; peers and Microchip's part
// data): the same commands, a second calibration word at 0x2009 that a Bulk Erase from either
// calibration word takes with the first, FOSC0 alone in bit 0, 13 V at most on MCLR.

#include <algorithm>

#include "sim/chip.h"

namespace daxwel::sim {

namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

constexpr nanoseconds kNone{0};

// DS41284C Table 7-1: TPROG at least 3 ms, TDIS at least 100 us, TERA at most 6 ms.
constexpr CycleTimes kF61x{.word = kNone,
                           .eeprom = kNone,
                           .row = kNone,
                           .programOnly = milliseconds(3),
                           .bulk = milliseconds(6),
                           .chip = kNone,
                           .discharge = microseconds(100)};

enum Kind { kRow, kWord, kDischarge, kProgramBulk };

constexpr std::uint8_t kEndProgramming61x = 0x0A;
constexpr std::uint16_t kCodeProtect = 0x0040;  // CP, bit 6
constexpr std::uint16_t kMclrEnable = 0x0020;
constexpr std::uint16_t kOscillator = 0x0007;
constexpr int kCalibrationAddress = 0x2008;
constexpr std::uint16_t kFosc0 = 0x0001;
constexpr std::string_view k752 = "12F752";
constexpr int kMaxLatches = 4;

class F61xChip final : public Chip {
 public:
  F61xChip(const PartInfo& part, Faults& faults, SimStats& stats, ViolationLog& log)
      : Chip(part, faults, stats, log), calibrationWords_(part.familyKey == k752 ? 2 : 1) {
    if (!faults.lostCalibration) memory_.high = part.factoryHigh;
  }

  // With MCLR off and the internal oscillator (FOSC 100, 101; FOSC0 0 on the 12F752) the part
  // runs its own code as soon as VDD is there: only a VPP-first entry stops it.
  bool AcceptsEntry() const override {
    if ((Config() & kMclrEnable) != 0) return true;
    if (calibrationWords_ == 2) return (Config() & kFosc0) != 0;
    const unsigned osc = Config() & kOscillator;
    return osc != 4 && osc != 5;
  }

 protected:
  bool FamilyCommand(std::uint8_t command, nanoseconds now) override {
    switch (command) {
      case kBeginProgramOnly:
        BeginProgramming(now);
        return true;
      case kEndProgramming61x:
        EndProgramming(now);
        return true;
      case kBeginEraseProgram:
        ++stats_.programCycles;
        Violation(now, "Begin Programming 001000 at " + Hex(static_cast<unsigned>(address_), 4) +
                           ": these parts have no self-timed write (011000 and End "
                           "Programming 001010 only)");
        return true;
      case kBulkEraseProgram: {
        if (IsCalibration(address_)) {
          Violation(now, "Bulk Erase with the address counter on the factory calibration word at " +
                             Hex(static_cast<unsigned>(address_), 4) + ": it erases it");
        }
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
    if (!open_ || command == kEndProgramming61x) return;
    open_ = false;
    Violation(now, "command " + Hex(command, 2) + " while the programming cycle of the row at " +
                       Hex(static_cast<unsigned>(pending_.address), 4) +
                       " is open (End Programming 0x0A first): nothing programmed");
  }

  void AfterLoad(std::uint8_t command, std::uint16_t word) override {
    if (command != kLoadDataProgram || InConfigSpace()) return;
    const auto latch = static_cast<std::size_t>(address_ & (part_.latches - 1));
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
      for (int i = 0; i < kMaxLatches; ++i) {
        if (c.rowLoaded & (1U << i)) Program(c.address + i, c.row[static_cast<std::size_t>(i)]);
      }
    } else if (c.kind == kWord) {
      Program(c.address, c.value);
    } else if (c.kind == kProgramBulk) {
      EraseProgram();
      SetConfig(kErasedWord);
      if (c.address >= kConfigBase) memory_.ids.fill(kErasedWord);
      if (IsCalibration(c.address)) {
        std::fill_n(memory_.high.begin(), calibrationWords_, kErasedWord);
      }
    }
  }

 private:
  bool IsCalibration(int address) const {
    return address >= kCalibrationAddress && address < kCalibrationAddress + calibrationWords_;
  }

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
      WriteConfigCell(Config() & value);
    } else if (IsCalibration(address)) {
      memory_.high[static_cast<std::size_t>(address - kCalibrationAddress)] &= value;
    }
  }

  void BeginProgramming(nanoseconds now) {
    Cycle next;
    if (InConfigSpace()) {
      const std::string where = Hex(static_cast<unsigned>(address_), 4);
      if (loaded_ == Loaded::None) {
        Violation(now, "Begin Programming at " + where + " with no Load since the last one");
      } else if (IsCalibration(address_)) {
        Violation(now, "Begin Programming on the factory calibration word at " + where +
                           ": no programmer may write it");
      } else {
        CheckErased("Begin Programming", address_, false, latch_ & kWordMask, now);
      }
      loaded_ = Loaded::None;
      next.kind = kWord;
      next.address = address_;
      next.value = latch_ & kWordMask;
      next.what = "programming cycle at " + where;
      ++stats_.configWrites;
    } else {
      const int row = address_ & ~(part_.latches - 1);
      if (loadedLatches_ == 0) {
        Violation(now, "Begin Programming at " + Hex(static_cast<unsigned>(address_), 4) +
                           " with no latch loaded");
      }
      next.kind = kRow;
      next.address = row;
      next.rowLoaded = loadedLatches_;
      std::copy_n(latches_.begin(), kMaxLatches, next.row.begin());
      next.what = "programming cycle of the row at " + Hex(static_cast<unsigned>(row), 4);
      for (int i = 0; i < part_.latches; ++i) {
        if ((loadedLatches_ & (1U << i)) == 0) continue;
        CheckErased("Begin Programming", row + i, false, latches_[static_cast<std::size_t>(i)],
                    now);
        ++stats_.programWrites;
      }
      ResetLatches();
    }
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

  const int calibrationWords_;
  std::array<std::uint16_t, kMaxLatches> latches_{};
  unsigned loadedLatches_ = 0;
  bool open_ = false;
  Cycle pending_;
};

}  // namespace

std::unique_ptr<Chip> MakeF61xChip(const PartInfo& part, Faults& faults, SimStats& stats,
                                   ViolationLog& log) {
  return std::make_unique<F61xChip>(part, faults, stats, log);
}

namespace {

// A calibration word as DS41284C Register 5-2 lays it out: bit 13 and bits 5-0 at 1, FCAL<6:0>
// in bits 12-6, made from the device ID so no two parts hold the same; never 0x3FFF.
std::uint16_t SampleCalibration(std::uint16_t id) {
  const unsigned fcal = 0x20 + ((id >> 5) % 0x40);
  return static_cast<std::uint16_t>(0x203F | (fcal << 6));
}

}  // namespace

void RegisterChips_chip_f61x(ChipAdder add) {
  // DS41284C Register 5-1: bits 9-0 stored (the 12F617 adds WRT1:WRT0, 11-10); one calibration
  // word at 0x2008; at most 13 V on MCLR.
  for (std::string_view key : {"12F61X", "12F617"}) {
    add(key, {[](const DeviceModel& row, std::string_view name) {
                PartInfo part = PartFromRow(row, name);
                part.configMask = row.familyKey == "12F617" ? 0x0FFF : 0x03FF;
                part.latches = row.latches == 4 ? 4 : 1;
                part.times = kF61x;
                part.factoryHigh = {SampleCalibration(part.deviceId), kErasedWord};
                part.vppLimitVolts = 13;
                return part;
              },
              MakeF61xChip});
  }
  // The 12F752: bits 13-8, 6-3 and 0 (bit 13 DEBUG as Microchip's part data and piklab give
  // it); two calibration words, whose layout no document we have shows: any value but 0x3FFF.
  add(k752, {[](const DeviceModel& row, std::string_view name) {
               PartInfo part = PartFromRow(row, name);
               part.configMask = 0x3F79;
               part.latches = 4;  // pickle and PICkit's data; a programmer may load fewer
               part.times = kF61x;
               part.factoryHigh = {
                   SampleCalibration(part.deviceId),
                   static_cast<std::uint16_t>(0x3F80 | ((part.deviceId >> 5) & 0x7F))};
               part.vppLimitVolts = 13;
               return part;
             },
             MakeF61xChip});
}

}  // namespace daxwel::sim
