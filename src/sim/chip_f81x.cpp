// The 16F87/88 and 16F818/819. Begin Erase (001000) erases and writes nothing: the 32-word
// program row, the ID group or the data byte that the last Load selected, and it lasts until
// End Programming (010111). Begin Programming Only (011000) writes the four latches of the
// current group (or one data byte, or one configuration word) and is also ended by End
// Programming, which sets the latches back to all ones. Load Configuration's data is
// discarded. Bulk erases are armed by 001001/001011 and run by Begin Erase; Chip Erase times
// itself and is the only erase a protected part obeys. With MCLR off and the internal
// oscillator the part runs its own code unless VPP rises within 250 us of VDD.

#include <array>
#include <bit>
#include <optional>
#include <string>

#include "sim/chip.h"

namespace daxwel::sim {

namespace {

// 16F87/88, DS39607 Table 7-1 at VDD above 4.5 V: TPROG1 (011000 to End Programming) and
// TPROG2 (Begin Erase of a row or a data byte to End Programming) 1 ms; TPROG3 (a bulk erase)
// and TPROG4 (Chip Erase) 10 ms as revision C prints them for the 16F88 (revision B: 2 and
// 8 ms). No wait after End Programming is published.
constexpr CycleTimes kF88{.word = kNone,
                          .eeprom = milliseconds(1),
                          .row = milliseconds(1),
                          .programOnly = milliseconds(1),
                          .bulk = milliseconds(10),
                          .chip = milliseconds(10)};
// 16F818/819, DS39603C Table 6-1: the same, with TPROG3 2 ms and TPROG4 8 ms.
constexpr CycleTimes kF819{.word = kNone,
                           .eeprom = milliseconds(1),
                           .row = milliseconds(1),
                           .programOnly = milliseconds(1),
                           .bulk = milliseconds(2),
                           .chip = milliseconds(8)};

enum Kind { kChip };
enum class Pending { None, RowErase, IdErase, ByteErase, Group, Ids, Config, Byte, Bulk, DataBulk };
enum class Armed { None, Program, Data };

constexpr int kRowWords = 32;
constexpr int kGroupWords = 4;
constexpr unsigned kNoLatches = 0;
constexpr std::uint16_t kProtectionBits = 0x2100;  // CP and CPD
constexpr std::uint16_t kMclrEnable = 0x0020;
constexpr std::uint16_t kOscillator = 0x0013;
constexpr nanoseconds kEntryWindow = std::chrono::microseconds(250);
constexpr int kConfigWord2 = 0x2008;

class F81xChip final : public Chip {
 public:
  using Chip::Chip;

  void PowerUp(nanoseconds now) override { poweredAt_ = now; }
  void VppRises(nanoseconds now) override { vppRoseAt_ = now; }

  // With MCLR on, the part is held in reset until VPP; with MCLR off and INTRC its code runs
  // unless MCLR reaches VPP within 250 us of VDD rising, which an adapter that never switches
  // VDD cannot do.
  bool AcceptsEntry() const override {
    const std::uint16_t config = Config();
    const unsigned oscillator = config & kOscillator;
    if ((config & kMclrEnable) != 0 || (oscillator != 0x10 && oscillator != 0x11)) return true;
    return poweredAt_ && vppRoseAt_ && *vppRoseAt_ - *poweredAt_ <= kEntryWindow;
  }

 protected:
  bool FamilyCommand(std::uint8_t command, nanoseconds now) override {
    switch (command) {
      case kBeginEraseProgram:
        BeginErase(now);
        return true;
      case kBeginProgramOnly:
        BeginProgramOnly(now);
        return true;
      case kEndProgramming:
        EndProgramming(now);
        return true;
      case kBulkEraseProgram:
        armed_ = Armed::Program;
        return true;
      case kBulkEraseData:
        armed_ = Armed::Data;
        return true;
      case kChipErase:
        StartChipErase(now);
        return true;
      default:
        return false;
    }
  }

  // An open cycle takes nothing but its End Programming.
  void BeforeCommand(std::uint8_t command, nanoseconds now) override {
    if (pending_ == Pending::None || command == kEndProgramming) return;
    Violation(now, "command " + Hex(command, 2) + " while the " + what_ +
                       " is open (End Programming 0x17 first): nothing done" + EraseHint());
    pending_ = Pending::None;
  }

  bool ConfigurationLoadsData() const override { return false; }

  void AfterLoad(std::uint8_t command, std::uint16_t word) override {
    if (command != kLoadDataProgram) {
      dataLoaded_ = true;
      return;
    }
    const auto latch = static_cast<std::size_t>(address_ & (kGroupWords - 1));
    latches_[latch] = word & kWordMask;
    loadedLatches_ |= 1u << latch;
  }

  void OnEnter() override {
    pending_ = Pending::None;
    armed_ = Armed::None;
    ClearLatches();
  }

  void OnLeave(nanoseconds now, bool report) override {
    if (pending_ == Pending::None) return;
    if (report) {
      Violation(now, "programming voltage dropped with the " + what_ + " open: nothing done" +
                         EraseHint());
    }
    pending_ = Pending::None;
  }

  // Chip Erase, the one cycle the part times itself. From configuration memory it clears
  // everything; from program memory the text promises only program memory and the
  // configuration word, so the data memory and the IDs are kept there.
  void Apply(const Cycle& c, bool complete) override {
    if (!complete) return;
    EraseProgram();
    SetConfig(kErasedWord);
    if (part_.config2Mask != 0) memory_.high[0] = kErasedWord;
    if (c.address >= kConfigBase) {
      EraseEeprom();
      memory_.ids.fill(kErasedWord);
    }
  }

 private:
  void ClearLatches() {
    latches_.fill(kErasedWord);
    loadedLatches_ = kNoLatches;
    dataLoaded_ = false;
  }

  std::string EraseHint() const {
    return pending_ == Pending::RowErase || pending_ == Pending::ByteErase
               ? " (001000 is Begin Erase on this part: it only erases, and lasts until End "
                 "Programming)"
               : "";
  }

  void Begin(Pending kind, int address, nanoseconds needs, const std::string& what,
             nanoseconds now) {
    pending_ = kind;
    openAddress_ = address;
    openedAt_ = now;
    needs_ = needs;
    what_ = what;
    ++stats_.programCycles;
    stats_.cycleTimeTotal += needs;
  }

  void BeginErase(nanoseconds now) {
    const std::string where = Hex(static_cast<unsigned>(address_), 4);
    if (armed_ != Armed::None) {
      const bool program = armed_ == Armed::Program;
      armed_ = Armed::None;
      ++stats_.bulkErases;
      Begin(program ? Pending::Bulk : Pending::DataBulk, address_, part_.times.bulk,
            program ? "bulk erase of program memory" : "bulk erase of data memory", now);
      return;
    }
    if (loaded_ == Loaded::None) {
      Violation(now, "Begin Erase at " + where +
                         " with no Load since entering programming mode: a Load Data for "
                         "program or data memory must select what it erases");
      return;
    }
    if (loaded_ == Loaded::Data) {
      Begin(Pending::ByteErase, EepromIndex(address_), part_.times.eeprom,
            "Begin Erase of the data byte at " + where, now);
    } else if (!InConfigSpace()) {
      const int row = address_ & ~(kRowWords - 1);
      Begin(Pending::RowErase, row, part_.times.row,
            "Begin Erase of the row at " + Hex(static_cast<unsigned>(row), 4), now);
    } else if (address_ - kConfigBase < 4) {
      Begin(Pending::IdErase, kConfigBase, part_.times.row, "Begin Erase of the IDs", now);
    } else {
      Violation(now, "Begin Erase at " + where +
                         ": in configuration memory only the IDs are erased this way (the "
                         "configuration word needs no erase)");
    }
  }

  void BeginProgramOnly(nanoseconds now) {
    const std::string where = Hex(static_cast<unsigned>(address_), 4);
    const bool data = loaded_ == Loaded::Data;
    if (data ? !dataLoaded_ : loadedLatches_ == kNoLatches) {
      Violation(now, "Begin Programming Only at " + where +
                         " with nothing loaded since the last End Programming (Load "
                         "Configuration's data is discarded on this part)");
      return;
    }
    ++stats_.programOnlyCycles;
    const nanoseconds needs = part_.times.programOnly;
    if (data) {
      const int index = EepromIndex(address_);
      NeedsNoErase(EepromByte(index), latch_ & 0xFF, kErasedByte, where, now);
      ++stats_.eepromWrites;
      Begin(Pending::Byte, index, needs, "Begin Programming Only of the data byte at " + where,
            now);
    } else if (!InConfigSpace()) {
      const int group = address_ & ~(kGroupWords - 1);
      for (int i = 0; i < kGroupWords; ++i) {
        NeedsNoErase(Stored(group + i), latches_[static_cast<std::size_t>(i)], kErasedWord,
                     Hex(static_cast<unsigned>(group + i), 4), now);
      }
      stats_.programWrites += std::popcount(loadedLatches_);
      Begin(Pending::Group, group, needs,
            "Begin Programming Only of the group at " + Hex(static_cast<unsigned>(group), 4), now);
    } else if (address_ - kConfigBase < 4) {
      for (int i = 0; i < 4; ++i) {
        NeedsNoErase(Stored(kConfigBase + i), latches_[static_cast<std::size_t>(i)], kErasedWord,
                     Hex(static_cast<unsigned>(kConfigBase + i), 4), now);
      }
      stats_.configWrites += std::popcount(loadedLatches_);
      Begin(Pending::Ids, kConfigBase, needs, "Begin Programming Only of the IDs", now);
    } else if (address_ == kConfigWordAddress ||
               (address_ == kConfigWord2 && part_.config2Mask != 0)) {
      ++stats_.configWrites;
      Begin(Pending::Config, address_, needs,
            "Begin Programming Only of the configuration word at " + where, now);
    } else {
      Violation(now, "Begin Programming Only at " + where + ": nothing there can be written");
    }
  }

  // Programming only clears bits: a location that needs a bit set must be erased first. A
  // latch of all ones (as End Programming leaves them) programs nothing.
  void NeedsNoErase(std::uint16_t have, std::uint16_t loaded, std::uint16_t ones,
                    const std::string& where, nanoseconds now) {
    if ((have & loaded) == loaded || loaded == ones) return;
    Violation(now, "Begin Programming Only at " + where + " needs bits to go from 0 to 1 (holds " +
                       Hex(have, 4) + ", loaded " + Hex(loaded, 4) +
                       "): programming only cannot set a bit, erase first");
  }

  void EndProgramming(nanoseconds now) {
    const Pending kind = pending_;
    pending_ = Pending::None;
    if (kind == Pending::None) {
      Violation(now, "End Programming with no Begin Erase or Begin Programming Only open");
      ClearLatches();
      return;
    }
    const nanoseconds took = now - openedAt_;
    if (took < needs_) {
      Violation(now, "End Programming " + Micros(took) + " into the " + what_ + ", which needs " +
                         Micros(needs_) + ": nothing done");
    } else {
      Finish(kind);
    }
    ClearLatches();
  }

  void Finish(Pending kind) {
    const bool programLocked = ProtectedFrom() == 0;
    switch (kind) {
      case Pending::RowErase:
        if (programLocked) return;
        for (int i = 0; i < kRowWords; ++i)
          WriteProgramCell(ProgramIndex(openAddress_ + i), kErasedWord);
        return;
      case Pending::IdErase: {
        // The erase row in configuration memory holds the configuration words as well, and
        // the document's flow programs them again after it: they are taken to go with the
        // IDs. Protection that is on stays on, as only a chip erase lifts it.
        memory_.ids.fill(kErasedWord);
        const std::uint16_t on = static_cast<std::uint16_t>(~Config() & kProtectionBits);
        SetConfig(static_cast<std::uint16_t>(kErasedWord & ~on));
        if (part_.config2Mask != 0) memory_.high[0] = kErasedWord;
        return;
      }
      case Pending::ByteErase:
        if (!EepromProtected()) WriteEepromCell(openAddress_, kErasedByte);
        return;
      case Pending::Group:
        if (programLocked) return;
        for (int i = 0; i < kGroupWords; ++i) {
          const int index = ProgramIndex(openAddress_ + i);
          WriteProgramCell(index, ProgramWord(index) & latches_[static_cast<std::size_t>(i)]);
        }
        return;
      case Pending::Ids:
        for (std::size_t i = 0; i < 4; ++i) memory_.ids[i] &= latches_[i];
        return;
      case Pending::Config: {
        // Written as loaded, 0s and 1s; only an erase lifts protection that is on.
        const std::uint16_t loaded = latches_[static_cast<std::size_t>(openAddress_ & 3)];
        if (openAddress_ == kConfigWord2) {
          if (!faults_.configFail) {
            memory_.high[0] = (loaded | ~part_.config2Mask) & kWordMask;
          }
          return;
        }
        const std::uint16_t on = static_cast<std::uint16_t>(~Config() & kProtectionBits);
        WriteConfigCell(static_cast<std::uint16_t>(loaded & ~on));
        return;
      }
      case Pending::Byte:
        if (!EepromProtected()) {
          WriteEepromCell(openAddress_,
                          static_cast<std::uint8_t>(EepromByte(openAddress_) & latch_));
        }
        return;
      case Pending::Bulk:
        // "Disabled when CP is on"; from configuration memory the IDs go too, never the
        // configuration word.
        if (programLocked) return;
        EraseProgram();
        if (openAddress_ >= kConfigBase) memory_.ids.fill(kErasedWord);
        return;
      case Pending::DataBulk:
        if (!EepromProtected()) EraseEeprom();
        return;
      case Pending::None:
        return;
    }
  }

  void StartChipErase(nanoseconds now) {
    Cycle next;
    next.kind = kChip;
    next.address = address_;
    next.what = "chip erase cycle";
    armed_ = Armed::None;
    ClearLatches();
    ++stats_.bulkErases;
    Start(std::move(next), now, part_.times.chip);
  }

  std::array<std::uint16_t, kGroupWords> latches_{};
  unsigned loadedLatches_ = kNoLatches;
  bool dataLoaded_ = false;
  Armed armed_ = Armed::None;
  Pending pending_ = Pending::None;
  int openAddress_ = 0;
  nanoseconds openedAt_{0};
  nanoseconds needs_{0};
  std::string what_;
  std::optional<nanoseconds> poweredAt_;
  std::optional<nanoseconds> vppRoseAt_;
};

PartInfo F81xPart(const DeviceModel& row, std::string_view name, const CycleTimes& times,
                  std::uint16_t config2Mask) {
  PartInfo part = PartFromRow(row, name);
  part.configMask = kWordMask;
  part.allOrNothing = true;
  part.times = times;
  part.config2Mask = config2Mask;
  return part;
}

}  // namespace

void RegisterChips_chip_f81x(ChipAdder add) {
  // The 16F87/88's second word, at 0x2008, stores bits 1 and 0.
  add("16F88", {[](const DeviceModel& row, std::string_view name) {
                  return F81xPart(row, name, kF88, 0x0003);
                },
                MakeChipOf<F81xChip>});
  for (std::string_view key : {"16F818", "16F819"}) {
    add(key, {[](const DeviceModel& row, std::string_view name) {
                return F81xPart(row, name, kF819, 0);
              },
              MakeChipOf<F81xChip>});
  }
}

}  // namespace daxwel::sim
