#pragma once

// The chip behind the simulated adapter's bit-level decoder: one model per family, all on
// the base below, which keeps what every family shares (memories, address counter, the
// single-word latch, self-timed cycles, code-protection reads, stuck cells, statistics).

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/sim_adapter.h"

namespace daxwel::sim {

using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

constexpr nanoseconds kNone{0};  // a cycle the part does not have

constexpr std::uint16_t kWordMask = 0x3FFF;
constexpr std::uint16_t kErasedWord = 0x3FFF;
constexpr std::uint8_t kErasedByte = 0xFF;
constexpr int kConfigBase = 0x2000;
constexpr int kDeviceIdAddress = 0x2006;
constexpr int kConfigWordAddress = 0x2007;

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
  kEndExternalProgramming = 0x0A,  // 001010: ends 011000 on the 12F629/675 and 16F630/676
  kBulkEraseData = 0x0B,
  kEndProgramming = 0x17,
  kBeginProgramOnly = 0x18,
  kChipErase = 0x1F,
};

// The least time each step needs, as the parts' programming documents publish it: a wait
// of at least this is accepted, a shorter one is a violation. Self-timed cycles are only
// sure to have finished after their time. Zero: the part has no such cycle. The figures
// and their sources are in one table in parts.cpp; a row that names no entry times gets
// the generic ones below.
struct CycleTimes {
  nanoseconds word;          // one program word, ID or the configuration word
  nanoseconds eeprom;        // one data EEPROM byte
  nanoseconds row;           // a row of program-memory write latches
  nanoseconds programOnly;   // Begin Programming Only
  nanoseconds bulk;          // a bulk erase
  nanoseconds chip;          // a chip erase
  nanoseconds discharge{0};  // after End Programming, before the next clock
  // Clock and data held low after VPP rises, before either moves (thld0 at the pin).
  nanoseconds vppHold = std::chrono::microseconds(5);
  // VPP low before the next entry resets the address counter. No document names one; the
  // shortest a working programmer holds (10 us) is taken.
  nanoseconds vppLow = std::chrono::microseconds(10);
};

// One simulated part: what its row in the parts table says, and what its family's chip model
// adds from the documents.
struct PartInfo {
  std::string_view name;
  std::string_view familyKey;  // the parts table's family key ("16F84")
  int programWords = 0;
  int eepromBytes = 0;
  std::uint16_t deviceId = 0;  // part number in bits 13-5 (13-4 on the 16F87XA), revision below
  std::uint16_t configMask = kWordMask;  // implemented configuration bits; the others read 1
  bool allOrNothing = false;             // 16F870/1/2: any CP1:CP0 setting protects everything
  CycleTimes times{};
  std::optional<Calibration> factory;  // what a new chip of the part holds, if it has one
  // Unimplemented configuration bits the part's sheet says read 0 rather than 1.
  std::uint16_t configReadsZero = 0;
  // 0x2008 and 0x2009 as a new part leaves the factory: calibration words, or 0x3FFF.
  std::array<std::uint16_t, 2> factoryHigh{kErasedWord, kErasedWord};
  int latches = 1;                // program-memory write latches, a power of two
  std::uint16_t config2Mask = 0;  // implemented bits of a second configuration word, if any
  int vppLimitVolts = 0;          // the most MCLR takes, when a 13 V adapter is too much
  int vppMinVolts = 0;            // the least MCLR needs, where the sheet gives it
  // A shunt regulator on VDD (the HV parts): the most VDD a supply that does not limit its
  // current may give, in millivolts; 0 on the others.
  int shuntVddMillivolts = 0;
  // Whether a data byte's programming cycle erases the byte first; where it does not (DS41204G:
  // "The addressed location is not erased before programming") the byte keeps old AND new.
  bool dataWriteErases = true;
};

const PartInfo& PartOf(const SimModel& model);

// What the parts table says of a part: name, sizes, and the device ID with a silicon revision
// (none for a row's part without an ID). A family's chip model adds the rest.
PartInfo PartFromRow(const DeviceModel& row, std::string_view name);

class Chip;
class ViolationLog;
struct SimStats;

// The chip model of one family of the parts table, registered from its chip_*.cpp by a
// function `void RegisterChips_<file>(ChipAdder)` that the build finds.
struct ChipFamily {
  PartInfo (*part)(const DeviceModel& row, std::string_view name);
  std::unique_ptr<Chip> (*make)(const PartInfo&, Faults&, SimStats&, ViolationLog&);
  // Whether the keep-config fault (a bulk erase that leaves the configuration word) exists on
  // the family's silicon.
  bool keepsConfig = false;
  // What is wrong with the faults for the family's silicon ("osccal: ..."), or "".
  std::string (*faultProblem)(const Faults&) = nullptr;
};
using ChipAdder = void (*)(std::string_view familyKey, const ChipFamily& family);

std::string Micros(nanoseconds t);
std::string Hex(unsigned value, int digits);

// Protocol and timing rules broken so far, bounded so a runaway loop cannot fill memory.
class ViolationLog {
 public:
  void Add(nanoseconds when, const std::string& text);
  const std::vector<std::string>& Lines() const { return lines_; }
  void Clear();

 private:
  std::vector<std::string> lines_;
  long long unlisted_ = 0;
};

// What the decoder expects after a command.
enum class Follows { Nothing, DataFrame, ReadFrame };

// What disturbs a chip that may still be busy.
enum class Disturbance { Clock, Vpp };

enum class Loaded { None, Program, Data };

struct Cycle {
  bool active = false;
  int kind = 0;       // the family's own cycle kinds
  bool erase = true;  // erase before write (the 16F84/87X's 001000)
  int address = 0;
  std::uint16_t value = 0;
  std::array<std::uint16_t, 8> row{};
  unsigned rowLoaded = 0;  // latches loaded, one bit each
  bool clockOnly = false;  // only a clock edge disturbs it (a discharge, not a write)
  std::string what;        // as a violation names it
  nanoseconds start{0};
  nanoseconds end{0};
};

class Chip {
 public:
  Chip(const PartInfo& part, Faults& faults, SimStats& stats, ViolationLog& log);
  virtual ~Chip() = default;
  Chip(const Chip&) = delete;
  Chip& operator=(const Chip&) = delete;

  const PartInfo& Part() const { return part_; }
  std::uint16_t DeviceId() const;
  ChipMemory& Memory() { return memory_; }
  const ChipMemory& Memory() const { return memory_; }

  // VDD rose on an adapter that switches it, and VPP rose: told before AcceptsEntry, for the
  // parts whose entry depends on the time between them.
  virtual void PowerUp(nanoseconds /*now*/) {}
  virtual void VppRises(nanoseconds /*now*/) {}
  // VPP rose with VDD already on. False: the part stays out of programming mode.
  virtual bool AcceptsEntry() const { return true; }
  // `resetCounter` false: VPP was not low long enough, and the counter keeps its place.
  void Enter(bool resetCounter);
  void Leave(nanoseconds now, bool report);
  // Six command bits arrived.
  Follows Execute(std::uint8_t command, nanoseconds now);
  // The data frame after a load command arrived.
  void Load(std::uint16_t word, nanoseconds now);
  // The word a read frame sends, fixed when its command arrived.
  std::uint16_t ReadValue() const { return readValue_; }
  // Completes a self-timed cycle whose time has passed.
  void Settle(nanoseconds now);
  // The programmer disturbs the chip; a cycle still running is cut short.
  void Interrupt(nanoseconds now, Disturbance cause, bool report);

 protected:
  // A command outside the set every family shares; false: the part does not know it.
  virtual bool FamilyCommand(std::uint8_t command, nanoseconds now) = 0;
  virtual void BeforeCommand(std::uint8_t /*command*/, nanoseconds /*now*/) {}
  virtual void AfterLoad(std::uint8_t /*command*/, std::uint16_t /*word*/) {}
  // Whether Load Configuration's data word is loaded, or only moves the counter.
  virtual bool ConfigurationLoadsData() const { return true; }
  virtual void OnEnter() {}
  virtual void OnLeave(nanoseconds /*now*/, bool /*report*/) {}
  virtual void Apply(const Cycle& cycle, bool complete) = 0;
  // First protected program address; the size when nothing is.
  virtual int ProtectedFrom() const;
  virtual bool EepromProtected() const;
  // Whether a program word reads as 0 under code protection.
  virtual bool HiddenWord(int index) const { return index >= ProtectedFrom(); }

  // Protection is only lifted by an erase, so a protected part keeps its configuration word.
  bool ConfigLocked() const;
  // Unimplemented bits read 1, as on a real blank 16F877A.
  std::uint16_t Config() const {
    return static_cast<std::uint16_t>((memory_.config | ~part_.configMask) & kWordMask &
                                      ~part_.configReadsZero);
  }
  bool InConfigSpace() const { return address_ >= kConfigBase; }
  int ProgramIndex(int addr) const { return addr & (part_.programWords - 1); }
  int EepromIndex(int addr) const { return addr & (part_.eepromBytes - 1); }
  std::uint16_t ReadProgramWord() const;
  std::uint8_t EepromByte(int index) const;
  std::uint16_t ProgramWord(int index) const;
  void WriteProgramCell(int index, std::uint16_t value);
  void WriteEepromCell(int index, std::uint8_t value);
  void SetConfig(std::uint16_t value) {
    memory_.config = static_cast<std::uint16_t>((value | ~part_.configMask) & kWordMask &
                                                ~part_.configReadsZero);
  }
  // A write cycle's result for the configuration word; the config-fail fault keeps the old.
  void WriteConfigCell(std::uint16_t value) {
    if (!faults_.configFail) SetConfig(value);
  }
  // What a program-space location holds (unimplemented configuration bits as 1); the
  // device ID and the reserved words read as erased, since no write reaches them.
  std::uint16_t Stored(int address) const;
  // Programming without erase only clears bits, and what it does to a location that already
  // holds data is documented nowhere. Reports `cycle` at `address` when the location is not
  // erased and `loaded` would program some bit there (a load of all ones programs nothing).
  bool CheckErased(const std::string& cycle, int address, bool eeprom, std::uint16_t loaded,
                   nanoseconds now);
  void EraseProgram();
  void EraseEeprom();

  // Starts a self-timed cycle of `duration`, counting it.
  void Start(Cycle cycle, nanoseconds now, nanoseconds duration);
  void Violation(nanoseconds now, const std::string& text) { log_.Add(now, text); }
  void Unknown(std::uint8_t command, nanoseconds now);

  const PartInfo& part_;
  Faults& faults_;
  SimStats& stats_;
  ChipMemory memory_;
  int address_ = 0;
  Loaded loaded_ = Loaded::None;
  std::uint16_t latch_ = kErasedWord;
  Cycle cycle_;

 private:
  void Increment();
  // A refused entry: reads answer garbage and nothing else has any effect.
  Follows Garbled(std::uint8_t command, nanoseconds now);
  std::uint16_t Noise();

  ViolationLog& log_;
  std::uint8_t loadCommand_ = 0;
  std::uint16_t readValue_ = 0;
  int entries_ = 0;
  bool garbled_ = false;
  std::uint16_t noise_ = 0xACE1;
};

// A chip of model C, as its family registers `make`.
template <class C>
std::unique_ptr<Chip> MakeChipOf(const PartInfo& part, Faults& faults, SimStats& stats,
                                 ViolationLog& log) {
  return std::make_unique<C>(part, faults, stats, log);
}

std::unique_ptr<Chip> MakeChip(const SimModel& model, Faults& faults, SimStats& stats,
                               ViolationLog& log);

}  // namespace daxwel::sim
