// The 16F84, 16F84A and 16F870 ... 16F877: every 001000 erases its word before writing it,
// bulk erases run on the next 001000, and protection is lifted by the Setup1/Setup2 chip
// erase at 0x2007.

#include "sim/chip.h"

namespace daxwel::sim {

namespace {

// 16F84 without A: the older, slower cell needs 20 ms per word, EEPROM byte, bulk and chip
// erase in practice (no figure of its own was found). It has no programming-only cycle.
constexpr CycleTimes kF84{.word = milliseconds(20),
                          .eeprom = milliseconds(20),
                          .row = kNone,
                          .programOnly = kNone,
                          .bulk = milliseconds(20),
                          .chip = milliseconds(20)};
// 16F84A, DS30262: erase + program 8 ms worst case, bulk and chip erase 10 ms. No separate
// programming-only figure is published, so it needs the whole 8 ms.
constexpr CycleTimes kF84A{.word = milliseconds(8),
                           .eeprom = milliseconds(8),
                           .row = kNone,
                           .programOnly = milliseconds(8),
                           .bulk = milliseconds(10),
                           .chip = milliseconds(10)};
// 16F87X, DS39025: tera + tprog = 4 + 4 ms worst case for 001000 (program and data memory),
// tprog 4 ms for programming only, 8 ms for the bulk and chip erase cycles.
constexpr CycleTimes kF87X{.word = milliseconds(8),
                           .eeprom = milliseconds(8),
                           .row = kNone,
                           .programOnly = milliseconds(4),
                           .bulk = milliseconds(8),
                           .chip = milliseconds(8)};

enum Kind { kWord, kEeprom, kProgramBulk, kDataBulk, kChip };
enum class Bulk { None, Program, Data };

class ClassicChip final : public Chip {
 public:
  using Chip::Chip;

 protected:
  bool FamilyCommand(std::uint8_t command, nanoseconds now) override {
    switch (command) {
      case kBeginEraseProgram:
        BeginCycle(true, now);
        return true;
      case kBeginProgramOnly:
        if (part_.times.programOnly == nanoseconds::zero()) return false;
        BeginCycle(false, now);
        return true;
      case kBulkEraseProgram:
        bulk_ = Bulk::Program;
        return true;
      case kBulkEraseData:
        bulk_ = Bulk::Data;
        return true;
      case kBulkEraseSetup1:
        setupStage_ = 1;
        return true;
      case kBulkEraseSetup2:
        setupStage_ = setupStage_ == 1 ? 2 : 0;
        return true;
      default:
        return false;
    }
  }

  // Setup1, Setup2 and the cycle must follow each other directly.
  void BeforeCommand(std::uint8_t command, nanoseconds /*now*/) override {
    if (command != kBulkEraseSetup1 && command != kBulkEraseSetup2 &&
        command != kBeginEraseProgram) {
      setupStage_ = 0;
    }
  }

  void OnEnter() override {
    bulk_ = Bulk::None;
    setupStage_ = 0;
  }

  int ProtectedFrom() const override {
    const int size = part_.programWords;
    if (part_.familyKey == "16F84") return (Config() & 0x0010) ? size : 0;
    // The two CP1:CP0 copies: a zero in either counts.
    const int pair = ((Config() >> 4) & 3) & ((Config() >> 12) & 3);
    if (pair == 3) return size;
    if (pair == 0 || part_.allOrNothing) return 0;
    return pair == 2 ? size - 256 : size / 2;
  }

  bool EepromProtected() const override {
    if (part_.familyKey == "16F84") return (Config() & 0x0010) == 0;
    return (Config() & 0x0100) == 0;
  }

  // A cycle cut short leaves its word erased but never programmed, and a bulk erase undone.
  void Apply(const Cycle& c, bool complete) override {
    switch (c.kind) {
      case kWord:
        ApplyWord(c, complete);
        return;
      case kEeprom: {
        if (EepromProtected()) return;
        const int index = EepromIndex(c.address);
        const auto loaded = static_cast<std::uint8_t>(c.value & 0xFF);
        const auto value = c.erase ? loaded : static_cast<std::uint8_t>(EepromByte(index) & loaded);
        WriteEepromCell(index, complete ? value : kErasedByte);
        return;
      }
      case kProgramBulk:
        if (!complete || ProtectedFrom() < part_.programWords) return;
        EraseProgram();
        return;
      case kDataBulk:
        if (!complete || EepromProtected()) return;
        EraseEeprom();
        return;
      default:
        if (!complete) return;
        EraseProgram();
        EraseEeprom();
        memory_.ids.fill(kErasedWord);
        SetConfig(kErasedWord);
        return;
    }
  }

 private:
  void ApplyWord(const Cycle& c, bool complete) {
    if (c.address < kConfigBase) {
      const int index = ProgramIndex(c.address);
      if (index >= ProtectedFrom()) return;
      const auto pos = static_cast<std::size_t>(index);
      const std::uint16_t old = pos < memory_.program.size() ? memory_.program[pos] : 0;
      WriteProgramCell(index, !complete ? kErasedWord
                              : c.erase ? c.value
                                        : static_cast<std::uint16_t>(old & c.value));
    } else if (c.address - kConfigBase < 4) {
      auto& id = memory_.ids[static_cast<std::size_t>(c.address - kConfigBase)];
      id = !complete ? kErasedWord : c.erase ? c.value : (id & c.value);
    } else if (c.address == kConfigWordAddress && !ConfigLocked()) {
      WriteConfigCell(!complete ? kErasedWord : c.erase ? c.value : (Config() & c.value));
    }
  }

  void BeginCycle(bool eraseFirst, nanoseconds now) {
    Cycle next;
    next.erase = eraseFirst;
    next.address = address_;
    next.value = latch_;
    if (setupStage_ == 2) {
      if (address_ != kConfigWordAddress) {
        ++stats_.programCycles;
        Violation(now, "Bulk Erase Setup1/Setup2 cycle at " + Hex(address_, 4) +
                           " instead of 0x2007: nothing erased");
        setupStage_ = 0;
        return;
      }
      next.kind = kChip;
    } else if (bulk_ != Bulk::None) {
      next.kind = bulk_ == Bulk::Program ? kProgramBulk : kDataBulk;
    } else if (loaded_ == Loaded::Data) {
      next.kind = kEeprom;
    } else if (loaded_ == Loaded::Program) {
      next.kind = kWord;
    } else {
      ++stats_.programCycles;
      Violation(now, "Begin Erase/Programming Cycle with no data loaded");
      return;
    }
    setupStage_ = 0;
    bulk_ = Bulk::None;

    const nanoseconds wordTime = eraseFirst ? part_.times.word : part_.times.programOnly;
    if (!eraseFirst) {
      ++stats_.programOnlyCycles;
      CheckErasedBeforeProgramOnly(next.kind, now);
    }
    nanoseconds duration = part_.times.bulk;
    if (next.kind == kWord) {
      if (address_ < kConfigBase) {
        ++stats_.programWrites;
      } else if (address_ <= kConfigWordAddress) {
        ++stats_.configWrites;
      }
      duration = wordTime;
      next.what = "programming cycle at " + Hex(static_cast<unsigned>(address_), 4);
    } else if (next.kind == kEeprom) {
      ++stats_.eepromWrites;
      duration = wordTime;
      next.what = "data memory cycle at " + Hex(static_cast<unsigned>(address_), 4);
    } else {
      ++stats_.bulkErases;
      next.what = "bulk erase cycle";
    }
    Start(std::move(next), now, duration);
  }

  void CheckErasedBeforeProgramOnly(int kind, nanoseconds now) {
    if (kind != kEeprom && kind != kWord) return;
    CheckErased("Begin Programming Only Cycle", address_, kind == kEeprom, latch_, now);
  }

  Bulk bulk_ = Bulk::None;
  int setupStage_ = 0;
};

// 16F870/871/872: any CP1:CP0 setting protects all of their memory.
PartInfo ClassicPart(const DeviceModel& row, std::string_view name, std::uint16_t configMask,
                     bool allOrNothing) {
  PartInfo part = PartFromRow(row, name);
  part.configMask = configMask;
  part.allOrNothing = allOrNothing;
  part.times = kF87X;
  return part;
}

}  // namespace

void RegisterChips_chip_classic(ChipAdder add) {
  add("16F84", {[](const DeviceModel& row, std::string_view name) {
                  PartInfo part = ClassicPart(row, name, kWordMask, false);
                  part.times = part.deviceId == 0 ? kF84 : kF84A;
                  return part;
                },
                MakeChipOf<ClassicChip>});
  // Bit 10 is not implemented on the 16F87X.
  add("16F870", {[](const DeviceModel& row, std::string_view name) {
                   return ClassicPart(row, name, 0x3BFF, true);
                 },
                 MakeChipOf<ClassicChip>});
  for (std::string_view key : {"16F873", "16F876"}) {
    add(key, {[](const DeviceModel& row, std::string_view name) {
                return ClassicPart(row, name, 0x3BFF, false);
              },
              MakeChipOf<ClassicChip>});
  }
}

}  // namespace daxwel::sim
