// The 16F627A/628A/648A. 001000 programs a program word, ID or the configuration word
// without erasing it (old AND new), so those are written only after an erase; an EEPROM byte
// write is taken to erase the byte itself, as Microchip's own programmer writes it the way it
// writes the 16F84A's. The bulk erases time themselves, and there is no chip erase: a bulk
// erase issued in configuration space clears the IDs, the configuration word and with it code
// protection. Load Configuration's data word is loaded for the first ID location.

#include "sim/chip.h"

namespace daxwel::sim {

namespace {

// 16F62XA, DS41196: TPROG 2.5 ms in revision E, 4 ms in revision G (the larger is taken),
// TDPROG 6 ms for an EEPROM byte, TERA 6 ms for each self-timed bulk erase. No chip erase.
constexpr CycleTimes kF62XA{.word = milliseconds(4),
                            .eeprom = milliseconds(6),
                            .row = kNone,
                            .programOnly = kNone,
                            .bulk = milliseconds(6),
                            .chip = kNone};

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
  void OnEnter() override { afterBulk_ = false; }

  // A cut-short write leaves the location as it was, a cut-short EEPROM byte erased; a
  // cut-short erase erases nothing.
  void Apply(const Cycle& c, bool complete) override {
    if (!complete && c.kind == kEeprom && !EepromProtected()) {
      WriteEepromCell(EepromIndex(c.address), kErasedByte);
    }
    if (!complete) return;
    switch (c.kind) {
      case kWord:
        if (c.address < kConfigBase) {
          const int index = ProgramIndex(c.address);
          if (ProtectedFrom() > 0) WriteProgramCell(index, ProgramWord(index) & c.value);
        } else if (c.address - kConfigBase < 4) {
          memory_.ids[static_cast<std::size_t>(c.address - kConfigBase)] &= c.value;
        } else if (c.address == kConfigWordAddress && !ConfigLocked()) {
          WriteConfigCell(Config() & c.value);
        }
        return;
      case kEeprom: {
        if (EepromProtected()) return;
        WriteEepromCell(EepromIndex(c.address), static_cast<std::uint8_t>(c.value));
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
    const std::uint16_t loaded = latch_ & kWordMask;
    if (!eeprom) CheckErased("Begin Programming", address_, false, loaded, now);
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

void RegisterChips_chip_f62xa(ChipAdder add) {
  // Some 16F628A keep their configuration word through a bulk erase: the keep-config fault.
  add("16F62XA", {[](const DeviceModel& row, std::string_view name) {
                    PartInfo part = PartFromRow(row, name);
                    part.configMask = 0x21FF;
                    part.allOrNothing = true;
                    part.times = kF62XA;
                    return part;
                  },
                  MakeChipOf<F62xaChip>, true});
}

}  // namespace daxwel::sim
