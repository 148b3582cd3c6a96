#include "link/line_driver.h"

#include <algorithm>

namespace daxwel {

std::uint8_t SetLatchBit(std::uint8_t value, std::uint8_t bit, std::uint8_t op) {
  const auto mask = static_cast<std::uint8_t>(1u << (bit & 7u));
  return op ? static_cast<std::uint8_t>(value | mask) : static_cast<std::uint8_t>(value & ~mask);
}

void LinesOff(Link& link) {
  link.Io().PortOut(link.OutPort(), 0);
  link.MarkLinesOff();
}

std::uint8_t ResetLines(Link& link) {
  LinesOff(link);
  BitDelay(link);
  return 0;
}

std::uint8_t EnterProgramMode(Link& link, std::uint8_t& latch) {
  const auto now = link.GetPacer().GetClock().Now();
  const auto off = link.LinesOffSince();
  const auto low = off ? now - *off : std::chrono::nanoseconds(0);
  if (low < kVppLowHold) link.GetPacer().Delay(kVppLowHold - low);
  latch = SetLatchBit(latch, kVppBit, 1);
  link.Io().PortOut(link.OutPort(), latch);
  // Clock and data must stay low at least 5 µs after VPP rises before the first clock.
  link.GetPacer().Delay(kVppHold);
  return latch;
}

void RunLineOn(Link& link) { link.Io().PortOut(link.OutPort(), kRunValue); }

bool IsPresencePattern(std::uint8_t status) {
  const auto pattern = static_cast<std::uint8_t>(status & 0xF8);
  return pattern == 0x80 || pattern == 0xC0;
}

bool AdapterPresent(Link& link) { return IsPresencePattern(link.Io().PortIn(link.InPort())); }

void BitDelay(Link& link) { link.GetPacer().Delay(kBitDelay); }

void WaitTicks(Link& link, int n) {
  // The tick counter starts at 5, so five ticks or fewer never wait.
  if (n <= 5) return;
  // Never shorter than the part's worst-case self-timed cycle: a half-written word, and
  // above all a half-written configuration or ID word, is never read back.
  const std::chrono::microseconds ticks = std::chrono::milliseconds(n - 5);
  WaitCycle(link, std::max(ticks, link.CycleTime()));
}

void WaitCycle(Link& link, std::chrono::microseconds cycle) {
  link.GetPacer().Wait(cycle, link.Yield());
}

}  // namespace daxwel
