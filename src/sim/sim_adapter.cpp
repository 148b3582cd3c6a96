#include "sim/sim_adapter.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <string>
#include <utility>

namespace daxwel::sim {

namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

// Lines of the adapter's data register, as the target sees them.
constexpr std::uint8_t kClock = 0x01;
constexpr std::uint8_t kData = 0x02;
constexpr std::uint8_t kVpp = 0x04;
constexpr std::uint8_t kRun = 0x08;
constexpr std::uint8_t kUnusedBits = 0xF0;

// Raw status values: bit 7 (BUSY) is inverted by the port, so an attached adapter reads
// 1xxx x111 and a bare port with its inputs floating high reads 0111 1111.
constexpr std::uint8_t kStatusPresent = 0x87;
constexpr std::uint8_t kStatusDataIn = 0x40;
constexpr std::uint8_t kStatusAbsent = 0x7F;
constexpr std::uint8_t kFloatingBus = 0xFF;

constexpr nanoseconds kClockPhaseMin = microseconds(1);
constexpr nanoseconds kVppHoldMin = microseconds(5);
constexpr nanoseconds kSetupHoldMin = nanoseconds(100);

constexpr std::uint16_t kWordMask = 0x3FFF;
constexpr std::uint16_t kErasedWord = 0x3FFF;
constexpr std::uint8_t kErasedByte = 0xFF;
constexpr int kConfigBase = 0x2000;
constexpr int kConfigWordAddress = 0x2007;
constexpr int kDeviceIdAddress = 0x2006;

// Keeps a runaway loop from filling memory with the same complaint.
constexpr std::size_t kMaxViolations = 200;

enum Command : std::uint8_t {
  kLoadConfiguration = 0x00,
  kBulkEraseSetup1 = 0x01,
  kLoadDataProgram = 0x02,
  kLoadDataData = 0x03,
  kReadDataProgram = 0x04,
  kReadDataData = 0x05,
  kIncrementAddress = 0x06,
  kBulkEraseSetup2 = 0x07,
  kBeginEraseProgram = 0x08,
  kBulkEraseProgram = 0x09,
  kBulkEraseData = 0x0B,
  kBeginProgramOnly = 0x18,
};

struct ModelInfo {
  std::string_view name;
  int programWords;
  int eepromBytes;
  std::uint16_t deviceId;  // part number in bits 13-5, silicon revision in bits 4-0
  bool twoKilo;            // 16F870/1/2: code protection is all or nothing
  bool isF84Family;
  nanoseconds wordCycle;         // worst-case erase + program of one location
  nanoseconds programOnlyCycle;  // Begin Programming Only Cycle; zero: the part has none
  nanoseconds bulkCycle;
};

// Worst-case self-timed cycles: the target is only guaranteed to have finished after these.
constexpr nanoseconds kNone{0};
constexpr std::array<ModelInfo, 9> kModels{{
    {"16F84", 1024, 64, 0x0000, false, true, milliseconds(20), kNone, milliseconds(20)},
    {"16F84A", 1024, 64, 0x0562, false, true, milliseconds(8), milliseconds(8), milliseconds(10)},
    {"16F870", 2048, 64, 0x0D03, true, false, milliseconds(8), milliseconds(4), milliseconds(8)},
    {"16F871", 2048, 64, 0x0D23, true, false, milliseconds(8), milliseconds(4), milliseconds(8)},
    {"16F872", 2048, 64, 0x08E4, true, false, milliseconds(8), milliseconds(4), milliseconds(8)},
    {"16F873", 4096, 128, 0x0967, false, false, milliseconds(8), milliseconds(4), milliseconds(8)},
    {"16F874", 4096, 128, 0x0927, false, false, milliseconds(8), milliseconds(4), milliseconds(8)},
    {"16F876", 8192, 256, 0x09E7, false, false, milliseconds(8), milliseconds(4), milliseconds(8)},
    {"16F877", 8192, 256, 0x09A7, false, false, milliseconds(8), milliseconds(4), milliseconds(8)},
}};

const ModelInfo& Info(SimModel model) { return kModels[static_cast<std::size_t>(model)]; }

bool Contains(const std::vector<int>& list, int value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

std::string Micros(nanoseconds t) {
  char text[40];
  std::snprintf(text, sizeof text, "%.3f us", static_cast<double>(t.count()) / 1000.0);
  return text;
}

std::string Hex(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

enum class Frame { Command, Data, Read };
enum class Loaded { None, Program, Data };
enum class Bulk { None, Program, Data };
enum class CycleKind { Word, Eeprom, ProgramBulk, DataBulk, Chip };

struct Cycle {
  bool active = false;
  CycleKind kind = CycleKind::Word;
  bool eraseFirst = true;
  int address = 0;
  std::uint16_t value = 0;
  nanoseconds start{0};
  nanoseconds end{0};
};

}  // namespace

struct SimAdapter::Impl {
  Impl(SimModel m, const Clock& c, std::uint16_t b, Faults f)
      : model(m), info(Info(m)), clock(c), base(b), faults(std::move(f)) {
    memory.program.assign(static_cast<std::size_t>(info.programWords), kErasedWord);
    memory.eeprom.assign(static_cast<std::size_t>(info.eepromBytes), kErasedByte);
  }

  SimModel model;
  const ModelInfo& info;
  const Clock& clock;
  std::uint16_t base;
  Faults faults;
  ChipMemory memory;
  SimStats stats;
  std::vector<std::string> violations;
  long long unlisted = 0;
  long long writesSeen = 0;  // never reset, so a planned unplug survives ResetStats()

  // The port side: what the programmer drives, and when each line last moved.
  std::uint8_t dataRegister = 0;
  std::optional<nanoseconds> vppRoseAt;
  std::optional<nanoseconds> lastRise;
  std::optional<nanoseconds> lastFall;
  std::optional<nanoseconds> lastDataChange;

  // The target side.
  std::uint8_t pins = 0;  // lines as they reach the target (0 while disconnected)
  bool programMode = false;
  int address = 0;
  Frame frame = Frame::Command;
  int clocks = 0;
  unsigned bits = 0;
  std::uint8_t frameCommand = 0;
  bool driving = false;
  bool outBit = false;
  bool conflictReported = false;
  std::uint16_t readWord = 0;
  Loaded loaded = Loaded::None;
  std::uint16_t latch = kErasedWord;
  Bulk bulk = Bulk::None;
  int setupStage = 0;
  Cycle cycle;

  void Violation(nanoseconds when, const std::string& text) {
    std::string line = "at " + Micros(when) + ": " + text;
    if (violations.size() + 1 < kMaxViolations) {
      violations.push_back(std::move(line));
      return;
    }
    ++unlisted;
    std::string summary = "... and " + std::to_string(unlisted) + " more violations";
    if (violations.size() + 1 == kMaxViolations) {
      violations.push_back(std::move(summary));
    } else {
      violations.back() = std::move(summary);
    }
  }

  bool AdapterThere() const {
    if (faults.noAdapter) return false;
    return !faults.unplugAfter || writesSeen < *faults.unplugAfter;
  }
  bool TargetThere() const { return AdapterThere() && !faults.noTarget; }

  std::uint16_t DeviceId() const {
    if (faults.deviceId) return static_cast<std::uint16_t>(*faults.deviceId & kWordMask);
    return info.deviceId;
  }

  // ---- Code protection ----

  std::uint16_t Config() const { return memory.config & kWordMask; }

  // First protected program address; programWords when nothing is protected.
  int ProtectedFrom() const {
    const int size = info.programWords;
    if (info.isF84Family) return (Config() & 0x0010) ? size : 0;
    // The two CP1:CP0 copies: a zero in either counts.
    const int pair = ((Config() >> 4) & 3) & ((Config() >> 12) & 3);
    if (pair == 3) return size;
    if (pair == 0 || info.twoKilo) return 0;
    return pair == 2 ? size - 256 : size / 2;
  }
  bool EepromProtected() const {
    if (info.isF84Family) return (Config() & 0x0010) == 0;
    return (Config() & 0x0100) == 0;
  }
  // Protection can only be lifted by the chip erase, so a protected part keeps its word.
  bool ConfigLocked() const { return ProtectedFrom() < info.programWords || EepromProtected(); }

  // ---- Memory access, tolerant of vectors a test has resized ----

  int ProgramIndex(int addr) const { return addr & (info.programWords - 1); }
  int EepromIndex(int addr) const { return addr & (info.eepromBytes - 1); }

  std::uint16_t ReadProgramWord() const {
    if (address < kConfigBase) {
      const int index = ProgramIndex(address);
      if (index >= ProtectedFrom()) return 0;
      if (static_cast<std::size_t>(index) >= memory.program.size()) return kErasedWord;
      return memory.program[static_cast<std::size_t>(index)] & kWordMask;
    }
    const int offset = address - kConfigBase;
    if (offset < 4) return memory.ids[static_cast<std::size_t>(offset)] & kWordMask;
    if (address == kDeviceIdAddress) return DeviceId();
    if (address == kConfigWordAddress) return Config();
    return kErasedWord;
  }

  std::uint16_t ReadEepromWord() const {
    const std::uint16_t upper = (faults.eeUpper && *faults.eeUpper != 0) ? 0x3F00 : 0;
    const auto index = static_cast<std::size_t>(EepromIndex(address));
    if (EepromProtected() || index >= memory.eeprom.size()) {
      return static_cast<std::uint16_t>(upper | (EepromProtected() ? 0 : kErasedByte));
    }
    return static_cast<std::uint16_t>(upper | memory.eeprom[index]);
  }

  void WriteProgramCell(int index, std::uint16_t value) {
    if (static_cast<std::size_t>(index) >= memory.program.size()) return;
    if (Contains(faults.stuckProgram, index)) return;
    memory.program[static_cast<std::size_t>(index)] = value & kWordMask;
  }
  void WriteEepromCell(int index, std::uint8_t value) {
    if (static_cast<std::size_t>(index) >= memory.eeprom.size()) return;
    if (Contains(faults.stuckEeprom, index)) return;
    memory.eeprom[static_cast<std::size_t>(index)] = value;
  }

  // ---- Self-timed cycles ----

  void BeginCycle(bool eraseFirst, nanoseconds now) {
    ++stats.programCycles;
    Cycle next;
    next.active = true;
    next.eraseFirst = eraseFirst;
    next.address = address;
    next.value = latch;
    next.start = now;
    if (setupStage == 2) {
      if (address != kConfigWordAddress) {
        Violation(now, "Bulk Erase Setup1/Setup2 cycle at " + Hex(address, 4) +
                           " instead of 0x2007: nothing erased");
        setupStage = 0;
        return;
      }
      next.kind = CycleKind::Chip;
    } else if (bulk != Bulk::None) {
      next.kind = bulk == Bulk::Program ? CycleKind::ProgramBulk : CycleKind::DataBulk;
    } else if (loaded == Loaded::Data) {
      next.kind = CycleKind::Eeprom;
    } else if (loaded == Loaded::Program) {
      next.kind = CycleKind::Word;
    } else {
      Violation(now, "Begin Erase/Programming Cycle with no data loaded");
      return;
    }
    setupStage = 0;
    bulk = Bulk::None;

    const nanoseconds wordTime = eraseFirst ? info.wordCycle : info.programOnlyCycle;
    if (!eraseFirst) {
      ++stats.programOnlyCycles;
      CheckErasedBeforeProgramOnly(next.kind, now);
    }
    switch (next.kind) {
      case CycleKind::Word:
        if (address < kConfigBase) {
          ++stats.programWrites;
        } else if (address <= kConfigWordAddress) {
          ++stats.configWrites;
        }
        next.end = now + wordTime;
        break;
      case CycleKind::Eeprom:
        ++stats.eepromWrites;
        next.end = now + wordTime;
        break;
      default:
        ++stats.bulkErases;
        next.end = now + info.bulkCycle;
        break;
    }
    stats.cycleTimeTotal += next.end - next.start;
    cycle = next;
  }

  // Programming only clears bits: on a word that is not erased the silicon silently stores
  // old AND new, so a programmer must never issue it there.
  void CheckErasedBeforeProgramOnly(CycleKind kind, nanoseconds now) {
    std::uint16_t old = kErasedWord;
    std::uint16_t erased = kErasedWord;
    if (kind == CycleKind::Eeprom) {
      const auto index = static_cast<std::size_t>(EepromIndex(address));
      old = index < memory.eeprom.size() ? memory.eeprom[index] : kErasedByte;
      erased = kErasedByte;
    } else if (kind == CycleKind::Word) {
      old = ReadProgramWord();
    } else {
      return;
    }
    if (old != erased) {
      Violation(now, "Begin Programming Only Cycle at " + Hex(static_cast<unsigned>(address), 4) +
                         " on a word that is not erased (" + Hex(old, 4) + ")");
    }
  }

  // A cycle cut short leaves its word erased but never programmed, and a bulk erase undone.
  void ApplyCycle(bool complete) {
    const Cycle& c = cycle;
    switch (c.kind) {
      case CycleKind::Word: {
        if (c.address < kConfigBase) {
          const int index = ProgramIndex(c.address);
          if (index >= ProtectedFrom()) return;
          const auto pos = static_cast<std::size_t>(index);
          const std::uint16_t old = pos < memory.program.size() ? memory.program[pos] : 0;
          WriteProgramCell(index, !complete      ? kErasedWord
                                  : c.eraseFirst ? c.value
                                                 : static_cast<std::uint16_t>(old & c.value));
        } else if (c.address - kConfigBase < 4) {
          auto& id = memory.ids[static_cast<std::size_t>(c.address - kConfigBase)];
          id = !complete ? kErasedWord : c.eraseFirst ? c.value : (id & c.value);
        } else if (c.address == kConfigWordAddress && !ConfigLocked()) {
          auto& word = memory.config;
          word = !complete ? kErasedWord : c.eraseFirst ? c.value : (word & c.value);
        }
        return;
      }
      case CycleKind::Eeprom: {
        if (EepromProtected()) return;
        const auto index = static_cast<std::size_t>(EepromIndex(c.address));
        const std::uint8_t old = index < memory.eeprom.size() ? memory.eeprom[index] : 0;
        const auto loaded = static_cast<std::uint8_t>(c.value & 0xFF);
        const auto value = c.eraseFirst ? loaded : static_cast<std::uint8_t>(old & loaded);
        WriteEepromCell(static_cast<int>(index), complete ? value : kErasedByte);
        return;
      }
      case CycleKind::ProgramBulk:
        if (!complete || ProtectedFrom() < info.programWords) return;
        for (int i = 0; i < info.programWords; ++i) WriteProgramCell(i, kErasedWord);
        return;
      case CycleKind::DataBulk:
        if (!complete || EepromProtected()) return;
        for (int i = 0; i < info.eepromBytes; ++i) WriteEepromCell(i, kErasedByte);
        return;
      case CycleKind::Chip:
        if (!complete) return;
        for (int i = 0; i < info.programWords; ++i) WriteProgramCell(i, kErasedWord);
        for (int i = 0; i < info.eepromBytes; ++i) WriteEepromCell(i, kErasedByte);
        memory.ids.fill(kErasedWord);
        memory.config = kErasedWord;
        return;
    }
  }

  void Settle(nanoseconds now) {
    if (cycle.active && now >= cycle.end) {
      ApplyCycle(true);
      cycle.active = false;
    }
  }

  // The target is disturbed (clock or VPP) while it may still be busy.
  void Interrupt(nanoseconds now, const char* cause, bool report) {
    Settle(now);
    if (!cycle.active) return;
    if (report) {
      std::string what =
          cycle.kind == CycleKind::Word     ? "programming cycle at " + Hex(cycle.address, 4)
          : cycle.kind == CycleKind::Eeprom ? "data memory cycle at " + Hex(cycle.address, 4)
                                            : std::string("bulk erase cycle");
      Violation(now, std::string(cause) + " " + Micros(now - cycle.start) + " into the " + what +
                         ", which needs " + Micros(cycle.end - cycle.start));
    }
    ApplyCycle(false);
    cycle.active = false;
  }

  // ---- Serial protocol ----

  void ResetFrame() {
    frame = Frame::Command;
    clocks = 0;
    bits = 0;
    driving = false;
    conflictReported = false;
  }

  void EnterProgramMode() {
    programMode = true;
    address = 0;
    loaded = Loaded::None;
    latch = kErasedWord;
    bulk = Bulk::None;
    setupStage = 0;
    ResetFrame();
    ++stats.programModeEntries;
  }

  void LeaveProgramMode(nanoseconds now, bool report) {
    Interrupt(now, "programming voltage dropped", report);
    if (report && (frame != Frame::Command || clocks != 0)) {
      Violation(now, "programming voltage dropped inside a frame");
    }
    programMode = false;
    ResetFrame();
  }

  void Increment() {
    if (address >= kConfigBase) {
      address = kConfigBase + ((address - kConfigBase + 1) & 0x1FFF);
    } else {
      address = (address + 1) & 0x1FFF;
    }
  }

  void Execute(std::uint8_t command, nanoseconds now) {
    if (command != kBulkEraseSetup1 && command != kBulkEraseSetup2 &&
        command != kBeginEraseProgram) {
      setupStage = 0;
    }
    switch (command) {
      case kLoadConfiguration:
      case kLoadDataProgram:
      case kLoadDataData:
        frame = Frame::Data;
        frameCommand = command;
        return;
      case kReadDataProgram:
        readWord = ReadProgramWord();
        frame = Frame::Read;
        return;
      case kReadDataData:
        readWord = ReadEepromWord();
        frame = Frame::Read;
        return;
      case kIncrementAddress:
        Increment();
        return;
      case kBeginEraseProgram:
        BeginCycle(true, now);
        return;
      case kBeginProgramOnly:
        if (info.programOnlyCycle > kNone) {
          BeginCycle(false, now);
          return;
        }
        break;
      case kBulkEraseProgram:
        bulk = Bulk::Program;
        return;
      case kBulkEraseData:
        bulk = Bulk::Data;
        return;
      case kBulkEraseSetup1:
        setupStage = 1;
        return;
      case kBulkEraseSetup2:
        setupStage = setupStage == 1 ? 2 : 0;
        return;
      default:
        break;
    }
    Violation(now, "unknown command " + Hex(command, 2) + " for the " + std::string(info.name));
  }

  void FinishLoad(std::uint16_t word) {
    switch (frameCommand) {
      case kLoadConfiguration:
        address = kConfigBase;
        latch = word;
        loaded = Loaded::Program;
        break;
      case kLoadDataProgram:
        latch = word;
        loaded = Loaded::Program;
        break;
      default:
        latch = word & 0xFF;
        loaded = Loaded::Data;
        break;
    }
  }

  // One bit, taken on the falling clock edge.
  void FallingEdge(bool bit, nanoseconds now) {
    switch (frame) {
      case Frame::Command:
        bits |= static_cast<unsigned>(bit) << clocks;
        if (++clocks == 6) {
          const auto command = static_cast<std::uint8_t>(bits);
          clocks = 0;
          bits = 0;
          Execute(command, now);
        }
        return;
      case Frame::Data:
        ++clocks;
        if (clocks >= 2 && clocks <= 15) bits |= static_cast<unsigned>(bit) << (clocks - 2);
        if ((clocks == 1 || clocks == 16) && bit) {
          Violation(now, std::string(clocks == 1 ? "start" : "stop") +
                             " bit of a data frame sent as 1 (must be 0)");
        }
        if (clocks == 16) {
          FinishLoad(static_cast<std::uint16_t>(bits & kWordMask));
          ResetFrame();
        }
        return;
      case Frame::Read:
        if (++clocks == 16) ResetFrame();
        return;
    }
  }

  // The target drives its bit from the rising edge of clock 2 to clock 15 of a read frame.
  void RisingEdge() {
    if (frame != Frame::Read) return;
    const int k = clocks + 1;
    driving = k >= 2 && k <= 15;
    if (driving) outBit = ((readWord >> (k - 2)) & 1) != 0;
  }

  void TargetLines(std::uint8_t value, nanoseconds now, bool report) {
    const std::uint8_t old = pins;
    pins = value;
    Settle(now);
    const bool vppWas = (old & kVpp) != 0;
    const bool vppNow = (value & kVpp) != 0;
    if (vppWas && !vppNow && programMode) LeaveProgramMode(now, report);
    if (!vppWas && vppNow) EnterProgramMode();
    if (!programMode || !vppNow) return;

    const bool rose = (value & kClock) && !(old & kClock);
    const bool fell = !(value & kClock) && (old & kClock);
    if (rose) {
      Interrupt(now, "clock raised", report);
      RisingEdge();
    }
    if (driving && (value & kData) && !conflictReported) {
      conflictReported = true;
      if (report) Violation(now, "data line driven high while the target sends a read frame");
    }
    if (fell) FallingEdge((value & kData) != 0, now);
  }

  // ---- Rules the programmer must keep, checked on what it writes ----

  void CheckLines(std::uint8_t old, std::uint8_t value, nanoseconds now) {
    if (value & kUnusedBits) Violation(now, "unused bits written as 1: " + Hex(value, 2));
    if ((value & kRun) && value != kRun) {
      Violation(now, "run line written together with other lines: " + Hex(value, 2));
    }
    const bool vppWas = (old & kVpp) != 0;
    const bool vppNow = (value & kVpp) != 0;
    if (!vppNow) {
      if (value & (kClock | kData)) {
        Violation(now, "clock or data driven without programming voltage: " + Hex(value, 2));
      }
      vppRoseAt.reset();
      return;
    }
    if (!vppWas) {
      vppRoseAt = now;
      lastRise.reset();
      lastFall.reset();
      lastDataChange.reset();
      if (value & (kClock | kData)) {
        Violation(now, "clock or data high while the programming voltage rises: " + Hex(value, 2));
      }
      return;
    }
    const std::uint8_t raised = value & ~old & (kClock | kData);
    if (raised && vppRoseAt && now - *vppRoseAt < kVppHoldMin) {
      Violation(now, "clock or data raised " + Micros(now - *vppRoseAt) +
                         " after the programming voltage (needs 5 us)");
    }
    const bool clockWas = (old & kClock) != 0;
    const bool clockNow = (value & kClock) != 0;
    if (clockWas != clockNow) ++stats.clockPhases;
    if ((old ^ value) & kData) {
      if (!clockWas && !clockNow && lastFall && now - *lastFall < kSetupHoldMin) {
        Violation(now, "data changed " + Micros(now - *lastFall) +
                           " after the falling clock edge (hold needs 0.1 us)");
      }
      lastDataChange = now;
    }
    if (clockNow && !clockWas) {
      if (lastFall && now - *lastFall < kClockPhaseMin) {
        Violation(now, "clock low for only " + Micros(now - *lastFall) + " (needs 1 us)");
      }
      lastRise = now;
    }
    if (!clockNow && clockWas) {
      if (lastRise && now - *lastRise < kClockPhaseMin) {
        Violation(now, "clock high for only " + Micros(now - *lastRise) + " (needs 1 us)");
      }
      if (lastDataChange && now - *lastDataChange < kSetupHoldMin) {
        Violation(now, "data changed " + Micros(now - *lastDataChange) +
                           " before the falling clock edge (setup needs 0.1 us)");
      }
      lastFall = now;
    }
  }

  void Write(std::uint8_t value) {
    const nanoseconds now = clock.Now();
    const bool reaches = AdapterThere();
    ++writesSeen;
    const std::uint8_t old = dataRegister;
    dataRegister = value;
    CheckLines(old, value, now);
    const bool target = reaches && !faults.noTarget;
    TargetLines(target ? value : 0, now, target);
    // The adapter may vanish right after this write: the target loses its lines with it.
    if (target && !AdapterThere()) TargetLines(0, now, false);
  }

  std::uint8_t Status() const {
    if (!AdapterThere()) return kStatusAbsent;
    bool line = false;
    if (faults.noTarget) {
      line = *faults.noTarget != 0;
    } else if (driving) {
      line = outBit;
    } else {
      line = (dataRegister & kData) != 0;  // the data line reads back what the PC drives
    }
    return static_cast<std::uint8_t>(kStatusPresent | (line ? kStatusDataIn : 0));
  }
};

std::optional<SimModel> ParseSimModel(std::string_view text) {
  std::string upper;
  for (char c : text) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::string_view name = upper;
  if (name.substr(0, 3) == "PIC") name.remove_prefix(3);
  for (std::size_t i = 0; i < kModels.size(); ++i) {
    if (kModels[i].name == name) return static_cast<SimModel>(i);
  }
  return std::nullopt;
}

std::string_view SimModelName(SimModel model) { return Info(model).name; }

SimAdapter::SimAdapter(SimModel model, const Clock& clock, std::uint16_t base, Faults faults)
    : impl_(std::make_unique<Impl>(model, clock, base, std::move(faults))) {}

SimAdapter::~SimAdapter() = default;

void SimAdapter::PortOut(std::uint16_t address, std::uint8_t value) {
  ++impl_->stats.portWrites;
  if (address == impl_->base) impl_->Write(value);
}

std::uint8_t SimAdapter::PortIn(std::uint16_t address) {
  ++impl_->stats.portReads;
  if (address == impl_->base + 1) return impl_->Status();
  if (address == impl_->base) return impl_->dataRegister;
  return kFloatingBus;
}

SimModel SimAdapter::Model() const { return impl_->model; }
std::uint16_t SimAdapter::Base() const { return impl_->base; }
std::uint16_t SimAdapter::DeviceId() const { return impl_->DeviceId(); }

ChipMemory& SimAdapter::Memory() {
  impl_->Settle(impl_->clock.Now());
  return impl_->memory;
}

const ChipMemory& SimAdapter::Memory() const {
  impl_->Settle(impl_->clock.Now());
  return impl_->memory;
}

const std::vector<std::string>& SimAdapter::Violations() const { return impl_->violations; }

void SimAdapter::ClearViolations() {
  impl_->violations.clear();
  impl_->unlisted = 0;
}

const SimStats& SimAdapter::Stats() const { return impl_->stats; }
void SimAdapter::ResetStats() { impl_->stats = {}; }
std::uint8_t SimAdapter::DataRegister() const { return impl_->dataRegister; }
bool SimAdapter::InProgramMode() const { return impl_->programMode; }
bool SimAdapter::Running() const { return impl_->dataRegister == kRun; }
Faults& SimAdapter::GetFaults() { return impl_->faults; }

}  // namespace daxwel::sim
