#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

#include "link/clock.h"
#include "link/port_io.h"
#include "link/wiring.h"

namespace daxwel {

// Minimums from the parts' programming sheets.
inline constexpr std::chrono::nanoseconds kBitDelay = std::chrono::microseconds(1);
// From VPP rising to the first clock: 5 µs at the pin, but an adapter's VPP stage takes tens
// of microseconds to get there, so peers wait 10 µs to 100 ms.
inline constexpr std::chrono::nanoseconds kVppHold = std::chrono::microseconds(100);
// How long VPP stays low between leaving programming mode and entering it again, so the
// address counter resets. No part documents a minimum; peers hold it from 10 µs to 50 ms, and
// a real adapter's MCLR stage falls far more slowly than a port bit.
inline constexpr std::chrono::nanoseconds kVppLowHold = std::chrono::milliseconds(10);
// VPP-first entry: VPP up this long before VDD; kVppHold then runs from VDD. The parts ask
// 5 µs at the pin (TPPDP), but an adapter's VPP stage takes tens of microseconds to reach
// VIHH while its VDD switch is fast, so with only that VDD could reach the pin first and the
// part would start its own code (peers wait 25 µs to 2 ms).
inline constexpr std::chrono::nanoseconds kVppBeforeVdd = std::chrono::microseconds(100);
// VDD-first entry on an adapter that switches VDD: the supply settles before VPP rises.
inline constexpr std::chrono::nanoseconds kVddBeforeVpp = std::chrono::microseconds(100);
// A switched supply needs time to fall (decoupling capacitors) before the next entry counts
// as a new power-up.
inline constexpr std::chrono::nanoseconds kVddDischarge = std::chrono::milliseconds(10);
// Loopback presence test: the data input settles through the adapter's pull-up.
inline constexpr std::chrono::nanoseconds kLoopbackSettle = std::chrono::microseconds(200);
// Worst case until a model is known: the 16F84's slow cell.
inline constexpr std::chrono::microseconds kDefaultCycle = std::chrono::milliseconds(20);

// The order in which programming mode is entered on an adapter that switches VDD.
enum class Entry { kVddFirst, kVppFirst };

// What every driver and protocol routine needs: the port, its pacing, the chosen port
// addresses (In_Port is always Out_Port + 1, the control register Out_Port + 2) and the
// adapter's wiring.
class Link {
 public:
  Link(PortIo& io, Pacer& pacer, std::uint16_t outPort = 0x378,
       const Wiring& wiring = DefaultWiring())
      : io_(io), pacer_(pacer), outPort_(outPort) {
    SetWiring(wiring);
  }

  PortIo& Io() { return io_; }
  Pacer& GetPacer() { return pacer_; }
  std::uint16_t OutPort() const { return outPort_; }
  std::uint16_t InPort() const { return static_cast<std::uint16_t>(outPort_ + 1); }
  std::uint16_t ControlPort() const { return static_cast<std::uint16_t>(outPort_ + 2); }
  void SetOutPort(std::uint16_t port) { outPort_ = port; }

  const Wiring& GetWiring() const { return wiring_; }
  void SetWiring(const Wiring& wiring);
  // Added to every clock half-period, for long cables and slow buffers.
  std::chrono::nanoseconds ExtraHalfPeriod() const { return extra_; }
  void SetExtraHalfPeriod(std::chrono::nanoseconds extra) { extra_ = extra; }

  // When the lines last went off, so the next entry can keep VPP low long enough; nothing
  // until then, when their past is unknown.
  std::optional<std::chrono::nanoseconds> LinesOffSince() const { return offSince_; }
  void MarkLinesOff() { offSince_ = pacer_.GetClock().Now(); }

  // Called repeatedly during long waits so a host event loop stays live.
  void SetYield(std::function<void()> yield) { yield_ = std::move(yield); }
  const std::function<void()>& Yield() const { return yield_; }

  // Writes the registers the wiring uses for driver state `latch`; the register holding the
  // clock goes last.
  void WriteLines(std::uint8_t latch);
  // Writes register values as they are, in the same order.
  void WriteBytes(const PortBytes& bytes);

 private:
  PortIo& io_;
  Pacer& pacer_;
  std::uint16_t outPort_;
  Wiring wiring_;
  // The register values of every driver state, worked out once per wiring.
  std::array<PortBytes, 256> bytes_{};
  bool writesData_ = true;
  bool writesControl_ = false;
  bool clockOnControl_ = false;
  std::chrono::nanoseconds extra_{0};
  std::function<void()> yield_ = [] {};
  std::optional<std::chrono::nanoseconds> offSince_;
};

// op 1 sets, op 0 clears bit `bit` (0..7) of `value`; no port access.
std::uint8_t SetLatchBit(std::uint8_t value, std::uint8_t bit, std::uint8_t op);
// Every line to its "off" level; the caller's DataLatch is untouched.
void LinesOff(Link& link);
// Every line off (MCLR held low where the adapter can), one BitDelay, and on an adapter that
// switches VDD the time the supply needs to fall. Returns the new DataLatch (0).
std::uint8_t ResetLines(Link& link);
// Raises VPP (and VDD, when the adapter switches it, in the order `entry` says) with clock
// and data low, once VPP has been low kVppLowHold (the whole hold when its past is unknown), and
// holds them low kVppHold. Returns the new DataLatch.
std::uint8_t EnterProgramMode(Link& link, std::uint8_t& latch, Entry entry = Entry::kVddFirst);
// The target runs its own program: the run line alone, or VDD alone where there is no run
// line.
void RunLineOn(Link& link);
// The adapter's own presence test (status pattern, data loopback or none).
bool AdapterPresent(Link& link);
// (status & 0xF8) is 0x80 or 0xC0.
bool IsPresencePattern(std::uint8_t status);
// At least 1 µs plus the adapter's extra half-period, never yields.
void BitDelay(Link& link);
// Waits out one self-timed cycle whose worst case is `cycle`, yielding: each cycle waits its
// own time, so a 4 ms programming-only cycle is not held to an erase's 8 ms.
void WaitCycle(Link& link, std::chrono::microseconds cycle);

}  // namespace daxwel
