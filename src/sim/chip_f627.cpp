// The 16F627/628 without A (DS30034D). 001000 erases the addressed location and writes the
// last loaded word, timing itself; 011000 only writes, so it stores old AND new. Neither needs
// End Programming, and each needs a Load of its own. Bulk Erase Program and Data Memory are
// armed by their command and run by the 001000 that follows; they do nothing on a protected
// part, and from configuration memory the program erase also takes the IDs but never the
// configuration word. Only Bulk Erase Setup1/Setup2 at 0x2007, then 001000, set the
// configuration word's bits again: that sequence also erases program and data memory (whether
// it erases the IDs the document does not say; here it does not). The document gives no rule
// for the configuration word under 001000 beyond that, so it keeps old AND new there too.

#include "sim/chip.h"

namespace daxwel::sim {

namespace {

using std::chrono::milliseconds;

constexpr nanoseconds kNone{0};

// DS30034D Table 4-1 maxima (the cycles time themselves): Tera 5 ms, Tprog 8 ms; 001000 and
// the Setup1/Setup2 erase take both.
constexpr CycleTimes kF627{.word = milliseconds(13),
                           .eeprom = milliseconds(13),
                           .row = kNone,
                           .programOnly = milliseconds(8),
                           .bulk = milliseconds(5),
                           .chip = milliseconds(13)};

enum Kind { kWord, kEeprom, kProgramBulk, kDataBulk, kChipErase };

constexpr std::uint16_t kMclrEnable = 0x0020;
constexpr std::uint16_t kDataProtect = 0x0100;
constexpr std::uint16_t kProtectBits = 0x3C00 | kDataProtect;

class F627Chip final : public Chip {
 public:
  using Chip::Chip;

  // MCLR off with the internal oscillator (FOSC 100, 101): the part runs its own code before
  // VPP comes and stays out of programming mode.
  bool AcceptsEntry() const override {
    const std::uint16_t config = Config();
    const bool internal = (config & 0x0010) != 0 && (config & 0x0002) == 0;
    return (config & kMclrEnable) != 0 || !internal;
  }

 protected:
  bool FamilyCommand(std::uint8_t command, nanoseconds now) override {
    switch (command) {
      case kBulkEraseSetup1:
        if (address_ != kConfigWordAddress) {
          Violation(now, "Bulk Erase Setup1 at " + Hex(static_cast<unsigned>(address_), 4) +
                             ": the document sends it at 0x2007");
        }
        setup_ = 1;
        return true;
      case kBulkEraseSetup2:
        setup_ = setup_ == 1 ? 2 : 0;
        return true;
      case kBulkEraseProgram:
      case kBulkEraseData:
        armed_ = command == kBulkEraseProgram ? kProgramBulk : kDataBulk;
        return true;
      case kBeginEraseProgram:
        BeginEraseProgramming(now);
        return true;
      case kBeginProgramOnly:
        BeginProgramming(now, false);
        return true;
      default:
        return false;
    }
  }

  // An armed erase and the Setup1/Setup2 pair only hold until the next other command.
  void BeforeCommand(std::uint8_t command, nanoseconds /*now*/) override {
    if (command != kBeginEraseProgram) armed_ = -1;
    if (command != kBeginEraseProgram && command != kBulkEraseSetup1 &&
        command != kBulkEraseSetup2) {
      setup_ = 0;
    }
  }

  void OnEnter() override {
    armed_ = -1;
    setup_ = 0;
  }

  // CP1:CP0 in bits 13:12 (the copy in 11:10 is written alike): 11 nothing; 10 the upper half
  // of the 2K part (nothing on the 1K part); 01 from 0x200; 00 everything.
  int ProtectedFrom() const override {
    const int size = part_.programWords;
    switch ((Config() >> 12) & 3) {
      case 3:
        return size;
      case 2:
        return size > 1024 ? 0x400 : size;
      case 1:
        return 0x200;
      default:
        return 0;
    }
  }

  // A cut-short 001000 leaves its location erased; any other cycle cut short changes nothing.
  void Apply(const Cycle& c, bool complete) override {
    switch (c.kind) {
      case kWord:
        if (complete || c.erase) Program(c.address, complete ? c.value : kErasedWord, c.erase);
        return;
      case kEeprom:
        if (EepromProtected() || (!complete && !c.erase)) return;
        {
          const int index = EepromIndex(c.address);
          const std::uint8_t old = c.erase ? kErasedByte : EepromByte(index);
          WriteEepromCell(index, complete ? static_cast<std::uint8_t>(old & c.value) : old);
        }
        return;
      case kProgramBulk:
        if (!complete || Protected()) return;
        EraseProgram();
        if (c.address >= kConfigBase) memory_.ids.fill(kErasedWord);
        return;
      case kDataBulk:
        if (complete && !Protected()) EraseEeprom();
        return;
      default:
        if (!complete) return;
        EraseProgram();
        EraseEeprom();
        SetConfig(kErasedWord);
        return;
    }
  }

 private:
  bool Protected() const { return (Config() & kProtectBits) != kProtectBits; }

  void Program(int address, std::uint16_t value, bool erase) {
    if (address < kConfigBase) {
      const int index = ProgramIndex(address);
      if (index >= ProtectedFrom()) return;
      WriteProgramCell(index, (erase ? kErasedWord : ProgramWord(index)) & value);
    } else if (address - kConfigBase < 4) {
      auto& id = memory_.ids[static_cast<std::size_t>(address - kConfigBase)];
      id = static_cast<std::uint16_t>((erase ? kErasedWord : id) & value);
    } else if (address == kConfigWordAddress) {
      WriteConfigCell(Config() & value);
    }
  }

  void BeginEraseProgramming(nanoseconds now) {
    if (setup_ == 2) {
      setup_ = 0;
      Cycle next;
      next.kind = kChipErase;
      next.what = "Bulk Erase Setup1/Setup2 erase cycle";
      ++stats_.bulkErases;
      Start(std::move(next), now, part_.times.chip);
      return;
    }
    if (armed_ >= 0) {
      Cycle next;
      next.kind = armed_;
      next.address = address_;
      next.what = armed_ == kProgramBulk ? "bulk erase program memory cycle"
                                         : "bulk erase data memory cycle";
      armed_ = -1;
      ++stats_.bulkErases;
      Start(std::move(next), now, part_.times.bulk);
      return;
    }
    BeginProgramming(now, true);
  }

  // 001000 (`erase`) or 011000 on what the last Load put in the latch.
  void BeginProgramming(nanoseconds now, bool erase) {
    const std::string where = Hex(static_cast<unsigned>(address_), 4);
    if (loaded_ == Loaded::None) {
      ++stats_.programCycles;
      Violation(now, "Begin Programming at " + where +
                         " with no Load since the last one (the document asks a Load before "
                         "every programming command)");
      return;
    }
    const bool eeprom = loaded_ == Loaded::Data;
    loaded_ = Loaded::None;
    Cycle next;
    next.kind = eeprom ? kEeprom : kWord;
    // The configuration word never has its bits set again by a write.
    next.erase = erase && address_ != kConfigWordAddress;
    next.address = address_;
    next.value = static_cast<std::uint16_t>(latch_ & (eeprom ? 0xFF : kWordMask));
    next.what = (eeprom ? "data memory cycle at " : "programming cycle at ") + where;
    if (!next.erase) CheckErased("Begin Programming", address_, eeprom, next.value, now);
    if (eeprom) {
      ++stats_.eepromWrites;
    } else if (address_ < kConfigBase) {
      ++stats_.programWrites;
    } else if (address_ <= kConfigWordAddress) {
      ++stats_.configWrites;
    }
    if (!erase) ++stats_.programOnlyCycles;
    const nanoseconds needs = !erase   ? part_.times.programOnly
                              : eeprom ? part_.times.eeprom
                                       : part_.times.word;
    Start(std::move(next), now, needs);
  }

  int armed_ = -1;  // the bulk erase the next 001000 runs, or -1
  int setup_ = 0;   // 1 after Setup1 at 0x2007, 2 after Setup2 too
};

}  // namespace

std::unique_ptr<Chip> MakeF627Chip(const PartInfo& part, Faults& faults, SimStats& stats,
                                   ViolationLog& log) {
  return std::make_unique<F627Chip>(part, faults, stats, log);
}

void RegisterChips_chip_f627(ChipAdder add) {
  // DS30034D Register 3-1: bit 9 is not implemented; the bit list says it reads 1.
  for (std::string_view key : {"16F627", "16F628"}) {
    add(key, {[](const DeviceModel& row, std::string_view name) {
                PartInfo part = PartFromRow(row, name);
                part.configMask = 0x3DFF;
                part.times = kF627;
                return part;
              },
              MakeF627Chip});
  }
}

}  // namespace daxwel::sim
