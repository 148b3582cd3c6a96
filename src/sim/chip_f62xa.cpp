// The 16F627A/628A/648A. 001000 programs one location without erasing it (old AND new), the
// bulk erases time themselves, and there is no chip erase: a bulk erase issued in
// configuration space clears the IDs, the configuration word and with it code protection.

#include "sim/chip.h"

namespace daxwel::sim {

namespace {

enum Kind { kWord, kEeprom, kProgramBulk, kDataBulk };

class F62xaChip final : public Chip {
 public:
  using Chip::Chip;

  // With MCLR disabled the part runs its own code as soon as VDD is there, and with the
  // internal oscillator it needs no clock to do so: raising VPP afterwards does not stop it.
  bool AcceptsEntry() const override {
    const std::uint16_t config = Config();
    const bool mclrOff = (config & 0x0020) == 0;
    const bool internalOscillator = (config & 0x0010) != 0 && (config & 0x0002) == 0;
    return !(mclrOff && internalOscillator);
  }

 protected:
  bool FamilyCommand(std::uint8_t command, nanoseconds now) override {
    switch (command) {
      case kBeginEraseProgram:
        BeginProgramming(now);
        return true;
      case kBulkEraseProgram:
      case kBulkEraseData:
        StartBulkErase(command == kBulkEraseProgram ? kProgramBulk : kDataBulk, now);
        return true;
      default:
        return false;
    }
  }

  void AfterLoad(std::uint8_t /*command*/, std::uint16_t /*word*/) override { afterBulk_ = false; }
  // The data word of Load Configuration is ignored: IDs and the configuration word need their
  // own Load Data.
  bool ConfigurationLoadsData() const override { return false; }
  void OnEnter() override { afterBulk_ = false; }

  // A cut-short write leaves the location as it was; a cut-short erase erases nothing.
  void Apply(const Cycle& c, bool complete) override {
    if (!complete) return;
    switch (c.kind) {
      case kWord:
        if (c.address < kConfigBase) {
          const int index = ProgramIndex(c.address);
          if (ProtectedFrom() > 0) WriteProgramCell(index, ProgramWord(index) & c.value);
        } else if (c.address - kConfigBase < 4) {
          memory_.ids[static_cast<std::size_t>(c.address - kConfigBase)] &= c.value;
        } else if (c.address == kConfigWordAddress && !ConfigLocked()) {
          SetConfig(Config() & c.value);
        }
        return;
      case kEeprom: {
        if (EepromProtected()) return;
        const int index = EepromIndex(c.address);
        WriteEepromCell(index, static_cast<std::uint8_t>(EepromByte(index) & c.value));
        return;
      }
      case kProgramBulk:
        if (c.address >= kConfigBase) {
          EraseProgram();
          memory_.ids.fill(kErasedWord);
          if (!faults_.keepConfig) SetConfig(kErasedWord);
        } else if (ProtectedFrom() > 0) {
          EraseProgram();
        }
        return;
      default:
        if (!EepromProtected()) EraseEeprom();
        return;
    }
  }

 private:
  // What the location holds now, under the bits it stores; false when it ignores writes.
  bool Writable(int address, bool eeprom, std::uint16_t& old, std::uint16_t& bits) const {
    bits = kWordMask;
    if (eeprom) {
      old = EepromByte(EepromIndex(address));
      bits = 0xFF;
      return !EepromProtected();
    }
    if (address < kConfigBase) {
      old = ProgramWord(ProgramIndex(address));
      return ProtectedFrom() > 0;
    }
    if (address - kConfigBase < 4) {
      old = memory_.ids[static_cast<std::size_t>(address - kConfigBase)] & kWordMask;
      return true;
    }
    old = Config();
    bits = part_.configMask;
    return address == kConfigWordAddress && !ConfigLocked();
  }

  void BeginProgramming(nanoseconds now) {
    if (loaded_ == Loaded::None) {
      ++stats_.programCycles;
      Violation(now, "Begin Programming with no data loaded");
      return;
    }
    const bool eeprom = loaded_ == Loaded::Data;
    const std::string where = Hex(static_cast<unsigned>(address_), 4);
    if (afterBulk_) {
      Violation(now, "Begin Programming at " + where +
                         " after a self-timed bulk erase with no new load: it programs the last "
                         "loaded word (" +
                         Hex(latch_, 4) + ") again");
    }
    std::uint16_t old = 0;
    std::uint16_t bits = 0;
    const std::uint16_t loaded = latch_ & kWordMask;
    if (Writable(address_, eeprom, old, bits) && (old & loaded & bits) != (loaded & bits)) {
      Violation(now, "Begin Programming at " + where + " needs bits to go from 0 to 1 (holds " +
                         Hex(old, 4) + ", loaded " + Hex(loaded & bits, 4) +
                         "): this part programs without erasing, so it stores old AND new");
    }
    Cycle next;
    next.kind = eeprom ? kEeprom : kWord;
    next.address = address_;
    next.value = loaded;
    next.what = (eeprom ? "data memory cycle at " : "programming cycle at ") + where;
    if (eeprom) {
      ++stats_.eepromWrites;
    } else if (address_ < kConfigBase) {
      ++stats_.programWrites;
    } else if (address_ <= kConfigWordAddress) {
      ++stats_.configWrites;
    }
    Start(std::move(next), now, eeprom ? part_.times.eeprom : part_.times.word);
  }

  void StartBulkErase(int kind, nanoseconds now) {
    Cycle next;
    next.kind = kind;
    next.address = address_;
    next.what =
        kind == kProgramBulk ? "bulk erase program memory cycle" : "bulk erase data memory cycle";
    afterBulk_ = true;
    ++stats_.bulkErases;
    Start(std::move(next), now, part_.times.bulk);
  }

  bool afterBulk_ = false;
};

}  // namespace

std::unique_ptr<Chip> MakeF62xaChip(const PartInfo& part, Faults& faults, SimStats& stats,
                                    ViolationLog& log) {
  return std::make_unique<F62xaChip>(part, faults, stats, log);
}

}  // namespace daxwel::sim
