// The 16F873A/874A/876A/877A. Program memory is written through 8 latches a row at a time:
// 001000 erases the row and writes all eight, 011000 writes them without erase and lasts
// until the programmer's End Programming. Bulk erases run on the next 001000; Chip Erase is
// the only way to lift code protection. The 16F87X's Setup1/Setup2 are not for this part.
// How much 001000 erases of a row, an ID or the configuration word is documented nowhere, so
// those are written only once erased; programming only, only over erased locations.

#include <bit>

#include "sim/chip.h"

namespace daxwel::sim {

namespace {

enum Kind { kRow, kWord, kEeprom, kProgramOnly, kDischarge, kProgramBulk, kDataBulk, kChip };
enum class Bulk { None, Program, Data };

constexpr int kRowSize = 8;
constexpr unsigned kAllLatches = 0xFF;

int Popcount(unsigned bits) { return std::popcount(bits); }

class F87xaChip final : public Chip {
 public:
  using Chip::Chip;

 protected:
  bool FamilyCommand(std::uint8_t command, nanoseconds now) override {
    switch (command) {
      case kBeginEraseProgram:
        BeginEraseProgram(now);
        return true;
      case kBeginProgramOnly:
        BeginProgramOnly(now);
        return true;
      case kEndProgramming:
        EndProgramming(now);
        return true;
      case kBulkEraseProgram:
        bulk_ = Bulk::Program;
        return true;
      case kBulkEraseData:
        bulk_ = Bulk::Data;
        return true;
      case kChipErase:
        StartChipErase(now);
        return true;
      case kBulkEraseSetup1:
      case kBulkEraseSetup2:
        Violation(now, std::string(command == kBulkEraseSetup1 ? "Bulk Erase Setup1"
                                                               : "Bulk Erase Setup2") +
                           " (" + Hex(command, 2) + ") sent to the " + std::string(part_.name) +
                           ": a 16F87X command, not in this part's set");
        return true;
      default:
        return false;
    }
  }

  // An open programming-only cycle takes nothing but its End Programming.
  void BeforeCommand(std::uint8_t command, nanoseconds now) override {
    if (command != kEndProgramming) afterBulk_ = false;
    if (!open_ || command == kEndProgramming) return;
    open_ = false;
    Violation(now, "command " + Hex(command, 2) + " while the Begin Programming Only cycle at " +
                       Hex(static_cast<unsigned>(pending_.address), 4) +
                       " is open (End Programming 0x17 first): nothing programmed");
  }

  void AfterLoad(std::uint8_t command, std::uint16_t word) override {
    if (command != kLoadDataProgram || InConfigSpace()) return;
    const auto latch = static_cast<std::size_t>(address_ & (kRowSize - 1));
    latches_[latch] = word & kWordMask;
    loadedLatches_ |= 1u << latch;
  }

  void OnEnter() override {
    afterBulk_ = false;
    bulk_ = Bulk::None;
    open_ = false;
    ClearLatches();
  }

  void OnLeave(nanoseconds now, bool report) override {
    if (!open_) return;
    open_ = false;
    if (report) {
      Violation(now, "programming voltage dropped with the Begin Programming Only cycle at " +
                         Hex(static_cast<unsigned>(pending_.address), 4) +
                         " open: nothing programmed");
    }
  }

  // A cut-short erase-and-write leaves its locations erased; a cut-short erase, nothing.
  void Apply(const Cycle& c, bool complete) override {
    switch (c.kind) {
      case kRow:
        if (ProtectedFrom() == 0) return;
        for (int i = 0; i < kRowSize; ++i) {
          WriteProgramCell(ProgramIndex(c.address + i),
                           complete ? c.row[static_cast<std::size_t>(i)] : kErasedWord);
        }
        return;
      case kWord:
        WriteConfigSpace(c.address, complete ? c.value : kErasedWord, false);
        return;
      case kEeprom:
        if (!EepromProtected()) {
          WriteEepromCell(EepromIndex(c.address),
                          complete ? static_cast<std::uint8_t>(c.value) : kErasedByte);
        }
        return;
      case kProgramBulk:
        // From configuration memory it takes the IDs and the configuration word with it
        // (the vendor's own programmer: "Erase Program & Config memory, NOT EE").
        if (!complete || ConfigLocked()) return;
        EraseProgram();
        if (c.address >= kConfigBase) {
          memory_.ids.fill(kErasedWord);
          SetConfig(kErasedWord);
        }
        afterBulk_ = true;
        return;
      case kDataBulk:
        if (complete && !ConfigLocked()) EraseEeprom();
        return;
      case kChip:
        if (!complete) return;
        EraseProgram();
        EraseEeprom();
        if (c.address >= kConfigBase) memory_.ids.fill(kErasedWord);
        SetConfig(kErasedWord);
        return;
      default:  // a discharge: the write itself is done
        return;
    }
  }

 private:
  void ClearLatches() {
    latches_.fill(kErasedWord);
    loadedLatches_ = 0;
  }

  // IDs and the configuration word; the device ID and reserved words stay as they are.
  void WriteConfigSpace(int address, std::uint16_t value, bool andOld) {
    const int offset = address - kConfigBase;
    if (offset >= 0 && offset < 4) {
      auto& id = memory_.ids[static_cast<std::size_t>(offset)];
      id = andOld ? (id & value) : (value & kWordMask);
    } else if (address == kConfigWordAddress && !ConfigLocked()) {
      WriteConfigCell(andOld ? (Config() & value) : value);
    }
  }

  // The cycle 001000 or 011000 starts on what was loaded last; false when nothing was.
  bool Prepare(Cycle& next, bool erase, nanoseconds now) {
    next.erase = erase;
    next.address = address_;
    next.value = latch_;
    const std::string row = Hex(static_cast<unsigned>(address_ & ~(kRowSize - 1)), 4);
    if (loaded_ == Loaded::Data) {
      next.kind = kEeprom;
      next.value = latch_ & 0xFF;
      next.what = "data memory cycle at " + Hex(static_cast<unsigned>(address_), 4);
    } else if (InConfigSpace() && loaded_ == Loaded::Program) {
      next.kind = kWord;
      next.what = "programming cycle at " + Hex(static_cast<unsigned>(address_), 4);
    } else if (!InConfigSpace() && loadedLatches_ != 0) {
      next.kind = kRow;
      next.address = address_ & ~(kRowSize - 1);
      next.row = latches_;
      next.rowLoaded = loadedLatches_;
      next.what = "row cycle at " + row;
    } else {
      Violation(now, std::string(erase ? "Begin Erase/Programming" : "Begin Programming Only") +
                         " Cycle with no data loaded");
      return false;
    }
    return true;
  }

  void Count(const Cycle& c) {
    if (c.kind == kRow) {
      stats_.programWrites += Popcount(c.rowLoaded);
    } else if (c.kind == kEeprom) {
      ++stats_.eepromWrites;
    } else if (c.address <= kConfigWordAddress) {
      ++stats_.configWrites;
    }
  }

  void BeginEraseProgram(nanoseconds now) {
    Cycle next;
    if (bulk_ != Bulk::None) {
      next.kind = bulk_ == Bulk::Program ? kProgramBulk : kDataBulk;
      next.address = address_;
      next.what = "bulk erase cycle";
      bulk_ = Bulk::None;
      ClearLatches();
      ++stats_.bulkErases;
      Start(std::move(next), now, part_.times.bulk);
      return;
    }
    const bool ready = Prepare(next, true, now);
    ClearLatches();
    if (!ready) {
      ++stats_.programCycles;
      return;
    }
    if (next.kind != kEeprom) CheckErasedBeforeErase(next, now);
    nanoseconds duration = part_.times.word;
    if (next.kind == kRow) {
      duration = part_.times.row;
      if (next.rowLoaded != kAllLatches) {
        Violation(now, "Begin Erase/Programming Cycle on the row at " + Hex(next.address, 4) +
                           " with " + std::to_string(Popcount(next.rowLoaded)) +
                           " of its 8 latches loaded: the others are written as 0x3FFF");
      }
    } else if (next.kind == kEeprom) {
      duration = part_.times.eeprom;
    }
    Count(next);
    Start(std::move(next), now, duration);
  }

  // Externally timed: nothing happens until End Programming, which must come late enough.
  void BeginProgramOnly(nanoseconds now) {
    ++stats_.programCycles;
    ++stats_.programOnlyCycles;
    stats_.cycleTimeTotal += part_.times.programOnly;
    Cycle next;
    const bool ready = Prepare(next, false, now);
    ClearLatches();
    if (!ready) return;
    CheckErasedBeforeProgramOnly(next, now);
    Count(next);
    next.start = now;
    pending_ = std::move(next);
    open_ = true;
  }

  void EndProgramming(nanoseconds now) {
    // The vendor's programmer closes a bulk erase with End Programming too.
    if (!open_ && afterBulk_) {
      afterBulk_ = false;
      return;
    }
    if (!open_) {
      Violation(now, "End Programming with no Begin Programming Only cycle open");
      return;
    }
    open_ = false;
    const nanoseconds took = now - pending_.start;
    if (took < part_.times.programOnly) {
      Violation(now, "End Programming " + Micros(took) + " into the Begin Programming Only " +
                         pending_.what + ", which needs " + Micros(part_.times.programOnly) +
                         ": nothing programmed");
    } else {
      ProgramOnly(pending_);
    }
    Cycle discharge;
    discharge.kind = kDischarge;
    discharge.clockOnly = true;
    discharge.what = "discharge after End Programming";
    discharge.active = true;
    discharge.start = now;
    discharge.end = now + part_.times.discharge;
    cycle_ = std::move(discharge);
  }

  // 001000 over a row, an ID or the configuration word that already holds data.
  void CheckErasedBeforeErase(const Cycle& c, nanoseconds now) {
    const int count = c.kind == kRow ? kRowSize : 1;
    for (int i = 0; i < count; ++i) {
      const std::uint16_t old = Stored(c.address + i);
      if (old == kErasedWord) continue;
      const char* what = c.kind == kRow                    ? "row"
                         : c.address == kConfigWordAddress ? "configuration word"
                                                           : "ID location";
      Violation(now, std::string("Begin Erase/Programming Cycle on the ") + what + " at " +
                         Hex(static_cast<unsigned>(c.address), 4) + ", which is not erased (" +
                         Hex(static_cast<unsigned>(c.address + i), 4) + " holds " + Hex(old, 4) +
                         "): erase it first");
      return;
    }
  }

  // Programming only over loaded locations that are not erased: one report per cycle.
  void CheckErasedBeforeProgramOnly(const Cycle& c, nanoseconds now) {
    if (c.kind != kRow) {
      CheckErased("Begin Programming Only Cycle", c.address, c.kind == kEeprom, c.value, now);
      return;
    }
    int unerased = 0;
    int first = 0;
    for (int i = 0; i < kRowSize; ++i) {
      const std::uint16_t loaded = c.row[static_cast<std::size_t>(i)];
      if (!(c.rowLoaded & (1u << i)) || loaded == kErasedWord) continue;
      if (Stored(c.address + i) != kErasedWord && unerased++ == 0) first = c.address + i;
    }
    if (unerased > 0) {
      Violation(now, "Begin Programming Only Cycle on the row at " + Hex(c.address, 4) + " over " +
                         std::to_string(unerased) + " location(s) that are not erased (first " +
                         Hex(static_cast<unsigned>(first), 4) + ")");
    }
  }

  // Programming only stores old AND new.
  void ProgramOnly(const Cycle& c) {
    if (c.kind == kRow) {
      if (ProtectedFrom() == 0) return;
      for (int i = 0; i < kRowSize; ++i) {
        if (!(c.rowLoaded & (1u << i))) continue;
        const int index = ProgramIndex(c.address + i);
        WriteProgramCell(index, ProgramWord(index) & c.row[static_cast<std::size_t>(i)]);
      }
    } else if (c.kind == kEeprom) {
      if (EepromProtected()) return;
      const int index = EepromIndex(c.address);
      WriteEepromCell(index, static_cast<std::uint8_t>(EepromByte(index) & c.value));
    } else {
      WriteConfigSpace(c.address, c.value, true);
    }
  }

  // Load Configuration first also erases the IDs.
  void StartChipErase(nanoseconds now) {
    Cycle next;
    next.kind = kChip;
    next.address = address_;
    next.what = "chip erase cycle";
    bulk_ = Bulk::None;
    ClearLatches();
    ++stats_.bulkErases;
    Start(std::move(next), now, part_.times.chip);
  }

  std::array<std::uint16_t, kRowSize> latches_{};
  unsigned loadedLatches_ = 0;
  Bulk bulk_ = Bulk::None;
  bool open_ = false;
  bool afterBulk_ = false;  // a bulk erase just ran: End Programming may close it
  Cycle pending_;
};

}  // namespace

std::unique_ptr<Chip> MakeF87xaChip(const PartInfo& part, Faults& faults, SimStats& stats,
                                    ViolationLog& log) {
  return std::make_unique<F87xaChip>(part, faults, stats, log);
}

}  // namespace daxwel::sim
