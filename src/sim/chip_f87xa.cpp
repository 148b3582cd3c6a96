// The 16F873A/874A/876A/877A. Program memory is written through 8 latches a block at a time:
// 001000 erases the block the counter is in and writes all eight latches (DS39589B 2.4.2.7),
// 011000 writes them without erase and lasts until the programmer's End Programming, which
// also sets the latches to all ones (2.4.2.9). The four IDs are a block of test memory
// written the same way from latches 0-3; 001000 on the configuration word erases it before
// writing it. Bulk erases run on the next 001000 and never erase the configuration word
// (2.5.1.1); Chip Erase is the only erase that does, and the only way to lift code
// protection. The 16F87X's Setup1/Setup2 are not for this part. Programming only writes
// only over erased locations.

#include <bit>

#include "sim/chip.h"

namespace daxwel::sim {

namespace {

// 16F87XA, DS39589 as pickle annotates it: TPROG2 10 ms for 001000 (a row, an ID, the
// configuration word or an EEPROM byte), TPROG1 1 ms for 011000 before End Programming,
// TPROG3 10 ms for Chip Erase (PICkit 2's script also waits TERA 10 ms), 10 ms for a bulk
// erase run by 001000, TDIS 100 us after End Programming (PICkit 2 and pickle).
constexpr CycleTimes kF87XA{.word = milliseconds(10),
                            .eeprom = milliseconds(10),
                            .row = milliseconds(10),
                            .programOnly = milliseconds(1),
                            .bulk = milliseconds(10),
                            .chip = milliseconds(10),
                            .discharge = microseconds(100)};

enum Kind { kRow, kIds, kWord, kEeprom, kProgramOnly, kDischarge, kProgramBulk, kDataBulk, kChip };
enum class Bulk { None, Program, Data };

constexpr int kRowSize = 8;
constexpr unsigned kAllLatches = 0xFF;
constexpr int kIdWords = 4;
constexpr unsigned kIdLatches = 0x0F;

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
    if (!open_ || command == kEndProgramming) return;
    open_ = false;
    Violation(now, "command " + Hex(command, 2) + " while the Begin Programming Only cycle at " +
                       Hex(static_cast<unsigned>(pending_.address), 4) +
                       " is open (End Programming 0x17 first): nothing programmed");
  }

  // Load Configuration's word and every program-memory load fill the latch that address
  // bits 2:0 select, in test memory as in program memory.
  void AfterLoad(std::uint8_t command, std::uint16_t word) override {
    if (command == kLoadDataData) return;
    const auto latch = static_cast<std::size_t>(address_ & (kRowSize - 1));
    latches_[latch] = word & kWordMask;
    loadedLatches_ |= 1u << latch;
  }

  void OnEnter() override {
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
      case kIds:
        for (int i = 0; i < kIdWords; ++i) {
          WriteConfigSpace(kConfigBase + i,
                           complete ? c.row[static_cast<std::size_t>(i)] : kErasedWord, false);
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
        // From test memory it takes the IDs with it, never the configuration word.
        if (!complete || ConfigLocked()) return;
        EraseProgram();
        if (c.address >= kConfigBase) memory_.ids.fill(kErasedWord);
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
  static int BlockSize(const Cycle& c) { return c.kind == kRow ? kRowSize : kIdWords; }

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
    } else if (InConfigSpace() && address_ < kConfigBase + kIdWords &&
               (loadedLatches_ & kIdLatches) != 0) {
      next.kind = kIds;
      next.address = kConfigBase;
      next.row = latches_;
      next.rowLoaded = loadedLatches_ & kIdLatches;
      next.what = "ID block cycle at " + Hex(kConfigBase, 4);
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
    } else if (c.kind == kIds) {
      stats_.configWrites += kIdWords;
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
    nanoseconds duration = part_.times.word;
    if (next.kind == kRow) {
      duration = part_.times.row;
      CheckAllLoaded("row", next.address, next.rowLoaded, kAllLatches, now);
    } else if (next.kind == kIds) {
      duration = part_.times.row;
      CheckAllLoaded("ID block", next.address, next.rowLoaded, kIdLatches, now);
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

  // With nothing open it only sets the latches to all ones (the vendor's programmer closes a
  // bulk erase with it).
  void EndProgramming(nanoseconds now) {
    ClearLatches();
    if (!open_) return;
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

  // 001000 writes every latch of its block: one left unloaded erases its word.
  void CheckAllLoaded(const char* block, int address, unsigned loaded, unsigned all,
                      nanoseconds now) {
    if (loaded == all) return;
    Violation(now, std::string("Begin Erase/Programming Cycle on the ") + block + " at " +
                       Hex(static_cast<unsigned>(address), 4) + " with " +
                       std::to_string(Popcount(loaded)) + " of its " +
                       std::to_string(Popcount(all)) +
                       " latches loaded: the others are written as 0x3FFF");
  }

  // Programming only over loaded locations that are not erased: one report per cycle.
  void CheckErasedBeforeProgramOnly(const Cycle& c, nanoseconds now) {
    if (c.kind != kRow && c.kind != kIds) {
      CheckErased("Begin Programming Only Cycle", c.address, c.kind == kEeprom, c.value, now);
      return;
    }
    int unerased = 0;
    int first = 0;
    for (int i = 0; i < BlockSize(c); ++i) {
      const std::uint16_t loaded = c.row[static_cast<std::size_t>(i)];
      if (!(c.rowLoaded & (1u << i)) || loaded == kErasedWord) continue;
      if (Stored(c.address + i) != kErasedWord && unerased++ == 0) first = c.address + i;
    }
    if (unerased > 0) {
      Violation(now, std::string("Begin Programming Only Cycle on the ") +
                         (c.kind == kRow ? "row" : "ID block") + " at " + Hex(c.address, 4) +
                         " over " + std::to_string(unerased) +
                         " location(s) that are not erased (first " +
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
    } else if (c.kind == kIds) {
      for (int i = 0; i < kIdWords; ++i) {
        if (c.rowLoaded & (1u << i)) {
          WriteConfigSpace(kConfigBase + i, c.row[static_cast<std::size_t>(i)], true);
        }
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
  Cycle pending_;
};

}  // namespace

void RegisterChips_chip_f87xa(ChipAdder add) {
  add("16F87XA", {[](const DeviceModel& row, std::string_view name) {
                    PartInfo part = PartFromRow(row, name);
                    part.configMask = 0x2FCF;
                    part.allOrNothing = true;
                    part.times = kF87XA;
                    return part;
                  },
                  MakeChipOf<F87xaChip>});
}

}  // namespace daxwel::sim
