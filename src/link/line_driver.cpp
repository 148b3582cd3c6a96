#include "link/line_driver.h"

namespace daxwel {

void Link::SetWiring(const Wiring& wiring) {
  wiring_ = wiring;
  writesControl_ = wiring_.DrivesControl();
  // The data register is the rest state of every adapter: written unless all lines are on
  // the control register.
  writesData_ = wiring_.DrivesData() || !writesControl_;
  clockOnControl_ = wiring_.ClockOnControl();
  for (std::size_t latch = 0; latch < bytes_.size(); ++latch) {
    bytes_[latch] = wiring_.Bytes(static_cast<std::uint8_t>(latch));
  }
}

void Link::WriteLines(std::uint8_t latch) { WriteBytes(bytes_[latch]); }

void Link::WriteBytes(const PortBytes& bytes) {
  if (clockOnControl_) {
    if (writesData_) io_.PortOut(OutPort(), bytes.data);
    if (writesControl_) io_.PortOut(ControlPort(), bytes.control);
  } else {
    if (writesControl_) io_.PortOut(ControlPort(), bytes.control);
    if (writesData_) io_.PortOut(OutPort(), bytes.data);
  }
}

std::uint8_t SetLatchBit(std::uint8_t value, std::uint8_t bit, std::uint8_t op) {
  const auto mask = static_cast<std::uint8_t>(1u << (bit & 7u));
  return op ? static_cast<std::uint8_t>(value | mask) : static_cast<std::uint8_t>(value & ~mask);
}

void LinesOff(Link& link) {
  link.WriteLines(0);
  link.MarkLinesOff();
}

std::uint8_t ResetLines(Link& link) {
  link.WriteLines(state::kHold);
  link.MarkLinesOff();
  BitDelay(link);
  if (link.GetWiring().SwitchesVdd()) link.GetPacer().Wait(kVddDischarge, link.Yield());
  return 0;
}

std::uint8_t EnterProgramMode(Link& link, std::uint8_t& latch, Entry entry) {
  Pacer& pacer = link.GetPacer();
  const auto off = link.LinesOffSince();
  const auto low = off ? pacer.GetClock().Now() - *off : std::chrono::nanoseconds(0);
  if (low < kVppLowHold) pacer.Delay(kVppLowHold - low);
  const bool switched = link.GetWiring().SwitchesVdd();
  const bool powered = (latch & state::kVdd) != 0;
  if (switched && !powered && entry == Entry::kVppFirst) {
    latch |= state::kVpp;
    link.WriteLines(latch);
    pacer.Delay(kVppBeforeVdd);
    latch |= state::kVdd;
    link.WriteLines(latch);
  } else {
    if (switched && !powered) {
      latch |= state::kVdd;
      link.WriteLines(latch);
      pacer.Delay(kVddBeforeVpp);
    }
    latch |= state::kVpp;
    link.WriteLines(latch);
  }
  // Clock and data must stay low at least 5 µs after the last supply rises before the first
  // clock.
  pacer.Delay(kVppHold);
  return latch;
}

void RunLineOn(Link& link) {
  const Wiring& wiring = link.GetWiring();
  std::uint8_t latch = wiring.Has(Line::kRun) ? state::kRun : 0;
  if (wiring.SwitchesVdd()) latch |= state::kVdd | state::kRun;
  link.WriteLines(latch);
}

bool IsPresencePattern(std::uint8_t status) {
  const auto pattern = static_cast<std::uint8_t>(status & 0xF8);
  return pattern == 0x80 || pattern == 0xC0;
}

bool AdapterPresent(Link& link) {
  const Wiring& wiring = link.GetWiring();
  switch (wiring.presence) {
    case Presence::kPattern:
      return IsPresencePattern(link.Io().PortIn(link.InPort()));
    case Presence::kNone:
      return true;
    case Presence::kLoopback:
      break;
  }
  // With no chip driving it the data input follows data out: low, then high, then off.
  link.WriteLines(0);
  link.GetPacer().Delay(kLoopbackSettle);
  const bool low = wiring.DataInHigh(link.Io().PortIn(link.InPort()));
  link.WriteLines(state::kData);
  link.GetPacer().Delay(kLoopbackSettle);
  const bool high = wiring.DataInHigh(link.Io().PortIn(link.InPort()));
  link.WriteLines(0);
  return !low && high;
}

void BitDelay(Link& link) { link.GetPacer().Delay(kBitDelay + link.ExtraHalfPeriod()); }

void WaitCycle(Link& link, std::chrono::microseconds cycle) {
  link.GetPacer().Wait(cycle, link.Yield());
}

}  // namespace daxwel
