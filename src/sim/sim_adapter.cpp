#include "sim/sim_adapter.h"

#include <chrono>
#include <string>
#include <utility>

#include "sim/chip.h"

namespace daxwel::sim {

namespace {

using std::chrono::microseconds;

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
constexpr nanoseconds kSetupHoldMin = nanoseconds(100);

enum class Frame { Command, Data, Read };

}  // namespace

// The bit-level decoder: port lines, the rules on what the programmer writes, clock edges,
// frames and the status register. What the commands do is the chip's business.
struct SimAdapter::Impl {
  Impl(SimModel m, const Clock& c, std::uint16_t b, Faults f)
      : model(m), clock(c), base(b), faults(std::move(f)), chip(MakeChip(m, faults, stats, log)) {}

  SimModel model;
  const Clock& clock;
  std::uint16_t base;
  Faults faults;
  SimStats stats;
  ViolationLog log;
  std::unique_ptr<Chip> chip;
  long long writesSeen = 0;  // never reset, so a planned unplug survives ResetStats()

  // The port side: what the programmer drives, and when each line last moved.
  std::uint8_t dataRegister = 0;
  std::optional<nanoseconds> vppRoseAt;
  std::optional<nanoseconds> lastRise;
  std::optional<nanoseconds> lastFall;
  std::optional<nanoseconds> lastDataChange;
  std::optional<nanoseconds> vppFellAt;  // at the target; never: low since power-up

  // The target side.
  std::uint8_t pins = 0;  // lines as they reach the target (0 while disconnected)
  bool programMode = false;
  bool refused = false;  // VPP is up but the part would not enter programming mode
  Frame frame = Frame::Command;
  int clocks = 0;
  unsigned bits = 0;
  bool driving = false;
  bool outBit = false;
  bool conflictReported = false;

  void Violation(nanoseconds when, const std::string& text) { log.Add(when, text); }

  bool AdapterThere() const {
    if (faults.noAdapter) return false;
    return !faults.unplugAfter || writesSeen < *faults.unplugAfter;
  }

  // ---- Serial protocol ----

  void ResetFrame() {
    frame = Frame::Command;
    clocks = 0;
    bits = 0;
    driving = false;
    conflictReported = false;
  }

  // Too short a VPP low does not reset the part: its address counter stays where it was.
  void EnterProgramMode(nanoseconds now, bool report) {
    refused = !chip->AcceptsEntry();
    if (refused) return;
    const nanoseconds least = chip->Part().times.vppLow;
    const bool reset = !vppFellAt || now - *vppFellAt >= least;
    if (!reset && report) {
      Violation(now, "programming voltage low for only " + Micros(now - *vppFellAt) +
                         " before it rose again (needs " + Micros(least) +
                         " to reset the address counter)");
    }
    programMode = true;
    chip->Enter(reset);
    ResetFrame();
    ++stats.programModeEntries;
  }

  void LeaveProgramMode(nanoseconds now, bool report) {
    chip->Leave(now, report);
    if (report && (frame != Frame::Command || clocks != 0)) {
      Violation(now, "programming voltage dropped inside a frame");
    }
    programMode = false;
    ResetFrame();
  }

  void Execute(std::uint8_t command, nanoseconds now) {
    switch (chip->Execute(command, now)) {
      case Follows::DataFrame:
        frame = Frame::Data;
        return;
      case Follows::ReadFrame:
        frame = Frame::Read;
        return;
      case Follows::Nothing:
        return;
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
          chip->Load(static_cast<std::uint16_t>(bits & kWordMask), now);
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
    if (driving) outBit = ((chip->ReadValue() >> (k - 2)) & 1) != 0;
  }

  void TargetLines(std::uint8_t value, nanoseconds now, bool report) {
    const std::uint8_t old = pins;
    pins = value;
    chip->Settle(now);
    const bool vppWas = (old & kVpp) != 0;
    const bool vppNow = (value & kVpp) != 0;
    if (vppWas && !vppNow) {
      vppFellAt = now;
      if (programMode) LeaveProgramMode(now, report);
    }
    if (!vppNow) refused = false;
    if (!vppWas && vppNow) EnterProgramMode(now, report);
    if (!programMode || !vppNow) return;

    const bool rose = (value & kClock) && !(old & kClock);
    const bool fell = !(value & kClock) && (old & kClock);
    if (rose) {
      chip->Interrupt(now, Disturbance::Clock, report);
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
    const nanoseconds hold = chip->Part().times.vppHold;
    if (raised && vppRoseAt && now - *vppRoseAt < hold) {
      Violation(now, "clock or data raised " + Micros(now - *vppRoseAt) +
                         " after the programming voltage (needs " + Micros(hold) + ")");
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
    } else if (refused) {
      line = false;  // the part's own program holds the line
    } else if (driving) {
      line = outBit;
    } else {
      line = (dataRegister & kData) != 0;  // the data line reads back what the PC drives
    }
    return static_cast<std::uint8_t>(kStatusPresent | (line ? kStatusDataIn : 0));
  }
};

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
std::uint16_t SimAdapter::DeviceId() const { return impl_->chip->DeviceId(); }

ChipMemory& SimAdapter::Memory() {
  impl_->chip->Settle(impl_->clock.Now());
  return impl_->chip->Memory();
}

const ChipMemory& SimAdapter::Memory() const {
  impl_->chip->Settle(impl_->clock.Now());
  return impl_->chip->Memory();
}

const std::vector<std::string>& SimAdapter::Violations() const { return impl_->log.Lines(); }
void SimAdapter::ClearViolations() { impl_->log.Clear(); }

const SimStats& SimAdapter::Stats() const { return impl_->stats; }
void SimAdapter::ResetStats() { impl_->stats = {}; }
std::uint8_t SimAdapter::DataRegister() const { return impl_->dataRegister; }
bool SimAdapter::InProgramMode() const { return impl_->programMode; }
bool SimAdapter::Running() const { return impl_->dataRegister == kRun; }
Faults& SimAdapter::GetFaults() { return impl_->faults; }

}  // namespace daxwel::sim
