// The 16F882-887, 16F631-690, 12F683 and 16F913-917. In program memory Load Data fills the
// write latch PC selects (four or eight of them) and Begin Programming (001000) writes the
// whole latch block at once, without erasing: each word keeps old AND new; elsewhere it writes
// the one addressed word, and a data byte is erased first (not on the 16F6XX and 12F683, whose
// document says it is not). 011000 programs the same way until End Programming (001010). Row
// Erase (010001) clears the 16 words of the row PC<11:4> names, as the documents print it, so
// on an 8K-word part a row of the upper half names one of the lower; Bulk Erase Program Memory
// clears what the address counter reaches, the factory calibration words only when it points
// at one, which the documents forbid to anyone who does not mean to rewrite them.

#include "sim/chip.h"

namespace daxwel::sim {

namespace {

// 16F88X (DS41287C Table 6-1), 16F6XX and 12F683 (DS41204G), 16F91X (DS41244E): TPROG1 3 ms
// for 001000 on program memory (a latch block), an ID or a configuration word, 6 ms on a data
// byte; TERA 6 ms (the maximum) for the bulk and row erases; 011000 up to End Programming at
// least 2 ms on the 16F88X (TPROG2) and 3 ms on the others; TDIS 100 us. No chip erase.
constexpr CycleTimes kF88X{.word = milliseconds(3),
                           .eeprom = milliseconds(6),
                           .row = milliseconds(3),
                           .programOnly = milliseconds(2),
                           .bulk = milliseconds(6),
                           .chip = kNone,
                           .discharge = microseconds(100)};
constexpr CycleTimes kF6XX{.word = milliseconds(3),
                           .eeprom = milliseconds(6),
                           .row = milliseconds(3),
                           .programOnly = milliseconds(3),
                           .bulk = milliseconds(6),
                           .chip = kNone,
                           .discharge = microseconds(100)};

// 16F785 and 16HV785 (DS41237C Table 6-1): TPROG1 2 ms (min) on program memory, 5 ms on a
// data byte, TPROG2 2 ms, TERA 6 ms (max), TDIS 100 us.
constexpr CycleTimes kF785{.word = milliseconds(2),
                           .eeprom = milliseconds(5),
                           .row = milliseconds(2),
                           .programOnly = milliseconds(2),
                           .bulk = milliseconds(6),
                           .chip = kNone,
                           .discharge = microseconds(100)};

enum Kind { kBlock, kWord, kEeprom, kProgramBulk, kDataBulk, kRowErase };

constexpr std::uint8_t kEndProgramming = 0x0A;
constexpr std::uint8_t kRowEraseCommand = 0x11;
constexpr std::uint16_t kCodeProtect = 0x0040;  // CP, bit 6: 0 = protected
constexpr std::uint16_t kDataProtect = 0x0080;  // CPD, bit 7
constexpr std::uint16_t kMclrEnable = 0x0020;
constexpr std::uint16_t kOscillator = 0x0007;
constexpr int kRow = 16;
constexpr int kRowEraseRows = 0x0FF0;  // PC<11:4>
constexpr int kMaxLatches = 8;

class F88xChip final : public Chip {
 public:
  F88xChip(const PartInfo& part, Faults& faults, SimStats& stats, ViolationLog& log)
      : Chip(part, faults, stats, log) {
    if (!faults.lostCalibration) memory_.high = part.factoryHigh;
  }

  // With MCLR off and the internal oscillator the part runs its own code as soon as VDD is
  // there: only a VPP-first entry stops it.
  bool AcceptsEntry() const override {
    const unsigned osc = Config() & kOscillator;
    return (Config() & kMclrEnable) != 0 || (osc != 4 && osc != 5);
  }

 protected:
  bool FamilyCommand(std::uint8_t command, nanoseconds now) override {
    switch (command) {
      case kBeginEraseProgram:
        BeginProgramming(now, true);
        return true;
      case kBeginProgramOnly:
        BeginProgramming(now, false);
        return true;
      case kEndProgramming:
        EndProgramming(now);
        return true;
      case kBulkEraseProgram:
        StartErase(kProgramBulk, now);
        return true;
      case kBulkEraseData:
        StartErase(kDataBulk, now);
        return true;
      case kRowEraseCommand:
        StartErase(kRowErase, now);
        return true;
      default:
        return false;
    }
  }

  // An open 011000 cycle takes nothing but its End Programming.
  void BeforeCommand(std::uint8_t command, nanoseconds now) override {
    if (!open_ || command == kEndProgramming) return;
    open_ = false;
    Violation(now, "command " + Hex(command, 2) + " while the Begin Programming cycle at " +
                       Hex(static_cast<unsigned>(pending_.address), 4) +
                       " is open (End Programming 0x0A first): nothing programmed");
  }

  // Program-memory loads fill the latch the counter selects.
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
      Violation(now, "programming voltage dropped with the Begin Programming cycle at " +
                         Hex(static_cast<unsigned>(pending_.address), 4) +
                         " open: nothing programmed");
    }
  }

  int ProtectedFrom() const override { return (Config() & kCodeProtect) ? part_.programWords : 0; }
  bool EepromProtected() const override { return (Config() & kDataProtect) == 0; }

  // A cycle cut short changes nothing, but a data byte it had begun to erase.
  void Apply(const Cycle& c, bool complete) override {
    switch (c.kind) {
      case kBlock:
        if (complete && !Protected()) {
          for (int i = 0; i < part_.latches; ++i) {
            if ((c.rowLoaded & (1U << i)) == 0) continue;
            const int index = ProgramIndex(c.address + i);
            WriteProgramCell(index, ProgramWord(index) & c.row[static_cast<std::size_t>(i)]);
          }
        }
        return;
      case kWord:
        if (complete) ProgramConfigSpace(c.address, c.value);
        return;
      case kEeprom:
        if (!EepromProtected()) {
          const int index = EepromIndex(c.address);
          const auto value = static_cast<std::uint8_t>(c.value);
          if (part_.dataWriteErases) {
            WriteEepromCell(index, complete ? value : kErasedByte);
          } else if (complete) {
            WriteEepromCell(index, static_cast<std::uint8_t>(EepromByte(index) & value));
          }
        }
        return;
      case kProgramBulk:
        if (complete) BulkErase(c.address);
        return;
      case kDataBulk:
        if (complete && !EepromProtected()) EraseEeprom();
        return;
      default:
        if (complete && !Protected()) {
          const int base = ProgramIndex(c.address) & kRowEraseRows;
          for (int i = 0; i < kRow; ++i) WriteProgramCell(base + i, kErasedWord);
        }
        return;
    }
  }

 private:
  bool Protected() const { return ProtectedFrom() == 0; }
  bool IsCalibration(int address) const {
    const int k = address - 0x2008;
    return (k == 0 || k == 1) && part_.factoryHigh[static_cast<std::size_t>(k)] != kErasedWord;
  }

  void ResetLatches() {
    latches_.fill(kErasedWord);
    loadedLatches_ = 0;
  }

  // One word of configuration memory; the second configuration word keeps its unimplemented
  // bits at 1. A calibration word takes the write (old AND new), as the silicon would.
  void ProgramConfigSpace(int address, std::uint16_t value) {
    const int offset = address - kConfigBase;
    if (offset < 4) {
      memory_.ids[static_cast<std::size_t>(offset)] &= value;
    } else if (address == kConfigWordAddress) {
      WriteConfigCell(Config() & value);
    } else if (offset == 8 || offset == 9) {
      const auto k = static_cast<std::size_t>(offset - 8);
      const bool config2 = k == 0 && part_.config2Mask != 0;
      // The fault holds both configuration words; a calibration word is not one.
      if (config2 && faults_.configFail) return;
      const std::uint16_t unimplemented =
          config2 ? static_cast<std::uint16_t>(~part_.config2Mask) : 0;
      memory_.high[k] =
          static_cast<std::uint16_t>((memory_.high[k] & value) | unimplemented) & kWordMask;
    }
  }

  // 001000 (`timed`) or 011000 on the latches (program memory) or on the last Load.
  void BeginProgramming(nanoseconds now, bool timed) {
    const std::string where = Hex(static_cast<unsigned>(address_), 4);
    Cycle next;
    next.address = address_;
    nanoseconds needs = part_.times.word;
    if (!InConfigSpace() && loaded_ != Loaded::Data) {
      const int block = address_ & ~(part_.latches - 1);
      next.kind = kBlock;
      next.address = block;
      next.rowLoaded = loadedLatches_;
      std::copy_n(latches_.begin(), part_.latches, next.row.begin());
      next.what = "programming cycle of the latches at " + Hex(static_cast<unsigned>(block), 4);
      for (int i = 0; i < part_.latches; ++i) {
        if ((loadedLatches_ & (1U << i)) == 0) continue;
        const auto value = latches_[static_cast<std::size_t>(i)];
        CheckErased("Begin Programming", block + i, false, value, now);
        ++stats_.programWrites;
      }
      ResetLatches();
      loaded_ = Loaded::None;
    } else if (loaded_ == Loaded::None) {
      ++stats_.programCycles;
      Violation(now, "Begin Programming at " + where + " with no Load since the last one");
      return;
    } else {
      const bool eeprom = loaded_ == Loaded::Data;
      loaded_ = Loaded::None;
      next.kind = eeprom ? kEeprom : kWord;
      next.value = static_cast<std::uint16_t>(latch_ & (eeprom ? 0xFF : kWordMask));
      next.what = (eeprom ? "data memory cycle at " : "programming cycle at ") + where;
      if (eeprom) {
        needs = part_.times.eeprom;
        ++stats_.eepromWrites;
        if (!part_.dataWriteErases)
          CheckErased("Begin Programming", address_, true, next.value, now);
      } else {
        if (IsCalibration(address_)) {
          Violation(now, "Begin Programming on the factory calibration word at " + where +
                             ": no programmer may write it");
        } else {
          CheckErased("Begin Programming", address_, false, next.value, now);
        }
        if (address_ <= 0x2008) ++stats_.configWrites;
      }
    }
    if (timed) {
      Start(std::move(next), now, needs);
      return;
    }
    // Externally timed: nothing is written until End Programming, which must come late enough.
    ++stats_.programCycles;
    ++stats_.programOnlyCycles;
    const nanoseconds least = next.kind == kEeprom ? needs : part_.times.programOnly;
    stats_.cycleTimeTotal += least;
    next.start = now;
    next.end = now + least;
    pending_ = std::move(next);
    open_ = true;
  }

  void EndProgramming(nanoseconds now) {
    if (!open_) return;  // after a self-timed cycle it has nothing to end
    open_ = false;
    if (now < pending_.end) {
      Violation(now, "End Programming " + Micros(now - pending_.start) + " into the " +
                         pending_.what + ", which needs " + Micros(pending_.end - pending_.start) +
                         ": nothing programmed");
      return;
    }
    Apply(pending_, true);
  }

  void StartErase(int kind, nanoseconds now) {
    Cycle next;
    next.kind = kind;
    next.address = address_;
    if (kind == kProgramBulk && IsCalibration(address_)) {
      Violation(now,
                "Bulk Erase Program Memory with the address counter on the factory "
                "calibration word at " +
                    Hex(static_cast<unsigned>(address_), 4) + ": it erases it");
    }
    if (kind == kRowErase && InConfigSpace()) return;  // ignored there, as the documents say
    next.what = kind == kProgramBulk ? "bulk erase program memory cycle"
                : kind == kDataBulk  ? "bulk erase data memory cycle"
                                     : "row erase cycle";
    if (kind != kRowErase) ++stats_.bulkErases;
    Start(std::move(next), now, part_.times.bulk);
  }

  // From program memory: program memory and the configuration words; from configuration
  // memory also the IDs, and a calibration word when the counter is on one (on the 16F91X,
  // either of them). The data memory goes too while CPD protects it.
  void BulkErase(int address) {
    const bool eepromToo = EepromProtected();
    EraseProgram();
    SetConfig(kErasedWord);
    if (part_.config2Mask != 0) memory_.high[0] = kErasedWord;
    if (address >= kConfigBase) memory_.ids.fill(kErasedWord);
    if (IsCalibration(address)) {
      for (int a : {0x2008, 0x2009}) {
        if (IsCalibration(a)) memory_.high[static_cast<std::size_t>(a - 0x2008)] = kErasedWord;
      }
    }
    if (eepromToo) EraseEeprom();
  }

  std::array<std::uint16_t, kMaxLatches> latches_{};
  unsigned loadedLatches_ = 0;
  bool open_ = false;
  Cycle pending_;
};

// Calibration words as a part might carry them (none is 0x3FFF); a part the parts files add
// gets ones made from its device ID.
std::array<std::uint16_t, 2> SampleCalibration(std::string_view name, std::uint16_t id) {
  constexpr std::pair<std::string_view, std::array<std::uint16_t, 2>> kSamples[] = {
      {"16F882", {0x2A6C, 0}},      {"16F883", {0x2B41, 0}},      {"16F884", {0x2A98, 0}},
      {"16F886", {0x2B07, 0}},      {"16F887", {0x2AD3, 0}},      {"16F631", {0x2854, 0}},
      {"16F677", {0x27A9, 0}},      {"16F684", {0x2C16, 0}},      {"16F685", {0x2B5E, 0}},
      {"16F687", {0x29C3, 0}},      {"16F688", {0x2A0F, 0}},      {"16F689", {0x2873, 0}},
      {"16F690", {0x2B9A, 0}},      {"12F683", {0x2C4D, 0}},      {"16F913", {0x2A37, 0x1F42}},
      {"16F914", {0x2B12, 0x1E85}}, {"16F916", {0x29E8, 0x1F1C}}, {"16F917", {0x2A5D, 0x1EB0}},
      {"16F946", {0x2A1C, 0x1F07}}, {"12F635", {0x1A5B, 0x002D}}, {"16F636", {0x1B12, 0x0024}},
      {"16F639", {0x1AE3, 0x001B}}, {"16F785", {0x2A61, 0x1F30}}, {"16HV785", {0x2B04, 0x1E9C}}};
  for (const auto& [part, words] : kSamples) {
    if (part == name) return words;
  }
  return {static_cast<std::uint16_t>(0x2800 | (id & 0x03FF)),
          static_cast<std::uint16_t>(0x1E00 | ((id >> 4) & 0x01FF))};
}

// The write latches the parts file gives, 4 where it says nothing.
PartInfo F88xPart(const DeviceModel& row, std::string_view name, std::uint16_t configMask,
                  const CycleTimes& times) {
  PartInfo part = PartFromRow(row, name);
  part.configMask = configMask;
  part.allOrNothing = true;
  part.times = times;
  part.latches = row.latches > 0 ? row.latches : 4;
  return part;
}

// The parts the 16F6XX rows also hold, as their sheets give them: DS41204G for the 12F635 and
// 16F636/639 (WURE in bit 12, calibration at 0x2008 and 0x2009, VIHH 10-13 V), DS41237C for
// the 16F785 and 16HV785 (calibration at 0x2008 and 0x2009, VIHH 10-12 V; the 16HV785's shunt
// regulator takes at most 4.9 V on VDD from a supply that does not limit its current).
struct SheetPart {
  std::string_view name;
  std::uint16_t configMask;
  int vppMinVolts;
  int vppMaxVolts;
  int shuntVddMillivolts;
  const CycleTimes* times;
};
constexpr SheetPart kSheet6xx[] = {{"12F635", 0x1FFF, 10, 13, 0, &kF6XX},
                                   {"16F636", 0x1FFF, 10, 13, 0, &kF6XX},
                                   {"16F639", 0x1FFF, 10, 13, 0, &kF6XX},
                                   {"16F785", 0x0FFF, 10, 12, 0, &kF785},
                                   {"16HV785", 0x0FFF, 10, 12, 4900, &kF785}};

// A 16F6XX row's part: one calibration word at 0x2008, or the sheet's facts above.
PartInfo F6xxPart(const DeviceModel& row, std::string_view name) {
  PartInfo part = F88xPart(row, name, 0x0FFF, kF6XX);
  const auto words = SampleCalibration(name, part.deviceId);
  part.factoryHigh = {words[0], kErasedWord};
  part.dataWriteErases = false;
  for (const SheetPart& sheet : kSheet6xx) {
    if (sheet.name != name) continue;
    part.configMask = sheet.configMask;
    part.times = *sheet.times;
    part.factoryHigh = {words[0], words[1]};
    part.vppMinVolts = sheet.vppMinVolts;
    part.vppLimitVolts = sheet.vppMaxVolts;
    part.shuntVddMillivolts = sheet.shuntVddMillivolts;
  }
  return part;
}

}  // namespace

void RegisterChips_chip_f88x(ChipAdder add) {
  // The 16F88X: CONFIG2 (0x0700), a calibration word at 0x2009, at most 12 V on MCLR.
  for (std::string_view key : {"16F882", "16F883", "16F886"}) {
    add(key, {[](const DeviceModel& row, std::string_view name) {
                PartInfo part = F88xPart(row, name, kWordMask, kF88X);
                part.factoryHigh = {kErasedWord, SampleCalibration(name, part.deviceId)[0]};
                part.config2Mask = 0x0700;
                part.vppLimitVolts = 12;
                return part;
              },
              MakeChipOf<F88xChip>});
  }
  // The 16F6XX and 12F683: one calibration word at 0x2008; a data byte's cycle does not
  // erase it first (DS41204G). The other parts the rows hold as their sheets say.
  add("16F6XX", {F6xxPart, MakeChipOf<F88xChip>});
  // The 16F91X and 16F946: calibration words at 0x2008 and 0x2009, 10 to 12 V on MCLR.
  add("16F91X", {[](const DeviceModel& row, std::string_view name) {
                   PartInfo part = F88xPart(row, name, 0x1FFF, kF6XX);
                   const auto words = SampleCalibration(name, part.deviceId);
                   part.factoryHigh = {words[0], words[1]};
                   part.vppMinVolts = 10;
                   part.vppLimitVolts = 12;
                   return part;
                 },
                 MakeChipOf<F88xChip>});
}

}  // namespace daxwel::sim
