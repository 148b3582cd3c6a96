#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

#include "link/clock.h"
#include "link/port_io.h"

namespace daxwel {

// Data-register bits of the adapter.
inline constexpr std::uint8_t kClockBit = 0;     // mask 0x01
inline constexpr std::uint8_t kDataBit = 1;      // mask 0x02
inline constexpr std::uint8_t kVppBit = 2;       // mask 0x04
inline constexpr std::uint8_t kRunValue = 0x08;  // run line, written alone
inline constexpr std::uint8_t kDataInMask = 0x40;

// Minimums from the parts' programming sheets.
inline constexpr std::chrono::nanoseconds kBitDelay = std::chrono::microseconds(1);
// From VPP rising to the first clock: 5 µs at the pin, but an adapter's VPP stage takes tens
// of microseconds to get there, so peers wait 10 µs to 100 ms.
inline constexpr std::chrono::nanoseconds kVppHold = std::chrono::microseconds(100);
// How long VPP stays low between leaving programming mode and entering it again, so the
// address counter resets. No part documents a minimum; peers hold it from 10 µs to 50 ms, and
// a real adapter's MCLR stage falls far more slowly than a port bit.
inline constexpr std::chrono::nanoseconds kVppLowHold = std::chrono::milliseconds(10);
// Worst case until a model is known: the 16F84's slow cell.
inline constexpr std::chrono::microseconds kDefaultCycle = std::chrono::milliseconds(20);

// What every driver and protocol routine needs: the port, its pacing, and the chosen port
// addresses (In_Port is always Out_Port + 1).
class Link {
 public:
  Link(PortIo& io, Pacer& pacer, std::uint16_t outPort = 0x378)
      : io_(io), pacer_(pacer), outPort_(outPort) {}

  PortIo& Io() { return io_; }
  Pacer& GetPacer() { return pacer_; }
  std::uint16_t OutPort() const { return outPort_; }
  std::uint16_t InPort() const { return static_cast<std::uint16_t>(outPort_ + 1); }
  void SetOutPort(std::uint16_t port) { outPort_ = port; }

  // The self-timed cycle of the model being worked on; WaitTicks never returns sooner.
  std::chrono::microseconds CycleTime() const { return cycle_; }
  void SetCycleTime(std::chrono::microseconds cycle) { cycle_ = cycle; }

  // When the lines last went off, so the next entry can keep VPP low long enough; nothing
  // until then, when their past is unknown.
  std::optional<std::chrono::nanoseconds> LinesOffSince() const { return offSince_; }
  void MarkLinesOff() { offSince_ = pacer_.GetClock().Now(); }

  // Called repeatedly during long waits so a host event loop stays live.
  void SetYield(std::function<void()> yield) { yield_ = std::move(yield); }
  const std::function<void()>& Yield() const { return yield_; }

 private:
  PortIo& io_;
  Pacer& pacer_;
  std::uint16_t outPort_;
  std::chrono::microseconds cycle_ = kDefaultCycle;
  std::function<void()> yield_ = [] {};
  std::optional<std::chrono::nanoseconds> offSince_;
};

// op 1 sets, op 0 clears bit `bit` (0..7) of `value`; no port access.
std::uint8_t SetLatchBit(std::uint8_t value, std::uint8_t bit, std::uint8_t op);
// Writes 0; the caller's DataLatch is untouched.
void LinesOff(Link& link);
// Writes 0 then one BitDelay; returns the new DataLatch (0).
std::uint8_t ResetLines(Link& link);
// Once VPP has been low kVppLowHold (the whole hold when its past is unknown), sets bit 2 in
// the latch, writes it and holds clock and data low for kVppHold.
std::uint8_t EnterProgramMode(Link& link, std::uint8_t& latch);
// Writes 8: the target runs its own program.
void RunLineOn(Link& link);
// One status read: (value & 0xF8) is 0x80 or 0xC0.
bool AdapterPresent(Link& link);
bool IsPresencePattern(std::uint8_t status);
// At least 1 µs, never yields.
void BitDelay(Link& link);
// n <= 5 returns at once; otherwise waits max((n - 5) ms, the link's cycle time), yielding.
void WaitTicks(Link& link, int n);
// Waits out one self-timed cycle whose worst case is `cycle`, yielding: each cycle waits its
// own time, so a 4 ms programming-only cycle is not held to an erase's 8 ms.
void WaitCycle(Link& link, std::chrono::microseconds cycle);

}  // namespace daxwel
