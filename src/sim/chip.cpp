#include "sim/chip.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace daxwel::sim {

namespace {

// Keeps a runaway loop from filling memory with the same complaint.
constexpr std::size_t kMaxViolations = 200;

bool Contains(const std::vector<int>& list, int value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

// Only the low 8 bits are data; silicon differs in what it sends above them.
std::uint16_t EepromReadValue(std::uint8_t byte, bool hidden, const Faults& faults) {
  const std::uint16_t upper = (faults.eeUpper && *faults.eeUpper != 0) ? 0x3F00 : 0;
  return static_cast<std::uint16_t>(upper | (hidden ? 0 : byte));
}

}  // namespace

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

void ViolationLog::Add(nanoseconds when, const std::string& text) {
  std::string line = "at " + Micros(when) + ": " + text;
  if (lines_.size() + 1 < kMaxViolations) {
    lines_.push_back(std::move(line));
    return;
  }
  ++unlisted_;
  std::string summary = "... and " + std::to_string(unlisted_) + " more violations";
  if (lines_.size() + 1 == kMaxViolations) {
    lines_.push_back(std::move(summary));
  } else {
    lines_.back() = std::move(summary);
  }
}

void ViolationLog::Clear() {
  lines_.clear();
  unlisted_ = 0;
}

Chip::Chip(const PartInfo& part, Faults& faults, SimStats& stats, ViolationLog& log)
    : part_(part), faults_(faults), stats_(stats), log_(log) {
  memory_.program.assign(static_cast<std::size_t>(part.programWords), kErasedWord);
  memory_.eeprom.assign(static_cast<std::size_t>(part.eepromBytes), kErasedByte);
  memory_.config = static_cast<std::uint16_t>(kErasedWord & ~part.configReadsZero);
}

std::uint16_t Chip::DeviceId() const {
  if (faults_.deviceId) return static_cast<std::uint16_t>(*faults_.deviceId & kWordMask);
  return part_.deviceId;
}

// ---- Code protection: the newer families have one CP bit (13) and CPD (8) ----

int Chip::ProtectedFrom() const { return (Config() & 0x2000) ? part_.programWords : 0; }
bool Chip::EepromProtected() const { return (Config() & 0x0100) == 0; }
bool Chip::ConfigLocked() const {
  return ProtectedFrom() < part_.programWords || EepromProtected();
}

// ---- Memory access, tolerant of vectors a test has resized ----

std::uint16_t Chip::ProgramWord(int index) const {
  const auto pos = static_cast<std::size_t>(index);
  return pos < memory_.program.size() ? memory_.program[pos] & kWordMask : kErasedWord;
}

std::uint8_t Chip::EepromByte(int index) const {
  const auto pos = static_cast<std::size_t>(index);
  return pos < memory_.eeprom.size() ? memory_.eeprom[pos] : kErasedByte;
}

std::uint16_t Chip::ReadProgramWord() const {
  if (address_ < kConfigBase) {
    const int index = ProgramIndex(address_);
    return HiddenWord(index) ? 0 : ProgramWord(index);
  }
  const int offset = address_ - kConfigBase;
  if (offset < 4) return memory_.ids[static_cast<std::size_t>(offset)] & kWordMask;
  if (address_ == kDeviceIdAddress) return DeviceId();
  if (address_ == kConfigWordAddress) return Config();
  if (offset == 8 || offset == 9) return memory_.high[static_cast<std::size_t>(offset - 8)];
  return kErasedWord;
}

std::uint16_t Chip::Stored(int address) const {
  if (address < kConfigBase) return ProgramWord(ProgramIndex(address));
  const int offset = address - kConfigBase;
  if (offset < 4) return memory_.ids[static_cast<std::size_t>(offset)] & kWordMask;
  if (address == kConfigWordAddress) return Config();
  if (offset == 8 || offset == 9) return memory_.high[static_cast<std::size_t>(offset - 8)];
  return kErasedWord;
}

bool Chip::CheckErased(const std::string& cycle, int address, bool eeprom, std::uint16_t loaded,
                       nanoseconds now) {
  const std::uint16_t bits = eeprom                          ? 0xFF
                             : address == kConfigWordAddress ? part_.configMask
                                                             : kWordMask;
  const std::uint16_t old = eeprom ? EepromByte(EepromIndex(address)) : Stored(address);
  if ((old & bits) == bits || (loaded & bits) == bits) return true;
  Violation(now, cycle + " at " + Hex(static_cast<unsigned>(address), 4) +
                     " on a location that is not erased (holds " + Hex(old, 4) + ", loaded " +
                     Hex(loaded, 4) + ")");
  return false;
}

void Chip::WriteProgramCell(int index, std::uint16_t value) {
  if (static_cast<std::size_t>(index) >= memory_.program.size()) return;
  if (Contains(faults_.stuckProgram, index)) return;
  memory_.program[static_cast<std::size_t>(index)] = value & kWordMask;
}

void Chip::WriteEepromCell(int index, std::uint8_t value) {
  if (static_cast<std::size_t>(index) >= memory_.eeprom.size()) return;
  if (Contains(faults_.stuckEeprom, index)) return;
  memory_.eeprom[static_cast<std::size_t>(index)] = value;
}

void Chip::EraseProgram() {
  for (int i = 0; i < part_.programWords; ++i) WriteProgramCell(i, kErasedWord);
}

void Chip::EraseEeprom() {
  for (int i = 0; i < part_.eepromBytes; ++i) WriteEepromCell(i, kErasedByte);
}

// ---- Self-timed cycles ----

void Chip::Start(Cycle cycle, nanoseconds now, nanoseconds duration) {
  ++stats_.programCycles;
  cycle.active = true;
  cycle.start = now;
  cycle.end = now + duration;
  stats_.cycleTimeTotal += duration;
  cycle_ = std::move(cycle);
}

void Chip::Settle(nanoseconds now) {
  if (cycle_.active && now >= cycle_.end) {
    cycle_.active = false;
    Apply(cycle_, true);
  }
}

void Chip::Interrupt(nanoseconds now, Disturbance cause, bool report) {
  Settle(now);
  if (!cycle_.active) return;
  if (cycle_.clockOnly && cause != Disturbance::Clock) return;
  if (report) {
    const char* what = cause == Disturbance::Clock ? "clock raised" : "programming voltage dropped";
    Violation(now, std::string(what) + " " + Micros(now - cycle_.start) + " into the " +
                       cycle_.what + ", which needs " + Micros(cycle_.end - cycle_.start));
  }
  cycle_.active = false;
  Apply(cycle_, false);
}

// ---- The commands every family shares ----

void Chip::Enter(bool resetCounter) {
  if (resetCounter) address_ = 0;
  loaded_ = Loaded::None;
  latch_ = kErasedWord;
  garbled_ = entries_++ < faults_.refusedEntries;
  OnEnter();
}

void Chip::Leave(nanoseconds now, bool report) {
  Interrupt(now, Disturbance::Vpp, report);
  OnLeave(now, report);
}

void Chip::Increment() {
  if (address_ >= kConfigBase) {
    address_ = kConfigBase + ((address_ - kConfigBase + 1) & 0x1FFF);
  } else {
    address_ = (address_ + 1) & 0x1FFF;
  }
}

Follows Chip::Execute(std::uint8_t command, nanoseconds now) {
  if (garbled_) return Garbled(command, now);
  BeforeCommand(command, now);
  switch (command) {
    case kLoadConfiguration:
    case kLoadDataProgram:
    case kLoadDataData:
      loadCommand_ = command;
      return Follows::DataFrame;
    case kReadDataProgram:
      readValue_ = ReadProgramWord();
      return Follows::ReadFrame;
    case kReadDataData: {
      const bool hidden = EepromProtected();
      readValue_ = EepromReadValue(EepromByte(EepromIndex(address_)), hidden, faults_);
      return Follows::ReadFrame;
    }
    case kIncrementAddress:
      Increment();
      return Follows::Nothing;
    default:
      if (!FamilyCommand(command, now)) Unknown(command, now);
      return Follows::Nothing;
  }
}

// A part that runs its own code drives its data pin as that code says. Its garbage is never
// the part's own device ID, so a programmer that checks the ID always sees the refusal.
std::uint16_t Chip::Noise() {
  for (;;) {
    noise_ = static_cast<std::uint16_t>(noise_ ^ (noise_ << 7));
    noise_ = static_cast<std::uint16_t>(noise_ ^ (noise_ >> 9));
    noise_ = static_cast<std::uint16_t>(noise_ ^ (noise_ << 8));
    const auto word = static_cast<std::uint16_t>(noise_ & kWordMask);
    if (part_.deviceId == 0 || (word & 0x3FE0) != (part_.deviceId & 0x3FE0)) return word;
  }
}

Follows Chip::Garbled(std::uint8_t command, nanoseconds now) {
  switch (command) {
    case kLoadConfiguration:
    case kLoadDataProgram:
    case kLoadDataData:
      loadCommand_ = command;
      return Follows::DataFrame;
    case kReadDataProgram:
    case kReadDataData:
      readValue_ = Noise();
      return Follows::ReadFrame;
    case kIncrementAddress:
      return Follows::Nothing;
    default:
      Violation(now, "command " + Hex(command, 2) +
                         " sent although the part answers garbage: it never entered programming "
                         "mode, and a programmer that checked the device ID would have stopped");
      return Follows::Nothing;
  }
}

void Chip::Unknown(std::uint8_t command, nanoseconds now) {
  Violation(now, "unknown command " + Hex(command, 2) + " for the " + std::string(part_.name));
}

void Chip::Load(std::uint16_t word, nanoseconds now) {
  if (garbled_) return;
  // The documents give the data frame as "0, data (8), zero (6), 0".
  if (loadCommand_ == kLoadDataData && (word & 0x3F00) != 0) {
    Violation(now, "Load Data for Data Memory with " + Hex(word, 4) +
                       ": the six bits above the byte must be 0");
  }
  switch (loadCommand_) {
    case kLoadConfiguration:
      address_ = kConfigBase;
      if (!ConfigurationLoadsData()) return;
      latch_ = word;
      loaded_ = Loaded::Program;
      break;
    case kLoadDataProgram:
      latch_ = word;
      loaded_ = Loaded::Program;
      break;
    default:
      latch_ = word & 0xFF;
      loaded_ = Loaded::Data;
      break;
  }
  AfterLoad(loadCommand_, word);
}

}  // namespace daxwel::sim
