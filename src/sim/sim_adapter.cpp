#include "sim/sim_adapter.h"

#include <chrono>
#include <string>
#include <utility>

#include "sim/chip.h"

namespace daxwel::sim {

namespace {

using std::chrono::microseconds;

// Status bits 0-2 read 1 on the ports the simulator stands for.
constexpr std::uint8_t kStatusReserved = 0x07;
constexpr std::uint8_t kFloatingBus = 0xFF;
// Pins that today's adapter ties low so the program can see it is attached.
constexpr std::uint8_t kPatternPins[] = {11, 12, 13, 15};
constexpr std::uint8_t kStatusPins[] = {10, 11, 12, 13, 15};

constexpr nanoseconds kClockPhaseMin = microseconds(1);
constexpr nanoseconds kSetupHoldMin = nanoseconds(100);

enum class Frame { Command, Data, Read };

// The adapter's lines as the wiring gives them, from the two output registers.
struct Lines {
  bool vpp = false;
  bool vdd = false;  // the target's supply (always on where the adapter cannot switch it)
  bool clock = false;
  bool data = false;     // the PC drives the data line high
  bool pcDrives = true;  // the PC's data driver is on the line at all
  bool run = false;
  bool mclrLow = false;
  bool connected = true;
};

// Each output line resolved to its register bit once, so decoding a write is a few masks.
struct LineBit {
  bool wired = false;
  bool control = false;
  std::uint8_t mask = 0;
  bool flip = false;  // the port's inversion and the pin's polarity together
};
using LineBits = std::array<LineBit, kLineCount>;

LineBits Resolve(const Wiring& w) {
  LineBits bits{};
  for (std::size_t i = 0; i < kLineCount; ++i) {
    const Pin& pin = w.lines[i];
    const auto place = PlaceOfPin(pin.number);
    if (!pin.Wired() || !place || place->reg == PortRegister::kStatus) continue;
    bits[i] = {true, place->reg == PortRegister::kControl,
               static_cast<std::uint8_t>(1u << place->bit), place->portInverts != pin.inverted};
  }
  return bits;
}

Lines Decode(const LineBits& bits, const PortBytes& regs) {
  Lines l;
  auto has = [&](Line line) { return bits[static_cast<std::size_t>(line)].wired; };
  auto on = [&](Line line) {
    const LineBit& b = bits[static_cast<std::size_t>(line)];
    if (!b.wired) return false;
    return (((b.control ? regs.control : regs.data) & b.mask) != 0) != b.flip;
  };
  auto enabled = [&](Line line) { return !has(line) || on(line); };
  l.vpp = on(Line::kVpp);
  l.vdd = !has(Line::kVdd) || on(Line::kVdd);
  const bool buffers = enabled(Line::kEnable);
  l.clock = on(Line::kClock) && buffers;
  l.pcDrives = buffers && enabled(Line::kDataEnable) && !on(Line::kDirection);
  l.data = on(Line::kDataOut) && l.pcDrives;
  l.run = on(Line::kRun);
  l.mclrLow = on(Line::kMclrLow);
  l.connected = enabled(Line::kConnect);
  return l;
}

// What reaches the target's pins.
struct Pins {
  bool vpp = false;
  bool vdd = false;
  bool clock = false;
  bool data = false;
};

std::uint8_t UnusedDataBits(const Wiring& w) {
  std::uint8_t used = 0;
  for (const Pin& pin : w.lines) {
    const auto place = PlaceOfPin(pin.number);
    if (pin.Wired() && place && place->reg == PortRegister::kData)
      used = static_cast<std::uint8_t>(used | (1u << place->bit));
  }
  return static_cast<std::uint8_t>(~used);
}

}  // namespace

// The bit-level decoder: port lines, the rules on what the programmer writes, clock edges,
// frames and the status register. What the commands do is the chip's business.
struct SimAdapter::Impl {
  Impl(SimModel m, const Clock& c, std::uint16_t b, Faults f, const Wiring& w)
      : model(m),
        clock(c),
        base(b),
        faults(std::move(f)),
        wiring(w),
        lineBits(Resolve(w)),
        unusedDataBits(UnusedDataBits(w)),
        chip(MakeChip(m, faults, stats, log)) {
    lines = Decode(lineBits, regs);
    pins = Idle();
  }

  SimModel model;
  const Clock& clock;
  std::uint16_t base;
  Faults faults;
  Wiring wiring;
  LineBits lineBits;
  std::uint8_t unusedDataBits;
  SimStats stats;
  ViolationLog log;
  std::unique_ptr<Chip> chip;
  long long writesSeen = 0;  // never reset, so a planned unplug survives ResetStats()

  // The port side: what the programmer drives, and when each line last moved.
  PortBytes regs;
  Lines lines;
  std::optional<nanoseconds> entryAt;  // when VPP and VDD were last both up
  std::optional<nanoseconds> lastRise;
  std::optional<nanoseconds> lastFall;
  std::optional<nanoseconds> lastDataChange;
  std::optional<nanoseconds> vppFellAt;  // at the target; never: low since power-up

  // The target side.
  Pins pins;  // lines as they reach the target (all low while disconnected)
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

  std::string Written() const {
    std::string text = Hex(regs.data, 2);
    if (wiring.DrivesControl()) {
      // Appended piece by piece: GCC 12 warns falsely on "/" + a temporary string.
      text += '/';
      text += Hex(regs.control, 2);
    }
    return text;
  }

  // ---- Serial protocol ----

  void ResetFrame() {
    frame = Frame::Command;
    clocks = 0;
    bits = 0;
    driving = false;
    conflictReported = false;
  }

  // `powerUp`: VDD rose onto a part whose MCLR already stood at VPP, so its own program never
  // ran and its counter starts at 0; a part entered VDD-first decides for itself, and too
  // short a VPP low does not reset it: its address counter stays where it was.
  void EnterProgramMode(nanoseconds now, bool report, bool powerUp) {
    chip->VppRises(now);
    refused = !powerUp && !chip->AcceptsEntry();
    if (refused) return;
    const nanoseconds least = chip->Part().times.vppLow;
    const bool reset = powerUp || !vppFellAt || now - *vppFellAt >= least;
    if (!reset && report) {
      Violation(now, "programming voltage low for only " + Micros(now - *vppFellAt) +
                         " before it rose again (needs " + Micros(least) +
                         " to reset the address counter)");
    }
    if (report) CheckSupply(now);
    programMode = true;
    chip->Enter(reset);
    ResetFrame();
    ++stats.programModeEntries;
  }

  // The VPP the fault or the adapter's file declares, and the adapter's VDD, against the
  // part's limits.
  void CheckSupply(nanoseconds now) {
    const PartInfo& part = chip->Part();
    const std::string name(part.name);
    const std::optional<int> vpp = faults.vppVolts ? faults.vppVolts : wiring.vppVolts;
    if (vpp && part.vppLimitVolts > 0 && *vpp > part.vppLimitVolts) {
      Violation(now, "programming mode entered with " + std::to_string(*vpp) +
                         " V on MCLR, above the " + std::to_string(part.vppLimitVolts) + " V the " +
                         name + " takes");
    }
    if (vpp && *vpp < part.vppMinVolts) {
      Violation(now, "programming mode entered with " + std::to_string(*vpp) +
                         " V on MCLR, below the " + std::to_string(part.vppMinVolts) + " V the " +
                         name + " needs");
    }
    if (part.shuntVddMillivolts > 0 && !wiring.vddLimited) {
      Violation(now, "VDD of 5 V from a supply that does not limit its current on the " + name +
                         ", whose shunt regulator takes at most " +
                         std::to_string(part.shuntVddMillivolts) + " mV so");
    }
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

  void TargetLines(Pins value, nanoseconds now, bool report) {
    const Pins old = pins;
    pins = value;
    chip->Settle(now);
    const bool upWas = old.vpp && old.vdd;
    const bool upNow = value.vpp && value.vdd;
    if (old.vpp && !value.vpp) vppFellAt = now;
    if (!old.vdd && value.vdd) chip->PowerUp(now);
    if (upWas && !upNow && programMode) LeaveProgramMode(now, report);
    if (!upNow) refused = false;
    // An unpowered part forgets where it was; its memories stay.
    if (!value.vdd) driving = false;
    if (!upWas && upNow) EnterProgramMode(now, report, !old.vdd);
    if (!programMode || !upNow) return;

    const bool rose = value.clock && !old.clock;
    const bool fell = !value.clock && old.clock;
    if (rose) {
      chip->Interrupt(now, Disturbance::Clock, report);
      RisingEdge();
    }
    if (driving && value.data && !conflictReported) {
      conflictReported = true;
      if (report) Violation(now, "data line driven high while the target sends a read frame");
    }
    if (fell) FallingEdge(value.data, now);
  }

  // ---- Rules the programmer must keep, checked on what it writes ----

  void CheckLines(const Lines& old, const Lines& now_, bool dataWritten, nanoseconds now) {
    if (dataWritten && (regs.data & unusedDataBits)) {
      Violation(now, "unused bits written as 1: " + Hex(regs.data, 2));
    }
    if (now_.run && (now_.vpp || now_.clock || now_.data)) {
      Violation(now, "run line written together with other lines: " + Written());
    }
    if (now_.mclrLow && now_.vpp) {
      Violation(now, "MCLR pulled to ground while the programming voltage is on: " + Written());
    }
    const bool up = now_.vpp && now_.vdd;
    if (!now_.vpp) {
      // An unpowered part runs no program that the lines could fight.
      if (now_.vdd && (now_.clock || now_.data)) {
        Violation(now, "clock or data driven without programming voltage: " + Written());
      }
      entryAt.reset();
      return;
    }
    if (!up) {
      entryAt.reset();
      if (now_.clock || now_.data) {
        Violation(now, "clock or data high while the target has no supply: " + Written());
      }
      return;
    }
    if (!(old.vpp && old.vdd)) {
      entryAt = now;
      lastRise.reset();
      lastFall.reset();
      lastDataChange.reset();
      if (now_.clock || now_.data) {
        Violation(now, "clock or data high while the programming voltage rises: " + Written());
      }
      return;
    }
    const bool raised = (now_.clock && !old.clock) || (now_.data && !old.data);
    const nanoseconds hold = chip->Part().times.vppHold;
    if (raised && entryAt && now - *entryAt < hold) {
      Violation(now, "clock or data raised " + Micros(now - *entryAt) +
                         " after the programming voltage (needs " + Micros(hold) + ")");
    }
    if (old.clock != now_.clock) ++stats.clockPhases;
    if (old.data != now_.data) {
      if (!old.clock && !now_.clock && lastFall && now - *lastFall < kSetupHoldMin) {
        Violation(now, "data changed " + Micros(now - *lastFall) +
                           " after the falling clock edge (hold needs 0.1 us)");
      }
      lastDataChange = now;
    }
    if (now_.clock && !old.clock) {
      if (lastFall && now - *lastFall < kClockPhaseMin) {
        Violation(now, "clock low for only " + Micros(now - *lastFall) + " (needs 1 us)");
      }
      lastRise = now;
    }
    if (!now_.clock && old.clock) {
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

  // Nothing driven; a supply the adapter does not switch stays on.
  Pins Idle() const { return {false, !wiring.SwitchesVdd(), false, false}; }

  Pins AtTarget(const Lines& l) const {
    if (!l.connected) return {};
    return {l.vpp && !l.mclrLow, l.vdd, l.clock, l.data};
  }

  void Write(bool control, std::uint8_t value) {
    const nanoseconds now = clock.Now();
    const bool reaches = AdapterThere();
    ++writesSeen;
    (control ? regs.control : regs.data) = value;
    const Lines old = lines;
    lines = Decode(lineBits, regs);
    CheckLines(old, lines, !control, now);
    const bool target = reaches && !faults.noTarget;
    TargetLines(target ? AtTarget(lines) : Idle(), now, target);
    // The adapter may vanish right after this write: the target loses its lines with it.
    if (target && !AdapterThere()) TargetLines(Idle(), now, false);
  }

  // The data line as the PC's input sees it.
  bool DataLine() const {
    if (faults.noTarget) return *faults.noTarget != 0;
    if (programMode && driving && pins.vdd) return outBit;
    if (refused) return false;              // the part's own program holds the line
    if (lines.pcDrives) return lines.data;  // the data line reads back what the PC drives
    return false;
  }

  std::uint8_t Status() const {
    bool high[26];
    for (bool& level : high) level = true;  // inputs float high
    if (AdapterThere()) {
      if (wiring.presence == Presence::kPattern) {
        for (std::uint8_t pin : kPatternPins) high[pin] = false;
      }
      if (wiring.dataIn.Wired() && wiring.dataIn.number < 26) {
        high[wiring.dataIn.number] = DataLine() != wiring.dataIn.inverted;
      }
    }
    std::uint8_t status = kStatusReserved;
    for (std::uint8_t pin : kStatusPins) {
      const auto place = PlaceOfPin(pin);
      if (high[pin] != place->portInverts)
        status = static_cast<std::uint8_t>(status | (1u << place->bit));
    }
    return status;
  }
};

SimAdapter::SimAdapter(SimModel model, const Clock& clock, std::uint16_t base, Faults faults,
                       const Wiring& wiring)
    : impl_(std::make_unique<Impl>(model, clock, base, std::move(faults), wiring)) {}

SimAdapter::~SimAdapter() = default;

void SimAdapter::PortOut(std::uint16_t address, std::uint8_t value) {
  ++impl_->stats.portWrites;
  if (address == impl_->base) impl_->Write(false, value);
  if (address == impl_->base + 2) impl_->Write(true, static_cast<std::uint8_t>(value & 0x0F));
}

std::uint8_t SimAdapter::PortIn(std::uint16_t address) {
  ++impl_->stats.portReads;
  if (address == impl_->base + 1) return impl_->Status();
  if (address == impl_->base) return impl_->regs.data;
  if (address == impl_->base + 2) return impl_->regs.control;
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
std::uint8_t SimAdapter::DataRegister() const { return impl_->regs.data; }
std::uint8_t SimAdapter::ControlRegister() const { return impl_->regs.control; }
bool SimAdapter::InProgramMode() const { return impl_->programMode; }
bool SimAdapter::Powered() const { return impl_->pins.vdd; }
bool SimAdapter::Running() const {
  const Lines& l = impl_->lines;
  if (l.vpp || l.clock || l.data || (impl_->regs.data & impl_->unusedDataBits)) return false;
  return impl_->wiring.Has(Line::kRun) ? l.run : (l.vdd && l.connected);
}
bool SimAdapter::LinesOff() const { return impl_->regs == impl_->wiring.Off(); }
const Wiring& SimAdapter::GetWiring() const { return impl_->wiring; }

void SimAdapter::SetWiring(const Wiring& wiring) {
  impl_->wiring = wiring;
  impl_->lineBits = Resolve(wiring);
  impl_->unusedDataBits = UnusedDataBits(wiring);
  impl_->lines = Decode(impl_->lineBits, impl_->regs);
}
Faults& SimAdapter::GetFaults() { return impl_->faults; }

}  // namespace daxwel::sim
